// A PostgreSQL server that goes away (stopped at once, as in a crash) while the terminal program
// writes, runs a pass or looks up host names. The run must end with its step's message and exit
// status 1, and the server, once back, must hold every row committed before.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "cli/ExportSandbox.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "pipeline/TargetTable.h"
#include "support/PrivatePostgresServer.h"
#include "support/RecordingWindowServices.h"

namespace {

constexpr int kLines = 30'000;

class PostgresFaultTest : public ::testing::Test {
  protected:
    // One server for the suite: making one costs seconds, bringing it back after a stop does not.
    static void SetUpTestSuite() {
        server_ = std::make_unique<PrivatePostgresServer>();
        if (const auto failure = server_->Start()) {
            skip_ = failure->binariesMissing;
            failure_ = failure->text;
            server_.reset();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!server_ && skip_) GTEST_SKIP() << "PostgreSQL's server binaries are not installed";
        ASSERT_TRUE(server_) << "no PostgreSQL server of the test's own: " << failure_;
        connection = server_->Connection();
    }
    void TearDown() override {
        if (server_) {
            EXPECT_TRUE(server_->Resume());
        }
    }

    // The server stopped when the status line shows `phase`.
    TerminalRunRequest::Watch StopServerWhen(bool (*phase)(const std::string&)) {
        return [phase](const std::string& line, pid_t) {
            if (!phase(line)) return false;
            EXPECT_TRUE(server_->Kill());
            return true;
        };
    }

    static std::unique_ptr<PrivatePostgresServer> server_;
    static bool skip_;
    static std::string failure_;

    ExportSandbox sandbox;
    std::string connection;
};

std::unique_ptr<PrivatePostgresServer> PostgresFaultTest::server_;
bool PostgresFaultTest::skip_ = false;
std::string PostgresFaultTest::failure_;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(PostgresFaultTest, AServerStoppedDuringTheWriteStopsItAtTheFirstLineNotStored) {
    const std::string log = sandbox.MakeLog("access.log", kLines);
    const TerminalRunResult run =
        sandbox.Export(log, connection, "Web", true, StopServerWhen(Writing));
    ASSERT_TRUE(run.acted) << run.screen << run.err;
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "SQL Error in WriteCombinedLog:\n\n")) << run.err;
    const std::optional<std::int64_t> processed = ProcessedLines(run.err);
    ASSERT_TRUE(processed) << run.err;

    ASSERT_TRUE(server_->Resume());
    // The rows in flight when the server went were not stored, and the message says so.
    const IdRange stored = Ids(connection, "Web");
    EXPECT_EQ(stored.count, *processed);
    EXPECT_GT(stored.count, 0);
    EXPECT_TRUE(stored.Gapless());
}

TEST_F(PostgresFaultTest, AServerStoppedDuringAPassEndsThatPassAndTheOnesAfterIt) {
    const std::string log = sandbox.MakeLog("access.log", kLines);
    const std::string empty = sandbox.MakeLog("empty.log", 0);
    const std::string spiderFailure = "SQL Error in Spiders Update:\n";
    const std::string sessionFailure = "SQL Error in CreateSessionIdAndTime process\n\n";

    for (const auto phase : {MarkingSpiders, StoringSessions}) {
        SCOPED_TRACE(phase == MarkingSpiders ? "spiders" : "sessions");
        const TerminalRunResult run =
            sandbox.Export(log, connection, "Web", true, StopServerWhen(phase));
        ASSERT_TRUE(run.acted) << run.screen << run.err;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(Contains(run.err, spiderFailure), phase == MarkingSpiders) << run.err;
        EXPECT_TRUE(Contains(run.err, sessionFailure)) << run.err;

        ASSERT_TRUE(server_->Resume());
        const IdRange stored = Ids(connection, "Web");
        EXPECT_EQ(stored.count, kLines);
        EXPECT_TRUE(stored.Gapless());
        EXPECT_EQ(Sessions(connection, "Web").splitVisitors, 0);

        // The next run's passes complete the table.
        const TerminalRunResult again = sandbox.Export(empty, connection, "Web", false);
        EXPECT_EQ(again.exitCode, 0) << again.err;
        const SessionFacts sessions = Sessions(connection, "Web");
        EXPECT_EQ(sessions.numbered, sessions.pageHits);
    }
}

