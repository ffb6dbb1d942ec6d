#pragma once
// Reading gzip-compressed files through the compression library's gzip file interface. The
// library delivers a file that is not compressed as it stands and the members of a multi-member
// file one after another, so callers need not tell these cases apart.

#include <cstddef>
#include <memory>
#include <string>

#include "textfiles/CStringArrayPBEx.h"
struct gzFile_s;

class CZipper {
  public:
    enum class OpenMode { Closed, Write, Read };

    OpenMode GetOpenMode() const { return mode_; }

  protected:
    CZipper() = default;
    ~CZipper() = default;

    OpenMode mode_ = OpenMode::Closed;
};

class CGZip : public CZipper {
  public:
    CGZip() = default;
    ~CGZip();
    CGZip(const CGZip&) = delete;
    CGZip& operator=(const CGZip&) = delete;

    // Only reading is supported. Fails when a file is already open, when the file does not
    // exist or is a folder, or when it cannot be opened.
    bool Open(const std::string& fileName, OpenMode mode);
    bool IsOpen() const { return file_ != nullptr; }
    // True when the library reported no error.
    bool Close();

    // The whole decompressed content in one buffer. True when at least one byte was read; on a
    // decompression error (corrupt or truncated data) false with `buffer` left untouched.
    bool ReadAll(std::unique_ptr<char[]>& buffer, std::size_t& length);

    // Appends the decompressed content to `lines`, cut at line feeds as it is decompressed, so
    // that the text never exists whole next to its lines. Every other byte stays in its line.
    // False on a decompression error, with `lines` then holding what came before it.
    bool ReadLines(CStringArrayPBEx& lines,
                   CStringArrayPBEx::LoneCr loneCr = CStringArrayPBEx::LoneCr::IsData);

    // One read of up to `size` decompressed bytes: the count, 0 at the end of the data, -1 on an
    // error, a data stream that ends too early included.
    long ReadBlock(char* block, std::size_t size);
    // Starts reading again at the first byte, on the file opened (a file renamed meanwhile, as
    // logs are when they rotate, is still read whole).
    bool Rewind();

    // The library's reason for the last failure, without the file name it prefixes.
    std::string LastError() const;

    std::size_t GetCompressedSize() const { return compressedSize_; }

  private:
    gzFile_s* file_ = nullptr;
    std::string fileName_;
    std::size_t compressedSize_ = 0;
};
