#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "pipeline/IpToCountry.h"
#include "support/RecordingChannel.h"
#include "support/TestSupport.h"

namespace {

Ipv6Number Address(const char* text) {
    std::optional<Ipv6Number> n = ParseIpv6(text);
    EXPECT_TRUE(n) << text;
    return n.value_or(Ipv6Number{});
}

// 2001:db8::/32 is Documentation Land; ::ffff:1.0.0.0/104 comes from the IPv4 ranges.
CountryRangeList DualList() {
    CountryRangeList list;
    list.Assign({{0x01000000u, 0x01FFFFFFu, "AUS"}});
    list.AssignIpv6(
        {{Address("2001:db8::"), Address("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"), "DOC"},
         {Address("2a00::"), Address("2a00::ff"), "EUR"}});
    return list;
}

// Among the ranges holding the address, the one starting first (the earlier line on a tie).
std::string_view ReferenceCountry(const std::vector<Ipv6CountryRange>& ranges, Ipv6Number n) {
    const Ipv6CountryRange* best = nullptr;
    for (const Ipv6CountryRange& r : ranges)
        if (r.lower <= n && n <= r.upper && (!best || r.lower < best->lower)) best = &r;
    return best ? std::string_view(best->code) : kUnknownCountry;
}

std::string Text(Ipv6Number n) {
    char text[64];
    std::snprintf(text, sizeof text, "%x:%x:%x:%x:%x:%x:%x:%x", unsigned(n.high >> 48),
                  unsigned(n.high >> 32 & 0xFFFF), unsigned(n.high >> 16 & 0xFFFF),
                  unsigned(n.high & 0xFFFF), unsigned(n.low >> 48), unsigned(n.low >> 32 & 0xFFFF),
                  unsigned(n.low >> 16 & 0xFFFF), unsigned(n.low & 0xFFFF));
    return text;
}

}  // namespace

TEST(Ipv6Country, EveryTextualFormFindsItsRange) {
    const CountryRangeList list = DualList();
    for (const char* text :
         {"2001:db8::1", "2001:0db8:0000:0000:0000:0000:0000:0001", "2001:DB8::A:1",
          "2001:db8::1%eth0", "2001:db8::1.2.3.4", "2001:db8:0:0::ffff:1"})
        EXPECT_EQ(list.CountryFor(text), "DOC") << text;
    EXPECT_EQ(list.CountryFor("::ffff:1.2.3.4"), "AUS");  // mapped: the IPv4 ranges decide
    EXPECT_EQ(list.CountryFor("::FFFF:0102:0304"), "AUS");
    EXPECT_EQ(list.CountryFor("::ffff:2.0.0.1"), "?");
    EXPECT_EQ(list.CountryFor("2001:db9::1"), "?");
}

