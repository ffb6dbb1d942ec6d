#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "pipeline/IpToCountry.h"
#include "support/RecordingChannel.h"
#include "support/TestSupport.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/DataFiles.h"
#include "textfiles/LeadingInteger.h"

namespace {

// The plain rule the fast conversion must agree with: the string list's split, then each piece.
std::optional<std::uint32_t> ReferenceIpToNumber(std::string_view text) {
    CStringArrayPBEx pieces;
    pieces.Split(text, ".");
    if (pieces.GetSize() != 4) return std::nullopt;
    std::uint32_t n = 0;
    for (const std::string& p : pieces)
        n = n * 256u + static_cast<std::uint32_t>(LeadingInteger32(p));
    return n;
}

// The plain walk in file order that the index must answer like.
std::string_view ReferenceCountry(const std::vector<CountryRange>& ranges, std::uint32_t n) {
    for (const CountryRange& r : ranges)
        if (r.lower <= n && n <= r.upper) return r.code;
    return kUnknownCountry;
}

std::string Dotted(std::uint32_t n) {
    return std::to_string(n >> 24) + "." + std::to_string((n >> 16) & 255) + "." +
           std::to_string((n >> 8) & 255) + "." + std::to_string(n & 255);
}

}  // namespace

TEST(IpToNumber, ReadsDottedTextsLeniently) {
    EXPECT_EQ(IpToNumber("10.0.0.1"), 167772161u);
    EXPECT_EQ(IpToNumber("1.2.3.300"), 16909356u);            // spills into the third byte
    EXPECT_EQ(IpToNumber("www.example.co.uk"), 0u);           // four labels: a number after all
    EXPECT_EQ(IpToNumber("1.2.3.4."), 16909060u);             // the empty last piece is dropped
    EXPECT_EQ(IpToNumber("0.0.0.-1"), 0xFFFFFFFFu);           // wraps
    EXPECT_EQ(IpToNumber("99999999999.0.0.0"), 0xFF000000u);  // saturates, then wraps
    EXPECT_EQ(IpToNumber("1.2.3"), std::nullopt);
    EXPECT_EQ(IpToNumber("host.example.com"), std::nullopt);
    EXPECT_EQ(IpToNumber("1.2.3.4.5"), std::nullopt);
    EXPECT_EQ(IpToNumber("1.2.3.4.."), std::nullopt);
    EXPECT_EQ(IpToNumber("2400:8900::f03c:91ff:fe50:5089"), std::nullopt);
    EXPECT_EQ(IpToNumber(""), std::nullopt);
}

TEST(IpToNumber, AgreesWithSplittingOnArbitraryTexts) {
    std::mt19937 random(7);
    const std::string alphabet = "0123456789..-+ x";
    for (int i = 0; i < 20000; ++i) {
        std::string text(random() % 14, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(IpToNumber(text), ReferenceIpToNumber(text)) << '"' << text << '"';
    }
}

TEST(CountryRangeLine, TakesBoundsAndCodeAndRejectsIncompleteLines) {
    auto quoted = ParseCountryRangeLine(R"("0","16777215","x","y","ZZ","ZZZ","Reserved")");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->lower, 0u);
    EXPECT_EQ(quoted->upper, 16777215u);
    EXPECT_EQ(quoted->code, "ZZZ");
    auto plain = ParseCountryRangeLine("167772160,184549375,a,b,c,XX,Name, with comma");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->lower, 167772160u);
    EXPECT_EQ(plain->code, "XX");
    // Bounds beyond 32 bits keep their low bits; text that is no number counts as 0.
    auto odd = ParseCountryRangeLine("4294967301,abc,,,,AB,n");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->lower, 5u);
    EXPECT_EQ(odd->upper, 0u);

    EXPECT_FALSE(ParseCountryRangeLine("# 1,2,3,4,5,6,7"));
    EXPECT_FALSE(ParseCountryRangeLine(""));
    EXPECT_FALSE(ParseCountryRangeLine("1,2,3,4,5,AUS"));        // six fields
    EXPECT_FALSE(ParseCountryRangeLine("1,2,3,4,5,AUS,"));       // empty last field dropped
    EXPECT_FALSE(ParseCountryRangeLine("1,2,3,4,5,AUST,Name"));  // too long for the column
    EXPECT_FALSE(ParseCountryRangeLine("1,2,3,4,5,\"\",Name"));  // no code to store
}

