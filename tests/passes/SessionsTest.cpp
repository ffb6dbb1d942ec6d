#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "passes/PassTable.h"
#include "passes/Sessions.h"
#include "support/RecordingChannel.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

using Texts = std::vector<std::string>;

class SessionsTest : public ::testing::TestWithParam<Driver> {
  protected:
    void Run(PassTable& table, const CStringArrayPBEx& pageHits = {"htm", "html"}) {
        CreateSessionIdAndTime(channel, table.db, table.Base(), pageHits);
    }

    TempDir dir;
    RecordingChannel channel;
};

TEST_P(SessionsTest, ThirtyMinutesOfSilenceStartANewSessionAndTheLastHitKeepsNoPageTime) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:05:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:40:00"},
        // 1859 s continue a session, 1860 s do not.
        {.ip = "2.2.2.2", .agent = "B", .time = "2015-05-17 10:00:00"},
        {.ip = "2.2.2.2", .agent = "B", .time = "2015-05-17 10:30:59"},
        {.ip = "2.2.2.2", .agent = "B", .time = "2015-05-17 11:01:59"},
    });
    Run(*table);

    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "1", "2", "3", "3", "4"}));
    EXPECT_EQ(table->Column("PageTimeSecs"),
              (Texts{"300", "NULL", "NULL", "1859", "NULL", "NULL"}));
    EXPECT_TRUE(channel.messages.empty());
    EXPECT_EQ(channel.statusTexts,
              Texts{"Creating Session data in table " + table->Base() + "_data.."});
    EXPECT_FALSE(channel.progressVisible);
    EXPECT_FALSE(channel.statusVisible);
}

TEST_P(SessionsTest, VisitorsAreTheAddressAndAgentRunTogetherAsOneCaseSensitiveText) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        // Two agents of one address interleave in time but stay apart.
        {.ip = "3.3.3.3", .agent = "Firefox", .time = "2015-05-17 10:00:00"},
        {.ip = "3.3.3.3", .agent = "firefox", .time = "2015-05-17 10:01:00"},
        {.ip = "3.3.3.3", .agent = "Firefox", .time = "2015-05-17 10:02:00"},
        // "1.2.3.4" + "5x" and "1.2.3.45" + "x" make the same key and follow each other.
        {.ip = "1.2.3.4", .agent = "5x", .time = "2015-05-17 09:00:00"},
        {.ip = "1.2.3.45", .agent = "x", .time = "2015-05-17 09:01:00"},
    });
    Run(*table);

    // Order: 1.2.3.4|5x, 1.2.3.45|x, 3.3.3.3|Firefox x2, 3.3.3.3|firefox.
    EXPECT_EQ(table->Column("SessionID"), (Texts{"2", "3", "2", "1", "1"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"120", "NULL", "NULL", "60", "NULL"}));
}

// Hits of one visitor in the same second are walked in id order on every driver, whatever order
// the rows lie in: the first gets a page time of 0, the last the time to the next hit.
TEST_P(SessionsTest, HitsOfTheSameSecondAreTakenInIdOrder) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        {.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:01:00"},
    });
    // The row stored first now has the larger id.
    CADOCommand(table->db,
                "UPDATE [" + TargetTableName(table->Base()) + "] SET id = 3 - id " + "WHERE id < 3")
        .Execute();
    Run(*table);
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"0", "60", "NULL"}));
}

TEST_P(SessionsTest, OnlyPageHitsGetSessionsAndTheirTimesSkipOtherHits) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        {.ip = "4.4.4.4", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "4.4.4.4", .agent = "A", .time = "2015-05-17 10:00:30", .extension = "gif"},
        {.ip = "4.4.4.4", .agent = "A", .time = "2015-05-17 10:03:00", .extension = "htm"},
        // No extension (stored as NULL) and a quote in an extension.
        {.ip = "4.4.4.4",
         .agent = "A",
         .time = "2015-05-17 10:04:00",
         .fileName = "dir",
         .extension = ""},
        {.ip = "4.4.4.4", .agent = "A", .time = "2015-05-17 10:05:00", .extension = "it's"},
    });
    Run(*table);
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "NULL", "1", "NULL", "NULL"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"180", "NULL", "NULL", "NULL", "NULL"}));

    // An empty entry takes the hits without an extension; a quote stays part of the value.
    Run(*table, {"", "it's"});
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "NULL", "1", "2", "2"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"180", "NULL", "NULL", "60", "NULL"}));
    EXPECT_TRUE(channel.messages.empty());
}