TEST(Ipv6Country, SiteLocalAddressesHaveNoCountryEvenInsideARange) {
    CountryRangeList list;
    list.AssignIpv6({{Address("::"), Address("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), "ALL"}});
    for (const char* text : {"::1", "fe80::1%eth0", "febf::1", "fc00::1", "fdff:ffff::1"})
        EXPECT_EQ(list.CountryFor(text), "?") << text;
    for (const char* text : {"::2", "fec0::1", "fbff::1", "fe7f::1", "2001:db8::1"})
        EXPECT_EQ(list.CountryFor(text), "ALL") << text;
}

TEST(Ipv6Country, TextsThatAreNoAddressKeepTheIpv4Reading) {
    const CountryRangeList list = DualList();
    EXPECT_EQ(list.CountryFor("1.2.3.4:8080"), "AUS");  // as before: lenient dotted reading
    EXPECT_EQ(list.CountryFor("2001:db8::1::2"), "?");
    EXPECT_EQ(list.CountryFor("2001:db8::g"), "?");
    EXPECT_EQ(list.CountryFor("2001:db8::1%"), "?");
    EXPECT_EQ(list.CountryFor("host:80"), "?");
    EXPECT_EQ(CountryRangeList().CountryFor("2001:db8::1"), "?");  // nothing loaded
}

TEST(Ipv6Country, RangeBordersAndBlockEdges) {
    CountryRangeList list;
    // The second range crosses /16 blocks, the third ends at the last address.
    list.AssignIpv6(
        {{Address("2001:db8::10"), Address("2001:db8::1f"), "ONE"},
         {Address("2002:ffff::"), Address("2004::5"), "TWO"},
         {Address("ff00::"), Address("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), "END"}});
    EXPECT_EQ(list.CountryFor("2001:db8::f"), "?");
    EXPECT_EQ(list.CountryFor("2001:db8::10"), "ONE");
    EXPECT_EQ(list.CountryFor("2001:db8::1f"), "ONE");
    EXPECT_EQ(list.CountryFor("2001:db8::20"), "?");
    EXPECT_EQ(list.CountryFor("2002:fffe:ffff:ffff:ffff:ffff:ffff:ffff"), "?");
    EXPECT_EQ(list.CountryFor("2002:ffff::"), "TWO");
    EXPECT_EQ(list.CountryFor("2003:1234::"), "TWO");  // a block holding no range start
    EXPECT_EQ(list.CountryFor("2004::5"), "TWO");
    EXPECT_EQ(list.CountryFor("2004::6"), "?");
    EXPECT_EQ(list.CountryFor("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), "END");
}

TEST(Ipv6Country, OverlapsAndNeighboursAnswerLikeThePlainWalk) {
    std::mt19937_64 random(5);
    auto number = [&] {
        // A few blocks and small offsets, so that ranges meet, nest and straddle blocks.
        return Ipv6Number{(random() % 4) << 48 | (random() % 3), random() % 400};
    };
    for (int round = 0; round < 30; ++round) {
        std::vector<Ipv6CountryRange> ranges;
        std::vector<Ipv6Number> probes;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            Ipv6Number a = number(),
                       b = random() % 3 ? Ipv6Number{a.high, a.low + random() % 200} : number();
            ranges.push_back({a, b, "C" + std::to_string(random() % 4)});
            for (Ipv6Number p : {a, b})
                probes.insert(probes.end(), {p, {p.high, p.low - 1}, {p.high, p.low + 1}});
        }
        for (int i = 0; i < 200; ++i) probes.push_back(number());
        CountryRangeList list;
        list.AssignIpv6(ranges);
        for (Ipv6Number n : probes)
            ASSERT_EQ(list.CountryFor(Text(n)), ReferenceCountry(ranges, n)) << Text(n);
    }
}

TEST(Ipv6Country, RangeLinesFollowTheIpv4FilesRules) {
    auto range = ParseIpv6CountryRangeLine("\"2001:db8::\",2001:db8::ff,-,-,ZZ,ZZZ,\"Name\"");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->lower, Address("2001:db8::"));
    EXPECT_EQ(range->upper, Address("2001:db8::ff"));
    EXPECT_EQ(range->code, "ZZZ");
    EXPECT_FALSE(ParseIpv6CountryRangeLine("# 2001:db8::,2001:db8::ff,-,-,ZZ,ZZZ,Name"));
    EXPECT_FALSE(ParseIpv6CountryRangeLine("2001:db8::,2001:db8::ff,ZZ"));
    EXPECT_FALSE(ParseIpv6CountryRangeLine("2001:db8::,2001:db8::ff,-,-,ZZ,ZZZZ,Name"));
    EXPECT_FALSE(ParseIpv6CountryRangeLine("2001:db8::,2001:db8:::ff,-,-,ZZ,ZZZ,Name"));
    EXPECT_FALSE(ParseIpv6CountryRangeLine("16909060,16909061,-,-,ZZ,ZZZ,Name"));
}

TEST(Ipv6Country, FileIsReadWithTheIpv4OneAndItsAbsenceSaysNothing) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    WriteBytes(dir.File("IpToCountry.csv"), "16777216,33554431,-,-,AU,AUS,Australia\n");
    const char* was = std::getenv("KESTRELPORT_DATA_DIR");
    const std::string previous = was ? was : "";
    ::setenv("KESTRELPORT_DATA_DIR", folder.c_str(), 1);
    RecordingChannel channel;
    CountryRangeList without;
    EXPECT_TRUE(LoadIpToCountry(without, channel));
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_EQ(without.CountryFor("2001:db8::1"), "?");
    EXPECT_EQ(without.CountryFor("::ffff:1.2.3.4"), "AUS");

    WriteBytes(dir.File("IpToCountry6.csv"),
               "# header\r\n"
               "2001:db8::,2001:db8::ff,-,-,ZZ,ZZZ,\"Zed\"\r\n"
               "2001:db8::100,not-an-address,-,-,YY,YYY,\"Skipped\"\r\n"
               "2001:db8::200,2001:db8::2ff,-,-,XX,XXX,\"Ex\"");
    CountryRangeList with;
    EXPECT_TRUE(LoadIpToCountry(with, channel));
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_EQ(with.Ipv6Ranges().RangeCount(), 2u);
    EXPECT_EQ(with.CountryFor("2001:db8::1"), "ZZZ");
    EXPECT_EQ(with.CountryFor("2001:db8::101"), "?");
    EXPECT_EQ(with.CountryFor("2001:db8::2ff"), "XXX");
    if (was)
        ::setenv("KESTRELPORT_DATA_DIR", previous.c_str(), 1);
    else
        ::unsetenv("KESTRELPORT_DATA_DIR");
}
