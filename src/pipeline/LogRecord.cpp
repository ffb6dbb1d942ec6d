#include "pipeline/LogRecord.h"

#include <array>

#include "textfiles/LeadingInteger.h"

namespace {

// The line parser cuts at one delimiter character at a time; a dedicated type lets the search
// for the field's end run as a memchr instead of a per-byte set test.
struct SingleDelimiter {
    char c;
    bool Contains(char x) const { return x == c; }
    std::size_t FindIn(std::string_view s, std::size_t from) const { return s.find(c, from); }
};

struct DelimiterSet {
    std::array<bool, 256> member{};
    explicit DelimiterSet(std::string_view delimiters) {
        for (unsigned char c : delimiters) member[c] = true;
    }
    bool Contains(char x) const { return member[static_cast<unsigned char>(x)]; }
    std::size_t FindIn(std::string_view s, std::size_t from) const {
        for (std::size_t i = from; i < s.size(); ++i)
            if (Contains(s[i])) return i;
        return std::string_view::npos;
    }
};

// Gives a view into `line`, or the placeholder.
template <typename Delimiters>
std::string_view ScanField(std::string_view line, const Delimiters& delimiters,
                           std::ptrdiff_t& position) {
    // Any negative position counts as exhausted, so a caller's arithmetic can never index
    // before the line.
    if (position < 0) return kMissingField;
    std::size_t start = static_cast<std::size_t>(position);
    while (start < line.size() && delimiters.Contains(line[start])) ++start;
    if (start >= line.size()) {
        position = kLineExhausted;
        return kMissingField;
    }
    std::size_t end = delimiters.FindIn(line, start);
    if (end == std::string_view::npos) end = line.size();
    position = static_cast<std::ptrdiff_t>(end) + 1;
    return line.substr(start, end - start);
}

void Advance(std::ptrdiff_t& position) {
    if (position >= 0) ++position;
}

}  // namespace

bool LogRecord::IsComplete() const {
    for (const std::string& field : *this)
        if (field == kMissingField) return false;
    return true;
}

std::int16_t LogRecord::StatusValue() const {
    // Two's-complement truncation: a status of 70000 is stored as 4464, as a smallint column
    // fed from a 32-bit value would hold it.
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(LeadingInteger32(GetAt(kFieldStatus))));
}

std::int32_t LogRecord::BytesValue() const {
    return LeadingInteger32(GetAt(kFieldBytes));
}

std::string NextField(std::string_view line, std::string_view delimiters,
                      std::ptrdiff_t& position) {
    return std::string(ScanField(line, DelimiterSet(delimiters), position));
}

void SplitLogLine(std::string_view line, LogRecord& record) {
    auto& fields = record.Items();
    fields.resize(kLogFieldCount);
    std::ptrdiff_t position = 0;
    auto take = [&](LogField field, char delimiter) {
        fields[static_cast<std::size_t>(field)].assign(
            ScanField(line, SingleDelimiter{delimiter}, position));
    };
    take(kFieldIP, ' ');
    take(kFieldIdentd, ' ');
    take(kFieldUserID, ' ');
    // The "[" stays in the field: the space before it was consumed with the user field.
    take(kFieldDateTimeTxt, ']');
    Advance(position);  // the space behind "]"
    take(kFieldRequest, '"');
    take(kFieldStatus, ' ');
    take(kFieldBytes, ' ');
    Advance(position);  // the referrer's opening quote
    take(kFieldReferrer, '"');
    Advance(position);  // the space behind the referrer's closing quote
    take(kFieldUserAgent, '"');
}
