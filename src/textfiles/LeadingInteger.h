#pragma once
// The one rule by which the program reads a number from the front of a text (log status and
// size, timestamp parts, country-range bounds, address octets, results offsets): white space is
// skipped, an optional sign and the decimal digits up to the first other character are taken,
// and a text without digits counts as 0. Values out of range saturate instead of wrapping, so a
// hostile text can neither overflow nor turn a huge value into a small one.

#include <cstdint>
#include <string_view>

std::int64_t LeadingInteger64(std::string_view text);
std::int32_t LeadingInteger32(std::string_view text);
