// The table passes over a large table: spider marking and sessions over 1,000,000 generated log
// rows (SQLite; PostgreSQL too when KESTRELPORT_PG_TEST names a server), and reverse DNS with a
// name service that answers after 20 ms. Peak RSS is the process's high-water mark after each
// benchmark, so run one pass per process (--benchmark_filter) to see a pass's own peak.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "LogGenerator.h"
#include "PeakRss.h"
#include "QuietChannel.h"
#include "TargetIndex.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "passes/ReverseDns.h"
#include "passes/Sessions.h"
#include "passes/SpiderMarking.h"
#include "pipeline/LogRecord.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/RequestAnalysis.h"
#include "pipeline/TargetTable.h"
#include "textfiles/DataFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 1'000'000;
const char* const kBase = "BenchPasses";

void Execute(CADODatabase& db, const std::string& sql) {
    CADOCommand(db, sql).Execute();
}

std::int32_t CountRows(CADODatabase& db, const std::string& base) {
    try {
        CADORecordset count(db);
        if (!count.Open("Select Count(*) AS n From [" + TargetTableName(base) + "]")) return -1;
        std::int32_t n = -1;
        count.ReadFieldLong("n", n);
        return n;
    } catch (const CADOException&) {
        return -1;
    }
}

// Rows as the writer stores them, from generated log lines.
void FillTable(CADODatabase& db, const std::string& base, int rows) {
    Execute(db, "DROP TABLE IF EXISTS " + TargetTableName(base));
    Execute(db, TargetTableCreateStatement(base));
    CStringArrayPBEx months;
    LoadMonthNames(months);
    LogGenerator generator;
    LogRecord record;
    CADORecordset table(db);
    table.Open(TargetTableName(base));
    for (int id = 1; id <= rows; ++id) {
        SplitLogLine(generator.NextLine(), record);
        const RequestFile file = AnalyseRequest(record[kFieldRequest]);
        table.AddNew();
        table.WriteFieldValue("id", FieldValue::Int32(id));
        table.WriteFieldText("IP", record[kFieldIP]);
        table.WriteFieldText("Country", "ZZ");
        table.WriteFieldText("identd", record[kFieldIdentd]);
        table.WriteFieldText("UserID", record[kFieldUserID]);
        table.WriteFieldText("DateTimeTxt", record[kFieldDateTimeTxt]);
        const DateTime time = ParseLogTimestamp(record[kFieldDateTimeTxt], months);
        if (time.IsValid()) table.WriteFieldValue("DateTimeValue", FieldValue::Date(time));
        table.WriteFieldText("Request", record[kFieldRequest]);
        table.WriteFieldText("FileName", file.FileName);
        table.WriteFieldText("Extension", file.Extension);
        table.WriteFieldValue("Status", FieldValue::Int16(record.StatusValue()));
        table.WriteFieldValue("Bytes", FieldValue::Int32(record.BytesValue()));
        table.WriteFieldText("Referrer", record[kFieldReferrer]);
        table.WriteFieldText("UserAgent", record[kFieldUserAgent]);
        table.Update();
    }
    table.Close();
}

// One database per driver for the whole run; the table is built once and kept between runs of
// the program (the SQLite file in the temporary folder), and the passes' columns are cleared
// before each benchmark.
struct BenchDatabase {
    CADODatabase db;
    explicit BenchDatabase(const std::string& connection) {
        db.Open(connection);
        if (CountRows(db, kBase) != kRows) FillTable(db, kBase, kRows);
        // Also for a table kept from a run that did not make it.
        AddTargetIndex(connection, kBase);
    }
};

std::string ConnectionFor(int driver) {
    if (driver == 0) {
        const auto file = std::filesystem::temp_directory_path() / "kestrelport-bench-passes.db";
        return "Provider=SQLite;Data Source=" + file.string();
    }
    const char* pg = std::getenv("KESTRELPORT_PG_TEST");
    return pg ? pg : "";
}

CADODatabase* Database(int driver, benchmark::State& state) {
    static std::unique_ptr<BenchDatabase> databases[2];
    const std::string connection = ConnectionFor(driver);
    if (connection.empty()) {
        state.SkipWithError("KESTRELPORT_PG_TEST is not set");
        return nullptr;
    }
    if (!databases[driver]) databases[driver] = std::make_unique<BenchDatabase>(connection);
    return &databases[driver]->db;
}

void ClearMarks(CADODatabase& db) {
    Execute(db, "UPDATE [" + TargetTableName(kBase) +
                    "] SET IsSpider = NULL, SessionID = NULL, PageTimeSecs = NULL");
}

