// Appending and editing target-table rows in SQLite through the data-access layer, against the
// sqlite3 shell's CSV import of the same rows. Run from a Release build; figures are rows/s.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"

namespace {

constexpr int kRows = 1'000'000;

// The twenty columns of one row as a log line would fill them.
struct Row {
    std::uint32_t id;
    std::string ip, country, dateText, request, fileName, extension, referrer, searchTerm,
        userAgent;
    std::int16_t status;
    std::int32_t bytes;
    DateTime when;
};

Row MakeRow(std::uint32_t id) {
    static const char* const kAgents[] = {
        "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/32.0 "
        "Safari/537.36",
        "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
        "Mozilla/5.0 (Windows NT 6.1; WOW64; rv:27.0) Gecko/20100101 Firefox/27.0"};
    static const char* const kPages[] = {"index", "about", "style", "logo", "search", "robots"};
    static const char* const kExtensions[] = {"html", "php", "css", "png", "", "txt"};
    const std::uint32_t h = id * 2654435761u;
    const int page = static_cast<int>(h % 6);
    const int second = static_cast<int>(id % 86400);
    Row row;
    row.id = id;
    row.ip = std::to_string(h >> 24) + "." + std::to_string((h >> 16) & 255) + "." +
             std::to_string((h >> 8) & 255) + "." + std::to_string(h & 255);
    row.country = (h & 1) ? "US" : "DE";
    char date[40];
    std::snprintf(date, sizeof date, "[17/May/2015:%02d:%02d:%02d +0000]", second / 3600,
                  second / 60 % 60, second % 60);
    row.dateText = date;
    row.fileName = kPages[page];
    row.extension = kExtensions[page];
    row.request = "GET /blog/" + row.fileName + (row.extension.empty() ? "" : ".") + row.extension +
                  "?p=" + std::to_string(id % 977) + " HTTP/1.1";
    row.referrer = "http://www.google.com/search?q=kestrel+port+" + std::to_string(id % 313);
    row.searchTerm = (h & 2) ? "kestrel port " + std::to_string(id % 313) : "";
    row.userAgent = kAgents[h % 3];
    row.status = static_cast<std::int16_t>((h & 8) ? 200 : 404);
    row.bytes = static_cast<std::int32_t>(h % 50000);
    row.when = DateTime::FromCalendar({2015, 5, 17, second / 3600, second / 60 % 60, second % 60});
    return row;
}

void CreateTargetTable(const std::string& connection) {
    CADODatabase db;
    db.Open(connection);
    CADOCommand(db, TargetTableCreateStatement("Bench")).Execute();
    CADOXCatalog catalog;
    catalog.Open(connection);
    CADOXTable table(catalog);
    table.Open(TargetTableName("Bench"));
    CADOXIndex index;
    index.Create(TargetIndexName("Bench"));
    index.AddColumn("id");
    index.SetPrimaryAndUnique();
    table.AddIndex(index);
}

// The rows are made before the clock starts, as the shell's CSV file is written before its import.
std::vector<Row> MakeRows(int count) {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) rows.push_back(MakeRow(static_cast<std::uint32_t>(i)));
    return rows;
}

