#include "textfiles/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// O_TMPFILE makes a file that never has a name; file systems without it get a named file that
// is removed at once.
int OpenNamelessFile() {
    const std::string folder = TemporaryFolder();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string pattern = folder + "/kestrelport-XXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(pattern.c_str());
    return fd;
}

}  // namespace

TemporaryFile::TemporaryFile() : file_(OpenNamelessFile()) {
    if (!file_.IsOpen()) ThrowErrno("cannot make a temporary file");
    buffer_.reserve(kBufferSize);
}

void TemporaryFile::Append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        if (!WriteAll(file_.Get(), bytes)) ThrowErrno("cannot write a temporary file");
        written_ += static_cast<std::int64_t>(bytes.size());
        return;
    }
    buffer_.append(bytes);
}

void TemporaryFile::Flush() {
    if (!WriteAll(file_.Get(), buffer_)) ThrowErrno("cannot write a temporary file");
    written_ += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
}

void TemporaryFile::ReadAt(std::int64_t offset, char* out, std::size_t size) const {
    while (size > 0 && offset < written_) {
        const auto inFile = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(size), written_ - offset));
        const ssize_t count = ::pread(file_.Get(), out, inFile, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) ThrowErrno("cannot read a temporary file");
        if (count == 0) {
            errno = EIO;
            ThrowErrno("cannot read a temporary file");
        }
        out += count;
        offset += count;
        size -= static_cast<std::size_t>(count);
    }
    if (size > 0) std::memcpy(out, buffer_.data() + (offset - written_), size);
}
