#pragma once
// Groups the page hits of `<base>_data` that have no session yet into visitor sessions
// (SessionID) and gives each page hit followed by another of its session the seconds until
// that next hit (PageTimeSecs).

#include <cstddef>
#include <functional>
#include <string>

class CADODatabase;
class CStringArrayPBEx;
class ProgressChannel;

// How much of the table the pass holds in memory at once. The page hits are read a chunk at a
// time, and their numbers are stored a batch at a time (about 80 bytes a row, and on PostgreSQL
// as much again while a batch is sent), each batch ending where a visitor's rows end. A table
// with more page hits than one batch has its batches set aside in the database and stored
// together (BatchUpdate::Stage), so the batch's size costs little time: a million lines took as
// long with 250,000 as with 500,000, while ten million peaked at 199 MiB instead of 238 MiB.
struct SessionPassMemory {
    std::size_t rowsPerChunk = 10'000;
    std::size_t rowsPerBatch = 250'000;
};

// Failures are reported through the channel's message box; the pass never throws.
// `beforeStoring`, when given, is called once the numbers are known and before the table is
// changed: a pass running beside another one waits there for its turn to write.
void CreateSessionIdAndTime(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                            const CStringArrayPBEx& pageHitExtList,
                            const SessionPassMemory& memory = {},
                            const std::function<void()>& beforeStoring = {});