TEST_P(SessionsTest, ASecondRunNumbersOnAndNeverJoinsAnEarlierSession) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({{.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:00:00", .sessionId = 7}});
    Run(*table);
    EXPECT_EQ(table->Column("SessionID"), (Texts{"7"})) << "nothing to do leaves the numbering";
    EXPECT_EQ(channel.pumps, 0);

    table->Add({{.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:01:00"},
                {.ip = "5.5.5.5", .agent = "A", .time = "2015-05-17 10:02:00"}});
    Run(*table);
    EXPECT_EQ(table->Column("SessionID"), (Texts{"7", "8", "8"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"NULL", "60", "NULL"}));
}

TEST_P(SessionsTest, HitsWithoutATimeSortFirstAndTakeTheTimeOfTheRowBefore) {
    KP_PASS_TABLE(table, GetParam(), dir);
    table->Add({
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 09:00:00"},
        {.ip = "2.2.2.2", .agent = "B", .time = "2015-05-17 10:10:00"},
        {.ip = "2.2.2.2", .agent = "B", .time = ""},
        {.ip = "2.2.2.2", .agent = "B", .time = "2015-05-17 10:00:00"},
    });
    Run(*table);
    // Order: A 09:00, B NULL (counts as 09:00, new visitor), B 10:00 (60 minutes later: a new
    // session), B 10:10.
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "3", "2", "3"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"NULL", "NULL", "NULL", "600"}));
}

TEST_P(SessionsTest, MissingTableShowsTheNextNumberQuery) {
    KP_PASS_TABLE(table, GetParam(), dir);
    CreateSessionIdAndTime(channel, table->db, "Gone", {"html"});
    ASSERT_EQ(channel.messages.size(), 1u);
    const std::string& message = channel.messages[0];
    EXPECT_EQ(message.rfind("SQL Error in CreateSessionIdAndTime process\r\n\r\n", 0), 0u);
    const std::string tail =
        "\r\n\r\nSQL:\r\nSelect\nMax([Gone_data].SessionID) AS NextID\nFrom\n[Gone_data]";
    ASSERT_GE(message.size(), tail.size());
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
    EXPECT_FALSE(channel.progressVisible);
}

