#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CoreWriterTestTable.h"
#include "pipeline/RequestAnalysis.h"
#include "textfiles/ReadLogFile.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class CoreWriterTest : public ::testing::TestWithParam<WriterDriver> {
  protected:
    TempDir dir;
    WriterRun run;
};

INSTANTIATE_TEST_SUITE_P(Drivers, CoreWriterTest,
                         ::testing::Values(WriterDriver::Sqlite, WriterDriver::Postgres),
                         WriterDriverName);

TEST_P(CoreWriterTest, KeptLinesBecomeRowsWithEveryColumnDerived) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    CStringArrayPBEx lines;
    lines.Add(
        "1.2.3.4 ident bob [10/Oct/2012:13:55:36 +0100] \"GET /shop/cart.php?x=1 HTTP/1.1\" "
        "200 2326 \"http://www.google.com/search?q=blue+widgets&start=20\" \"Mozilla/5.0\"");
    // Status beyond 16 bits keeps its low 16 bits; a size of "-" is 0; a request without a
    // dotted piece has no file name or extension; an address outside every range is "?".
    lines.Add("9.9.9.9 - - [31/Dec/1999:23:59:59 -0500] \"GET / HTTP/1.0\" 70000 - \"-\" \"-\"");
    ASSERT_TRUE(run.Write(*table, lines));

    EXPECT_TRUE(run.channel.messages.empty());
    EXPECT_TRUE(run.afterWriteRan);
    EXPECT_TRUE(run.linesFreedBeforePasses);
    EXPECT_TRUE(run.badLines.empty());
    EXPECT_EQ(run.counts.rowsWritten, 2);
    EXPECT_EQ(
        table->Rows({"id", "IP", "Country", "identd", "UserID", "DateTimeTxt", "DateTimeValue",
                     "Request", "FileName", "Extension", "Status", "Bytes", "Referrer",
                     "SearchTerm", "ResultsPage", "UserAgent"}),
        (Rows{{"1", "1.2.3.4", "AUS", "ident", "bob", "[10/Oct/2012:13:55:36 +0100",
               "2012-10-10 13:55:36", "GET /shop/cart.php?x=1 HTTP/1.1", "cart", "php", "200",
               "2326", "http://www.google.com/search?q=blue+widgets&start=20", "blue widgets", "2",
               "Mozilla/5.0"},
              {"2", "9.9.9.9", "?", "-", "-", "[31/Dec/1999:23:59:59 -0500", "1999-12-31 23:59:59",
               "GET / HTTP/1.0", "", "", "4464", "0", "-", "", "", "-"}}));
    // The passes fill these; the writer leaves them NULL.
    EXPECT_EQ(table->Rows({"SessionID", "HostName", "PageTimeSecs", "IsSpider"}),
              (Rows{{"", "", "", ""}, {"", "", "", ""}}));
}

TEST_P(CoreWriterTest, Ipv6VisitorsGetTheirCountry) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    run.countries.AssignIpv6({{*ParseIpv6("2001:db8::"), *ParseIpv6("2001:db8::ffff"), "DOC"}});
    ASSERT_TRUE(run.Write(
        *table, {LogLine("/a.html", "2001:DB8::1%eth0"), LogLine("/b.html", "::ffff:1.2.3.4"),
                 LogLine("/c.html", "fe80::1"), LogLine("/d.html", "2001:db9::1")}));
    EXPECT_EQ(table->Rows({"IP", "Country"}), (Rows{{"2001:DB8::1%eth0", "DOC"},
                                                    {"::ffff:1.2.3.4", "AUS"},
                                                    {"fe80::1", "?"},
                                                    {"2001:db9::1", "?"}}));
}

// The spider pass would mark these rows right after they are stored; marking them as they are
// written spares that second write. Rows before the request are left to the pass.
TEST_P(CoreWriterTest, RowsAfterTheirAddressAskedForRobotsTxtAreWrittenMarked) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    ASSERT_TRUE(
        run.Write(*table, {LogLine("/a.html", "5.5.5.5"), LogLine("/robots.txt", "5.5.5.5"),
                           LogLine("/b.html", "5.5.5.5"), LogLine("/b.html", "6.6.6.6"),
                           LogLine("/ROBOTS.TXT", "6.6.6.6"), LogLine("/c.html", "6.6.6.6")}));
    EXPECT_EQ(table->Rows({"IsSpider"}), (Rows{{""}, {"R"}, {"R"}, {""}, {""}, {""}}));

    // A table made without the column still takes every row.
    table->Run("ALTER TABLE " + TargetTableName(table->Base()) + " DROP COLUMN IsSpider");
    EXPECT_TRUE(
        run.Write(*table, {LogLine("/robots.txt", "5.5.5.5"), LogLine("/d.html", "5.5.5.5")}));
    EXPECT_EQ(table->Rows({"id"}).size(), 8u);
}

