#include <gtest/gtest.h>

#include <limits>

#include "pipeline/LogRecord.h"
#include "textfiles/LeadingInteger.h"

namespace {

using V = std::vector<std::string>;

LogRecord Split(std::string_view line) {
    LogRecord record;
    SplitLogLine(line, record);
    return record;
}

const std::string M(kMissingField);

constexpr std::string_view kSample =
    R"L(192.168.0.10 - alice [10/Oct/2012:13:55:36 +0100] "GET /products/index.html HTTP/1.1" 200 5120 "/start.html" "ExampleAgent/1.0 (test; x86)")L";

TEST(SplitLogLine, CutsACombinedLineIntoItsNineFields) {
    LogRecord r = Split(kSample);
    EXPECT_EQ(r.Items(), (V{"192.168.0.10", "-", "alice", "[10/Oct/2012:13:55:36 +0100",
                            "GET /products/index.html HTTP/1.1", "200", "5120", "/start.html",
                            "ExampleAgent/1.0 (test; x86)"}));
    EXPECT_TRUE(r.IsComplete());
    EXPECT_EQ(r.StatusValue(), 200);
    EXPECT_EQ(r.BytesValue(), 5120);
}

TEST(SplitLogLine, FillsWhatAShortLineLacksWithThePlaceholder) {
    LogRecord common =
        Split(R"L(10.0.0.1 - - [10/Oct/2012:13:55:36 +0100] "GET / HTTP/1.0" 200 12)L");
    EXPECT_EQ(common.Items(), (V{"10.0.0.1", "-", "-", "[10/Oct/2012:13:55:36 +0100",
                                 "GET / HTTP/1.0", "200", "12", M, M}));
    EXPECT_FALSE(common.IsComplete());

    EXPECT_EQ(Split("").Items(), V(9, M));
    EXPECT_EQ(Split("   ").Items(), V(9, M));
    EXPECT_EQ(Split("10.0.0.1 - -").Items(), (V{"10.0.0.1", "-", "-", M, M, M, M, M, M}));
    EXPECT_EQ(Split("10.0.0.1 - - ").Items(), (V{"10.0.0.1", "-", "-", M, M, M, M, M, M}));
}

TEST(SplitLogLine, ReadsSizeDashAndExtraSpacesBetweenFields) {
    LogRecord r = Split(R"L(h - - [x] "GET / HTTP/1.1" 304  - "-" "a")L");
    EXPECT_EQ(r[kFieldStatus], "304");
    EXPECT_EQ(r[kFieldBytes], "-");
    EXPECT_EQ(r.BytesValue(), 0);
    EXPECT_EQ(r[kFieldReferrer], "-");
    EXPECT_EQ(r[kFieldUserAgent], "a");
    EXPECT_TRUE(r.IsComplete());

    LogRecord spaced = Split(R"L(h   -  - [x] "GET / HTTP/1.1" 200   77 "r" "a")L");
    EXPECT_EQ(spaced.Items(), (V{"h", "-", "-", "[x", "GET / HTTP/1.1", "200", "77", "r", "a"}));
}

TEST(SplitLogLine, ShiftsFieldsAfterAnEmptyReferrerOrAQuoteInsideAField) {
    // The empty pair of quotes gives a referrer of one space and the agent loses its first letter.
    LogRecord r = Split(R"L(h - - [x] "GET / HTTP/1.1" 200 1 "" "Agent")L");
    EXPECT_EQ(r[kFieldReferrer], " ");
    EXPECT_EQ(r[kFieldUserAgent], "gent");
    EXPECT_TRUE(r.IsComplete());

    LogRecord quoted = Split(R"L(h - - [x] "GET /a"b HTTP/1.1" 200 1 "r" "a")L");
    EXPECT_EQ(quoted[kFieldRequest], "GET /a");
    EXPECT_EQ(quoted[kFieldStatus], "b");
    EXPECT_EQ(quoted[kFieldBytes], "HTTP/1.1\"");
    EXPECT_EQ(quoted.StatusValue(), 0);
}

TEST(SplitLogLine, KeepsACarriageReturnOutOfEveryFieldAndAnUnclosedAgentRunsToTheEnd) {
    std::string line(kSample);
    LogRecord r = Split(line + "\r");
    EXPECT_EQ(r.Items(), Split(kSample).Items());

    LogRecord open = Split(
        R"L(h - - [x] "GET / HTTP/1.1" 200 1 "-" "Mozilla/5.0 (compatible))L");  // no closing quote
    EXPECT_EQ(open[kFieldUserAgent], "Mozilla/5.0 (compatible)");
    EXPECT_TRUE(open.IsComplete());
}

TEST(SplitLogLine, ReportsAPlaceholderWrittenInTheLogItself) {
    LogRecord r = Split(R"L(h -Missing- - [x] "GET / HTTP/1.1" 200 1 "-" "a")L");
    EXPECT_EQ(r.GetSize(), 9);
    EXPECT_FALSE(r.IsComplete());
    // Only whole fields count.
    EXPECT_TRUE(Split(R"L(h -Missing-x - [x] "GET / HTTP/1.1" 200 1 "-" "a")L").IsComplete());
}

TEST(SplitLogLine, ReusesOneRecordWithoutLeftoversFromEarlierLines) {
    LogRecord r;
    r.Add("stale");
    for (int i = 0; i < 12; ++i) r.Add("more stale entries");
    SplitLogLine(kSample, r);
    EXPECT_EQ(r.GetSize(), 9);
    SplitLogLine("short", r);
    EXPECT_EQ(r.Items(), (V{"short", M, M, M, M, M, M, M, M}));
    SplitLogLine(kSample, r);
    EXPECT_EQ(r.Items(), Split(kSample).Items());
}

TEST(SplitLogLine, SurvivesEveryByteValueAndAHugeLine) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));
    for (std::size_t start = 0; start < bytes.size(); start += 7) {
        LogRecord r = Split(std::string_view(bytes).substr(start));
        ASSERT_EQ(r.GetSize(), 9);
        for (const auto& field : r) EXPECT_FALSE(field.empty());
    }
    // A NUL byte is a character like any other, not the end of the line.
    LogRecord nul = Split(std::string_view("a\0b - - [x", 10));
    EXPECT_EQ(nul[kFieldIP], std::string("a\0b", 3));

    std::string agent(1 << 20, 'x');
    LogRecord big = Split(R"L(h - - [x] "GET / HTTP/1.1" 200 1 "-" ")L" + agent + "\"");
    EXPECT_EQ(big[kFieldUserAgent], agent);
    EXPECT_TRUE(big.IsComplete());
}

