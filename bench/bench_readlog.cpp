// Reading a 1,000,000-line log, plain and gzip-compressed. The log is the real 10,000-line
// sample repeated 100 times, written once per process into a temporary folder. Run each case
// in its own process to see its peak memory, e.g.
//   /usr/bin/time -v bench_readlog --benchmark_filter=Plain
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "QuietChannel.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/CZipper.h"
#include "textfiles/ReadLogFile.h"

namespace {

constexpr int kRepeats = 100;
constexpr long kExpectedLines = 10000L * kRepeats;

std::string SampleLogName() {
    const char* shared = std::getenv("KESTRELPORT_SHARED_DATA");
    return std::string(shared && *shared ? shared : KESTRELPORT_SHARED_DATA_DEFAULT) +
           "/logs/elastic-apache-2015.log.gz";
}

std::string SampleText() {
    CGZip gzip;
    std::unique_ptr<char[]> buffer;
    std::size_t length = 0;
    if (!gzip.Open(SampleLogName(), CZipper::OpenMode::Read) || !gzip.ReadAll(buffer, length))
        throw std::runtime_error("cannot read " + SampleLogName());
    return std::string(buffer.get(), length);
}

// The folder and the logs in it live for the whole process; only the case that runs builds
// its own log, so that the other's setup does not show in its peak memory.
class BenchLogs {
  public:
    BenchLogs()
        : folder_(std::filesystem::temp_directory_path() /
                  ("kestrelport-bench-readlog-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
    }
    ~BenchLogs() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }

    const std::string& Plain() {
        if (plain_.empty()) {
            plain_ = (folder_ / "access.log").string();
            const std::string text = SampleText();
            std::ofstream out(plain_, std::ios::binary);
            for (int i = 0; i < kRepeats; ++i) out.write(text.data(), std::streamsize(text.size()));
            if (!out) throw std::runtime_error("cannot write " + plain_);
        }
        return plain_;
    }

    const std::string& Gzip() {
        if (gzip_.empty()) {
            gzip_ = (folder_ / "access.log.gz").string();
            const std::string text = SampleText();
            gzFile out = gzopen(gzip_.c_str(), "wb");
            if (!out) throw std::runtime_error("cannot write " + gzip_);
            bool written = true;
            for (int i = 0; i < kRepeats && written; ++i)
                written = gzwrite(out, text.data(), unsigned(text.size())) == int(text.size());
            if (gzclose(out) != Z_OK || !written) throw std::runtime_error("cannot write " + gzip_);
        }
        return gzip_;
    }

  private:
    std::filesystem::path folder_;
    std::string plain_;
    std::string gzip_;
};

BenchLogs& Logs() {
    static BenchLogs logs;
    return logs;
}

void ReadLog(benchmark::State& state, const std::string& fileName) {
    QuietChannel channel;
    std::size_t bytes = 0;
    for (auto _ : state) {
        CStringArrayPBEx lines;
        if (!ReadLogFile(fileName, lines, channel) || lines.GetSize() != kExpectedLines) {
            state.SkipWithError("the log was not read whole");
            return;
        }
        bytes = 0;
        for (const std::string& line : lines) bytes += line.size() + 1;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["lines"] = static_cast<double>(kExpectedLines);
}

void BM_ReadLogFile_Plain(benchmark::State& state) {
    ReadLog(state, Logs().Plain());
}
void BM_ReadLogFile_Gzip(benchmark::State& state) {
    ReadLog(state, Logs().Gzip());
}

BENCHMARK(BM_ReadLogFile_Plain)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadLogFile_Gzip)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