TEST_P(CoreWriterTest, IdsContinueAfterTheLargestAndResetStartsAgainAtOne) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    table->Run("INSERT INTO " + TargetTableName(table->Base()) +
               " (id, IP, Country, identd, UserID, DateTimeTxt, Request, Status, Bytes) "
               "VALUES (41, 'x', '?', '-', '-', '-', 'GET', 200, 0)");
    ASSERT_TRUE(run.Write(*table, {LogLine("/a.html"), LogLine("/b.html")}));
    EXPECT_EQ(table->Column("id"), (std::vector<std::string>{"41", "42", "43"}));

    WriterRun again;
    again.reset = true;
    ASSERT_TRUE(again.Write(*table, {LogLine("/c.html"), LogLine("/d.html")}));
    EXPECT_EQ(table->Column("id"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(table->Column("FileName"), (std::vector<std::string>{"c", "d"}));
}

// Ids live in an `int` column. The largest id is read whole, and a row whose id would not fit is
// refused like any row the database refuses, on every driver alike.
TEST_P(CoreWriterTest, IdsStopAtTheColumnsRangeAndAreNeverRestarted) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    ASSERT_TRUE(run.Write(*table, {LogLine("/a.html")}));
    table->Run("UPDATE [" + TargetTableName(table->Base()) + "] SET id = 2147483646");
    WriterRun next;
    EXPECT_FALSE(next.Write(*table, {LogLine("/b.html"), LogLine("/c.html"), LogLine("/d.html")}));
    ASSERT_EQ(next.channel.messages.size(), 1u);
    EXPECT_NE(next.channel.messages[0].find("The next id, 2147483648, does not fit the id column"),
              std::string::npos)
        << next.channel.messages[0];
    EXPECT_TRUE(next.channel.messages[0].ends_with("Processed 1 of 3 records in log file."));
    EXPECT_EQ(table->Column("id"), (std::vector<std::string>{"2147483646", "2147483647"}));
    if (GetParam() == WriterDriver::Sqlite) {
        // Ids past the range that another program wrote are not taken for an empty table.
        table->Run("UPDATE [" + TargetTableName(table->Base()) + "] SET id = 3000000000 " +
                   "WHERE id = 2147483647");
        WriterRun again;
        EXPECT_FALSE(again.Write(*table, {LogLine("/e.html")}));
        EXPECT_EQ(table->Count(), 2);
    }
}

TEST_P(CoreWriterTest, ARefusedRowStopsTheRunAndKeepsTheRowsBeforeIt) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    // Long enough that the lines are analysed in several batches ahead of the writes.
    std::vector<std::string> lines(9000, LogLine("/page.html"));
    // The Extension column holds 32 characters; nothing is shortened to fit.
    lines[8249] = LogLine("/file." + std::string(40, 'x'));
    EXPECT_FALSE(run.Write(*table, lines));

    ASSERT_EQ(run.channel.messages.size(), 1u);
    const std::string& message = run.channel.messages[0];
    EXPECT_TRUE(message.starts_with("SQL Error in WriteCombinedLog:\r\n\r\n")) << message;
    EXPECT_TRUE(message.ends_with("\r\n\r\nProcessed 8249 of 9000 records in log file."))
        << message;
    EXPECT_EQ(table->Count(), 8249);
    EXPECT_EQ(table->Scalar("Max(id)"), "8249");
    EXPECT_FALSE(run.afterWriteRan) << "no pass may run after the writer failed";
    EXPECT_FALSE(run.channel.progressVisible);
    EXPECT_FALSE(run.channel.statusVisible);
}

