#include "GeoipConversion.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

namespace {

std::optional<std::uint32_t> DecimalAddress(std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The bounds as written to the output, or nothing when either is unreadable or they are reversed.
std::optional<std::string> Bounds(std::string_view first, std::string_view last,
                                  AddressFamily family) {
    if (family == AddressFamily::IPv4) {
        auto lower = DecimalAddress(first), upper = DecimalAddress(last);
        if (!lower || !upper || *lower > *upper) return std::nullopt;
        return std::to_string(*lower) + "," + std::to_string(*upper);
    }
    // In network byte order, comparing the bytes compares the addresses.
    using Bytes = std::array<unsigned char, 16>;
    auto parse = [](std::string_view text) -> std::optional<Bytes> {
        Bytes bytes{};
        if (inet_pton(AF_INET6, std::string(text).c_str(), bytes.data()) != 1) return std::nullopt;
        return bytes;
    };
    auto lower = parse(first), upper = parse(last);
    if (!lower || !upper || *lower > *upper) return std::nullopt;
    return std::string(first) + "," + std::string(last);
}

bool IsCountryCode(std::string_view code) {
    return code.size() >= 2 && code.size() <= 3 &&
           std::all_of(code.begin(), code.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::vector<std::string_view> CutAtCommas(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    fields.push_back(line.substr(start));
    return fields;
}

// The name is the one field that may hold commas; quoting keeps it readable, and a quote inside
// would only confuse readers of the file.
std::string QuotedName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? '\'' : c;
    return out + "\"";
}

}  // namespace

ConvertedLine ConvertGeoipLine(std::string_view line, const CountryCodeTable& codes,
                               AddressFamily family) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return {LineKind::Comment, {}};
    std::vector<std::string_view> fields = CutAtCommas(line);
    if (fields.size() != 3) return {};
    std::optional<std::string> bounds = Bounds(fields[0], fields[1], family);
    if (!bounds) return {};
    std::string_view code = fields[2];
    if (code == "??") return {LineKind::UnknownCountry, {}};
    if (!IsCountryCode(code)) return {};

    auto known = codes.find(code);
    const bool listed = known != codes.end();
    const std::string alpha3 = listed ? known->second.alpha3 : std::string(code);
    const std::string name = listed ? known->second.name : "Unknown";
    std::string text =
        *bounds + ",-,-," + std::string(code) + "," + alpha3 + "," + QuotedName(name);
    return {listed ? LineKind::Range : LineKind::Unlisted, std::move(text)};
}

ConversionCounts ConvertGeoip(std::istream& geoip, const std::string& geoipName,
                              const std::string& isoCodesName, const CountryCodeTable& codes,
                              std::ostream& out, AddressFamily family) {
    const bool v4 = family == AddressFamily::IPv4;
    out << (v4 ? "# IPv4" : "# IPv6") << " address ranges and their countries.\n"
        << "# Fields: first address, last address (" << (v4 ? "decimal" : "address text")
        << ", inclusive), -, -, two-letter code, three-letter code, name.\n"
           "# Ranges from "
        << geoipName
        << " (IPFire Location database, CC BY-SA 4.0; this file is shared under the same"
           " licence).\n"
           "# Codes and names from "
        << isoCodesName
        << " (iso-codes, LGPL-2.1+). UK is written as GBR, CS as SCG, AN as ANT, XK as XKX;\n"
           "# EU, AP and other unlisted codes keep their two letters; \"??\" ranges are left"
           " out.\n"
           "# The range source's own header follows.\n";
    ConversionCounts counts;
    std::string line;
    while (std::getline(geoip, line)) {
        ConvertedLine converted = ConvertGeoipLine(line, codes, family);
        switch (converted.kind) {
            case LineKind::Comment:
                if (!line.empty()) out << line << '\n';
                break;
            case LineKind::UnknownCountry:
                ++counts.unknownCountry;
                break;
            case LineKind::Malformed:
                ++counts.malformed;
                break;
            case LineKind::Unlisted:
                ++counts.unlisted;
                [[fallthrough]];
            case LineKind::Range:
                out << converted.text << '\n';
                ++counts.written;
                break;
        }
    }
    return counts;
}
