// Writes realistic access-log lines: genlog <number of lines> [output file]. The output is the
// same on every run, so benchmarks can be reproduced.

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "LogGenerator.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: genlog <number of lines> [output file]\n");
        return 2;
    }
    char* end = nullptr;
    const long long count = std::strtoll(argv[1], &end, 10);
    if (*end != '\0' || count < 0) {
        std::fprintf(stderr, "genlog: not a number of lines: %s\n", argv[1]);
        return 2;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> opened(argc == 3 ? std::fopen(argv[2], "wb") : nullptr,
                                                 std::fclose);
    if (argc == 3 && !opened) {
        std::perror(argv[2]);
        return 1;
    }
    FILE* out = opened ? opened.get() : stdout;
    LogGenerator generator;
    for (long long i = 0; i < count; ++i) {
        const std::string line = generator.NextLine();
        std::fwrite(line.data(), 1, line.size(), out);
        std::fputc('\n', out);
    }
    if (std::fflush(out) != 0) {
        std::perror("genlog");
        return 1;
    }
    return 0;
}