// Rows travel to the database in batches. A row only the database refuses (a rule of its own
// that the writer cannot know) must still stop the run at its own line, in the middle of a batch
// and among the rows after the last progress step alike, with nothing after it stored.
TEST_P(CoreWriterTest, ARowOnlyTheDatabaseRefusesStopsTheRunAtItsLine) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    const std::string target = TargetTableName(table->Base());
    if (GetParam() == WriterDriver::Sqlite) {
        table->Run("CREATE TRIGGER refuse_4711 BEFORE INSERT ON " + target +
                   " WHEN NEW.Bytes = 4711 BEGIN SELECT RAISE(ABORT, 'refused by rule'); END");
    } else {
        table->Run("ALTER TABLE " + target + " ADD CONSTRAINT refuse_4711 CHECK (Bytes <> 4711)");
    }
    for (const int refused : {8250, 9000}) {
        std::vector<std::string> lines(9000, LogLine("/page.html"));
        lines[refused - 1] =
            "1.2.3.4 - - [10/Oct/2012:13:55:36 +0100] \"GET /x.html HTTP/1.1\" 200 "
            "4711 \"-\" \"Agent\"";
        WriterRun refusedRun;
        refusedRun.reset = true;
        EXPECT_FALSE(refusedRun.Write(*table, lines));
        ASSERT_EQ(refusedRun.channel.messages.size(), 1u);
        const std::string& message = refusedRun.channel.messages[0];
        EXPECT_TRUE(message.ends_with("\r\n\r\nProcessed " + std::to_string(refused - 1) +
                                      " of 9000 records in log file."))
            << message;
        EXPECT_EQ(table->Count(), refused - 1);
        EXPECT_EQ(refusedRun.counts.rowsWritten, refused - 1);
        EXPECT_FALSE(refusedRun.afterWriteRan) << "no pass may run after the writer failed";
    }
}

// A table just filled has no statistics; planned as if empty, the passes' joins ran row by row
// over the whole table. The writer has them taken before it hands over to the passes.
TEST(CoreWriterStatisticsTest, TheTableIsAnalysedBeforeThePasses) {
    TempDir dir;
    WriterRun run;
    KP_WRITER_TABLE(table, WriterDriver::Postgres, dir);
    std::string tuples;
    run.Write(*table, std::vector<std::string>(1200, LogLine("/page.html")));
    CADODatabase db;
    db.Open(table->Connection());
    CADORecordset rows(db);
    rows.Open("SELECT reltuples::int AS n FROM pg_class WHERE oid = '" +
              TargetTableName(table->Base()) + "'::regclass");
    rows.ReadFieldText("n", tuples);
    EXPECT_EQ(tuples, "1200");
}

TEST_P(CoreWriterTest, TextsThatLookLikeSqlOrAreNotAsciiAreStoredAsLogged) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte) high += static_cast<char>(byte);
    const std::string referrer = "http://x/?q=it's 100%; DROP TABLE Web_data; -- ' OR '1'='1";
    const std::string agent = "Agent/1.0 (\\'; --) " + high;
    const std::string request = "GET /o'neil.html?a=%27;-- HTTP/1.1";
    ASSERT_TRUE(run.Write(*table, {"1.2.3.4';-- x'\\; o'brien [10/Oct/2012:13:55:36 +0100] \"" +
                                   request + "\" 200 1 \"" + referrer + "\" \"" + agent + "\""}));
    EXPECT_EQ(
        table->Rows({"IP", "identd", "UserID", "Request", "FileName", "Referrer", "UserAgent"}),
        (Rows{{"1.2.3.4';--", "x'\\;", "o'brien", request, "o'neil", referrer, agent}}));
}

// Every limited text column refuses a value one character too long, whatever the driver, and
// says which column it was; nothing is cut to fit.
TEST_P(CoreWriterTest, EveryLimitedColumnRefusesAnOverLongValueAndNamesIt) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    const std::string long256(256, 'v');
    const std::string ext33(33, 'e');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"IP", long256 + " - - [10/Oct/2012:13:55:36 +0100] \"GET /a.html HTTP/1.1\" 200 1"},
        {"identd", "1.2.3.4 " + long256 + " - [10/Oct/2012:13:55:36 +0100] \"GET /a.html\" 200 1"},
        {"UserID", "1.2.3.4 - " + long256 + " [10/Oct/2012:13:55:36 +0100] \"GET /a.html\" 200 1"},
        {"DateTimeTxt", "1.2.3.4 - - [" + long256 + "] \"GET /a.html HTTP/1.1\" 200 1"},
        {"FileName",
         "1.2.3.4 - - [10/Oct/2012:13:55:36 +0100] \"GET /" + long256 + ".html HTTP/1.1\" 200 1"},
        {"Extension",
         "1.2.3.4 - - [10/Oct/2012:13:55:36 +0100] \"GET /a." + ext33 + " HTTP/1.1\" 200 1"},
    };
    for (const auto& [column, line] : cases) {
        WriterRun refused;
        EXPECT_FALSE(refused.Write(*table, {line})) << column;
        ASSERT_EQ(refused.channel.messages.size(), 1u) << column;
        std::string message = refused.channel.messages[0];
        for (char& c : message) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string name = column;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(message.find(name), std::string::npos) << message;
        EXPECT_TRUE(message.ends_with("processed 0 of 1 records in log file.")) << message;
        EXPECT_EQ(table->Count(), 0) << column;
    }
}

