#pragma once
// Counts the lines a LineCollector with LoneCr::EndsLine would cut from the same bytes, without
// making them: a log is counted before it is written, so that its progress can name the total,
// and the count must not cost a copy of every line.

#include <cstdint>
#include <string_view>

class LineCounter {
  public:
    // Bytes may arrive in pieces of any size; a CR at the end of one piece is judged by the first
    // byte of the next.
    void Append(std::string_view bytes);
    // The number of lines, the unfinished last one included.
    std::int64_t Finish() const;

  private:
    std::int64_t ended_ = 0;  // lines already ended by a LF or a lone CR
    bool crPending_ = false;  // the last byte seen was a CR
    // What the last two bytes seen were; a CR at the very end ends nothing, and the line before it
    // counts only when it holds a byte.
    char last_ = '\n';
    char beforeLast_ = '\n';
};
