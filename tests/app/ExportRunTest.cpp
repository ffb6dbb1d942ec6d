#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>

#include "app/CErrorLogDlg.h"
#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "db/Driver.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"
#include "textfiles/FileErrorText.h"

namespace {

std::string Line(const std::string& path, const std::string& ip = "1.2.3.4") {
    return ip + " - - [10/Oct/2012:13:55:36 +0100] \"GET " + path +
           " HTTP/1.1\" 200 512 \"-\" \"Agent\"";
}

class ExportRunTest : public ::testing::Test {
  protected:
    ExportRunTest() {
        dialog.OnInitDialog();
        // A country list that is not empty keeps the run from reading the big data file.
        dialog.CountryRanges.Assign({{0u, 0xFFFFFFFFu, "ZZ"}});
        window.SetControlText(ControlId::LogFile, logFile);
        window.SetControlText(ControlId::ConnString, connection);
        window.SetControlText(ControlId::IncludeExts, "");
    }

    std::string Stored(const char* key) const { return settings.ReadText("Settings", key, "?"); }

    long Rows(const std::string& where = "1=1") const {
        CADODatabase db;
        db.Open(connection);
        CADORecordset rows(db);
        rows.Open("Select Count(*) As n From [WebLog_data] Where " + where);
        std::int32_t count = -1;
        rows.ReadFieldLong("n", count);
        return count;
    }

    TempDir dir;
    // Data files from an empty folder: default month names, no engines, no spiders.
    ScopedEnv data{"KESTRELPORT_DATA_DIR", dir.File("data").c_str()};
    SettingsStore settings{dir.File("config/Kestrelport.conf")};
    RecordingWindowServices window;
    CKestrelportDlg dialog{window, settings};
    std::string logFile = dir.File("access.log");
    std::string connection = "Provider=SQLite;Data Source=" + dir.File("web.db");
};

TEST_F(ExportRunTest, WithoutLogOrConnectionNothingIsStoredOrRead) {
    window.SetControlText(ControlId::ConnString, "");
    window.SetControlText(ControlId::TableBase, "Changed");
    EXPECT_EQ(dialog.RunExport(), RunOutcome::Stopped);
    window.SetControlText(ControlId::ConnString, connection);
    window.SetControlText(ControlId::LogFile, "");
    EXPECT_EQ(dialog.RunExport(), RunOutcome::Stopped);

    const std::string message = "You must supply a source file and a database connection string!";
    EXPECT_EQ(window.messages, (std::vector<std::string>{message, message}));
    EXPECT_FALSE(std::filesystem::exists(settings.Path()));
    EXPECT_EQ(window.waitCursorDepth, 0);
}

// Longer names are cut short by PostgreSQL, where the spider pass's alias then collides with the
// table's own name, and the index is silently not made: such a name is refused before anything
// is written, on every driver alike.
TEST_F(ExportRunTest, ABaseNameTooLongForTheTablesNamesIsRefusedBeforeAnythingIsWritten) {
    WriteBytes(logFile, Line("/a.html") + "\n");
    window.SetControlText(ControlId::TableBase, std::string(58, 'L'));
    dialog.RunExport();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].find("at most 57 bytes"), std::string::npos) << window.messages[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("web.db")));

    window.messages.clear();
    window.SetControlText(ControlId::TableBase, std::string(57, 'L'));
    dialog.RunExport();
    EXPECT_TRUE(window.messages.empty()) << window.messages[0];
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
}

