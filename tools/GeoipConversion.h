#pragma once
// Turns "first,last,CC" range lines of Debian's tor-geoipdb into the seven-field lines of
// IpToCountry.csv: first,last,-,-,CC,CCC,"name". IPv4 bounds are decimal numbers; IPv6 bounds
// are address texts in both files (IpToCountry6.csv), which keeps that file readable.

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

enum class AddressFamily { IPv4, IPv6 };

ConvertedLine ConvertGeoipLine(std::string_view line, const CountryCodeTable& codes,
                               AddressFamily family = AddressFamily::IPv4);

// Writes a "#" header naming the sources, the source's own comment lines (they carry its
// licence), then every convertible range in source order.
ConversionCounts ConvertGeoip(std::istream& geoip, const std::string& geoipName,
                              const std::string& isoCodesName, const CountryCodeTable& codes,
                              std::ostream& out, AddressFamily family = AddressFamily::IPv4);
