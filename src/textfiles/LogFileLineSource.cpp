#include "textfiles/LogFileLineSource.h"

#include "textfiles/LineCounter.h"

namespace {

// Large reads keep a million-line log to a few hundred system calls.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

}  // namespace

LogFileLineSource::LogFileLineSource(std::string fileName, std::unique_ptr<LogBytes> bytes)
    : fileName_(std::move(fileName)),
      bytes_(std::move(bytes)),
      // Left uninitialised: only the bytes a read delivers are looked at.
      block_(std::make_unique_for_overwrite<char[]>(kBlockSize)),
      collector_(pending_, bytes_->CarriageReturns(), CStringArrayPBEx::LoneCr::EndsLine) {}

bool LogFileLineSource::Count() {
    LineCounter counter;
    for (;;) {
        const long count = bytes_->Read(block_.get(), kBlockSize);
        if (count < 0) return false;
        if (count == 0) break;
        counter.Append(std::string_view(block_.get(), static_cast<std::size_t>(count)));
    }
    total_ = counter.Finish();
    return bytes_->Rewind();
}

bool LogFileLineSource::Refill() {
    pending_.clear();
    taken_ = 0;
    while (pending_.empty() && !finished_) {
        const long count = bytes_->Read(block_.get(), kBlockSize);
        if (count < 0) {
            failure_ = bytes_->FailureText();
            return false;
        }
        if (count == 0) {
            collector_.Finish();
            finished_ = true;
        } else {
            collector_.Append(std::string_view(block_.get(), static_cast<std::size_t>(count)));
        }
    }
    return !pending_.empty();
}

void LogFileLineSource::ThrowEndedEarly() const {
    throw LineSourceError("The log file " + fileName_ + " changed while it was read: it ended after " +
                          std::to_string(delivered_) + " of its " + std::to_string(total_) +
                          " lines.");
}

void LogFileLineSource::NextLines(std::vector<std::string>& lines, std::size_t maxLines) {
    lines.clear();
    if (failure_) throw LineSourceError(*failure_);
    while (lines.size() < maxLines && delivered_ < total_) {
        if (taken_ == pending_.size() && !Refill()) break;
        lines.push_back(std::move(pending_[taken_++]));
        ++delivered_;
    }
    if (!lines.empty() || delivered_ == total_) return;
    if (failure_) throw LineSourceError(*failure_);
    ThrowEndedEarly();
}
