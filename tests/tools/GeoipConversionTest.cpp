#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "GeoipConversion.h"
#include "pipeline/IpToCountry.h"
#include "support/RecordingChannel.h"
#include "textfiles/DataFiles.h"

namespace {

CountryCodeTable SmallTable() {
    CountryCodeTable codes = ParseIsoCountryCodes(R"({
  "3166-1": [
    {"alpha_2": "AU", "alpha_3": "AUS", "name": "Australia", "numeric": "036"},
    {"alpha_2": "CW", "alpha_3": "CUW", "name": "Cura\u00e7ao"},
    {"alpha_2": "KR", "alpha_3": "KOR", "name": "Korea, Republic of"},
    {"alpha_2": "GB", "alpha_3": "GBR", "name": "United \"Kingdom\""},
    {"alpha_2": "QQ", "name": "No three-letter code"}
  ]
})");
    AddRegistryCodes(codes);
    return codes;
}

}  // namespace

TEST(IsoCountryCodes, ReadsCompleteEntriesAndAddsRegistryCodes) {
    CountryCodeTable codes = SmallTable();
    ASSERT_TRUE(codes.count("AU"));
    EXPECT_EQ(codes.at("AU").alpha3, "AUS");
    EXPECT_EQ(codes.at("CW").name,
              "Cura\xC3\xA7"
              "ao");
    EXPECT_EQ(codes.at("GB").name, "United \"Kingdom\"");
    EXPECT_FALSE(codes.count("QQ"));
    EXPECT_FALSE(codes.count("3166-1"));
    EXPECT_EQ(codes.at("UK").alpha3, "GBR");
    EXPECT_EQ(codes.at("EU").alpha3, "EU");
}

TEST(GeoipConversion, ConvertsRangesAndPassesOverTheRest) {
    const CountryCodeTable codes = SmallTable();
    auto convert = [&](std::string_view line) { return ConvertGeoipLine(line, codes); };
    ConvertedLine au = convert("16777216,16777471,AU\r");
    EXPECT_EQ(au.kind, LineKind::Range);
    EXPECT_EQ(au.text, "16777216,16777471,-,-,AU,AUS,\"Australia\"");
    EXPECT_EQ(convert("1,2,GB").text, "1,2,-,-,GB,GBR,\"United 'Kingdom'\"");
    EXPECT_EQ(convert("1,2,UK").text, "1,2,-,-,UK,GBR,\"United Kingdom\"");
    ConvertedLine unlisted = convert("1,2,A1");
    EXPECT_EQ(unlisted.kind, LineKind::Unlisted);
    EXPECT_EQ(unlisted.text, "1,2,-,-,A1,A1,\"Unknown\"");

    EXPECT_EQ(convert("# comment, with, commas").kind, LineKind::Comment);
    EXPECT_EQ(convert("").kind, LineKind::Comment);
    EXPECT_EQ(convert("15726992,15726999,??").kind, LineKind::UnknownCountry);
    for (std::string_view bad : {"2,1,AU", "1,x,AU", "1,2", "1,2,AU,x", "1,4294967296,AU",
                                 "-1,2,AU", "1,2,au", "1,2,A", "1,2,ABCD", " 1,2,AU"})
        EXPECT_EQ(convert(bad).kind, LineKind::Malformed) << bad;
}

TEST(GeoipConversion, OutputIsReadBackByTheLoaderAsTheSameRanges) {
    std::istringstream geoip(
        "# Licence: CC BY-SA 4.0\n"
        "15726992,15726999,??\n"
        "16777216,16777471,AU\n"
        "16777472,16778239,KR\n"
        "16778240,16779263,CW\n"
        "junk\n"
        "4294967040,4294967295,EU\n");
    std::ostringstream out;
    ConversionCounts counts = ConvertGeoip(geoip, "geoip", "iso.json", SmallTable(), out);
    EXPECT_EQ(counts.written, 4u);
    EXPECT_EQ(counts.unknownCountry, 1u);
    EXPECT_EQ(counts.malformed, 1u);

    std::istringstream written(out.str());
    std::string line;
    std::vector<CountryRange> ranges;
    bool sourceLicenceKept = false;
    while (std::getline(written, line)) {
        if (line.rfind("#", 0) == 0) {
            sourceLicenceKept = sourceLicenceKept || line == "# Licence: CC BY-SA 4.0";
            continue;
        }
        auto range = ParseCountryRangeLine(line);
        ASSERT_TRUE(range) << line;
        ranges.push_back(*range);
    }
    EXPECT_TRUE(sourceLicenceKept);
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[1].lower, 16777472u);
    EXPECT_EQ(ranges[1].upper, 16778239u);
    EXPECT_EQ(ranges[1].code, "KOR");  // a comma in the name does not shift the code
    EXPECT_EQ(ranges[3].upper, 4294967295u);
    EXPECT_EQ(ranges[3].code, "EU");
}

