#include <gtest/gtest.h>

#include <atomic>

#include "passes/PassTable.h"
#include "pipeline/PostWrite.h"
#include "support/RecordingChannel.h"

namespace {

using Texts = std::vector<std::string>;

class PostWriteTest : public ::testing::TestWithParam<Driver> {
  protected:
    void Fill(PassTable& table) {
        table.Add({
            {.ip = "10.0.0.1", .agent = "A", .time = "2015-05-17 10:00:00"},
            {.ip = "10.0.0.1",
             .agent = "A",
             .time = "2015-05-17 10:01:00",
             .fileName = "robots",
             .extension = "txt"},
            {.ip = "10.0.0.2", .agent = "Googlebot/2.1", .time = "2015-05-17 10:02:00"},
        });
    }
    bool Run(PassTable& table, bool autoDns, const SpillingLineList& badLines) {
        PostWriteContext context{channel,
                                 table.db,
                                 table.Base(),
                                 spiders,
                                 pageHits,
                                 autoDns,
                                 dns,
                                 [this](const std::string& address) {
                                     lookups.fetch_add(1);
                                     return "host-" + address;
                                 },
                                 2,
                                 [&](const SpillingLineList& lines) {
                                     shownLines = lines.Items();
                                     // The log comes last, after the lookups have ended.
                                     lookupsWhenShown = lookups.load();
                                     namesWhenShown = table.Column("HostName");
                                     runningWhenShown = dns.LookupRunning.load();
                                 }};
        return RunPostWritePasses(context, badLines);
    }

    TempDir dir;
    RecordingChannel channel;
    CStringArrayPBEx spiders{"Googlebot"};
    CStringArrayPBEx pageHits{"html"};
    ReverseDnsState dns;
    std::atomic<int> lookups{0};
    std::optional<std::vector<std::string>> shownLines;
    int lookupsWhenShown = -1;
    Texts namesWhenShown;
    int runningWhenShown = -1;
};

TEST_P(PostWriteTest, SpidersThenSessionsThenLookupsThenTheErrorLog) {
    KP_PASS_TABLE(table, GetParam(), dir);
    Fill(*table);
    const SpillingLineList bad{"Line 7 incomplete/improperly formed: \"x\""};
    EXPECT_TRUE(Run(*table, true, bad));

    ASSERT_GE(channel.statusTexts.size(), 3u);
    EXPECT_EQ(channel.statusTexts[0], "Updating IsSpider field...");
    EXPECT_EQ(channel.statusTexts[1],
              "Creating Session data in table " + table->Base() + "_data..");
    EXPECT_EQ(channel.statusTexts[2].rfind("Performing 2 reverse DNS lookups", 0), 0u);
    EXPECT_EQ(table->Column("IsSpider"), (Texts{"R", "R", "S"}));
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "NULL", "2"}));
    ASSERT_TRUE(shownLines);
    EXPECT_EQ(*shownLines, bad.Items());
    EXPECT_EQ(lookupsWhenShown, 2);
    EXPECT_EQ(namesWhenShown, (Texts{"host-10.0.0.1", "host-10.0.0.1", "host-10.0.0.2"}));
    EXPECT_EQ(runningWhenShown, 0);
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_FALSE(channel.lookupRunning);
}

TEST_P(PostWriteTest, WithoutAutoDnsAndBadLinesTheSequenceEndsAfterTheSessions) {
    KP_PASS_TABLE(table, GetParam(), dir);
    Fill(*table);
    Run(*table, false, {});
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "NULL", "2"}));
    EXPECT_EQ(table->Column("HostName"), (Texts{"NULL", "NULL", "NULL"}));
    EXPECT_EQ(lookups.load(), 0);
    EXPECT_FALSE(shownLines) << "no error log without malformed lines";
    EXPECT_TRUE(channel.lookupRunningChanges.empty());
}

INSTANTIATE_TEST_SUITE_P(Drivers, PostWriteTest,
                         ::testing::Values(Driver::Sqlite, Driver::Postgres), DriverName);

TEST_F(PostWriteTest, AFailingPassIsReportedAndTheNextOnesStillRun) {
    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    Fill(*table);
    CADOCommand(table->db,
                "CREATE TRIGGER refuse BEFORE UPDATE OF IsSpider ON Web_data "
                "BEGIN SELECT RAISE(ABORT, 'no marks'); END")
        .Execute();
    EXPECT_FALSE(Run(*table, true, {"bad"})) << "the failure reaches the caller";

    ASSERT_EQ(channel.messages.size(), 1u);
    EXPECT_EQ(channel.messages[0].rfind("SQL Error in Spiders Update:\r\n", 0), 0u);
    EXPECT_EQ(table->Column("IsSpider"), (Texts{"NULL", "NULL", "NULL"}));
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "NULL", "2"}));
    EXPECT_EQ(lookups.load(), 2);
    EXPECT_TRUE(shownLines);
}

}  // namespace
