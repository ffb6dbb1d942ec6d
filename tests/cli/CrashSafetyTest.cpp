// The program killed (SIGKILL, as a crash or a power cut) in the middle of each step of an
// export: what it committed must stay sound and usable, and the next run must finish the job as
// if nothing had happened.
#include <gtest/gtest.h>

#include <csignal>

#include "cli/ExportSandbox.h"
#include "support/TestSupport.h"

namespace {

enum class Driver { Sqlite, Postgres };

// Large enough that each step lasts a good fraction of a second even in an optimised build.
constexpr int kLines = 30'000;

struct Target {
    std::string connection;
    std::string base;
    std::string file;  // SQLite only
};

using Phase = bool (*)(const std::string& statusLine);


TerminalRunRequest::Watch SignalWhen(int signal, Phase phase) {
    return [signal, phase](const std::string& line, pid_t program) {
        if (!phase(line)) return false;
        ::kill(program, signal);
        return true;
    };
}

// Empty when equal; otherwise the first result that differs.
std::string FirstDifference(const std::vector<std::string>& got,
                            const std::vector<std::string>& expected) {
    if (got.size() != expected.size())
        return std::to_string(got.size()) + " results instead of " +
               std::to_string(expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != expected[i]) return got[i] + " instead of " + expected[i];
    return "";
}

class CrashSafetyTest : public ::testing::TestWithParam<Driver> {
  protected:
    void SetUp() override {
        if (GetParam() == Driver::Postgres) {
            KP_REQUIRE_POSTGRES(pg);
            postgres_ = pg;
        }
        log = sandbox.MakeLog("access.log", kLines);
    }
    void TearDown() override {
        // SQLite files go with the sandbox's folder.
        if (postgres_.empty()) return;
        for (const Target& target : targets_) DropTable(target.connection, target.base);
    }

    // A table of its own: a SQLite file, or a table on the shared server.
    Target NewTarget(const std::string& name) {
        Target target;
        if (postgres_.empty()) {
            target.file = sandbox.File(name + ".db");
            target.connection = SqliteConnection(target.file);
            target.base = "Web";
        } else {
            target.connection = postgres_;
            target.base = UniqueBase(name);
        }
        targets_.push_back(target);
        return target;
    }

    // What a kill must never cost: a sound file and ids without gaps.
    void ExpectSound(const Target& target) {
        if (!target.file.empty()) {
            EXPECT_EQ(SqliteIntegrity(target.file), "ok");
        }
        EXPECT_TRUE(Ids(target.connection, target.base).Gapless());
    }

    TerminalRunResult KilledExport(const Target& target, Phase phase) {
        TerminalRunResult run =
            sandbox.Export(log, target.connection, target.base, true, SignalWhen(SIGKILL, phase));
        EXPECT_TRUE(run.acted) << "the step was never seen:\n" << run.screen << run.err;
        EXPECT_EQ(run.signal, SIGKILL) << run.err;
        return run;
    }

    ExportSandbox sandbox;
    std::string log;

  private:
    std::string postgres_;
    std::vector<Target> targets_;
};

TEST_P(CrashSafetyTest, AKillDuringTheWriteKeepsTheRowsBeforeItAndTheNextExportsCarryOn) {
    const Target target = NewTarget("write");
    KilledExport(target, Writing);
    ExpectSound(target);
    const IdRange kept = Ids(target.connection, target.base);
    EXPECT_GT(kept.count, 0);
    EXPECT_LT(kept.count, kLines) << "killed after the write";

    // Without reset the ids go on after the largest, and the passes take in the rows of the
    // killed run as well.
    const std::string more = sandbox.MakeLog("more.log", 500, 7);
    TerminalRunResult next = sandbox.Export(more, target.connection, target.base, false);
    ASSERT_EQ(next.exitCode, 0) << next.err;
    const IdRange appended = Ids(target.connection, target.base);
    EXPECT_EQ(appended.count, kept.count + 500);
    EXPECT_TRUE(appended.Gapless());
    const SessionFacts sessions = Sessions(target.connection, target.base);
    EXPECT_EQ(sessions.numbered, sessions.pageHits);

    // With reset the table starts again at 1.
    next = sandbox.Export(more, target.connection, target.base, true);
    ASSERT_EQ(next.exitCode, 0) << next.err;
    const IdRange fresh = Ids(target.connection, target.base);
    EXPECT_EQ(fresh.count, 500);
    EXPECT_TRUE(fresh.Gapless());
    ExpectSound(target);
}

// Ctrl+C ends the program at once, in the middle of a transaction: the database drops it.
TEST_P(CrashSafetyTest, AnInterruptDuringTheWriteKeepsTheRowsBeforeIt) {
    const Target target = NewTarget("interrupt");
    const TerminalRunResult run = sandbox.Export(log, target.connection, target.base, true,
                                                 SignalWhen(SIGINT, Writing));
    ASSERT_TRUE(run.acted) << run.screen << run.err;
    EXPECT_EQ(run.exitCode, 128 + SIGINT) << run.err;
    ExpectSound(target);
    const IdRange kept = Ids(target.connection, target.base);
    EXPECT_GT(kept.count, 0);
    EXPECT_LT(kept.count, kLines) << "interrupted after the write";
}

TEST_P(CrashSafetyTest, AKillDuringAPassLeavesWhatTheNextRunCompletesAsIfUninterrupted) {
    const Target whole = NewTarget("whole");
    const TerminalRunResult uninterrupted = sandbox.Export(log, whole.connection, whole.base, true);
    ASSERT_EQ(uninterrupted.exitCode, 0) << uninterrupted.err;
    const std::vector<std::string> expected = PassResults(whole.connection, whole.base);

    const std::string empty = sandbox.MakeLog("empty.log", 0);
    const std::pair<const char*, Phase> kills[] = {{"spiders", MarkingSpiders},
                                                   {"sessions", StoringSessions}};
    for (const auto& [name, phase] : kills) {
        SCOPED_TRACE(name);
        const Target target = NewTarget(name);
        KilledExport(target, phase);
        ExpectSound(target);
        EXPECT_EQ(Ids(target.connection, target.base).count, kLines);
        const SessionFacts sessions = Sessions(target.connection, target.base);
        // Sessions are stored in batches that end where a visitor's rows end, all or nothing.
        EXPECT_EQ(sessions.splitVisitors, 0);
        if (phase == MarkingSpiders) {
            EXPECT_EQ(sessions.numbered, 0) << "killed after the pass";
        }

        // An export of an empty log runs the passes over the whole table.
        const TerminalRunResult again =
            sandbox.Export(empty, target.connection, target.base, false);
        ASSERT_EQ(again.exitCode, 0) << again.err;
        EXPECT_EQ(FirstDifference(PassResults(target.connection, target.base), expected), "");
        ExpectSound(target);
    }
}

std::string DriverName(const ::testing::TestParamInfo<Driver>& driver) {
    return driver.param == Driver::Sqlite ? "SQLite" : "PostgreSQL";
}

INSTANTIATE_TEST_SUITE_P(Drivers, CrashSafetyTest,
                         ::testing::Values(Driver::Sqlite, Driver::Postgres), DriverName);

}  // namespace
