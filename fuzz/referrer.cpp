// The search phrase and results page taken from a referrer, with the engine definitions the
// program ships; and definitions read from the input itself, since users edit that file.

#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pipeline/SearchEngines.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

// Used when the shipped file is not beside the program: a few engines of each shape, read by the
// same parser as the file.
constexpr std::string_view kBuiltInDefinitions =
    "match\ttermkey\tpagekey\tperpage\n"
    "google.\tq\tstart\t10\n"
    "search.yahoo.\tp\tb\t10\n"
    "yandex.\ttext\tp\t1\n"
    "duckduckgo.\tq\n"
    "ask.com\tq\tpage\t0\n";

const SearchEngineList& ShippedEngines() {
    static const SearchEngineList engines = [] {
        SearchEngineList list;
        LoadSearchEngines(list);
        if (list.empty()) {
            CStringArrayPBEx lines;
            lines.Split(kBuiltInDefinitions, "\n");
            list = ParseSearchEngines(lines);
        }
        return list;
    }();
    return engines;
}

void CheckAnalysis(std::string_view referrer, const SearchEngineList& engines) {
    const ReferrerAnalysis result = AnalyseReferrer(referrer, engines);
    if (referrer.empty() || referrer == "-")
        FuzzCheck(result == ReferrerAnalysis{}, "an empty referrer names no search");
    if (!result.searchTerm) {
        FuzzCheck(!result.resultsPage, "a results page comes only with a phrase");
        return;
    }
    FuzzCheck(result.searchTerm->size() <= 255, "a phrase fits its varchar(255) column");
    FuzzCheck(result.searchTerm->find('+') == std::string::npos, "a phrase has '+' as spaces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = FuzzText(data, size);
    CheckAnalysis(text, ShippedEngines());

    // Read as a definitions file whose last line is the referrer: an edited file may hold empty
    // match texts, missing keys and any page size, zero and negative ones included.
    CStringArrayPBEx lines;
    lines.Split(text, "\n");
    if (lines.GetSize() < 2) return 0;
    const SearchEngineList engines = ParseSearchEngines(lines);
    FuzzCheck(engines.size() < static_cast<std::size_t>(lines.GetSize()),
              "the header line defines no engine");
    CheckAnalysis(lines[lines.GetSize() - 1], engines);
    return 0;
}
