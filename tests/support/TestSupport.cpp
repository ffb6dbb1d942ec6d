#include "support/TestSupport.h"

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("kestrelport-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may take write permission away from files; give it back before removing.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + fileName);
}

std::string ReadBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteGzip(const std::string& fileName, const std::string& bytes) {
    gzFile f = gzopen(fileName.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + fileName);
    if (!bytes.empty()) gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(f);
}

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) saved_ = old;
    if (value)
        ::setenv(name_.c_str(), value, 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (saved_)
        ::setenv(name_.c_str(), saved_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

namespace {

std::string SharedLogsFolder() {
    const char* dir = std::getenv("KESTRELPORT_SHARED_DATA");
    return std::string(dir && *dir ? dir : KESTRELPORT_SHARED_DATA_DEFAULT) + "/logs";
}

}  // namespace

std::string SharedLogPath(const std::string& name) { return SharedLogsFolder() + "/" + name; }

bool SharedLogsPresent() { return std::filesystem::is_directory(SharedLogsFolder()); }

std::optional<std::string> PostgresTestConnection() {
    const char* s = std::getenv("KESTRELPORT_PG_TEST");
    if (!s || !*s) return std::nullopt;
    return std::string(s);
}
