// The sample log shipped beside the program must be a clean, realistic input for a first run:
// every line parses completely, time runs forward, and the cases the passes care about occur.

#include <gtest/gtest.h>

#include <set>

#include "pipeline/GzipLines.h"
#include "pipeline/LogRecord.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/RequestAnalysis.h"
#include "textfiles/DataFiles.h"

namespace {

TEST(ShippedSampleLog, ParsesCompletelyInTimeOrderWithTheCasesThePassesNeed) {
    const auto lines = ReadGzipLines(DataFilePath("sample-access.log.gz"));
    ASSERT_EQ(lines.size(), 20000u) << DataFilePath("sample-access.log.gz");
    CStringArrayPBEx months;
    months.Split("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec", ",");
    LogRecord record;
    double previous = 0;
    std::set<std::string> extensions;
    int notModifiedWithoutSize = 0, notFound = 0, robots = 0, searches = 0, ipv6 = 0;
    for (const std::string& line : lines) {
        SplitLogLine(line, record);
        ASSERT_TRUE(record.IsComplete()) << line;
        DateTime time = ParseLogTimestamp(record[kFieldDateTimeTxt], months);
        ASSERT_TRUE(time.IsValid()) << line;
        ASSERT_GE(time.Days(), previous) << line;
        previous = time.Days();
        extensions.insert(AnalyseRequest(record[kFieldRequest]).Extension);
        notModifiedWithoutSize += record.StatusValue() == 304 && record[kFieldBytes] == "-";
        notFound += record.StatusValue() == 404;
        robots += record[kFieldRequest].find("/robots.txt ") != std::string::npos;
        searches += record[kFieldReferrer].find("q=") != std::string::npos;
        ipv6 += record[kFieldIP].find(':') != std::string::npos;
    }
    for (const char* ext : {"", "html", "php", "css", "js", "png", "gif", "ico", "txt"})
        EXPECT_TRUE(extensions.count(ext)) << ext;
    EXPECT_GT(notModifiedWithoutSize, 0);
    EXPECT_GT(notFound, 0);
    EXPECT_GT(robots, 0);
    EXPECT_GT(searches, 0);
    EXPECT_GT(ipv6, 0);
}

}  // namespace
