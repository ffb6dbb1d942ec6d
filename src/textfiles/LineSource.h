#pragma once
// Lines handed over a batch at a time, so that a log of any length is never held whole: the
// writer takes a batch, and the next one is read while it stores the rows of this one. The number
// of lines is known before the first is handed over.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "textfiles/CStringArrayPBEx.h"

// The lines could not be read to the end; the text says why and names the file.
class LineSourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class LineSource {
  public:
    using Index = CStringArrayPBEx::Index;

    virtual ~LineSource() = default;

    virtual Index TotalLines() const = 0;
    // Replaces `lines` with the next lines, at most `maxLines` of them and fewer only when the
    // last line has been handed over. Throws LineSourceError when the next line cannot be read;
    // lines read before the failure are handed over first.
    virtual void NextLines(std::vector<std::string>& lines, std::size_t maxLines) = 0;
};

// The lines of a list the caller already holds. They are moved out as they are handed over, and
// the list's memory is given back with the last of them.
class LineListSource final : public LineSource {
  public:
    explicit LineListSource(CStringArrayPBEx& lines) : lines_(lines) {}

    Index TotalLines() const override { return total_; }
    void NextLines(std::vector<std::string>& lines, std::size_t maxLines) override {
        lines.clear();
        for (; next_ < total_ && lines.size() < maxLines; ++next_)
            lines.push_back(std::move(lines_[next_]));
        if (next_ == total_) lines_.FreeAll();
    }

  private:
    CStringArrayPBEx& lines_;
    const Index total_ = lines_.GetSize();
    Index next_ = 0;
};
