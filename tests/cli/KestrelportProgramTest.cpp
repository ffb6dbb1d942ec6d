// The terminal program run as a whole, the way a user or a script runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CErrorLogDlg.h"
#include "app/ProjectFile.h"
#include "app/SettingsStore.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "support/TestSupport.h"
#include "textfiles/FileErrorText.h"
#include "textfiles/SpillingLineList.h"

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Line(const std::string& path, const std::string& ip = "1.2.3.4") {
    return ip + " - - [10/Oct/2012:13:55:36 +0100] \"GET " + path +
           " HTTP/1.1\" 200 512 \"-\" \"Agent\"";
}

class KestrelportProgramTest : public ::testing::Test {
  protected:
    KestrelportProgramTest() {
        std::filesystem::create_directories(dir.File("data"));
        // One range holding every address: the program then never reads the big shipped file.
        WriteBytes(dir.File("data/IpToCountry.csv"),
                   "\"0\",\"4294967295\",\"x\",\"0\",\"ZZ\",\"ZZZ\",\"Z\"\n");
    }

    Outcome Run(const std::vector<std::string>& arguments) const {
        std::string command = "XDG_CONFIG_HOME=" + Quoted(dir.File("config")) +
                              " KESTRELPORT_DATA_DIR=" + Quoted(dir.File("data")) + " " +
                              Quoted(KESTRELPORT_BIN);
        for (const std::string& argument : arguments) command += " " + Quoted(argument);
        command += " >" + Quoted(dir.File("out")) + " 2>" + Quoted(dir.File("err")) + " </dev/null";
        const int raw = std::system(command.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadBytes(dir.File("out"));
        outcome.err = ReadBytes(dir.File("err"));
        return outcome;
    }

    std::vector<std::string> ExportTo(const std::vector<std::string>& more) const {
        std::vector<std::string> arguments{"export", "--log", log, "--connection", connection};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    long Rows(const std::string& table = "WebLog_data") const {
        CADODatabase db;
        db.Open(connection);
        CADORecordset rows(db);
        rows.Open("Select Count(*) As n From [" + table + "]");
        std::int32_t count = -1;
        rows.ReadFieldLong("n", count);
        return count;
    }

    std::string Stored(const char* key) const {
        return SettingsStore(dir.File("config/Quillmoor/Kestrelport.conf"))
            .ReadText("Settings", key, "?");
    }

    TempDir dir;
    std::string log = dir.File("access.log");
    std::string connection = "Provider=SQLite;Data Source=" + dir.File("web.db");
    const std::string malformed =
        "9.9.9.9 - - [10/Oct/2012:13:55:36 +0100] \"GET /b.html HTTP/1.0\" 200 1";
};

TEST_F(KestrelportProgramTest, UsageErrorsExitWith2AndShowTheUsage) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"import"},
                                               {"export", "--tabel", "x"},
                                               {"export", "--dns-workers", "many"},
                                               {"hostnames", "--error-log", "x"}}) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, 2) << outcome.err;
        EXPECT_NE(outcome.err.find("Usage:"), std::string::npos);
        EXPECT_EQ(outcome.out, "");
    }
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage:"));
    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("kestrelport ") + KESTRELPORT_VERSION + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("config")));
}

TEST_F(KestrelportProgramTest, AnExportPrintsOneSummaryLineAndListsMalformedLinesOnStderr) {
    WriteBytes(log, Line("/a.html") + "\n" + malformed + "\n" + Line("/c.gif") + "\n" +
                        Line("/d.php") + "\n");
    const Outcome outcome = Run(ExportTo({"--table", "Web", "--include-exts", "html;php"}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    // Not a terminal: no progress line, only the summary.
    EXPECT_EQ(outcome.out, "3 rows written to Web_data, 1 malformed line.\n");
    // On a terminal the list's CR LF line ends are plain line feeds: a CR would move the cursor.
    EXPECT_EQ(outcome.err,
              "** There were 1 records in the log file with missing or incomplete "
              "data! **\n\nLine 2 incomplete/improperly formed: \"" +
                  malformed + "\"\n");
    EXPECT_EQ(Rows("Web_data"), 3);
    // Stored like a run of "Go!", untouched values as the dialog showed them.
    EXPECT_EQ(Stored("Source"), log);
    EXPECT_EQ(Stored("TableBasis"), "Web");
    EXPECT_EQ(Stored("IncludeExts"), "html;php");
    EXPECT_EQ(Stored("PageHitExts"), "htm;html;php;asp;jsp");
    EXPECT_EQ(Stored("Reset"), "1");
}

TEST_F(KestrelportProgramTest, TheErrorLogGoesToTheNamedFile) {
    WriteBytes(log, malformed + "\n" + Line("/a.html") + "\n");
    const Outcome outcome = Run(ExportTo({"--error-log", dir.File("bad.txt"), "--quiet"}));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, "2 rows written to WebLog_data, 1 malformed line.\n");
    EXPECT_EQ(
        ReadBytes(dir.File("bad.txt")),
        CErrorLogDlg::BuildText({"Line 1 incomplete/improperly formed: \"" + malformed + "\""}));

    // A file that cannot be written is an error: the list must not get lost unnoticed.
    const Outcome unwritable = Run(ExportTo({"--error-log", dir.File("no/such/folder/bad.txt")}));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("bad.txt"), std::string::npos);
}

