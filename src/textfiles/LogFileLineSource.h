#pragma once
// The lines of a log file, counted (and a compressed log checked whole) before the first is handed
// over, then read again a batch at a time. Lines are cut exactly as a log read whole is cut.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "textfiles/LineSource.h"
#include "textfiles/LogBytes.h"

class LogFileLineSource final : public LineSource {
  public:
    LogFileLineSource(std::string fileName, std::unique_ptr<LogBytes> bytes);

    // The first pass over every byte. False when the bytes cannot be read to their end; the
    // message is then FailureText(). Nothing is handed over before it has succeeded.
    bool Count();
    std::string FailureText() const { return bytes_->FailureText(); }

    Index TotalLines() const override { return total_; }
    void NextLines(std::vector<std::string>& lines, std::size_t maxLines) override;

  private:
    // Reads the next block into pending_; false at the end of the bytes.
    bool Refill();
    [[noreturn]] void ThrowEndedEarly() const;

    std::string fileName_;
    std::unique_ptr<LogBytes> bytes_;
    std::unique_ptr<char[]> block_;
    Index total_ = 0;
    Index delivered_ = 0;
    std::vector<std::string> pending_;  // lines cut from the blocks read, not yet handed over
    std::size_t taken_ = 0;             // of pending_
    LineCollector collector_;
    bool finished_ = false;
    std::optional<std::string> failure_;  // thrown at the next call, once its lines are handed
};
