#include "textfiles/AsciiText.h"

std::string ToLowerAscii(std::string text) {
    for (char& c : text) c = ToLowerAscii(c);
    return text;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
    return true;
}

std::string_view TrimAscii(std::string_view text, std::string_view blanks) {
    return TrimAsciiEnd(TrimAsciiStart(text, blanks), blanks);
}

std::string_view TrimAsciiStart(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimAsciiEnd(std::string_view text, std::string_view blanks) {
    const std::size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}
