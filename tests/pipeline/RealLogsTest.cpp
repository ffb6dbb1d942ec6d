// Invariants and independently counted facts over real access logs. The expected numbers come
// from the data folder's description of the files, never from a run of this code.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "support/TestSupport.h"
#include "pipeline/GzipLines.h"
#include "pipeline/LogRecord.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/RequestAnalysis.h"

namespace {

std::string RealLogPath(const std::string& name) { return SharedLogPath(name); }

CStringArrayPBEx BuiltInMonths() {
    CStringArrayPBEx months;
    months.Split("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec", ",");
    return months;
}

std::string MethodOf(const std::string& request) {
    return request.substr(0, request.find(' '));
}

// What the real files tell about themselves, tallied over the parsed records.
struct Tally {
    std::size_t lines = 0, complete = 0, validTimes = 0, nonDecreasing = 0;
    std::map<std::string, int> methods, statuses, sizes, referrers, agents, extensions;
    std::map<std::string, int> identds, users;
    DateTime first, last, earliest, latest;
};

Tally TallyOf(const std::vector<std::string>& lines) {
    const CStringArrayPBEx months = BuiltInMonths();
    Tally t;
    LogRecord record;
    DateTime previous(-1e9);
    for (const std::string& line : lines) {
        SplitLogLine(line, record);
        EXPECT_EQ(record.GetSize(), kLogFieldCount);
        ++t.lines;
        t.complete += record.IsComplete();
        ++t.methods[MethodOf(record[kFieldRequest])];
        ++t.statuses[std::to_string(record.StatusValue())];
        ++t.sizes[record[kFieldBytes] == "-" ? "-" : "number"];
        ++t.referrers[record[kFieldReferrer] == "-" ? "-" : "other"];
        ++t.agents[record[kFieldUserAgent] == "-" ? "-" : "other"];
        ++t.identds[record[kFieldIdentd]];
        ++t.users[record[kFieldUserID]];
        ++t.extensions[AnalyseRequest(record[kFieldRequest]).Extension];
        DateTime time = ParseLogTimestamp(record[kFieldDateTimeTxt], months);
        if (!time.IsValid()) continue;
        ++t.validTimes;
        if (t.validTimes == 1) t.first = t.earliest = t.latest = time;
        t.last = time;
        if (time.Days() < t.earliest.Days()) t.earliest = time;
        if (time.Days() > t.latest.Days()) t.latest = time;
        t.nonDecreasing += time.Days() >= previous.Days();
        previous = time;
    }
    return t;
}

DateTime At(int y, int mo, int d, int h, int mi, int s) {
    return DateTime::FromCalendar({y, mo, d, h, mi, s});
}

class RealLog : public ::testing::Test {
  protected:
    void SetUp() override { KP_REQUIRE_SHARED_LOGS(); }
    std::vector<std::string> Load(const std::string& name) {
        auto lines = ReadGzipLines(RealLogPath(name));
        if (lines.empty()) ADD_FAILURE() << "cannot read " << RealLogPath(name);
        return lines;
    }
};

TEST_F(RealLog, ElasticApacheLogMatchesItsCountedFacts) {
    const auto lines = Load("elastic-apache-2015.log.gz");
    if (lines.empty()) return;
    Tally t = TallyOf(lines);
    EXPECT_EQ(t.lines, 10000u);
    EXPECT_EQ(t.complete, 10000u);  // the line with the unclosed agent is complete too
    EXPECT_EQ(t.validTimes, 10000u);
    EXPECT_EQ(t.methods, (std::map<std::string, int>{
                             {"GET", 9952}, {"HEAD", 42}, {"POST", 5}, {"OPTIONS", 1}}));
    EXPECT_EQ(t.statuses, (std::map<std::string, int>{{"200", 9126},
                                                      {"304", 445},
                                                      {"404", 213},
                                                      {"301", 164},
                                                      {"206", 45},
                                                      {"500", 3},
                                                      {"403", 2},
                                                      {"416", 2}}));
    EXPECT_EQ(t.sizes["-"], 669);
    EXPECT_EQ(t.referrers["-"], 4073);
    EXPECT_EQ(t.agents["-"], 190);
    EXPECT_EQ(t.identds, (std::map<std::string, int>{{"-", 10000}}));
    EXPECT_EQ(t.users, (std::map<std::string, int>{{"-", 10000}}));
    EXPECT_EQ(t.extensions[""], 2882);
    for (const char* odd : {"10", "0", "3.2-monolithic.jar", "min.js", "pdf.html"})
        EXPECT_GT(t.extensions[odd], 0) << odd;
    EXPECT_EQ(t.earliest, At(2015, 5, 17, 10, 5, 0));
    EXPECT_EQ(t.latest, At(2015, 5, 20, 21, 5, 59));
    EXPECT_EQ(t.nonDecreasing, 10000u - 4915u);

    // Line 8,899 ends inside the user agent, which then runs to the end of the line.
    LogRecord record;
    SplitLogLine(lines[8898], record);
    EXPECT_EQ(record[kFieldUserAgent],
              "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html");
}

TEST_F(RealLog, HackersLogMatchesItsCountedFacts) {
    const auto lines = Load("basjes-hackers-2015.log.gz");
    if (lines.empty()) return;
    Tally t = TallyOf(lines);
    EXPECT_EQ(t.lines, 3456u);
    EXPECT_EQ(t.complete, 3456u);
    EXPECT_EQ(t.validTimes, 3456u);
    EXPECT_EQ(t.methods, (std::map<std::string, int>{{"GET", 2376}, {"POST", 1080}}));
    EXPECT_EQ(t.statuses,
              (std::map<std::string, int>{{"200", 2846}, {"302", 585}, {"403", 13}, {"404", 12}}));
    EXPECT_EQ(t.sizes["-"], 0);
    EXPECT_EQ(t.referrers["-"], 21);
    EXPECT_EQ(t.extensions[""], 2655);
    EXPECT_EQ(t.first, At(2015, 10, 25, 4, 11, 25));
    EXPECT_EQ(t.last, At(2015, 10, 30, 15, 59, 39));
    EXPECT_EQ(t.nonDecreasing, 3456u);
}

// The fast request analysis against the rule stated with the string list's own operations.
TEST_F(RealLog, RequestAnalysisAgreesWithTheListBasedRuleOnEveryRealRequest) {
    LogRecord record;
    for (const char* name : {"elastic-apache-2015.log.gz", "basjes-hackers-2015.log.gz"}) {
        for (const std::string& line : Load(name)) {
            SplitLogLine(line, record);
            const std::string& request = record[kFieldRequest];
            const std::size_t protocol = request.find("HTTP/");
            CStringArrayPBEx pieces;
            pieces.Split(protocol == std::string::npos ? "" : request.substr(0, protocol), " /?");
            RequestFile expected;
            if (auto i = pieces.FindFirstWithDot(); i != CStringArrayPBEx::kNotFound) {
                const std::string& piece = pieces[i];
                const std::size_t dot = piece.find('.');
                expected = {piece.substr(0, dot), piece.substr(dot + 1)};
            }
            ASSERT_EQ(AnalyseRequest(request), expected) << request;
        }
    }
}

}  // namespace