template <class Pass>
void RunTablePass(benchmark::State& state, Pass&& pass) {
    CADODatabase* db = Database(static_cast<int>(state.range(0)), state);
    if (!db) return;
    QuietChannel channel;
    for (auto _ : state) {
        ClearMarks(*db);
        const auto start = Clock::now();
        pass(channel, *db);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["rows/s"] =
        benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_RSS_MiB"] = PeakRssMiB();
}

void BM_MarkSpiders(benchmark::State& state) {
    CStringArrayPBEx spiders;
    spiders.ReadTextFile(DataFilePath("Spiders.txt"), true);
    state.counters["spider_entries"] = static_cast<double>(spiders.GetSize());
    RunTablePass(state, [&](ProgressChannel& channel, CADODatabase& db) {
        MarkSpiders(channel, db, kBase, spiders);
    });
}

void BM_CreateSessionIdAndTime(benchmark::State& state) {
    const CStringArrayPBEx pageHits{"htm", "html", "php", "asp", "jsp"};
    RunTablePass(state, [&](ProgressChannel& channel, CADODatabase& db) {
        CreateSessionIdAndTime(channel, db, kBase, pageHits);
    });
}

BENCHMARK(BM_MarkSpiders)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CreateSessionIdAndTime)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Addresses to look up, in a small SQLite table of their own.
CADODatabase& LookupTable(int addresses) {
    static CADODatabase db;
    static int filled = -1;
    if (!db.IsOpen()) {
        const auto file = std::filesystem::temp_directory_path() / "kestrelport-bench-dns.db";
        db.Open("Provider=SQLite;Data Source=" + file.string());
    }
    if (filled != addresses) {
        const std::string base = "BenchDns";
        Execute(db, "DROP TABLE IF EXISTS " + TargetTableName(base));
        Execute(db, TargetTableCreateStatement(base));
        CADORecordset table(db);
        table.Open(TargetTableName(base));
        for (int id = 1; id <= addresses; ++id) {
            table.AddNew();
            table.WriteFieldValue("id", FieldValue::Int32(id));
            table.WriteFieldText("IP", "10." + std::to_string(id / 65536) + "." +
                                           std::to_string(id / 256 % 256) + "." +
                                           std::to_string(id % 256));
            for (const char* column : {"Country", "identd", "UserID", "DateTimeTxt", "Request"})
                table.WriteFieldText(column, "-");
            table.WriteFieldValue("Status", FieldValue::Int16(200));
            table.WriteFieldValue("Bytes", FieldValue::Int32(0));
            table.Update();
        }
        table.Close();
        filled = addresses;
    }
    Execute(db, "UPDATE [BenchDns_data] SET HostName = NULL");
    return db;
}

constexpr std::chrono::milliseconds kLookupTime{20};

std::string SlowLookup(const std::string& address) {
    std::this_thread::sleep_for(kLookupTime);
    return "host-" + address;
}

// Lookups per second; the argument is the worker count (0: one per logical processor).
void BM_ReverseDns(benchmark::State& state) {
    constexpr int kAddresses = 400;
    const auto workers = static_cast<unsigned>(state.range(0));
    QuietChannel channel;
    ReverseDnsState dns;
    for (auto _ : state) {
        CADODatabase& db = LookupTable(kAddresses);
        const auto start = Clock::now();
        ReversDNS(channel, db, "BenchDns", dns, SlowLookup, workers);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["workers"] = workers == 0 ? DefaultLookupWorkers() : workers;
    state.counters["lookups/s"] =
        benchmark::Counter(kAddresses, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReverseDns)->Arg(0)->Arg(16)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// A pause in the middle of the lookups: how long the pass takes to end, and how many lookups
// start after the click (the ones already under way finish and are stored).
void BM_ReverseDnsPause(benchmark::State& state) {
    constexpr int kAddresses = 400;
    const auto workers = static_cast<unsigned>(state.range(0));
    QuietChannel channel;
    ReverseDnsState dns;
    std::mutex mutex;
    std::vector<Clock::time_point> starts;
    auto lookup = [&](const std::string& address) {
        {
            std::lock_guard lock(mutex);
            starts.push_back(Clock::now());
        }
        return SlowLookup(address);
    };
    double endMs = 0;
    double startedAfter = 0;
    for (auto _ : state) {
        CADODatabase& db = LookupTable(kAddresses);
        starts.clear();
        int pumps = 0;
        Clock::time_point pausedAt;
        // Stage 1 pumps once per address; pause at the monitor's second pump (about 500 ms in).
        channel.onPump = [&] {
            if (++pumps == kAddresses + 2) {
                pausedAt = Clock::now();
                dns.LookupRunning.store(0, std::memory_order_relaxed);
            }
        };
        ReversDNS(channel, db, "BenchDns", dns, lookup, workers);
        const auto ended = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(ended - pausedAt).count());
        endMs = std::chrono::duration<double, std::milli>(ended - pausedAt).count();
        startedAfter = static_cast<double>(
            std::count_if(starts.begin(), starts.end(), [&](auto t) { return t > pausedAt; }));
    }
    state.counters["pause_to_end_ms"] = endMs;
    state.counters["lookups_started_after_pause"] = startedAfter;
    state.counters["lookup_ms"] = static_cast<double>(kLookupTime.count());
}
BENCHMARK(BM_ReverseDnsPause)
    ->Arg(0)
    ->Arg(16)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
