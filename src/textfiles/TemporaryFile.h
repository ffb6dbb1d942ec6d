#pragma once
// A file without a name in the temporary folder ($TMPDIR, else /tmp): it vanishes with its
// descriptor, so a run that dies leaves nothing behind. Writes are gathered in a buffer; reads
// see the buffer too, so nothing needs flushing first.

#include <cstdint>
#include <string>
#include <string_view>

#include "textfiles/FileDescriptor.h"

class TemporaryFile {
  public:
    // Throws std::system_error when no such file can be made.
    TemporaryFile();

    // Throws std::system_error when the bytes cannot be written.
    void Append(std::string_view bytes);
    std::int64_t Size() const { return written_ + static_cast<std::int64_t>(buffer_.size()); }
    // Reads `size` bytes from `offset`, which must lie within Size(). Throws std::system_error.
    void ReadAt(std::int64_t offset, char* out, std::size_t size) const;

  private:
    void Flush();

    FileDescriptor file_;
    std::int64_t written_ = 0;  // bytes in the file; the rest are in buffer_
    std::string buffer_;
};
