// The terminal program against a SQLite file that cannot take what it writes: a full disk, a
// read-only file. Each must end with a message naming what failed, exit status 1,
// and every row committed before the failure still there.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/ExportSandbox.h"
#include "db/CADODatabase.h"
#include "support/ScopedMount.h"

namespace {

constexpr int kLines = 60'000;

class SqliteFaultTest : public ::testing::Test {
  protected:
    SqliteFaultTest() { std::filesystem::create_directories(folder); }

    ExportSandbox sandbox;
    std::string folder = sandbox.File("db");
    std::string file = folder + "/web.db";
    std::string connection = SqliteConnection(file);
};

TEST_F(SqliteFaultTest, ADiskThatFillsUpDuringTheWriteStopsItAtTheFirstLineNotStored) {
    const ScopedMount disk = ScopedMount::SmallDisk(folder, "8m");
    if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
    const std::string log = sandbox.MakeLog("access.log", kLines);

    const TerminalRunResult run = sandbox.Export(log, connection, "Web", true);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.starts_with("SQL Error in WriteCombinedLog:\n\n")) << run.err;
    EXPECT_NE(run.err.find("database or disk is full"), std::string::npos) << run.err;
    // A full disk refuses a whole commit: the lines said to be processed are exactly those
    // stored, so that a user who goes on from there loses none.
    const std::optional<std::int64_t> processed = ProcessedLines(run.err);
    ASSERT_TRUE(processed);
    const IdRange stored = Ids(connection, "Web");
    EXPECT_EQ(stored.count, *processed);
    EXPECT_GT(stored.count, 0);
    EXPECT_TRUE(stored.Gapless());
    EXPECT_EQ(SqliteIntegrity(file), "ok");
}

// The disk fills up after the write: the table is written with room to spare, its marks are
// taken off again, and the disk is all but full when the next run's passes want to store theirs.
// Filling it while the first run's passes start would race with the machine's speed.
TEST_F(SqliteFaultTest, ADiskThatFillsUpBeforeThePassesFailsEachPassAndLosesNoRow) {
    const ScopedMount disk = ScopedMount::SmallDisk(folder, "96m");
    if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
    ASSERT_EQ(
        sandbox.Export(sandbox.MakeLog("access.log", kLines), connection, "Web", true).exitCode, 0);
    {
        // Closing the last connection folds the write-ahead log back into the file and removes
        // it, so the passes' changes need new room.
        CADODatabase db;
        db.Open(connection);
        CADOCommand(db,
                    "UPDATE [Web_data] SET IsSpider = NULL, SessionID = NULL, PageTimeSecs = NULL")
            .Execute();
    }
    // Room to open the database and its shared-memory index, not for the passes' changes.
    disk.FillUp(256 * 1024);

    const std::string empty = sandbox.MakeLog("empty.log", 0);
    const TerminalRunResult run = sandbox.Export(empty, connection, "Web", false);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("SQL Error in Spiders Update:\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("SQL Error in CreateSessionIdAndTime process\n\n"), std::string::npos)
        << run.err;
    EXPECT_EQ(Ids(connection, "Web").count, kLines);
    EXPECT_EQ(SqliteIntegrity(file), "ok");

    // With room again, the next run's passes complete the table.
    disk.MakeRoom();
    const TerminalRunResult again = sandbox.Export(empty, connection, "Web", false);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const SessionFacts sessions = Sessions(connection, "Web");
    EXPECT_GT(sessions.pageHits, 0);
    EXPECT_EQ(sessions.numbered, sessions.pageHits);
}

// Root may write to a file without write permission, so the file system is what refuses here.
TEST_F(SqliteFaultTest, AReadOnlyDatabaseIsReportedAndKeepsItsRows) {
    const std::string log = sandbox.MakeLog("access.log", 500);
    ASSERT_EQ(sandbox.Export(log, connection, "Web", true).exitCode, 0);
    {
        const ScopedMount readOnly = ScopedMount::ReadOnly(file);
        if (!readOnly.Mounted()) GTEST_SKIP() << readOnly.WhyNot();
        const TerminalRunResult run = sandbox.Export(log, connection, "Web", false);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.starts_with("SQL Error in WriteCombinedLog:\n\n")) << run.err;
        EXPECT_NE(run.err.find("readonly database"), std::string::npos) << run.err;
        EXPECT_TRUE(run.err.ends_with("Processed 0 of 500 records in log file.\n")) << run.err;
    }
    EXPECT_EQ(Ids(connection, "Web").count, 500);
    EXPECT_EQ(SqliteIntegrity(file), "ok");
}

}  // namespace
