#pragma once
// A C stdio stream that closes itself. A caller that must report a failed close takes the
// stream back with release() and closes it in its own fclose.

#include <cstdio>
#include <memory>

struct StdioFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;
