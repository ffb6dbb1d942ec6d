#pragma once
// The heart of an export: every kept line of the log becomes one row of `<base>_data`, numbered
// after the largest id already there, with the visitor's country and the search phrase filled
// in. The table passes that need the whole table run afterwards over the same connection.

#include <cstdint>
#include <functional>
#include <string>

#include "pipeline/IpToCountry.h"
#include "pipeline/SearchEngines.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/LineSource.h"
#include "textfiles/SpillingLineList.h"

class CADODatabase;
class ProgressChannel;

struct CoreWriterContext {
    ProgressChannel& channel;
    std::string connectionString;
    std::string base;
    bool resetTable = false;
    // The text decides whether the list is consulted at all: an empty text keeps every line.
    std::string includeExts;
    const CStringArrayPBEx& includeExtList;
    const CStringArrayPBEx& monthNames;
    // Loaded on the first export and kept by the caller for the following ones.
    CountryRangeList& countries;
    const SearchEngineList& engines;
    // Runs once every line is written and stored, over the writer's still open connection.
    std::function<void(CADODatabase& db, const SpillingLineList& badLines)> afterWrite;
};

// What one call did, for callers that report a summary.
struct CoreWriterCounts {
    std::int64_t rowsWritten = 0;
    std::int64_t malformedLines = 0;
};

// Writes the source's lines and hands over to `afterWrite`. True when the line loop and the
// hand-over ran to the end. Every failure has been shown through the channel; the rows stored
// before it stay. A source that cannot be read to its end stops the run before the passes.
bool WriteCombinedLog(CoreWriterContext& context, LineSource& source,
                      CoreWriterCounts* counts = nullptr);
// The same for lines already held whole; `lines` is emptied, its memory given back, before the
// hand-over.
bool WriteCombinedLog(CoreWriterContext& context, CStringArrayPBEx& lines,
                      CoreWriterCounts* counts = nullptr);