TEST(NextField, SkipsLeadingDelimitersAndMarksTheEndOfTheLine) {
    std::ptrdiff_t pos = 0;
    EXPECT_EQ(NextField(",;a;b", ";,", pos), "a");
    EXPECT_EQ(pos, 4);  // one past the delimiter
    EXPECT_EQ(NextField(",;a;b", ";,", pos), "b");
    EXPECT_EQ(pos, 6);  // one past the end when the field ran to the end
    EXPECT_EQ(NextField(",;a;b", ";,", pos), M);
    EXPECT_EQ(pos, kLineExhausted);
    EXPECT_EQ(NextField(",;a;b", ";,", pos), M);
    EXPECT_EQ(pos, kLineExhausted);

    pos = 2;
    EXPECT_EQ(NextField("a;;;", ";", pos), M);  // only delimiters left
    EXPECT_EQ(pos, kLineExhausted);
    pos = 100;
    EXPECT_EQ(NextField("abc", ";", pos), M);  // beyond the end
    EXPECT_EQ(pos, kLineExhausted);
    pos = -5;
    EXPECT_EQ(NextField("abc", ";", pos), M);  // any negative position is treated as exhausted
}

TEST(FieldConversion, StatusKeepsTheLow16BitsAndBytesSaturates) {
    LogRecord r = Split(R"L(h - - [x] "r" 70000 99999999999 "-" "a")L");
    EXPECT_EQ(r.StatusValue(), 4464);  // 70000 - 65536
    EXPECT_EQ(r.BytesValue(), std::numeric_limits<std::int32_t>::max());
    r[kFieldStatus] = "40000";
    EXPECT_EQ(r.StatusValue(), 40000 - 65536);
    r[kFieldBytes] = "-99999999999";
    EXPECT_EQ(r.BytesValue(), std::numeric_limits<std::int32_t>::min());
    r[kFieldStatus] = M;
    EXPECT_EQ(r.StatusValue(), 0);
}

TEST(LeadingInteger, FollowsTheWhiteSpaceSignDigitsRule) {
    EXPECT_EQ(LeadingInteger32("5120"), 5120);
    EXPECT_EQ(LeadingInteger32(" \t\r\n\v\f-42abc"), -42);
    EXPECT_EQ(LeadingInteger32("+7"), 7);
    EXPECT_EQ(LeadingInteger32("-"), 0);
    EXPECT_EQ(LeadingInteger32("+-1"), 0);
    EXPECT_EQ(LeadingInteger32("- 1"), 0);
    EXPECT_EQ(LeadingInteger32(""), 0);
    EXPECT_EQ(LeadingInteger32("1 2"), 1);
    EXPECT_EQ(LeadingInteger32("0x1F"), 0);
    EXPECT_EQ(LeadingInteger32("\xa0"
                               "5"),
              0);  // only ASCII white space is skipped
    EXPECT_EQ(LeadingInteger32("00000000000000000000042"), 42);
}

TEST(LeadingInteger, SaturatesExactlyAtEachWidthsLimits) {
    using L32 = std::numeric_limits<std::int32_t>;
    using L64 = std::numeric_limits<std::int64_t>;
    EXPECT_EQ(LeadingInteger32("2147483647"), L32::max());
    EXPECT_EQ(LeadingInteger32("2147483648"), L32::max());
    EXPECT_EQ(LeadingInteger32("-2147483648"), L32::min());
    EXPECT_EQ(LeadingInteger32("-2147483649"), L32::min());
    EXPECT_EQ(LeadingInteger32(std::string(5000, '9')), L32::max());
    EXPECT_EQ(LeadingInteger64("4294967295"), 4294967295LL);
    EXPECT_EQ(LeadingInteger64("9223372036854775807"), L64::max());
    EXPECT_EQ(LeadingInteger64("9223372036854775808"), L64::max());
    EXPECT_EQ(LeadingInteger64("-9223372036854775808"), L64::min());
    EXPECT_EQ(LeadingInteger64("-9223372036854775809"), L64::min());
}

}  // namespace
