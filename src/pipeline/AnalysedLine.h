#pragma once
// Everything the writer learns from one log line before it touches the database: its fields, the
// requested file, whether its extension is kept, the visitor's country, the search phrase and
// the time. Working this out needs nothing but the line and read-only lists, so it can run on
// the second processor while the first one writes the rows before it.

#include <future>
#include <string>
#include <vector>

#include "db/DateTime.h"
#include "passes/IpToCountry.h"
#include "passes/SearchEngines.h"
#include "pipeline/LogRecord.h"
#include "pipeline/RequestAnalysis.h"

// The read-only lists a line is analysed against.
struct LineAnalysisLists {
    std::string includeExts;
    const CStringArrayPBEx& includeExtList;
    const CStringArrayPBEx& monthNames;
    const CountryRangeList& countries;
    const SearchEngineList& engines;
};

struct AnalysedLine {
    LogRecord record;
    RequestFile file;
    bool included = false;
    // Only filled in for lines that are kept.
    std::string country;
    ReferrerAnalysis search;
    DateTime when;
};

// Fills `out` in place, so that its strings keep their memory from one line to the next.
void AnalyseLine(const std::string& line, const LineAnalysisLists& lists, AnalysedLine& out);

// The lines analysed a batch ahead of the caller: while the caller stores the rows of one batch,
// a second thread analyses the next. Two batches take turns, so their strings are allocated
// once. The lines and the lists referred to must stay unchanged while this object lives.
class LineAnalysisAhead {
  public:
    LineAnalysisAhead(const CStringArrayPBEx& lines, const LineAnalysisLists& lists);
    // Waits for an analysis still running: it reads the lines and fills a batch.
    ~LineAnalysisAhead();
    LineAnalysisAhead(const LineAnalysisAhead&) = delete;
    LineAnalysisAhead& operator=(const LineAnalysisAhead&) = delete;

    // The analysis of line `index`. Lines are asked for in order, each once or more.
    const AnalysedLine& At(CStringArrayPBEx::Index index);

  private:
    static constexpr CStringArrayPBEx::Index kBatchLines = 4096;

    void Analyse(std::vector<AnalysedLine>& batch, CStringArrayPBEx::Index first) const;
    void StartAfter(CStringArrayPBEx::Index first);

    const CStringArrayPBEx& lines_;
    const LineAnalysisLists lists_;
    std::vector<AnalysedLine> current_;
    std::vector<AnalysedLine> next_;
    CStringArrayPBEx::Index first_ = 0;  // the line at current_[0]
    std::future<void> pending_;          // fills next_
};
