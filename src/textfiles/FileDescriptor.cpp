#include "textfiles/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset(other.fd_);
        other.fd_ = -1;
    }
    return *this;
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int FileDescriptor::Close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
}

int OpenForReading(const std::string& fileName, FileDescriptor& file) {
    file.Reset(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.IsOpen()) return errno;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return errno;
    if (S_ISDIR(status.st_mode)) return EISDIR;
    return 0;
}

long ReadSome(int fd, char* block, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(fd, block, size);
        if (count >= 0 || errno != EINTR) return static_cast<long>(count);
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}
