#pragma once
// The process's memory high-water mark, for benchmarks that report their peak beside their time.

#include <sys/resource.h>

inline double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}
