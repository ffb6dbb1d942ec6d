#pragma once
// The bytes of a log file, plain or gzip-compressed, read from the start twice: once to count and
// check them, once to hand over their lines. Both passes read the file opened first, so a log
// renamed in between (as logs are when they rotate) is still read as it was counted.

#include <memory>
#include <string>

#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"
#include "textfiles/FileDescriptor.h"

class LogBytes {
  public:
    virtual ~LogBytes() = default;

    // Up to `size` bytes: the count, 0 at the end, -1 on a failure (FailureText then says why).
    virtual long Read(char* block, std::size_t size) = 0;
    // Back to the first byte. The second pass ends where the first one did, so that lines added
    // to a log still being written do not join the run halfway through.
    virtual bool Rewind() = 0;
    // The message for the last failure, naming the file.
    virtual std::string FailureText() const = 0;
    // A compressed log keeps a CR before a LF in its line, as it always has.
    virtual LineCollector::CarriageReturn CarriageReturns() const = 0;
};

class PlainLogBytes final : public LogBytes {
  public:
    // Returns errno of a failed open, 0 when the file is ready.
    int Open(const std::string& fileName);

    long Read(char* block, std::size_t size) override;
    bool Rewind() override;
    std::string FailureText() const override;
    LineCollector::CarriageReturn CarriageReturns() const override {
        return LineCollector::CarriageReturn::DroppedBeforeLineFeed;
    }

  private:
    std::string fileName_;
    FileDescriptor file_;
    std::int64_t read_ = 0;    // bytes read in this pass
    std::int64_t length_ = -1; // the bytes the first pass found; -1 during it
    int error_ = 0;
};

class GzipLogBytes final : public LogBytes {
  public:
    // False when the file cannot be opened.
    bool Open(const std::string& fileName);

    long Read(char* block, std::size_t size) override { return gzip_.ReadBlock(block, size); }
    bool Rewind() override { return gzip_.Rewind(); }
    std::string FailureText() const override;
    LineCollector::CarriageReturn CarriageReturns() const override {
        return LineCollector::CarriageReturn::Kept;
    }

  private:
    std::string fileName_;
    CGZip gzip_;
};
