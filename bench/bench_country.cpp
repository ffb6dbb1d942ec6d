// The country lookup over the real generated IpToCountry.csv: lookups per second (target five
// million, so that it never shows next to the database writes of an export) and the load time.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "QuietChannel.h"
#include "passes/IpToCountry.h"
#include "textfiles/DataFiles.h"

namespace {

bool LoadShippedList(CountryRangeList& list, benchmark::State& state) {
    QuietChannel channel;
    if (list.Load(channel) && !list.IsEmpty()) return true;
    state.SkipWithError(("cannot load " + DataFilePath("IpToCountry.csv")).c_str());
    return false;
}

std::vector<std::string> RandomAddresses() {
    std::mt19937 random(42);
    std::vector<std::string> addresses;
    for (int i = 0; i < 1 << 16; ++i) {
        std::uint32_t n = random();
        addresses.push_back(std::to_string(n >> 24) + "." + std::to_string((n >> 16) & 255) + "." +
                            std::to_string((n >> 8) & 255) + "." + std::to_string(n & 255));
    }
    return addresses;
}

void BM_CountryForIp(benchmark::State& state) {
    CountryRangeList list;
    if (!LoadShippedList(list, state)) return;
    const std::vector<std::string> addresses = RandomAddresses();
    for (auto _ : state) {
        for (const std::string& address : addresses)
            benchmark::DoNotOptimize(CountryForIp(list, address));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(addresses.size()));
}
BENCHMARK(BM_CountryForIp);

void BM_LoadIpToCountry(benchmark::State& state) {
    for (auto _ : state) {
        CountryRangeList list;
        if (!LoadShippedList(list, state)) return;
        benchmark::DoNotOptimize(list.Ranges().data());
    }
}
BENCHMARK(BM_LoadIpToCountry)->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