void AppendRows(const std::string& connection, const std::vector<Row>& rows) {
    CADODatabase db;
    db.Open(connection);
    CADORecordset rs(db);
    rs.Open(TargetTableName("Bench"));
    for (const Row& row : rows) {
        rs.AddNew();
        rs.WriteFieldValue("id", FieldValue::UInt32(row.id));
        rs.WriteFieldText("IP", row.ip);
        rs.WriteFieldText("Country", row.country);
        rs.WriteFieldText("identd", "-");
        rs.WriteFieldText("UserID", "-");
        rs.WriteFieldText("DateTimeTxt", row.dateText);
        rs.WriteFieldText("Request", row.request);
        rs.WriteFieldText("FileName", row.fileName);
        rs.WriteFieldText("Extension", row.extension);
        rs.WriteFieldValue("Status", FieldValue::Int16(row.status));
        rs.WriteFieldValue("Bytes", FieldValue::Int32(row.bytes));
        rs.WriteFieldText("Referrer", row.referrer);
        rs.WriteFieldText("SearchTerm", row.searchTerm);
        rs.WriteFieldText("UserAgent", row.userAgent);
        rs.WriteFieldValue("DateTimeValue", FieldValue::Date(row.when));
        rs.Update();
    }
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

void WriteCsv(const std::string& fileName, int count) {
    std::ofstream out(fileName, std::ios::binary);
    out << "id,SessionID,IP,HostName,Country,identd,UserID,DateTimeTxt,DateTimeValue,Request,"
           "FileName,Extension,Status,Bytes,PageTimeSecs,Referrer,SearchTerm,ResultsPage,"
           "UserAgent,IsSpider\n";
    for (int i = 1; i <= count; ++i) {
        const Row row = MakeRow(static_cast<std::uint32_t>(i));
        out << row.id << ",," << row.ip << ",," << row.country << ",-,-," << Quoted(row.dateText)
            << "," << row.when.ToSqlText() << "," << Quoted(row.request) << "," << row.fileName
            << "," << row.extension << "," << row.status << "," << row.bytes << ",,"
            << Quoted(row.referrer) << "," << Quoted(row.searchTerm) << ",,"
            << Quoted(row.userAgent) << ",\n";
    }
}

class BenchFolder {
  public:
    BenchFolder() : path_(std::filesystem::temp_directory_path() / "kestrelport-bench-db") {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void SetRate(benchmark::State& state, double seconds) {
    state.SetIterationTime(seconds);
    state.counters["rows/s"] = benchmark::Counter(kRows / seconds);
}

void BM_AppendThroughRecordset(benchmark::State& state) {
    for (auto _ : state) {
        BenchFolder folder;
        const std::string connection = "Provider=SQLite;Data Source=" + folder.File("a.db");
        CreateTargetTable(connection);
        const std::vector<Row> rows = MakeRows(kRows);
        const auto start = std::chrono::steady_clock::now();
        AppendRows(connection, rows);
        SetRate(state, Seconds(std::chrono::steady_clock::now() - start));
    }
}

// The shell's load of the same rows: into a table it makes itself from the header (all columns
// plain, no index), and into the target table as the program makes it (its limits and index).
void ShellCsvImport(benchmark::State& state, bool intoTargetTable) {
    for (auto _ : state) {
        BenchFolder folder;
        WriteCsv(folder.File("rows.csv"), kRows);
        if (intoTargetTable)
            CreateTargetTable("Provider=SQLite;Data Source=" + folder.File("i.db"));
        const std::string command =
            "cd '" + folder.File("") + "' && sqlite3 i.db " +
            (intoTargetTable ? "'.import --csv --skip 1 rows.csv Bench_data'"
                             : "'.import --csv rows.csv t'");
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 shell failed");
        SetRate(state, Seconds(std::chrono::steady_clock::now() - start));
    }
}

void BM_ShellCsvImport(benchmark::State& state) {
    ShellCsvImport(state, false);
}

void BM_ShellCsvImportIntoTargetTable(benchmark::State& state) {
    ShellCsvImport(state, true);
}

// A database file in `folder` whose target table holds kRows rows; its connection string.
std::string FilledTargetTable(const BenchFolder& folder) {
    const std::string connection = "Provider=SQLite;Data Source=" + folder.File("filled.db");
    CreateTargetTable(connection);
    AppendRows(connection, MakeRows(kRows));
    return connection;
}

void BM_EditThroughRecordset(benchmark::State& state) {
    for (auto _ : state) {
        BenchFolder folder;
        const std::string connection = FilledTargetTable(folder);
        const auto start = std::chrono::steady_clock::now();
        CADODatabase db;
        db.Open(connection);
        CADORecordset rs(db);
        rs.Open("Select *\nFrom\n  [Bench_data]\nWhere\n  [Bench_data].IsSpider Is Null");
        const auto queried = std::chrono::steady_clock::now();
        int edited = 0;
        for (rs.MoveFirst(); !rs.IsEof(); rs.MoveNext(), ++edited) {
            rs.Edit();
            rs.WriteFieldText("IsSpider", (edited & 1) ? "N" : "Y");
            rs.Update();
        }
        rs.Close();
        SetRate(state, Seconds(std::chrono::steady_clock::now() - start));
        state.counters["query s"] = Seconds(queried - start);
        if (edited != kRows) state.SkipWithError("not every row was edited");
    }
}

// The session pass's shape: an ordered query of six columns, then SessionID and PageTimeSecs
// written row by row. The figure covers the query and the edits.
void BM_SessionEditsThroughRecordset(benchmark::State& state) {
    for (auto _ : state) {
        BenchFolder folder;
        const std::string connection = FilledTargetTable(folder);
        const auto start = std::chrono::steady_clock::now();
        CADODatabase db;
        db.Open(connection);
        CADORecordset rs(db);
        rs.Open(
            "Select  [Bench_data].id,\n  [Bench_data].IP,\n  [Bench_data].UserAgent,\n"
            "  [Bench_data].DateTimeValue,\n  [Bench_data].SessionID,\n  "
            "[Bench_data].PageTimeSecs\n"
            "From\n  [Bench_data]\nWhere\n  [Bench_data].SessionID Is Null\nOrder By\n"
            "  [Bench_data].IP,\n  [Bench_data].UserAgent,\n  [Bench_data].DateTimeValue");
        const auto queried = std::chrono::steady_clock::now();
        std::uint32_t edited = 0;
        for (rs.MoveFirst(); !rs.IsEof(); rs.MoveNext(), ++edited) {
            rs.Edit();
            rs.WriteFieldValue("SessionID", FieldValue::UInt32(edited / 4 + 1));
            rs.WriteFieldValue("PageTimeSecs",
                               FieldValue::Int16(static_cast<std::int16_t>(edited % 600)));
            rs.Update();
        }
        rs.Close();
        const auto end = std::chrono::steady_clock::now();
        SetRate(state, Seconds(end - start));
        state.counters["query s"] = Seconds(queried - start);
        if (edited != kRows) state.SkipWithError("not every row was edited");
    }
}

}  // namespace

BENCHMARK(BM_AppendThroughRecordset)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ShellCsvImport)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ShellCsvImportIntoTargetTable)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_EditThroughRecordset)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SessionEditsThroughRecordset)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
