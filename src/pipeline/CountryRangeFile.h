#pragma once
// What the IPv4 and IPv6 range files have in common: read in one piece, cut into lines, and
// seven comma-separated fields per range, of which the first two bound it and the sixth names
// its country.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The whole file in one read, cut at its first end-of-file mark. Answers 0 or the errno value
// of the failure (a folder given as the file fails too).
int ReadWholeRangeFile(const std::string& fileName, std::string& content);

// Calls `onLine(line, end)` for every line that is not a comment, without its line end; `end` is
// the offset just past it, for a progress bar.
template <class OnLine>
void ForEachRangeLine(std::string_view text, OnLine&& onLine) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = newline == std::string_view::npos ? text.size() : newline + 1;
        if (!line.empty() && line.front() == '#') continue;
        onLine(line, start);
    }
}

struct RangeLineFields {
    std::string_view first;  // unquoted, otherwise as written
    std::string_view last;
    std::string_view code;  // one to three characters
};

// The fields of a range line, or nothing for a comment or a line that is no valid range (fewer
// than seven fields, or a country code that is empty or longer than three characters). The views
// stay valid until the same thread splits its next line.
std::optional<RangeLineFields> SplitRangeLine(std::string_view line);