class CoreWriterSqliteTest : public ::testing::Test {
  protected:
    TempDir dir;
    WriterTable table{"Provider=SQLite;Data Source=" + dir.File("export.db"), "Web"};
    WriterRun run;
};

TEST_F(CoreWriterSqliteTest, ProgressMovesAndMessagesArePumpedEvery500Lines) {
    int rowsAtSecondPump = -1;
    run.channel.onPump = [&] {
        if (run.channel.pumps == 2) rowsAtSecondPump = static_cast<int>(table.Count());
    };
    ASSERT_TRUE(run.Write(table, std::vector<std::string>(1000, LogLine("/a.html"))));
    EXPECT_EQ(run.channel.statusTexts,
              (std::vector<std::string>{"Writing core data to SQL table.."}));
    EXPECT_EQ(run.channel.rangeLow, 1);
    EXPECT_EQ(run.channel.rangeHigh, 100);
    // Position 1 at the start, then after lines 1 and 501.
    EXPECT_EQ(run.channel.positions, (std::vector<int>{1, 0, 50}));
    EXPECT_EQ(run.channel.pumps, 2);
    // Rows are stored while the run goes on (the layer commits them in groups of 500), so
    // another reader sees them before the end.
    EXPECT_GE(rowsAtSecondPump, 500);
    EXPECT_FALSE(run.channel.progressVisible);
    EXPECT_FALSE(run.channel.statusVisible);
}

TEST_F(CoreWriterSqliteTest, OnlyIncludedLinesAreWrittenOrListed) {
    run.includeExts = "html;css";
    BuildExtensionList(run.includeExts, run.includeExtList);
    ASSERT_TRUE(run.Write(table, {LogLine("/a.html"), LogLine("/b.gif"), LogLine("/"),
                                  // Malformed, but not included: no row and no entry.
                                  "1.2.3.4 - - [10/Okt/2012:13:55:36] \"GET /c.gif HTTP/1.1\"",
                                  LogLine("/d.HTML"), LogLine("/e.css")}));
    EXPECT_EQ(table.Column("Request"),
              (std::vector<std::string>{"GET /a.html HTTP/1.1", "GET /e.css HTTP/1.1"}));
    EXPECT_EQ(table.Column("id"), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(run.badLines.empty());
}

TEST_F(CoreWriterSqliteTest, MalformedLinesAreWrittenAndListedByTheirLineNumber) {
    std::vector<std::string> lines(8, LogLine("/a.html"));
    const std::string common =
        "5.6.7.8 - - [10/Oct/2012:13:55:36 +0100] \"GET /c.html HTTP/1.0\" 200 9";
    const std::string unknownMonth =
        "5.6.7.8 - - [10/Okt/2012:13:55:36 +0100] \"GET /m.html HTTP/1.0\" 200 9 \"-\" \"A\"";
    lines[6] = common;
    lines[7] = unknownMonth;
    ASSERT_TRUE(run.Write(table, lines));

    EXPECT_EQ(run.badLines, (std::vector<std::string>{
                                "Line 7 incomplete/improperly formed: \"" + common + "\"",
                                "Line 8 incomplete/improperly formed: \"" + unknownMonth + "\""}));
    EXPECT_EQ(run.counts.malformedLines, 2);
    EXPECT_EQ(table.Count(), 8);
    EXPECT_EQ(table.Rows({"Referrer", "UserAgent", "SearchTerm"})[6],
              (std::vector<std::string>{"-Missing-", "-Missing-", ""}));
    EXPECT_EQ(table.Rows({"DateTimeTxt", "DateTimeValue"})[7],
              (std::vector<std::string>{"[10/Okt/2012:13:55:36 +0100", ""}));
}

TEST_F(CoreWriterSqliteTest, AnEmptyLogWritesNothingButThePassesStillRun) {
    ASSERT_TRUE(run.Write(table, std::vector<std::string>{}));
    EXPECT_TRUE(run.afterWriteRan);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(run.channel.positions, (std::vector<int>{1}));
    EXPECT_EQ(run.channel.pumps, 0);
}

TEST_F(CoreWriterSqliteTest, AFailureBeforeTheFirstLineCountsNothingAsProcessed) {
    // The table is missing: the id query fails before any line is looked at.
    table.Run("DROP TABLE Web_data");
    EXPECT_FALSE(run.Write(table, {LogLine("/a.html"), LogLine("/b.html")}));
    ASSERT_EQ(run.channel.messages.size(), 1u);
    EXPECT_TRUE(run.channel.messages[0].starts_with("SQL Error in WriteCombinedLog:\r\n\r\n"));
    EXPECT_TRUE(run.channel.messages[0].ends_with("Processed 0 of 2 records in log file."));
    EXPECT_FALSE(run.afterWriteRan);
}

}  // namespace