TEST(GeoipConversion, Ipv6RangesKeepTheirTextsAndAreReadBackWithTheSameCodes) {
    const CountryCodeTable codes = SmallTable();
    auto convert = [&](std::string_view line) {
        return ConvertGeoipLine(line, codes, AddressFamily::IPv6);
    };
    ConvertedLine kr = convert("2001:2::,2001:2:0:ffff:ffff:ffff:ffff:ffff,KR\r");
    ASSERT_EQ(kr.kind, LineKind::Range);
    auto range = ParseIpv6CountryRangeLine(kr.text);
    ASSERT_TRUE(range) << kr.text;
    EXPECT_EQ(range->lower, ParseIpv6("2001:2::"));
    EXPECT_EQ(range->upper, ParseIpv6("2001:2:0:ffff:ffff:ffff:ffff:ffff"));
    EXPECT_EQ(range->code, "KOR");  // as the IPv4 file writes Korea
    EXPECT_EQ(convert("2001::,2001:0:ffff:ffff:ffff:ffff:ffff:ffff,??").kind,
              LineKind::UnknownCountry);
    for (std::string_view bad : {"2001:3::,2001:2::,AU", "2001:2::,2001:2::g,AU", "1,2,AU",
                                 "2001:2::,2001:2::ff", "2001:2::%eth0,2001:2::ff,AU"})
        EXPECT_EQ(convert(bad).kind, LineKind::Malformed) << bad;
}

// The shipped file against its source: the source's own range for a few well-known addresses
// decides the expected country, so a shifted bound or a wrong code in the conversion shows.
TEST(GeneratedIpv6CountryFile, GivesWellKnownAddressesTheirSourcesCountry) {
    std::ifstream geoip(KESTRELPORT_GEOIP6_FILE), iso(KESTRELPORT_ISO3166_FILE);
    if (!geoip || !iso || !std::filesystem::exists(DataFilePath("IpToCountry6.csv")))
        GTEST_SKIP() << "tor-geoipdb's IPv6 list or iso-codes missing";
    std::stringstream json;
    json << iso.rdbuf();
    CountryCodeTable codes = ParseIsoCountryCodes(json.str());
    AddRegistryCodes(codes);

    const std::vector<std::string> addresses{
        "2001:4860:4860::8888",      "2606:4700:4700::1111", "2a00:1450:4001:800::200e",
        "2001:67c:2e8:22::c100:68b", "2001:200::1",          "2c0f:fb50:4003::1"};
    std::vector<std::string> expected(addresses.size(), std::string(kUnknownCountry));
    std::string line;
    while (std::getline(geoip, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto first = line.find(','), second = line.find(',', first + 1);
        auto lower = ParseIpv6(line.substr(0, first));
        auto upper = ParseIpv6(line.substr(first + 1, second - first - 1));
        const std::string cc = line.substr(second + 1);
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            auto a = ParseIpv6(addresses[i]);
            if (lower && upper && *lower <= *a && *a <= *upper && cc != "??")
                expected[i] = codes.count(cc) ? codes.at(cc).alpha3 : cc;
        }
    }
    ASSERT_NE(expected[0], "?") << "the source holds no range for a public resolver";

    RecordingChannel channel;
    CountryRangeList list;
    ASSERT_TRUE(LoadIpToCountry(list, channel));
    EXPECT_GT(list.Ipv6Ranges().RangeCount(), 100000u);
    for (std::size_t i = 0; i < addresses.size(); ++i)
        EXPECT_EQ(list.CountryFor(addresses[i]), expected[i]) << addresses[i];
}