TEST_F(ExportRunTest, AMissingLogStillStoresTheSettingsAndCreatesNoTable) {
    window.SetControlText(ControlId::TableBase, "Other");
    window.SetCheck(ControlId::Reset, false);
    window.SetControlText(ControlId::IncludeExts, "php");
    window.SetControlText(ControlId::PageHitExts, "php;html");
    window.SetCheck(ControlId::AutoDns, true);
    EXPECT_EQ(dialog.RunExport(), RunOutcome::Failed);

    EXPECT_EQ(window.messages, (std::vector<std::string>{FileErrorText(ENOENT, logFile)}));
    EXPECT_EQ(Stored("Source"), logFile);
    EXPECT_EQ(Stored("ConnString"), connection);
    EXPECT_EQ(Stored("TableBasis"), "Other");
    EXPECT_EQ(Stored("Reset"), "0");
    EXPECT_EQ(Stored("IncludeExts"), "php");
    EXPECT_EQ(Stored("PageHitExts"), "php;html");
    EXPECT_EQ(Stored("AutoDNS"), "1");
    EXPECT_EQ(dialog.IncludeExtList, (CStringArrayPBEx{"php"}));
    EXPECT_EQ(dialog.PageHitExtList, (CStringArrayPBEx{"html", "php"}));
    EXPECT_FALSE(TableExists(connection, "Other_data"));
    EXPECT_EQ(window.waitCursorDepth, 0);
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
}

TEST_F(ExportRunTest, ARunWritesTheRowsRunsThePassesAndThenListsTheMalformedLines) {
    WriteBytes(logFile, Line("/robots.txt", "5.5.5.5") + "\n" + Line("/a.html", "5.5.5.5") +
                            "\n1.2.3.4 - - [10/Oct/2012:13:55:36 +0100] \"GET /c.html HTTP/1.0\" "
                            "200 9\n" +
                            Line("/b.html") + "\n");
    bool goDisabledWhileWriting = false;
    window.onPump = [&] { goDisabledWhileWriting = !window.At(ControlId::Go).enabled; };
    std::vector<std::string> shownList;
    long rowsWhenListShown = 0;
    window.onErrorLog = [&](CErrorLogDlg& errorLog) {
        shownList = errorLog.BadLineList().Items();
        rowsWhenListShown = Rows("IsSpider = 'R'");
    };
    EXPECT_EQ(dialog.RunExport(), RunOutcome::Written) << "malformed lines are no failure";

    EXPECT_TRUE(window.messages.empty()) << window.messages[0];
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(dialog.LastExportCounts.rowsWritten, 4);
    EXPECT_EQ(dialog.LastExportCounts.malformedLines, 1);
    EXPECT_TRUE(goDisabledWhileWriting);
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
    EXPECT_EQ(window.errorLogRuns, 1);
    EXPECT_EQ(shownList, (std::vector<std::string>{
                             "Line 3 incomplete/improperly formed: \"1.2.3.4 - - "
                             "[10/Oct/2012:13:55:36 +0100] \"GET /c.html HTTP/1.0\" 200 9\""}));
    EXPECT_EQ(rowsWhenListShown, 2) << "the list comes after the spider pass";
    EXPECT_EQ(Rows("SessionID Is Not Null"), 3) << "the session pass has run";
    EXPECT_FALSE(window.At(ControlId::Progress).visible);
    EXPECT_FALSE(window.At(ControlId::Status).visible);
    EXPECT_EQ(window.waitCursorDepth, 0);

    // The next run appends after the rows already there unless told to clear them.
    window.SetCheck(ControlId::Reset, false);
    dialog.RunExport();
    EXPECT_EQ(Rows(), 8);
}

// Two set-ups sharing one database file keep to their own tables, passes included.
TEST_F(ExportRunTest, TwoTablesOfOneFileKeepToThemselves) {
    WriteBytes(logFile, Line("/robots.txt", "5.5.5.5") + "\n" + Line("/a.html") + "\n");
    window.SetControlText(ControlId::TableBase, "First");
    dialog.RunExport();
    WriteBytes(logFile, Line("/b.html", "5.5.5.5") + "\n");
    window.SetControlText(ControlId::TableBase, "Second");
    dialog.RunExport();
    EXPECT_TRUE(window.messages.empty()) << window.messages[0];

    CADODatabase db;
    db.Open(connection);
    auto scalar = [&](const std::string& sql) {
        CADORecordset rows(db);
        rows.Open(sql);
        std::string value;
        rows.ReadFieldText("v", value);
        return value;
    };
    EXPECT_EQ(scalar("Select Count(*) As v From [First_data]"), "2");
    EXPECT_EQ(scalar("Select Count(*) As v From [Second_data]"), "1");
    // The robots.txt request of the first log marks nothing in the second table.
    EXPECT_EQ(scalar("Select Count(*) As v From [Second_data] Where IsSpider Is Not Null"), "0");
    EXPECT_EQ(scalar("Select Max(SessionID) As v From [Second_data]"), "1");
}

