// Exports of the real logs of the shared test data. Expected values are the input facts counted
// outside this program, not our own earlier output.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CoreWriterTestTable.h"
#include "support/TestSupport.h"
#include "pipeline/RequestAnalysis.h"
#include "textfiles/ReadLogFile.h"

namespace {

std::string SharedLog(const std::string& name) { return SharedLogPath(name); }

class CoreWriterRealLogsTest : public ::testing::Test {
  protected:
    void SetUp() override { KP_REQUIRE_SHARED_LOGS(); }
    void Export(const std::string& log) {
        CStringArrayPBEx lines;
        ASSERT_TRUE(ReadLogFile(SharedLog(log), lines, run.channel)) << log;
        ASSERT_TRUE(run.Write(table, lines));
        EXPECT_TRUE(run.channel.messages.empty());
    }

    TempDir dir;
    WriterTable table{"Provider=SQLite;Data Source=" + dir.File("real.db"), "Real"};
    WriterRun run;
};

TEST_F(CoreWriterRealLogsTest, SiteTrafficWithTheUsualExtensions) {
    run.includeExts = "htm;html;php;asp;jsp;css;js;txt;;";
    BuildExtensionList(run.includeExts, run.includeExtList);
    Export("elastic-apache-2015.log.gz");
    // Line 8,899 lacks the agent's closing quote but is still complete.
    EXPECT_TRUE(run.badLines.empty());
    const long rows = table.Count();
    EXPECT_EQ(table.Scalar("Max(id)"), std::to_string(rows));
    EXPECT_EQ(table.Count("Extension Is Null"), 2882);
    EXPECT_EQ(table.Count("Extension Not In ('htm','html','php','asp','jsp','css','js','txt')"), 0);
    EXPECT_EQ(table.Count("Request Like 'GET /robots.txt %'"), table.Count("FileName = 'robots'"));
    EXPECT_EQ(table.Count("DateTimeValue Is Null"), 0);
    EXPECT_GE(table.Scalar("Min(DateTimeValue)"), "2015-05-17 10:05:00");
    EXPECT_LE(table.Scalar("Max(DateTimeValue)"), "2015-05-20 21:05:59");
}

TEST_F(CoreWriterRealLogsTest, ARealRequestTooLongForItsColumnStopsTheExportThere) {
    CStringArrayPBEx lines;
    ASSERT_TRUE(ReadLogFile(SharedLog("elastic-apache-2015.log.gz"), lines, run.channel));
    // Line 3,029 asks for a path whose first dotted piece is far longer than FileName's 255.
    EXPECT_FALSE(run.Write(table, lines));
    ASSERT_EQ(run.channel.messages.size(), 1u);
    EXPECT_TRUE(run.channel.messages[0].ends_with("Processed 3028 of 10000 records in log file."))
        << run.channel.messages[0];
    EXPECT_EQ(table.Count(), 3028);
}

TEST_F(CoreWriterRealLogsTest, SignUpFormProbes) {
    run.countries.Assign({{0u, 0xFFFFFFFFu, "ZZ"}});
    Export("basjes-hackers-2015.log.gz");
    EXPECT_EQ(table.Count(), 3456);
    EXPECT_TRUE(run.badLines.empty());
    EXPECT_EQ(table.Count("Request Like 'POST %'"), 1080);
    EXPECT_EQ(table.Count("Status = 302"), 585);
    EXPECT_EQ(table.Count("Referrer = '-'"), 21);
    EXPECT_EQ(table.Count("Extension Is Null"), 2655);
    EXPECT_EQ(table.Count("Extension = 'basjes.nl'"), 763);
    // Only the two IPv6 visitors have no number to look up.
    EXPECT_EQ(table.Count("Country = '?'"), 12);
    EXPECT_EQ(table.Count("IP = '2400:8900::f03c:91ff:fe50:5089' And Country = '?'"),
              table.Count("IP = '2400:8900::f03c:91ff:fe50:5089'"));
    EXPECT_EQ(table.Scalar("Count(Distinct IP)"), "520");
    EXPECT_EQ(table.Scalar("Min(DateTimeValue)"), "2015-10-25 04:11:25");
    EXPECT_EQ(table.Scalar("Max(DateTimeValue)"), "2015-10-30 15:59:39");
}

}  // namespace
