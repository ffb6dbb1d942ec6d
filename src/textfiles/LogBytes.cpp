#include "textfiles/LogBytes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "textfiles/FileErrorText.h"

int PlainLogBytes::Open(const std::string& fileName) {
    fileName_ = fileName;
    return OpenForReading(fileName, file_);
}

long PlainLogBytes::Read(char* block, std::size_t size) {
    if (length_ >= 0) size = static_cast<std::size_t>(std::min<std::int64_t>(
                          static_cast<std::int64_t>(size), length_ - read_));
    if (size == 0) return 0;
    const long count = ReadSome(file_.Get(), block, size);
    if (count < 0) {
        error_ = errno;
        return -1;
    }
    if (count == 0 && length_ >= 0) {
        error_ = 0;  // the file has become shorter than it was counted
        return -1;
    }
    read_ += count;
    return count;
}

bool PlainLogBytes::Rewind() {
    if (::lseek(file_.Get(), 0, SEEK_SET) != 0) {
        error_ = errno;
        return false;
    }
    length_ = read_;
    read_ = 0;
    return true;
}

std::string PlainLogBytes::FailureText() const {
    return error_ != 0 ? FileErrorText(error_, fileName_)
                       : FileErrorText(FileErrorCause::EndOfFile, fileName_);
}

bool GzipLogBytes::Open(const std::string& fileName) {
    fileName_ = fileName;
    return gzip_.Open(fileName, CZipper::OpenMode::Read);
}

std::string GzipLogBytes::FailureText() const {
    return "Could not decompress the .gz file " + fileName_ + ": " + gzip_.LastError();
}
