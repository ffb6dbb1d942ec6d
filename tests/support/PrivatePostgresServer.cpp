#include "support/PrivatePostgresServer.h"

#include <sys/wait.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The script refuses a folder it did not make, so the name must not exist yet.
std::string FreshFolderName() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("kestrelport-pg-" + std::to_string(random()));
        if (!std::filesystem::exists(candidate)) return candidate.string();
    }
}

}  // namespace

PrivatePostgresServer::PrivatePostgresServer() : dir_(FreshFolderName()) {}

PrivatePostgresServer::~PrivatePostgresServer() {
    Script("stop");
}

int PrivatePostgresServer::Script(const std::string& command, std::string* out,
                                  const std::string& option) const {
    const std::string line = Quoted(KESTRELPORT_PG_TEST_SERVER_SCRIPT) + " " + command + " " +
                             Quoted(dir_) + " " + option + " 2>&1";
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    std::array<char, 4096> buffer{};
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        text.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<PrivatePostgresServer::StartFailure> PrivatePostgresServer::Start() {
    std::string out;
    if (Script("start", &out, "durable") != 0) {
        return StartFailure{out.find("no PostgreSQL server binaries") != std::string::npos, out};
    }
    // The connection string is the script's last line.
    const std::size_t start = out.rfind("Provider=");
    if (start == std::string::npos) return StartFailure{false, out};
    connection_ = out.substr(start, out.find('\n', start) - start);
    return std::nullopt;
}

// SIGQUIT to the postmaster is the immediate shutdown that `pg_ctl stop -m immediate` sends. Sent
// from here it lands within a millisecond, while the program is still in the step the test
// watched; going through a script and pg_ctl took longer than some steps last.
bool PrivatePostgresServer::Kill() {
    const std::string pidFile = dir_ + "/data/postmaster.pid";
    pid_t postmaster = 0;
    if (!(std::ifstream(pidFile) >> postmaster) || ::kill(postmaster, SIGQUIT) != 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::filesystem::exists(pidFile)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool PrivatePostgresServer::Resume() {
    return Script("resume") == 0;
}
