#include "app/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Close() {
        if (fd_ < 0) return true;
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The rename itself lives in the folder's entries; flushing the folder makes it survive a crash.
void SyncFolder(const std::filesystem::path& folder) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view contents) {
    std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> tempName(pattern.begin(), pattern.end());
    tempName.push_back('\0');
    UniqueFd temp(::mkostemp(tempName.data(), O_CLOEXEC));
    if (temp.Get() < 0) return false;

    bool written = WriteAll(temp.Get(), contents) && ::fsync(temp.Get()) == 0;
    written = temp.Close() && written;
    if (!written || ::rename(tempName.data(), path.c_str()) != 0) {
        ::unlink(tempName.data());
        return false;
    }
    SyncFolder(folder);
    return true;
}