// A pass statement the server cancels at its statement timeout: an UPDATE trigger of the test's
// own outlasts the timeout the server sets for every session of the user.
TEST_F(PostgresFaultTest, AStatementTimeoutEndsThePassesAndKeepsTheRows) {
    ASSERT_EQ(sandbox.Export(sandbox.MakeLog("access.log", 3000), connection, "Web", true).exitCode,
              0);
    const std::string table = "[" + TargetTableName("Web") + "]";
    const auto runStatements = [&](std::initializer_list<std::string> statements) {
        CADODatabase db;
        db.Open(connection);
        for (const std::string& statement : statements) CADOCommand(db, statement).Execute();
    };
    runStatements(
        {"Create Or Replace Function kp_test_slow() Returns trigger Language plpgsql "
         "As 'Begin Perform pg_sleep(3); Return Null; End'",
         "Create Trigger kp_test_slow After Update On " + table +
             " For Each Statement Execute Function kp_test_slow()",
         "Alter Role Current_User Set statement_timeout = '300ms'"});
    const TerminalRunResult run =
        sandbox.Export(sandbox.MakeLog("more.log", 500, 7), connection, "Web", false);
    runStatements({"Alter Role Current_User Reset statement_timeout",
                   "Drop Trigger kp_test_slow On " + table});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "SQL Error in Spiders Update:\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, "SQL Error in CreateSessionIdAndTime process\n\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, "statement timeout")) << run.err;
    const IdRange stored = Ids(connection, "Web");
    EXPECT_EQ(stored.count, 3500);
    EXPECT_TRUE(stored.Gapless());
}

// The terminal program cannot be given a name service of the test's own, and the system's would
// ask the network; so the dialog behind `kestrelport hostnames` runs here with one.
TEST_F(PostgresFaultTest, AServerStoppedDuringTheHostLookupsEndsThePassAndKeepsTheNamesStored) {
    ASSERT_EQ(sandbox.Export(sandbox.MakeLog("access.log", 3000), connection, "Web", true).exitCode,
              0);
    TempDir dir;
    SettingsStore settings(dir.File("Kestrelport.conf"));
    RecordingWindowServices window;
    CKestrelportDlg dialog(window, settings);
    std::atomic<int> lookups{0};
    std::atomic<std::uint32_t> storedBeforeTheStop{0};
    dialog.HostLookup = [&](const std::string& address) {
        if (++lookups == 20) {
            storedBeforeTheStop = dialog.LookupsCompleted.load();
            EXPECT_TRUE(server_->Kill());
        }
        return "host-" + address;
    };
    dialog.LookupWorkers = 2;
    window.At(ControlId::ConnString).text = connection;
    window.At(ControlId::TableBase).text = "Web";

    EXPECT_EQ(dialog.RunHostNameLookups(), RunOutcome::Failed);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].starts_with("SQL Error in ReversDNS process\r\n\r\n"))
        << window.messages[0];
    EXPECT_EQ(dialog.LookupRunning.load(), 0);
    EXPECT_EQ(window.At(ControlId::Lookup).text, "IP->Hostnames");
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
    EXPECT_FALSE(window.At(ControlId::Progress).visible);
    EXPECT_FALSE(window.At(ControlId::Status).visible);

    ASSERT_TRUE(server_->Resume());
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select IP, HostName From [" + TargetTableName("Web") + "]");
    std::map<std::string, std::pair<int, int>> named;  // address: rows, rows with a name
    for (rows.MoveFirst(); !rows.IsEof(); rows.MoveNext()) {
        std::string ip, host;
        rows.ReadFieldText("IP", ip);
        const bool hasName = rows.ReadFieldText("HostName", host) && !host.empty();
        if (hasName) {
            EXPECT_EQ(host, "host-" + ip);
        }
        ++named[ip].first;
        named[ip].second += hasName ? 1 : 0;
    }
    std::uint32_t addressesNamed = 0;
    for (const auto& [ip, counts] : named) {
        EXPECT_TRUE(counts.second == 0 || counts.second == counts.first) << ip;
        addressesNamed += counts.second > 0 ? 1 : 0;
    }
    EXPECT_GE(addressesNamed, storedBeforeTheStop.load());
    EXPECT_LT(addressesNamed, named.size());
}

}  // namespace
