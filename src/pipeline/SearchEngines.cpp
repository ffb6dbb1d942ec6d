#include "pipeline/SearchEngines.h"

#include <algorithm>
#include <limits>

#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/DataFiles.h"
#include "textfiles/LeadingInteger.h"

namespace {

// The column is varchar(255).
constexpr std::size_t kMaximumPhraseLength = 255;

// The piece after the first piece equal to `key`; nothing when the key is missing or is the
// last piece, since then no value was given.
const std::string* ValueAfter(const CStringArrayPBEx& pieces, std::string_view key) {
    CStringArrayPBEx::Index i = pieces.Find(key);
    if (i == CStringArrayPBEx::kNotFound || i + 1 >= pieces.GetSize()) return nullptr;
    return &pieces[i + 1];
}

std::string PhraseFrom(std::string_view value) {
    std::string phrase(value.substr(0, kMaximumPhraseLength));
    std::replace(phrase.begin(), phrase.end(), '+', ' ');
    return phrase;
}

// The page is the offset divided by the page size, kept in 16 bits like the smallint column.
// Without a page size there is no page; the one quotient beyond 32 bits wraps like the rest.
std::optional<std::int16_t> PageFrom(std::string_view value, std::int32_t perpage) {
    if (perpage == 0) return std::nullopt;
    const std::int64_t quotient = std::int64_t{LeadingInteger32(value)} / perpage;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(quotient & 0xFFFF));
}

}  // namespace

SearchEngineList ParseSearchEngines(const CStringArrayPBEx& lines) {
    SearchEngineList engines;
    CStringArrayPBEx fields;
    for (CStringArrayPBEx::Index i = 1; i < lines.GetSize(); ++i) {
        fields.Split(lines[i], "\t");
        if (fields.GetSize() < 2) continue;
        searchengine engine;
        engine.match = fields[0];
        engine.termkey = fields[1];
        if (fields.GetSize() > 2) engine.pagekey = fields[2];
        if (fields.GetSize() > 3) engine.perpage = LeadingInteger32(fields[3]);
        engines.push_back(std::move(engine));
    }
    return engines;
}

void LoadSearchEngines(SearchEngineList& engines) {
    LoadSearchEngines(engines, DataFilePath("SearchEngines.tab"));
}

void LoadSearchEngines(SearchEngineList& engines, const std::string& fileName) {
    engines.clear();
    CStringArrayPBEx lines;
    if (lines.ReadTextFile(fileName, true)) engines = ParseSearchEngines(lines);
}

ReferrerAnalysis AnalyseReferrer(std::string_view referrer, const SearchEngineList& engines) {
    ReferrerAnalysis result;
    if (referrer.empty() || referrer == "-") return result;
    CStringArrayPBEx pieces;
    bool split = false;
    for (const searchengine& engine : engines) {
        if (referrer.find(engine.match) == std::string_view::npos) continue;
        if (!split) {  // most referrers match no engine: cut only when one does
            pieces.Split(referrer, "?&=");
            split = true;
        }
        const std::string* phrase = ValueAfter(pieces, engine.termkey);
        if (!phrase) continue;
        result.searchTerm = PhraseFrom(*phrase);
        if (engine.pagekey.empty()) continue;
        if (const std::string* offset = ValueAfter(pieces, engine.pagekey)) {
            if (auto page = PageFrom(*offset, engine.perpage)) result.resultsPage = page;
        }
    }
    return result;
}
