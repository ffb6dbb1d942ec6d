#pragma once
// Reads test logs straight through zlib, so that these tests do not depend on the program's own
// log reader.

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

// The lines of a gzip file cut at line feeds only; empty when the file cannot be read.
inline std::vector<std::string> ReadGzipLines(const std::string& fileName) {
    std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(fileName.c_str(), "rb"), gzclose);
    if (!file) return {};
    std::string text;
    char buffer[1 << 16];
    for (int n; (n = gzread(file.get(), buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}
