// The export without the table passes: the log read from its file and every line written as a
// row into a fresh SQLite file, as "Go!" does before spider marking and sessions start. Shows
// how much of an end-to-end export is the writer's own, next to the shell's .import that
// bench/bench_export.sh runs on the same rows. KESTRELPORT_BENCH_LOG names the log; without it
// 1,000,000 generated lines are written to a temporary file first.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "LogGenerator.h"
#include "PeakRss.h"
#include "QuietChannel.h"
#include "TargetIndex.h"
#include "db/CADODatabase.h"
#include "pipeline/CoreWriter.h"
#include "pipeline/IpToCountry.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/SearchEngines.h"
#include "textfiles/ReadLogFile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGeneratedLines = 1'000'000;

fs::path GeneratedLog(const fs::path& folder) {
    const fs::path log = folder / "access.log";
    std::ofstream out(log, std::ios::binary);
    LogGenerator generator;
    for (int i = 0; i < kGeneratedLines; ++i) out << generator.NextLine() << '\n';
    return log;
}

void BM_ReadAndWriteLog(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "kestrelport-bench-write";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const char* named = std::getenv("KESTRELPORT_BENCH_LOG");
    const fs::path log = named ? fs::path(named) : GeneratedLog(folder);

    QuietChannel channel;
    CStringArrayPBEx months;
    LoadMonthNames(months);
    SearchEngineList engines;
    LoadSearchEngines(engines);
    const CStringArrayPBEx noExtensions;
    const std::string connection = "Provider=SQLite;Data Source=" + (folder / "write.db").string();
    for (auto _ : state) {
        fs::remove(folder / "write.db");
        {
            // The table as the dialog prepares it before the first export into it.
            CADODatabase db;
            db.Open(connection);
            CADOCommand(db, TargetTableCreateStatement("Bench")).Execute();
        }
        AddTargetIndex(connection, "Bench");
        // Loaded by the writer itself, as on the first export of a session.
        CountryRangeList countries;
        CoreWriterContext context{channel,      connection, "Bench",   true,    "",
                                  noExtensions, months,     countries, engines, {}};
        const auto start = std::chrono::steady_clock::now();
        CStringArrayPBEx lines;
        CoreWriterCounts counts;
        if (!ReadLogFile(log.string(), lines, channel) ||
            !WriteCombinedLog(context, lines, &counts)) {
            state.SkipWithError("the export failed");
            break;
        }
        {
            // The rows still in SQLite's log are copied into the file, as the last close of the
            // file does at the end of an export. The table was prepared through the catalog,
            // whose connection stays open, so the writer's own close leaves this copy undone.
            CADODatabase db;
            db.Open(connection);
            CADOCommand(db, "PRAGMA wal_checkpoint(TRUNCATE)").Execute();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["rows"] = static_cast<double>(counts.rowsWritten);
        state.counters["rows/s"] = static_cast<double>(counts.rowsWritten) / seconds;
    }
    state.counters["peak MiB"] = PeakRssMiB();
    fs::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ReadAndWriteLog)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