// More malformed lines than the list keeps in memory: the rest wait in a temporary file, and
// both the named file and the terminal still get every one of them, in the log's order.
TEST_F(KestrelportProgramTest, AnErrorLogLargerThanTheListsMemoryKeepsEveryLineInOrder) {
    constexpr int kLines = 20000;
    std::string text;
    std::string listed;
    for (int i = 1; i <= kLines; ++i) {
        const std::string line = "10.0.0." + std::to_string(i % 250) +
                                 " - - [10/Oct/2012:13:55:36 +0100] \"GET /" + std::to_string(i) +
                                 std::string(200, 'p') + ".html HTTP/1.0\" 200 9";
        text += line + (i % 3 == 0 ? "\r\n" : "\n");
        listed += "Line " + std::to_string(i) + " incomplete/improperly formed: \"" + line + "\"\n";
    }
    ASSERT_GT(listed.size(), SpillingLineList::kDefaultMemoryLimit);
    WriteBytes(log, text);
    const std::string headline = "** There were " + std::to_string(kLines) +
                                 " records in the log file with missing or incomplete data! **";

    const Outcome toFile = Run(ExportTo({"--error-log", dir.File("bad.txt"), "--quiet"}));
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    std::string crlf = headline + "\r\n\r\n";
    for (const char c : listed) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(ReadBytes(dir.File("bad.txt")) == crlf) << "the named file differs";

    const Outcome toTerminal = Run(ExportTo({"--quiet"}));
    EXPECT_EQ(toTerminal.status, 0);
    EXPECT_TRUE(toTerminal.err == headline + "\n\n" + listed) << "the terminal's list differs";
    EXPECT_EQ(Rows(), kLines);
}

TEST_F(KestrelportProgramTest, ValuesComeFromTheProjectFileOrElseFromTheStoredSettings) {
    WriteBytes(log, Line("/a.html") + "\n" + Line("/b.html") + "\n");
    ExportSettings project{log, connection, "Proj", false, "html", "html", false};
    ASSERT_TRUE(SaveProjectFile(dir.File("project.txt"), project, nullptr));

    Outcome outcome = Run({"export", "--project", dir.File("project.txt"), "--table", "Opt"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "2 rows written to Opt_data, 0 malformed lines.\n");
    EXPECT_EQ(Stored("TableBasis"), "Opt");
    EXPECT_EQ(Stored("Reset"), "0");

    // Nothing given: the stored settings of the last run, so the rows are appended.
    outcome = Run({"export"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(Rows("Opt_data"), 4);

    WriteBytes(dir.File("other.txt"), "not a project\n");
    outcome = Run({"export", "--project", dir.File("other.txt")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "The selected file is not a recognised Project File\n");
}

TEST_F(KestrelportProgramTest, FailuresExitWith1AndPrintTheMessage) {
    Outcome outcome = Run({"export", "--log", log});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "You must supply a source file and a database connection string!\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("config")));

    outcome = Run(ExportTo({}));  // the log does not exist
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(log), std::string::npos);
    EXPECT_EQ(outcome.out, "");

    WriteBytes(log, Line("/a.html") + "\n" + Line("/b." + std::string(40, 'x')) + "\n");
    outcome = Run(ExportTo({"--include-exts", ""}));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.starts_with("SQL Error in WriteCombinedLog:\n\n"));
    EXPECT_TRUE(outcome.err.ends_with("Processed 1 of 2 records in log file.\n"));
    EXPECT_EQ(outcome.out, "");
}

// A missing country file is reported, but every row is still written, with the country
// unknown: a nightly job must not take such a run for a failed one.
TEST_F(KestrelportProgramTest, AMissingCountryFileIsReportedAndTheRunStillSucceeds) {
    const std::string countries = dir.File("data/IpToCountry.csv");
    std::filesystem::remove(countries);
    WriteBytes(log, Line("/a.html") + "\n" + Line("/b.html", "5.6.7.8") + "\n");
    const Outcome outcome = Run(ExportTo({}));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, FileErrorText(ENOENT, countries) + "\n");
    EXPECT_EQ(outcome.out, "2 rows written to WebLog_data, 0 malformed lines.\n");
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select Count(*) As n From [WebLog_data] Where Country = '?'");
    std::int32_t unknown = -1;
    rows.ReadFieldLong("n", unknown);
    EXPECT_EQ(unknown, 2);
}

TEST_F(KestrelportProgramTest, HostnamesFillsTheTableOrSaysWhyNot) {
    Outcome outcome = Run({"hostnames", "--connection", connection});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "The target table does not exist in the specified database!\n");
    outcome = Run({"hostnames", "--connection",
                   "Provider=SQLite;Data Source=" + dir.File("no such folder/web.db")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "Unable to open database with connection string provided!\n");

    outcome = Run({"hostnames"});
    EXPECT_EQ(outcome.status, 1)
        << "a run that did nothing must not pass for one that went through";

    // Loopback only: the test never asks the name service about an outside address.
    WriteBytes(log, Line("/a.html", "127.0.0.1") + "\n");
    ASSERT_EQ(Run(ExportTo({})).status, 0);
    outcome = Run({"hostnames", "--connection", connection, "--dns-workers", "2"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select HostName From [WebLog_data]");
    std::string host;
    rows.ReadFieldText("HostName", host);
    EXPECT_FALSE(host.empty());
}

}  // namespace
