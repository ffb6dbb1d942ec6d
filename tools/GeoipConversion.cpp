#include "GeoipConversion.h"

#include <algorithm>
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

ConvertedLine ConvertGeoipLine(std::string_view line, const CountryCodeTable& codes) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return {LineKind::Comment, {}};
    std::vector<std::string_view> fields = CutAtCommas(line);
    if (fields.size() != 3) return {};
    auto first = DecimalAddress(fields[0]), last = DecimalAddress(fields[1]);
    if (!first || !last || *first > *last) return {};
    std::string_view code = fields[2];
    if (code == "??") return {LineKind::UnknownCountry, {}};
    if (!IsCountryCode(code)) return {};

    auto known = codes.find(code);
    const bool listed = known != codes.end();
    const std::string alpha3 = listed ? known->second.alpha3 : std::string(code);
    const std::string name = listed ? known->second.name : "Unknown";
    std::string text = std::to_string(*first) + "," + std::to_string(*last) + ",-,-," +
                       std::string(code) + "," + alpha3 + "," + QuotedName(name);
    return {listed ? LineKind::Range : LineKind::Unlisted, std::move(text)};
}

ConversionCounts ConvertGeoip(std::istream& geoip, const std::string& geoipName,
                              const std::string& isoCodesName, const CountryCodeTable& codes,
                              std::ostream& out) {
    out << "# IPv4 address ranges and their countries.\n"
           "# Fields: first address, last address (decimal, inclusive), -, -, two-letter code,"
           " three-letter code, name.\n"
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
        ConvertedLine converted = ConvertGeoipLine(line, codes);
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