TEST_F(ExportRunTest, GoIsEnabledAgainAfterTheWriterFailed) {
    WriteBytes(logFile, Line("/a.html") + "\n" + Line("/b." + std::string(40, 'x')) + "\n");
    EXPECT_EQ(dialog.RunExport(), RunOutcome::Failed);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].starts_with("SQL Error in WriteCombinedLog:"));
    EXPECT_TRUE(window.messages[0].ends_with("Processed 1 of 2 records in log file."));
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
    EXPECT_EQ(window.errorLogRuns, 0);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(window.waitCursorDepth, 0);
    EXPECT_EQ(window.modalCursorDepths, std::vector<int>{0}) << "the message shows no wait cursor";
}

// With reverse DNS after the write, the lookup pass ends inside the export: "Go!" must stay
// disabled until the error log is closed, and the error log must not show the wait cursor.
TEST_F(ExportRunTest, GoStaysDisabledThroughTheLookupsAndTheErrorLog) {
    WriteBytes(logFile, Line("/a.html", "10.0.0.1") + "\nmalformed\n");
    window.SetCheck(ControlId::AutoDns, true);
    int lookups = 0;
    dialog.HostLookup = [&](const std::string& address) {
        ++lookups;
        return "host-" + address;
    };
    std::optional<bool> goEnabledAtErrorLog;
    window.onErrorLog = [&](CErrorLogDlg&) {
        goEnabledAtErrorLog = window.At(ControlId::Go).enabled;
    };
    // A click that reaches the dialog anyway starts no second run inside this one.
    bool clicked = false;
    window.onPump = [&] {
        if (!std::exchange(clicked, true)) dialog.OnCommand(ControlId::Go);
    };
    dialog.RunExport();

    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(window.messages.empty()) << window.messages[0];
    EXPECT_GT(lookups, 0) << "the lookups ran inside the export";
    EXPECT_EQ(goEnabledAtErrorLog, false);
    EXPECT_EQ(window.modalCursorDepths, std::vector<int>{0});
    EXPECT_TRUE(window.At(ControlId::Go).enabled);
    EXPECT_EQ(window.waitCursorDepth, 0);
}