TEST(CountryRangeList, AnswersLikeTheWalkInFileOrder) {
    CountryRangeList list;
    EXPECT_EQ(list.CountryFor("10.0.0.1"), "?");  // empty list
    list.Assign({{167772160, 184549375, "TEN"}, {167772161, 167772170, "NO"}, {5, 4, "BAD"}});
    EXPECT_EQ(list.CountryFor("10.0.0.1"), "TEN");  // the overlap goes to the earlier line
    EXPECT_EQ(list.CountryFor("10.0.0.0"), "TEN");
    EXPECT_EQ(list.CountryFor("10.255.255.255"), "TEN");
    EXPECT_EQ(list.CountryFor("11.0.0.0"), "?");
    EXPECT_EQ(list.CountryFor("0.0.0.5"), "?");  // a range whose bounds are reversed holds nothing
    EXPECT_EQ(list.CountryFor("10.0.1"), "?");
    EXPECT_EQ(CountryForIp(list, "10.0.0.9"), "TEN");

    // Random overlapping ranges, probed at every bound and its neighbours and at random points.
    std::mt19937 random(11);
    for (int round = 0; round < 20; ++round) {
        std::vector<CountryRange> ranges;
        std::vector<std::uint32_t> probes{0, UINT32_MAX};
        const int count = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            std::uint32_t a = random() % 4 == 0 ? random() : random() % 1000;
            std::uint32_t b = random() % 5 == 0 ? UINT32_MAX : a + random() % 300;
            if (random() % 8 == 0) std::swap(a, b);
            ranges.push_back({a, b, "C" + std::to_string(i % 100)});
            for (std::uint32_t p : {a, b}) probes.insert(probes.end(), {p - 1, p, p + 1});
        }
        for (int i = 0; i < 500; ++i) probes.push_back(random() % 1400);
        list.Assign(ranges);
        for (std::uint32_t n : probes)
            ASSERT_EQ(list.CountryFor(Dotted(n)), ReferenceCountry(ranges, n)) << n;
    }
}

TEST(CountryRangeList, LoadsOnceAndRetriesAfterAFailure) {
    TempDir dir;
    const std::string file = dir.File("IpToCountry.csv");
    RecordingChannel channel;
    CountryRangeList list;

    EXPECT_FALSE(list.LoadFrom(channel, file));
    ASSERT_EQ(channel.messages.size(), 1u);
    EXPECT_EQ(channel.messages[0], file + " was not found.");
    EXPECT_TRUE(list.IsEmpty());

    WriteBytes(file,
               "# source, licence\r\n"
               "\"0\",\"16777215\",\"r\",\"d\",\"ZZ\",\"ZZZ\",\"Reserved\"\r\n"
               "\r\n"
               "1,2,short\n"
               "167772160,184549375,r,d,TE,TEN,Ten\n"
               "167772160,184549375,r,d,XX,XXX,Shadowed");  // no line break at the end
    EXPECT_TRUE(list.LoadFrom(channel, file));
    EXPECT_EQ(channel.messages.size(), 1u);
    EXPECT_EQ(list.Ranges().size(), 3u);
    EXPECT_EQ(list.CountryFor("0.255.0.1"), "ZZZ");
    EXPECT_EQ(list.CountryFor("10.0.0.1"), "TEN");
    EXPECT_EQ(channel.statusTexts, std::vector<std::string>{"Reading IP to Country database.."});
    EXPECT_TRUE(channel.everShowedProgress);
    EXPECT_FALSE(channel.progressVisible);
    EXPECT_FALSE(channel.statusVisible);
    EXPECT_EQ(channel.waitCursorDepth, 0);

    // A filled list is kept for the dialog's whole life, whatever happens to the file.
    std::filesystem::remove(file);
    EXPECT_TRUE(list.LoadFrom(channel, file));
    EXPECT_EQ(list.CountryFor("10.0.0.1"), "TEN");
    EXPECT_EQ(channel.messages.size(), 1u);
}

TEST(CountryRangeList, FolderInsteadOfFileIsAFailure) {
    TempDir dir;
    RecordingChannel channel;
    CountryRangeList list;
    EXPECT_FALSE(list.LoadFrom(channel, dir.Path().string()));
    EXPECT_EQ(channel.messages.size(), 1u);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CountryRangeList, ShippedFileAgreesWithTheWalk) {
    if (!std::filesystem::exists(DataFilePath("IpToCountry.csv")))
        GTEST_SKIP() << "IpToCountry.csv was not generated (tor-geoipdb missing)";
    RecordingChannel channel;
    CountryRangeList list;
    ASSERT_TRUE(LoadIpToCountry(list, channel));
    EXPECT_GT(list.Ranges().size(), 100000u);
    EXPECT_TRUE(channel.messages.empty());
    // Loopback and private blocks belong to no country in the source data.
    for (const char* address : {"127.0.0.1", "10.0.0.1", "192.168.0.10"})
        EXPECT_EQ(list.CountryFor(address), "?") << address;
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {
        std::uint32_t n = random();
        ASSERT_EQ(list.CountryFor(Dotted(n)), ReferenceCountry(list.Ranges(), n)) << n;
    }
}
