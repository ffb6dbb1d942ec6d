#include "cli/ExportSandbox.h"

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "LogGenerator.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "pipeline/TargetTable.h"

namespace {

const char* const kPageHitExts = "htm;html;php;asp;jsp";

std::string FieldOrDash(CADORecordset& rows, const std::string& field) {
    std::string text;
    return rows.ReadFieldText(field, text) && !text.empty() ? text : "-";
}

}  // namespace

ExportSandbox::ExportSandbox() {
    std::filesystem::create_directories(dir.File("data"));
    // One range holding every address: the program then never reads the big shipped file.
    WriteBytes(dir.File("data/IpToCountry.csv"),
               "\"0\",\"4294967295\",\"x\",\"0\",\"ZZ\",\"ZZZ\",\"Z\"\n");
    // Agents of the generator's crawlers, so that the user-agent rule marks rows too.
    WriteBytes(dir.File("data/Spiders.txt"), "bot\r\ncrawler\r\nspider\r\nslurp\r\n");
}

std::string ExportSandbox::MakeLog(const std::string& name, int lines, std::uint64_t seed) const {
    LogGenerator generator(seed);
    std::ofstream out(dir.File(name), std::ios::binary);
    for (int i = 0; i < lines; ++i) out << generator.NextLine() << '\n';
    return dir.File(name);
}

TerminalRunResult ExportSandbox::Export(const std::string& log, const std::string& connection,
                                        const std::string& base, bool reset,
                                        TerminalRunRequest::Watch watch) const {
    TerminalRunRequest request;
    request.arguments = {KESTRELPORT_BIN,
                         "export",
                         "--log",
                         log,
                         "--connection",
                         connection,
                         "--table",
                         base,
                         reset ? "--reset" : "--no-reset",
                         "--include-exts",
                         "",
                         "--page-hit-exts",
                         kPageHitExts,
                         "--no-auto-dns",
                         "--error-log",
                         dir.File("malformed.txt")};
    request.environment = {{"XDG_CONFIG_HOME", dir.File("config")},
                           {"KESTRELPORT_DATA_DIR", dir.File("data")}};
    request.errFile = dir.File("stderr.txt");
    request.watch = std::move(watch);
    return RunOnTerminal(request);
}

std::string SqliteConnection(const std::string& file) {
    return "Provider=SQLite;Data Source=" + file;
}

std::string UniqueBase(const std::string& stem) {
    static std::atomic<int> serial{0};
    return stem + std::to_string(::getpid()) + "_" + std::to_string(++serial);
}

void DropTable(const std::string& connection, const std::string& base) {
    try {
        CADODatabase db;
        db.Open(connection);
        CADOCommand(db, "DROP TABLE IF EXISTS " + TargetTableName(base)).Execute();
    } catch (const CADOException&) {
        // Left behind on a server that is gone; the server goes with its test.
    }
}

IdRange Ids(const std::string& connection, const std::string& base) {
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select Count(*) As n, Min(id) As low, Max(id) As high From [" +
              TargetTableName(base) + "]");
    std::int32_t count = 0, low = 0, high = 0;
    rows.ReadFieldLong("n", count);
    rows.ReadFieldLong("low", low);
    rows.ReadFieldLong("high", high);
    return {count, low, high};
}

std::vector<std::string> PassResults(const std::string& connection, const std::string& base) {
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select id, IP, UserAgent, DateTimeValue, IsSpider, SessionID, PageTimeSecs From [" +
              TargetTableName(base) + "] Order By id");
    std::vector<std::string> results;
    std::map<std::string, std::multiset<std::string>> groups;
    for (rows.MoveFirst(); !rows.IsEof(); rows.MoveNext()) {
        results.push_back(FieldOrDash(rows, "id") + " IsSpider " + FieldOrDash(rows, "IsSpider"));
        const std::string visitorAtTime = FieldOrDash(rows, "IP") + " " +
                                          FieldOrDash(rows, "UserAgent") + " " +
                                          FieldOrDash(rows, "DateTimeValue");
        groups[visitorAtTime].insert(FieldOrDash(rows, "SessionID") + "/" +
                                     FieldOrDash(rows, "PageTimeSecs"));
    }
    for (const auto& [visitorAtTime, values] : groups) {
        std::string line = visitorAtTime + ":";
        for (const std::string& value : values) line += " " + value;
        results.push_back(line);
    }
    return results;
}

SessionFacts Sessions(const std::string& connection, const std::string& base) {
    const std::set<std::string> pageHits{"htm", "html", "php", "asp", "jsp"};
    CADODatabase db;
    db.Open(connection);
    CADORecordset rows(db);
    rows.Open("Select IP, UserAgent, Extension, SessionID From [" + TargetTableName(base) + "]");
    struct Visitor {
        std::int64_t hits = 0, numbered = 0;
    };
    std::map<std::string, Visitor> visitors;
    SessionFacts facts;
    for (rows.MoveFirst(); !rows.IsEof(); rows.MoveNext()) {
        std::string ip, agent, extension, session;
        rows.ReadFieldText("Extension", extension);
        if (!pageHits.contains(extension)) continue;
        rows.ReadFieldText("IP", ip);
        rows.ReadFieldText("UserAgent", agent);
        const bool numbered = rows.ReadFieldText("SessionID", session) && !session.empty();
        Visitor& visitor = visitors[ip + agent];
        ++visitor.hits;
        ++facts.pageHits;
        if (numbered) {
            ++visitor.numbered;
            ++facts.numbered;
        }
    }
    for (const auto& [key, visitor] : visitors)
        if (visitor.numbered != 0 && visitor.numbered != visitor.hits) ++facts.splitVisitors;
    return facts;
}

std::string SqliteIntegrity(const std::string& file) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        result = std::string("cannot open: ") + sqlite3_errmsg(db);
    } else {
        auto collect = [](void* out, int columns, char** values, char**) {
            auto& text = *static_cast<std::string*>(out);
            for (int i = 0; i < columns; ++i) {
                if (!text.empty()) text += '\n';
                text += values[i] ? values[i] : "";
            }
            return 0;
        };
        char* error = nullptr;
        if (sqlite3_exec(db, "PRAGMA integrity_check", collect, &result, &error) != SQLITE_OK) {
            result = std::string("cannot check: ") + (error ? error : "");
            sqlite3_free(error);
        }
    }
    sqlite3_close(db);
    return result;
}

std::optional<std::int64_t> ProcessedLines(const std::string& message) {
    const std::string marker = "Processed ";
    const std::size_t at = message.rfind(marker);
    if (at == std::string::npos) return std::nullopt;
    return std::stoll(message.substr(at + marker.size()));
}

bool Writing(const std::string& statusLine) {
    return statusLine.starts_with("Writing core data") &&
           ProgressPercent(statusLine).value_or(0) >= 30;
}

bool MarkingSpiders(const std::string& statusLine) {
    return statusLine.starts_with("Updating IsSpider");
}

bool StoringSessions(const std::string& statusLine) {
    return statusLine.starts_with("Creating Session data") &&
           ProgressPercent(statusLine).value_or(0) >= 90;
}