TEST_P(SessionsTest, SmallChunksAndBatchesNumberAsOneWholeWalkDoes) {
    KP_PASS_TABLE(table, GetParam(), dir);
    // Visitors of one to five hits, some with a break of over 30 minutes, so that the chunks of
    // two rows and the batches of three changes end inside visitors and inside sessions.
    std::vector<Hit> hits;
    for (int visitor = 0; visitor < 9; ++visitor) {
        for (int hit = 0; hit <= visitor % 5; ++hit) {
            const int minute = hit * (visitor % 3 == 0 ? 40 : 7);
            char time[32];
            std::snprintf(time, sizeof time, "2015-05-17 %02d:%02d:%02d", 10 + minute / 60,
                          minute % 60, visitor);
            hits.push_back({.ip = "10.0.0." + std::to_string(visitor % 4),
                            .agent = visitor % 2 == 0 ? "A" : "B",
                            .time = time});
        }
    }
    table->Add(hits);

    CreateSessionIdAndTime(channel, table->db, table->Base(), {"html"},
                           {.rowsPerChunk = 2, .rowsPerBatch = 3});
    const Texts sessions = table->Column("SessionID");
    const Texts pageTimes = table->Column("PageTimeSecs");
    CADOCommand(table->db,
                "UPDATE [" + table->Base() + "_data] SET SessionID = NULL, PageTimeSecs = NULL")
        .Execute();
    Run(*table, {"html"});

    EXPECT_TRUE(channel.messages.empty());
    EXPECT_EQ(sessions, table->Column("SessionID"));
    EXPECT_EQ(pageTimes, table->Column("PageTimeSecs"));
    EXPECT_NE(std::count(pageTimes.begin(), pageTimes.end(), "NULL"), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, SessionsTest, ::testing::Values(Driver::Sqlite, Driver::Postgres),
                         DriverName);

TEST(SessionsFailureTest, ARowThatCannotBeStoredEndsThePassShowingTheMainQuery) {
    TempDir dir;
    RecordingChannel channel;
    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    table->Add({
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:01:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:02:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:03:00"},
    });
    CADOCommand(table->db,
                "CREATE TRIGGER refuse BEFORE UPDATE ON Web_data WHEN NEW.id = 3 "
                "BEGIN SELECT RAISE(ABORT, 'row 3 refused'); END")
        .Execute();
    CreateSessionIdAndTime(channel, table->db, "Web", {"html"});

    ASSERT_EQ(channel.messages.size(), 1u);
    const std::string& message = channel.messages[0];
    EXPECT_NE(message.find("row 3 refused"), std::string::npos) << message;
    EXPECT_NE(message.find("\r\n\r\nSQL:\r\nSelect  [Web_data].id,\n"), std::string::npos);
    const std::string tail = "\n  [Web_data].DateTimeValue,\n  [Web_data].id";
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
    // The numbers are stored a batch at a time, whole or not at all: a visitor is never left
    // half numbered, and the rows wait for the next run.
    EXPECT_EQ(table->Column("SessionID"), (Texts{"NULL", "NULL", "NULL", "NULL"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"NULL", "NULL", "NULL", "NULL"}));
    EXPECT_FALSE(channel.progressVisible);
}

TEST_P(SessionsTest, ChangesSetAsideAreStoredWholeOrNotAtAllAndNotReusedByTheNextRun) {
    KP_PASS_TABLE(table, GetParam(), dir);
    const std::string target = table->Base() + "_data";
    table->Add({
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:00:00"},
        {.ip = "1.1.1.1", .agent = "A", .time = "2015-05-17 10:01:00"},
        {.ip = "2.2.2.2", .agent = "A", .time = "2015-05-17 10:02:00"},
        {.ip = "3.3.3.3", .agent = "A", .time = "2015-05-17 10:03:00"},
    });
    const std::string rule =
        GetParam() == Driver::Sqlite
            ? "CREATE TRIGGER refuse BEFORE UPDATE ON " + target +
                  " WHEN NEW.id = 4 BEGIN SELECT RAISE(ABORT, 'row 4 refused'); END"
            : "ALTER TABLE " + target +
                  " ADD CONSTRAINT refuse CHECK (id <> 4 OR SessionID IS NULL)";
    CADOCommand(table->db, rule).Execute();
    // A batch for each visitor: the first two are set aside before the last one fails.
    CreateSessionIdAndTime(channel, table->db, table->Base(), {"html"}, {.rowsPerBatch = 1});
    ASSERT_EQ(channel.messages.size(), 1u);
    EXPECT_NE(channel.messages[0].find("refuse"), std::string::npos) << channel.messages[0];
    EXPECT_EQ(table->Column("SessionID"), (Texts{"NULL", "NULL", "NULL", "NULL"}));

    CADOCommand(table->db, GetParam() == Driver::Sqlite
                               ? "DROP TRIGGER refuse"
                               : "ALTER TABLE " + target + " DROP CONSTRAINT refuse")
        .Execute();
    CreateSessionIdAndTime(channel, table->db, table->Base(), {"html"}, {.rowsPerBatch = 1});
    EXPECT_EQ(channel.messages.size(), 1u);
    EXPECT_EQ(table->Column("SessionID"), (Texts{"1", "1", "2", "3"}));
    EXPECT_EQ(table->Column("PageTimeSecs"), (Texts{"60", "NULL", "NULL", "NULL"}));
}

}  // namespace
