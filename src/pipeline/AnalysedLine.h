#pragma once
// Everything the writer learns from one log line before it touches the database: its fields, the
// requested file, whether its extension is kept, the visitor's country, the search phrase and
// the time. Working this out needs nothing but the line and read-only lists, so it can run on
// the second processor while the first one writes the rows before it.

#include <future>
#include <string>
#include <vector>

#include "db/DateTime.h"
#include "pipeline/IpToCountry.h"
#include "pipeline/LogRecord.h"
#include "pipeline/RequestAnalysis.h"
#include "pipeline/SearchEngines.h"
#include "textfiles/LineSource.h"

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
// a second thread reads the next batch from the source and analyses it, so reading the log and
// working out its lines both hide behind the database's work. Two batches take turns, so their
// strings are allocated once. The source and the lists referred to must stay unchanged while this
// object lives; the source is only read from one thread at a time.
class LineAnalysisAhead {
  public:
    using Index = LineSource::Index;

    // Reads and analyses the first batch. Throws LineSourceError when it cannot be read.
    LineAnalysisAhead(LineSource& source, const LineAnalysisLists& lists);
    // Waits for an analysis still running: it reads the source and fills a batch.
    ~LineAnalysisAhead();
    LineAnalysisAhead(const LineAnalysisAhead&) = delete;
    LineAnalysisAhead& operator=(const LineAnalysisAhead&) = delete;

    // The analysis of line `index` (below the source's TotalLines). Lines are asked for in
    // order, each once or more. Throws LineSourceError when the batch holding the line could not
    // be read; every line before it has been answered by then.
    const AnalysedLine& At(Index index);
    // The text of the line last asked for with At, as the source delivered it.
    const std::string& Text(Index index) const;

  private:
    static constexpr std::size_t kBatchLines = 4096;

    struct Batch {
        std::vector<std::string> lines;
        std::vector<AnalysedLine> analysed;
    };

    void Fill(Batch& batch);
    void StartNext();
    static void GiveWayToTheWriter();

    LineSource& source_;
    const LineAnalysisLists lists_;
    const Index total_;
    Batch current_;
    Batch next_;
    Index first_ = 0;            // the line at current_.lines[0]
    std::future<void> pending_;  // fills next_
};
