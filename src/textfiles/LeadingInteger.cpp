#include "textfiles/LeadingInteger.h"

#include <limits>

#include "textfiles/AsciiText.h"

namespace {

// Accumulates toward the sign's limit so that the most negative value is reachable.
template <typename Int>
Int ParseSaturating(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr Int kMax = std::numeric_limits<Int>::max();
    constexpr Int kMin = std::numeric_limits<Int>::min();
    Int value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const Int digit = text[i] - '0';
        if (negative) {
            if (value < (kMin + digit) / 10) return kMin;
            value = value * 10 - digit;
        } else {
            if (value > (kMax - digit) / 10) return kMax;
            value = value * 10 + digit;
        }
    }
    return value;
}

}  // namespace

std::int64_t LeadingInteger64(std::string_view text) {
    return ParseSaturating<std::int64_t>(text);
}

std::int32_t LeadingInteger32(std::string_view text) {
    return ParseSaturating<std::int32_t>(text);
}
