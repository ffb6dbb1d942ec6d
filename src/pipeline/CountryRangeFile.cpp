#include "pipeline/CountryRangeFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "pipeline/StdioFile.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

constexpr int kMinimumFields = 7;
constexpr std::size_t kMaximumCodeLength = 3;

// Fields may be quoted or not; both must give the same value.
std::string_view WithoutQuotes(std::string_view field) {
    while (!field.empty() && field.front() == '"') field.remove_prefix(1);
    while (!field.empty() && field.back() == '"') field.remove_suffix(1);
    return field;
}

}  // namespace

int ReadWholeRangeFile(const std::string& fileName, std::string& content) {
    StdioFile file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return errno;
    errno = 0;
    // Read straight into room of the file's size: grown block by block, the text was copied
    // several times over into fresh memory, which took a third of loading the lists.
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && status.st_size > 0)
        content.reserve(static_cast<std::size_t>(status.st_size));
    char block[1 << 16];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) content.append(block, got);
    if (std::ferror(file.get())) return errno ? errno : EIO;  // e.g. a folder given as the file
    // A text file ends at its first end-of-file mark, as everywhere else in the program.
    if (auto mark = content.find('\x1A'); mark != std::string::npos) content.resize(mark);
    return 0;
}

std::optional<RangeLineFields> SplitRangeLine(std::string_view line) {
    if (line.empty() || line.front() == '#') return std::nullopt;
    // One list per thread keeps its capacity, so 400,000 lines cost no allocations for it.
    thread_local CStringArrayPBEx fields;
    fields.Split(line, ",");
    if (fields.GetSize() < kMinimumFields) return std::nullopt;
    std::string_view code = WithoutQuotes(fields[5]);
    // An empty code could never be stored (the column is NOT NULL) and a longer one does not fit.
    if (code.empty() || code.size() > kMaximumCodeLength) return std::nullopt;
    return RangeLineFields{WithoutQuotes(fields[0]), WithoutQuotes(fields[1]), code};
}
