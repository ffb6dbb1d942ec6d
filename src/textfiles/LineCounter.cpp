#include "textfiles/LineCounter.h"

#include <cstring>

namespace {

// memchr finds the next byte many bytes at a time; a plain loop over a gigabyte costs seconds.
std::int64_t CountByte(std::string_view bytes, char wanted) {
    std::int64_t count = 0;
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    while (at < end) {
        const void* found = std::memchr(at, wanted, static_cast<std::size_t>(end - at));
        if (!found) break;
        ++count;
        at = static_cast<const char*>(found) + 1;
    }
    return count;
}

// CRs inside `bytes` with a byte other than LF right after them; a CR that is the last byte is
// left to the caller.
std::int64_t CountLoneCrs(std::string_view bytes) {
    std::int64_t count = 0;
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    while (at < end) {
        const void* found = std::memchr(at, '\r', static_cast<std::size_t>(end - at));
        if (!found) break;
        const char* cr = static_cast<const char*>(found);
        if (cr + 1 < end && cr[1] != '\n') ++count;
        at = cr + 1;
    }
    return count;
}

}  // namespace

void LineCounter::Append(std::string_view bytes) {
    if (bytes.empty()) return;
    if (crPending_ && bytes.front() != '\n') ++ended_;
    ended_ += CountByte(bytes, '\n') + CountLoneCrs(bytes);
    beforeLast_ = bytes.size() >= 2 ? bytes[bytes.size() - 2] : last_;
    last_ = bytes.back();
    crPending_ = last_ == '\r';
}

std::int64_t LineCounter::Finish() const {
    const auto endsLine = [](char c) { return c == '\n' || c == '\r'; };
    if (last_ == '\n') return ended_;
    // The collector drops a CR at the very end; the bytes before it make a line of their own.
    if (last_ == '\r') return ended_ + (endsLine(beforeLast_) ? 0 : 1);
    return ended_ + 1;
}
