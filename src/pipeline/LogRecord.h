#pragma once
// One access-log line cut into its nine raw fields. The parser never rejects a line: whatever
// the line does not supply is filled with a placeholder, and the writer decides from that
// placeholder whether to report the line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textfiles/CStringArrayPBEx.h"

// The positions of the fields in a LogRecord.
enum LogField : CStringArrayPBEx::Index {
    kFieldIP,
    kFieldIdentd,
    kFieldUserID,
    kFieldDateTimeTxt,
    kFieldRequest,
    kFieldStatus,
    kFieldBytes,
    kFieldReferrer,
    kFieldUserAgent,
    kLogFieldCount
};

// Stands for a field that the line does not supply.
inline constexpr std::string_view kMissingField = "-Missing-";

class LogRecord : public CStringArrayPBEx {
  public:
    // True when no field is exactly the placeholder (a log that itself contains "-Missing-" in a
    // field is reported too: the writer cannot tell the two apart).
    bool IsComplete() const;

    // The status code as stored: the leading integer (saturated to 32 bits) cut to its low 16 bits.
    std::int16_t StatusValue() const;
    // The response size as stored; "-" gives 0.
    std::int32_t BytesValue() const;
};

// A scan position of -1 means that the line is exhausted.
inline constexpr std::ptrdiff_t kLineExhausted = -1;

// Returns the next field of `line` that starts at or behind `position` after skipping any of
// the `delimiters`, and moves `position` one past the delimiter that ends it (or one past the end
// of the line). Returns the placeholder and sets `position` to -1 when nothing is left.
std::string NextField(std::string_view line, std::string_view delimiters, std::ptrdiff_t& position);

// Replaces the contents of `record` by the nine fields of `line`. Reuses the record's strings so
// that a run over millions of lines allocates only when a field outgrows its predecessor.
void SplitLogLine(std::string_view line, LogRecord& record);
