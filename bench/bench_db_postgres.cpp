// Writing to PostgreSQL: appends of the 20-column target table through the data-access layer
// against psql's \copy of the same rows as CSV, and edits through a recordset. Rows per second
// are the "items_per_second" counter.
//
// Uses the server named by KESTRELPORT_PG_TEST, or starts a throwaway one on loopback with
// scripts/pg-test-server (stopped again at the end).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TargetIndex.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/ConnectionString.h"
#include "pipeline/TargetTable.h"

namespace {

// KESTRELPORT_BENCH_ROWS makes a quick run possible.
const int kRows = [] {
    const char* rows = std::getenv("KESTRELPORT_BENCH_ROWS");
    return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 1'000'000;
}();
const std::string kBase = "KpBench";

class BenchServer {
  public:
    BenchServer() {
        if (const char* given = std::getenv("KESTRELPORT_PG_TEST"); given && *given) {
            connection_ = given;
            return;
        }
        const auto script =
            std::filesystem::path(__FILE__).parent_path().parent_path() / "scripts/pg-test-server";
        dir_ = std::filesystem::temp_directory_path() / "kestrelport-bench-pg";
        command_ = script.string() + " stop '" + dir_.string() + "'";
        std::unique_ptr<FILE, int (*)(FILE*)> out(
            popen((script.string() + " start '" + dir_.string() + "'").c_str(), "r"), pclose);
        char line[1024] = {};
        if (out && std::fgets(line, sizeof line, out.get())) connection_ = line;
        while (!connection_.empty() && (connection_.back() == '\n' || connection_.back() == '\r'))
            connection_.pop_back();
    }
    ~BenchServer() {
        if (!command_.empty()) std::system(command_.c_str());
    }
    const std::string& Connection() const { return connection_; }

  private:
    std::string connection_;
    std::filesystem::path dir_;
    std::string command_;
};

const std::string& ServerConnection() {
    static BenchServer server;
    return server.Connection();
}

void Run(CADODatabase& db, const std::string& sql) {
    CADORecordset rs(db);
    rs.Open(sql);
}

// A fresh, empty target table with its primary key, as the export makes it.
void ResetTable(CADODatabase& db) {
    Run(db, "DROP TABLE IF EXISTS " + TargetTableName(kBase));
    CADOCommand(db, TargetTableCreateStatement(kBase)).Execute();
    AddTargetIndex(ServerConnection(), kBase);
}

struct RowTexts {
    std::string ip, request, file, referrer, agent;
};

RowTexts TextsOf(int i) {
    const std::string n = std::to_string(i);
    return {"10." + std::to_string(i % 200) + "." + std::to_string(i / 200 % 250) + ".7",
            "GET /pages/" + n + ".html HTTP/1.1", "/pages/" + n,
            "https://www.example.org/search?q=page+" + n,
            "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0"};
}

const DateTime kWhen = DateTime::FromCalendar({2024, 3, 1, 12, 30, 15});

void BM_AppendThroughLayer(benchmark::State& state) {
    if (ServerConnection().empty()) return state.SkipWithError("no PostgreSQL server");
    for (auto _ : state) {
        state.PauseTiming();
        CADODatabase db;
        db.Open(ServerConnection());
        ResetTable(db);
        state.ResumeTiming();
        CADORecordset rs(db);
        rs.Open(TargetTableName(kBase));
        for (int i = 0; i < kRows; ++i) {
            const RowTexts t = TextsOf(i);
            rs.AddNew();
            rs.WriteFieldValue("id", FieldValue::UInt32(static_cast<std::uint32_t>(i + 1)));
            rs.WriteFieldText("IP", t.ip);
            rs.WriteFieldText("Country", "GB");
            rs.WriteFieldText("identd", "-");
            rs.WriteFieldText("UserID", "-");
            rs.WriteFieldText("DateTimeTxt", "[01/Mar/2024:12:30:15 +0000]");
            rs.WriteFieldValue("DateTimeValue", FieldValue::Date(kWhen));
            rs.WriteFieldText("Request", t.request);
            rs.WriteFieldText("FileName", t.file);
            rs.WriteFieldText("Extension", "html");
            rs.WriteFieldValue("Status", FieldValue::Int16(200));
            rs.WriteFieldValue("Bytes", FieldValue::Int32(5120 + i % 1000));
            rs.WriteFieldText("Referrer", t.referrer);
            rs.WriteFieldText("SearchTerm", "page " + std::to_string(i));
            rs.WriteFieldShort("ResultsPage", 1);
            rs.WriteFieldText("UserAgent", t.agent);
            rs.Update();
        }
        rs.Close();
        db.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

std::string CsvField(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void WriteCsv(const std::string& fileName) {
    std::ofstream out(fileName, std::ios::binary);
    const std::string when = kWhen.ToSqlText();
    for (int i = 0; i < kRows; ++i) {
        const RowTexts t = TextsOf(i);
        out << i + 1 << ",," << t.ip << ",,GB,-,-,\"[01/Mar/2024:12:30:15 +0000]\"," << when << ','
            << CsvField(t.request) << ',' << CsvField(t.file) << ",html,200," << 5120 + i % 1000
            << ",," << CsvField(t.referrer) << ",\"page " << i << "\",1," << CsvField(t.agent)
            << ",\n";
    }
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void BM_PsqlCopyCsv(benchmark::State& state) {
    if (ServerConnection().empty()) return state.SkipWithError("no PostgreSQL server");
    const auto s = ConnectionString::Parse(ServerConnection());
    const std::string csv =
        (std::filesystem::temp_directory_path() / "kestrelport-bench-rows.csv").string();
    WriteCsv(csv);
    const std::string command =
        "PGPASSWORD=" + Quoted(s.Value("Password")) + " psql -q -X -v ON_ERROR_STOP=1 -h " +
        Quoted(s.Value("Host")) + " -p " + Quoted(s.Value("Port")) + " -U " +
        Quoted(s.Value("User ID")) + " -d " + Quoted(s.Value("Database")) + " -c " +
        Quoted("\\copy " + TargetTableName(kBase) + " FROM '" + csv + "' WITH (FORMAT csv)");
    for (auto _ : state) {
        state.PauseTiming();
        CADODatabase db;
        db.Open(ServerConnection());
        ResetTable(db);
        db.Close();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("psql \\copy failed");
    }
    std::filesystem::remove(csv);
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The session pass's way of changing rows: walk a query, Edit, write, Update.
void BM_EditThroughRecordset(benchmark::State& state) {
    if (ServerConnection().empty()) return state.SkipWithError("no PostgreSQL server");
    for (auto _ : state) {
        state.PauseTiming();
        CADODatabase db;
        db.Open(ServerConnection());
        CADORecordset rs(db);
        rs.Open("Select [" + kBase + "_data].id, [" + kBase + "_data].SessionID, [" + kBase +
                "_data].PageTimeSecs From [" + kBase + "_data]");
        state.ResumeTiming();
        int edits = 0;
        for (rs.MoveFirst(); !rs.IsEof(); rs.MoveNext()) {
            rs.Edit();
            rs.WriteFieldValue("SessionID", FieldValue::UInt32(static_cast<std::uint32_t>(edits)));
            rs.WriteFieldValue("PageTimeSecs",
                               FieldValue::Int16(static_cast<std::int16_t>(edits % 1800)));
            rs.Update();
            ++edits;
        }
        rs.Close();
        db.Close();
        if (edits != kRows) state.SkipWithError("the table does not hold the appended rows");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_AppendThroughLayer)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PsqlCopyCsv)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
// Edits the rows the copy left behind.
BENCHMARK(BM_EditThroughRecordset)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
