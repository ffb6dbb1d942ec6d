#pragma once
// The search phrase and results page of visitors who came from a search engine, taken from the
// referrer by the engine definitions of "SearchEngines.tab".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CStringArrayPBEx;

struct searchengine {
    std::string match;    // the engine applies to referrers containing this text (case-sensitive)
    std::string termkey;  // the query parameter that carries the phrase
    std::string pagekey;  // the query parameter that carries the first result's offset, or empty
    std::int32_t perpage = 0;  // results per page; 0 when not given
};

using SearchEngineList = std::vector<searchengine>;

// Definitions from the lines of a definitions file: the first line is a header, and a line of
// fewer than two fields is no definition and is passed over.
SearchEngineList ParseSearchEngines(const CStringArrayPBEx& lines);

// Empties `engines` and fills it from "SearchEngines.tab" next to the program (or `fileName`).
// A missing file is no error: there are then simply no engines.
void LoadSearchEngines(SearchEngineList& engines);
void LoadSearchEngines(SearchEngineList& engines, const std::string& fileName);

// What a row's SearchTerm and ResultsPage columns get; a column without a value stays NULL.
// A phrase may be empty, which the column stores as NULL as well.
struct ReferrerAnalysis {
    std::optional<std::string> searchTerm;
    std::optional<std::int16_t> resultsPage;

    bool operator==(const ReferrerAnalysis&) const = default;
};

// Every engine whose `match` occurs in the referrer is tried in list order, and a later engine's
// values replace an earlier one's.
ReferrerAnalysis AnalyseReferrer(std::string_view referrer, const SearchEngineList& engines);
