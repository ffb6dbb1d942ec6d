#include "textfiles/QuotedText.h"

std::string QuotedByDoubling(std::string_view text, char quote) {
    std::string quoted(1, quote);
    quoted.reserve(text.size() + 2);
    for (const char c : text) {
        quoted += c;
        if (c == quote) quoted += quote;
    }
    return quoted + quote;
}
