#pragma once
// The terminal program run on a generated log, in a folder of its own (settings, data files,
// logs), and what the tests read back from the tables it leaves behind.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/TerminalRun.h"
#include "support/TestSupport.h"

class ExportSandbox {
  public:
    ExportSandbox();

    // A log of `lines` generated lines (the same ones for the same count and seed).
    std::string MakeLog(const std::string& name, int lines, std::uint64_t seed = 20240301) const;

    // `kestrelport export` of `log` into `<base>_data`, every line kept, so that rows and lines
    // correspond one to one. `watch` as in TerminalRunRequest.
    TerminalRunResult Export(const std::string& log, const std::string& connection,
                             const std::string& base, bool reset,
                             TerminalRunRequest::Watch watch = {}) const;

    std::string File(const std::string& name) const { return dir.File(name); }

  private:
    TempDir dir;
};

// A SQLite connection string for a file.
std::string SqliteConnection(const std::string& file);
// A table name of its own on the shared PostgreSQL server, where other test programs run too.
std::string UniqueBase(const std::string& stem);
void DropTable(const std::string& connection, const std::string& base);

struct IdRange {
    std::int64_t count = 0, lowest = 0, highest = 0;
    // 1..N: rows are stored in line order and a failure keeps a prefix, so no id is missing.
    bool Gapless() const { return count == 0 || (lowest == 1 && highest == count); }
};
IdRange Ids(const std::string& connection, const std::string& base);

// What the table passes filled in, as texts to compare between runs: each row's IsSpider in id
// order, then SessionID and PageTimeSecs for each group of rows of one visitor at one time. The
// session pass walks such rows in no fixed order, so which of them gets which page time is not
// fixed either; their values are compared as a group.
std::vector<std::string> PassResults(const std::string& connection, const std::string& base);

struct SessionFacts {
    std::int64_t numbered = 0;  // page hits with a SessionID
    std::int64_t pageHits = 0;
    std::int64_t splitVisitors = 0;  // visitors with some page hits numbered and some not
};
// Page hits as the export's default page-hit extensions define them.
SessionFacts Sessions(const std::string& connection, const std::string& base);

// "ok" for a sound SQLite file, otherwise SQLite's list of what is wrong.
std::string SqliteIntegrity(const std::string& file);

// The count of "Processed %d of %d records" in a writer's failure message.
std::optional<std::int64_t> ProcessedLines(const std::string& message);

// Steps of an export as its status line shows them, for tests that strike in the middle of one.
// A third into the write.
bool Writing(const std::string& statusLine);
bool MarkingSpiders(const std::string& statusLine);
// Near the end of the walk: the pass then stores the sessions.
bool StoringSessions(const std::string& statusLine);
