// Failures that no step reports itself (memory running out, a thread that cannot start, a name
// service that throws) must still leave the dialog idle with a message, keep what was committed,
// and never end the program.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "passes/PassTable.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"

namespace {

class UnexpectedFailureTest : public ::testing::Test {
  protected:
    UnexpectedFailureTest() {
        dialog.OnInitDialog();
        dialog.CountryRanges.Assign({{0u, 0xFFFFFFFFu, "ZZ"}});
    }

    void ExpectIdle() {
        EXPECT_TRUE(window.At(ControlId::Go).enabled);
        EXPECT_FALSE(window.At(ControlId::Progress).visible);
        EXPECT_FALSE(window.At(ControlId::Status).visible);
        EXPECT_EQ(dialog.LookupRunning.load(), 0);
        EXPECT_NE(window.At(ControlId::Lookup).text, "Pause IP->Hostnames");
    }

    TempDir dir;
    ScopedEnv data{"KESTRELPORT_DATA_DIR", dir.File("data").c_str()};
    SettingsStore settings{dir.File("config/Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
};

TEST_F(UnexpectedFailureTest, AnExportEndsIdleWithAMessageAndKeepsTheCommittedRows) {
    std::string log;
    for (int i = 0; i < 2000; ++i)
        log +=
            "1.2.3.4 - - [10/Oct/2012:13:55:36 +0100] \"GET /a.html HTTP/1.1\" 200 5 \"-\" \"A\"\n";
    WriteBytes(dir.File("access.log"), log);
    const std::string connection = "Provider=SQLite;Data Source=" + dir.File("web.db");
    window.SetControlText(ControlId::LogFile, dir.File("access.log"));
    window.SetControlText(ControlId::ConnString, connection);
    int writerPumps = 0;
    window.onPump = [&] {
        // The writer commits the rows up to line 1000, then runs out of memory.
        if (window.At(ControlId::Status).text.starts_with("Writing") && ++writerPumps == 3)
            throw std::bad_alloc();
    };

    dialog.OnCommand(ControlId::Go);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(
        window.messages[0].starts_with("The export stopped because of an unexpected error: "))
        << window.messages[0];
    ExpectIdle();
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select Count(*) As n, Max(id) As high From [WebLog_data]");
    std::int32_t count = 0, high = 0;
    rows.ReadFieldLong("n", count);
    rows.ReadFieldLong("high", high);
    EXPECT_EQ(count, 1001);
    EXPECT_EQ(high, 1001);
}

TEST_F(UnexpectedFailureTest, HostLookupsEndIdleWithAMessageAndKeepTheNamesStored) {
    KP_PASS_TABLE(table, Driver::Sqlite, dir);
    std::vector<Hit> hits;
    for (int i = 0; i < 40; ++i) hits.push_back({.ip = "10.0.9." + std::to_string(i)});
    table->Add(hits);
    window.At(ControlId::ConnString).text = table->Connection();
    window.At(ControlId::TableBase).text = table->Base();
    std::atomic<int> lookups{0};
    dialog.LookupWorkers = 1;
    dialog.HostLookup = [&](const std::string& address) -> std::string {
        if (++lookups == 10) throw std::runtime_error("the name service broke down");
        return "host-" + address;
    };

    dialog.OnCommand(ControlId::Lookup);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0],
              "The host name lookups stopped because of an unexpected error: the name service "
              "broke down");
    ExpectIdle();
    int named = 0;
    for (const std::string& host : table->Column("HostName")) named += host != "NULL" ? 1 : 0;
    EXPECT_EQ(named, 9);
}

}  // namespace
