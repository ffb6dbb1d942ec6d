// Exports into a PostgreSQL table the user made: partitioned by month, the usual way to keep
// years of logs, or with indexes of its own. Every pass must give exactly what it gives in a
// table the program made itself.
#include <gtest/gtest.h>

#include <random>

#include "app/CKestrelportDlg.h"
#include "app/SettingsStore.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "pipeline/TargetTable.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// Two months of a small site: visitors whose sessions run across the month's end, a crawler
// that asks for robots.txt in one month only, a spider found by its agent, lines without a
// valid time. Every partition then holds rows at the same physical places.
std::string TwoMonthsOfLog() {
    std::string log;
    auto line = [&](const std::string& ip, const std::string& when, const std::string& path,
                    const std::string& agent) {
        log += ip + " - - [" + when + " +0000] \"GET " + path + " HTTP/1.1\" 200 100 \"-\" \"" +
               agent + "\"\n";
    };
    for (int day = 29; day <= 31; ++day) {
        for (int minute = 0; minute < 50; minute += 7) {
            const std::string when = std::to_string(day) +
                                     "/Oct/2012:23:" + (minute < 10 ? "0" : "") +
                                     std::to_string(minute) + ":00";
            line("10.0.0.1", when, "/a.html", "Mozilla/5.0");
            line("10.0.0.2", when, "/b.php", "Mozilla/5.0");
            line("10.0.0.2", when, "/logo.png", "Mozilla/5.0");
            line("10.0.0.3", when, "/c.html", "FriendlyBot/2.1");
        }
    }
    line("10.0.0.1", "01/Nov/2012:00:10:00", "/a.html", "Mozilla/5.0");
    line("10.0.0.1", "01/Nov/2012:00:20:00", "/d.html", "Mozilla/5.0");
    line("10.0.0.4", "01/Nov/2012:00:20:00", "/robots.txt", "Crawler");
    line("10.0.0.4", "31/Oct/2012:10:00:00", "/e.html", "Crawler");
    line("10.0.0.5", "01/Nox/2012:00:20:00", "/f.html", "Mozilla/5.0");  // no valid time
    line("10.0.0.5", "01/Nov/2012:00:21:00", "/g.html", "Mozilla/5.0");
    return log;
}

class UserMadeTableTest : public ::testing::Test {
  protected:
    // Runs "Go!" into `connection` and returns the derived columns of every row.
    Table Export(const std::string& connection, const std::string& base) {
        SettingsStore settings{dir.File("config-" + base + "/Kestrelport.conf")};
        RecordingWindowServices window;
        CKestrelportDlg dialog{window, settings};
        dialog.OnInitDialog();
        dialog.CountryRanges.Assign({{0u, 0xFFFFFFFFu, "ZZ"}});
        dialog.SpiderList = CStringArrayPBEx{"Bot"};
        window.SetControlText(ControlId::LogFile, logFile);
        window.SetControlText(ControlId::ConnString, connection);
        window.SetControlText(ControlId::TableBase, base);
        window.SetControlText(ControlId::IncludeExts, "");
        window.SetControlText(ControlId::PageHitExts, "html;php");
        window.SetCheck(ControlId::AutoDns, false);
        window.SetCheck(ControlId::Reset, true);
        dialog.RunExport();
        EXPECT_TRUE(window.messages.empty()) << window.messages[0];

        CADODatabase db;
        db.Open(connection);
        CADORecordset rows(db);
        rows.Open("Select id, IsSpider, SessionID, PageTimeSecs From [" + TargetTableName(base) +
                  "] Order By id");
        Table table;
        for (; !rows.IsEof(); rows.MoveNext()) {
            auto& row = table.emplace_back();
            for (const char* column : {"id", "IsSpider", "SessionID", "PageTimeSecs"})
                rows.ReadFieldText(column, row.emplace_back());
        }
        return table;
    }

    // The same log exported into a table the program makes, in SQLite.
    Table Reference() {
        return Export("Provider=SQLite;Data Source=" + dir.File("reference.db"), "WebLog");
    }

    std::string NewBase() {
        static std::mt19937 random{std::random_device{}()};
        base_ = "KpUser" + std::to_string(random() % 100000000);
        return base_;
    }

    void Run(const std::string& connection, const std::string& sql) {
        CADODatabase db;
        db.Open(connection);
        CADOCommand(db, sql).Execute();
    }

    void TearDown() override {
        if (base_.empty()) return;
        if (const auto connection = PostgresTestConnection())
            Run(*connection, "DROP TABLE IF EXISTS " + TargetTableName(base_));
    }

    TempDir dir;
    ScopedEnv data{"KESTRELPORT_DATA_DIR", dir.File("data").c_str()};
    std::string logFile = dir.File("access.log");
    std::string base_;

    void SetUp() override { WriteBytes(logFile, TwoMonthsOfLog()); }
};

TEST_F(UserMadeTableTest, PartitionedByMonthGivesWhatTheProgramsOwnTableGives) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewBase();
    const std::string table = TargetTableName(base);
    // The program's own columns; no key over id alone can exist in a table partitioned by time.
    std::string create = TargetTableCreateStatement(base) + " PARTITION BY RANGE (DateTimeValue)";
    Run(connection, create);
    Run(connection, "CREATE TABLE " + base + "_2012_10 PARTITION OF " + table +
                        " FOR VALUES FROM ('2012-10-01') TO ('2012-11-01')");
    Run(connection, "CREATE TABLE " + base + "_2012_11 PARTITION OF " + table +
                        " FOR VALUES FROM ('2012-11-01') TO ('2012-12-01')");
    Run(connection, "CREATE TABLE " + base + "_other PARTITION OF " + table + " DEFAULT");
    Run(connection, "CREATE INDEX " + base + "_id ON " + table + " (id)");

    const Table reference = Reference();
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(Export(connection, base), reference);
    // Again into the filled table, cleared first: the statistics of the old rows must not
    // mislead the passes, and the numbers start again.
    EXPECT_EQ(Export(connection, base), reference);
}

TEST_F(UserMadeTableTest, ExtraIndexesGiveWhatTheProgramsOwnTableGives) {
    KP_REQUIRE_POSTGRES(connection);
    const std::string base = NewBase();
    const std::string table = TargetTableName(base);
    Run(connection, TargetTableCreateStatement(base));
    Run(connection, "ALTER TABLE " + table + " ADD PRIMARY KEY (id)");
    Run(connection, "CREATE INDEX " + base + "_ip ON " + table + " (IP)");
    Run(connection,
        "CREATE INDEX " + base + "_visitor ON " + table + " (IP, UserAgent, DateTimeValue)");
    Run(connection,
        "CREATE INDEX " + base + "_unmarked ON " + table + " (id) WHERE IsSpider IS NULL");
    Run(connection, "CREATE INDEX " + base + "_when ON " + table + " (DateTimeValue DESC)");

    const Table reference = Reference();
    EXPECT_EQ(Export(connection, base), reference);
}

}  // namespace