// The menu and the other buttons work in the middle of a run; their windows wait for the user
// and must not show the run's wait cursor, which comes back once they are closed.
TEST_F(ExportRunTest, WindowsOpenedDuringARunShowTheNormalCursor) {
    WriteBytes(logFile, Line("/a.html") + "\n");
    std::optional<int> depthAfterwards;
    window.onPump = [&] {
        if (depthAfterwards) return;
        dialog.OnCommand(CommandId::About);
        dialog.OnCommand(CommandId::FileOpen);
        dialog.OnCommand(ControlId::ConnStringBuilder);
        depthAfterwards = window.waitCursorDepth;
    };
    dialog.RunExport();

    EXPECT_EQ(window.modalCursorDepths, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(depthAfterwards, 1);
    EXPECT_EQ(window.waitCursorDepth, 0);
}

// Quit clears the running flag while the rows are written; the lookup pass the export would run
// next must not set it again and look up every address before the window can close.
TEST_F(ExportRunTest, QuitDuringTheWriteLooksUpNothing) {
    WriteBytes(logFile, Line("/a.html", "10.0.0.1") + "\n" + Line("/b.html", "10.0.0.2") + "\n");
    window.SetCheck(ControlId::AutoDns, true);
    int lookups = 0;
    dialog.HostLookup = [&](const std::string& address) {
        ++lookups;
        return "host-" + address;
    };
    window.onPump = [&] {
        if (window.endDialogResults.empty()) dialog.OnCommand(ControlId::Quit);
    };
    dialog.RunExport();

    EXPECT_EQ(window.endDialogResults, std::vector<int>{CKestrelportDlg::CancelResult});
    EXPECT_EQ(lookups, 0);
    EXPECT_EQ(Rows(), 2) << "the write itself goes on to its end";
    EXPECT_EQ(Rows("HostName Is Not Null"), 0);
    EXPECT_EQ(dialog.LookupRunning.load(), 0);
    EXPECT_TRUE(window.messages.empty()) << window.messages[0];
}

class PrepareTargetTableTest : public ExportRunTest {
  protected:
    std::vector<std::string> Columns(const std::string& table) {
        return OpenConnection(connection)->TableColumns(table);
    }
    std::vector<std::string> IndexNames() {
        CADODatabase db;
        db.Open(connection);
        CADORecordset rows(db);
        rows.Open("Select name From sqlite_master Where type = 'index' Order By name");
        std::vector<std::string> names;
        for (; !rows.IsEof(); rows.MoveNext()) rows.ReadFieldText("name", names.emplace_back());
        return names;
    }
    bool Prepare(const std::string& base) {
        ExportSettings target;
        target.connectionString = connection;
        target.tableBaseName = base;
        return dialog.PrepareTargetTable(target);
    }
};

TEST_F(PrepareTargetTableTest, ANewTableGetsEveryColumnAndItsPrimaryKeyIndex) {
    ASSERT_TRUE(Prepare("Web"));
    EXPECT_EQ(Columns("Web_data"),
              (std::vector<std::string>{
                  "id",       "SessionID",  "IP",          "HostName",      "Country",
                  "identd",   "UserID",     "DateTimeTxt", "DateTimeValue", "Request",
                  "FileName", "Extension",  "Status",      "Bytes",         "PageTimeSecs",
                  "Referrer", "SearchTerm", "ResultsPage", "UserAgent",     "IsSpider"}));
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"Web_Index"}));
    EXPECT_TRUE(Prepare("Web"));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(PrepareTargetTableTest, AnExistingTableIsUsedAsItIs) {
    OpenConnection(connection)->Execute("CREATE TABLE Web_data (x int)");
    EXPECT_TRUE(Prepare("Web"));
    EXPECT_EQ(Columns("Web_data"), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(IndexNames().empty());
}

TEST_F(PrepareTargetTableTest, BaseNamesGoInUnquoted) {
    EXPECT_TRUE(Prepare(""));
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"_Index"}));
    EXPECT_FALSE(Prepare("Web Log"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].starts_with("Error making table: ")) << window.messages[0];
    EXPECT_GT(window.messages[0].size(), std::string("Error making table: ").size());
}

TEST_F(PrepareTargetTableTest, AnUnusableConnectionIsReported) {
    connection = "Provider=SQLite;Data Source=" + dir.File("no/such/folder/web.db");
    EXPECT_FALSE(Prepare("Web"));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].starts_with("Error making table: ")) << window.messages[0];
}

}  // namespace

namespace {

// The compressed log is checked to its last byte before the table is touched: a damaged end far
// behind the first batches must not leave a reset table or a prefix of rows behind.
TEST_F(ExportRunTest, ACompressedLogDamagedFarBehindItsStartWritesNothing) {
    WriteBytes(logFile, Line("/kept.html") + "\n");
    dialog.RunExport();
    ASSERT_EQ(Rows(), 1);

    std::string text;
    for (int i = 0; i < 50000; ++i) text += Line("/p" + std::to_string(i) + ".html") + "\n";
    const std::string gz = dir.File("access.log.gz");
    WriteGzip(gz, text);
    std::string damaged = ReadBytes(gz);
    damaged.resize(damaged.size() - 16);
    WriteBytes(gz, damaged);
    window.SetControlText(ControlId::LogFile, gz);
    window.SetCheck(ControlId::Reset, true);
    window.messages.clear();
    dialog.RunExport();

    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].starts_with("Could not decompress the .gz file " + gz + ": "))
        << window.messages[0];
    EXPECT_EQ(Rows(), 1) << "the table is neither reset nor written";
    EXPECT_EQ(window.errorLogRuns, 0);
    EXPECT_FALSE(window.At(ControlId::Progress).visible);
    EXPECT_EQ(window.waitCursorDepth, 0);
}

}  // namespace
