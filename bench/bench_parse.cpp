// Throughput of the per-line work of an export: cutting a line into its fields, deriving the
// file name and extension, and reading the timestamp. Target: a million lines a second per core.

#include <benchmark/benchmark.h>

#include <vector>

#include "LogGenerator.h"
#include "pipeline/LogRecord.h"
#include "pipeline/LogTimestamp.h"
#include "pipeline/RequestAnalysis.h"

namespace {

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = [] {
        LogGenerator generator;
        std::vector<std::string> made;
        for (int i = 0; i < 100000; ++i) made.push_back(generator.NextLine());
        return made;
    }();
    return lines;
}

CStringArrayPBEx Months() {
    CStringArrayPBEx months;
    months.Split("Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec", ",");
    return months;
}

void BM_ParseLine(benchmark::State& state) {
    const auto& lines = Lines();
    const CStringArrayPBEx months = Months();
    LogRecord record;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            SplitLogLine(line, record);
            RequestFile file = AnalyseRequest(record[kFieldRequest]);
            DateTime time = ParseLogTimestamp(record[kFieldDateTimeTxt], months);
            benchmark::DoNotOptimize(file);
            benchmark::DoNotOptimize(time);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(BM_ParseLine)->Unit(benchmark::kMillisecond);

void BM_SplitLogLine(benchmark::State& state) {
    const auto& lines = Lines();
    LogRecord record;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            SplitLogLine(line, record);
            benchmark::DoNotOptimize(record);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(BM_SplitLogLine)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
