#pragma once
// Turns "first,last,CC" IPv4 range lines (decimal bounds, as in Debian's tor-geoipdb) into the
// seven-field lines of IpToCountry.csv: first,last,-,-,CC,CCC,"name".

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "CountryCodes.h"

struct ConversionCounts {
    std::size_t written = 0;
    std::size_t unknownCountry = 0;  // "??" ranges: left out, the lookup's "?" says the same
    std::size_t unlisted = 0;        // codes missing from the table, written with their two letters
    std::size_t malformed = 0;
};

enum class LineKind { Range, Comment, UnknownCountry, Unlisted, Malformed };

struct ConvertedLine {
    LineKind kind = LineKind::Malformed;
    std::string text;  // the output line, for Range and Unlisted
};

ConvertedLine ConvertGeoipLine(std::string_view line, const CountryCodeTable& codes);

// Writes a "#" header naming the sources, the source's own comment lines (they carry its
// licence), then every convertible range in source order.
ConversionCounts ConvertGeoip(std::istream& geoip, const std::string& geoipName,
                              const std::string& isoCodesName, const CountryCodeTable& codes,
                              std::ostream& out);