namespace {

// A log file of `count` well-formed lines in which the lines numbered in `malformed` (1-based)
// lack their referrer and agent.
std::string LogWithMalformedLines(int count, const std::vector<int>& malformed) {
    std::string text;
    for (int number = 1; number <= count; ++number) {
        const bool bad = std::find(malformed.begin(), malformed.end(), number) != malformed.end();
        text += bad ? "5.6.7.8 - - [10/Oct/2012:13:55:36 +0100] \"GET /m" + std::to_string(number) +
                          ".html HTTP/1.0\" 200 9"
                    : LogLine("/p" + std::to_string(number) + ".html");
        text += "\n";
    }
    return text;
}

// Lines reach the writer a batch at a time from the file; an entry must still name the line's
// number in the whole log, at the edges of the batches as well, plain and compressed alike.
TEST_P(CoreWriterTest, MalformedLinesOfALogReadInBatchesKeepTheirNumbers) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    const std::vector<int> malformed{1, 4096, 4097, 8192, 8193, 10000};
    const std::string text = LogWithMalformedLines(10000, malformed);
    WriteBytes(dir.File("access.log"), text);
    WriteGzip(dir.File("access.log.gz"), text);
    for (const char* name : {"access.log", "access.log.gz"}) {
        WriterRun fileRun;
        fileRun.reset = true;
        auto source = OpenLogFile(dir.File(name), fileRun.channel);
        ASSERT_TRUE(source) << name;
        ASSERT_TRUE(fileRun.Write(*table, *source)) << name;
        std::vector<std::string> expected;
        for (const int number : malformed) {
            expected.push_back("Line " + std::to_string(number) +
                               " incomplete/improperly formed: \"5.6.7.8 - - [10/Oct/2012:13:55:36 "
                               "+0100] \"GET /m" +
                               std::to_string(number) + ".html HTTP/1.0\" 200 9\"");
        }
        EXPECT_EQ(fileRun.badLines, expected) << name;
        EXPECT_EQ(table->Count(), 10000) << name;
        EXPECT_EQ(table->Scalar("FileName", "id = 4097"), "m4097") << name;
    }

    // Without reset the numbering goes on after the rows already there, batch after batch.
    WriterRun appended;
    auto again = OpenLogFile(dir.File("access.log"), appended.channel);
    ASSERT_TRUE(again);
    ASSERT_TRUE(appended.Write(*table, *again));
    EXPECT_EQ(table->Count(), 20000);
    EXPECT_EQ(table->Scalar("Max(id)"), "20000");
    EXPECT_EQ(table->Scalar("FileName", "id = 14097"), "m4097");
    EXPECT_EQ(appended.badLines.front(),
              "Line 1 incomplete/improperly formed: \"5.6.7.8 - - "
              "[10/Oct/2012:13:55:36 +0100] \"GET /m1.html HTTP/1.0\" 200 9\"");
}

// A log that loses its end after it was counted stops the run where its lines run out: the rows
// of the lines before stay, and the message says how far the run came.
TEST_P(CoreWriterTest, ALogCutShortWhileItIsWrittenStopsTheRunAndKeepsItsRows) {
    KP_WRITER_TABLE(table, GetParam(), dir);
    const std::string log = dir.File("access.log");
    WriteBytes(log, LogWithMalformedLines(9000, {}));
    auto source = OpenLogFile(log, run.channel);
    ASSERT_TRUE(source);
    std::filesystem::resize_file(log, LogWithMalformedLines(6000, {}).size());
    EXPECT_FALSE(run.Write(*table, *source));

    ASSERT_EQ(run.channel.messages.size(), 1u);
    const std::string& message = run.channel.messages[0];
    EXPECT_TRUE(message.starts_with("The log file could not be read to its end:\r\n\r\n"))
        << message;
    EXPECT_NE(message.find(log), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("\r\n\r\nProcessed 6000 of 9000 records in log file."))
        << message;
    EXPECT_EQ(table->Count(), 6000);
    EXPECT_EQ(run.counts.rowsWritten, 6000);
    EXPECT_FALSE(run.afterWriteRan) << "no pass may run on a log not read to its end";
    EXPECT_FALSE(run.channel.progressVisible);
}

}  // namespace
