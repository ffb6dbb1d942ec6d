// The country lookup over the real generated IpToCountry.csv and IpToCountry6.csv: lookups per
// second (target five million for each, so that it never shows next to the database writes of
// an export), the load time, and the memory the IPv6 table holds.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "QuietChannel.h"
#include "pipeline/IpToCountry.h"
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

// Addresses in the globally routed 2000::/3 where the ranges lie, written as a server logs them.
std::vector<std::string> RandomIpv6Addresses() {
    std::mt19937_64 random(42);
    std::vector<std::string> addresses;
    for (int i = 0; i < 1 << 16; ++i) {
        unsigned char bytes[16];
        for (int half = 0; half < 2; ++half) {
            std::uint64_t n = random();
            for (int b = 0; b < 8; ++b)
                bytes[half * 8 + b] = static_cast<unsigned char>(n >> (8 * b));
        }
        bytes[0] = static_cast<unsigned char>(0x20 | (bytes[0] & 0x0F));
        char text[INET6_ADDRSTRLEN];
        inet_ntop(AF_INET6, bytes, text, sizeof text);
        addresses.emplace_back(text);
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

void BM_CountryForIpv6(benchmark::State& state) {
    CountryRangeList list;
    if (!LoadShippedList(list, state)) return;
    if (list.Ipv6Ranges().IsEmpty()) {
        state.SkipWithError(("cannot load " + DataFilePath("IpToCountry6.csv")).c_str());
        return;
    }
    const std::vector<std::string> addresses = RandomIpv6Addresses();
    std::size_t known = 0;
    for (auto _ : state) {
        for (const std::string& address : addresses)
            known += list.CountryFor(address) != kUnknownCountry;
        benchmark::DoNotOptimize(known);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(addresses.size()));
    const auto ranges = list.Ipv6Ranges().RangeCount();
    state.counters["ranges"] = static_cast<double>(ranges);
    state.counters["table_bytes"] = static_cast<double>(ranges * Ipv6CountryRanges::kBytesPerRange +
                                                        Ipv6CountryRanges::kBlockIndexBytes);
}
BENCHMARK(BM_CountryForIpv6);

void BM_LoadIpToCountry(benchmark::State& state) {
    for (auto _ : state) {
        CountryRangeList list;
        if (!LoadShippedList(list, state)) return;
        benchmark::DoNotOptimize(list.Ranges().data());
    }
}
BENCHMARK(BM_LoadIpToCountry)->Unit(benchmark::kSecond)->Iterations(3);

// The IPv6 file's share of the load above.
void BM_LoadIpToCountry6(benchmark::State& state) {
    for (auto _ : state) {
        Ipv6CountryRanges table;
        if (!table.LoadFrom(DataFilePath("IpToCountry6.csv")) || table.IsEmpty()) {
            state.SkipWithError(("cannot load " + DataFilePath("IpToCountry6.csv")).c_str());
            return;
        }
        benchmark::DoNotOptimize(table.RangeCount());
    }
}
BENCHMARK(BM_LoadIpToCountry6)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
