#pragma once
// The row writes of an open transaction, held back and sent many at a time: appended rows as
// COPY data, changes of rows keyed by id as multi-row UPDATE statements in one pipeline. A round
// trip per row would cap an export far below what a log needs.
//
// Callers are promised what writing row by row would give them: when the server refuses a row,
// every row queued before it is stored and the refused row and every row queued after it are not,
// and the refusal says how many rows that was (DbError::UnstoredRows). The queue is sent as one
// unit that is committed whole or not at all (a COPY on its own is one), so a batch of appended
// rows costs two round trips; after a refusal the queue finds the refused row by sending ever
// shorter prefixes of the batch, a few more.
//
// A batch that is one COPY may also be sent without waiting for the server's answer (Send): the
// server commits it on its own once the data has arrived, and the caller formats its next rows
// meanwhile instead of idling through the server's work. The answer is read before anything
// else goes over the connection.

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbError.h"

// How the rows of one writer travel.
struct PostgresRowStatements {
    // Appends: "COPY <table> (<columns>) FROM STDIN". Writers whose rows have the same columns
    // share one COPY.
    std::string copyCommand;
    // The rows' data is in COPY's binary format: a header goes before it and a trailer after.
    bool binaryCopy = false;
    // Changes by id: the prepared statements for one row and for `multiRows` rows at once. Each
    // row must change exactly one row of the table, or it counts as refused.
    std::string single;
    std::string multi;
    std::size_t multiRows = 1;
};

class PostgresRowQueue {
  public:
    using ErrorFor = std::function<DbError(const PGresult*)>;

    PostgresRowQueue(PGconn* connection, ErrorFor errorFor);

    // No rows queued and no answer outstanding.
    bool Empty() const { return rows_.empty() && !copyInFlight_; }
    // True once the queue holds enough to be sent.
    bool Full() const;

    // `copyLine`: the row in the COPY's format (PostgresCopyRow.h).
    void AddAppend(std::shared_ptr<const PostgresRowStatements> statements,
                   std::string_view copyLine);
    // `parameters`: the new values, then the id of the row to change.
    void AddChange(std::shared_ptr<const PostgresRowStatements> statements,
                   std::vector<std::optional<std::string>> parameters, std::int64_t key);
    // Whether a change of the row with this id waits in the queue.
    bool HasChangeOf(std::int64_t key) const;

    // Sends and commits every queued row and empties the queue. Throws DbError for the first row
    // the server refuses, with UnstoredRows set (see above).
    void Flush();
    // Like Flush, except that a queue that is one COPY outside a transaction is only sent. A
    // refusal of its rows is thrown by the next Flush, Send or Settle, counted together with every
    // row queued after them: none of those is stored.
    void Send();
    // Reads the answer to a COPY sent by Send; the connection is then free for other commands.
    // Throws like Flush.
    void Settle();

  private:
    struct Row {
        std::shared_ptr<const PostgresRowStatements> statements;
        // Appends: the row's bytes in copyData_.
        std::size_t copyBegin = 0;
        std::size_t copyEnd = 0;
        // Changes.
        std::vector<std::optional<std::string>> parameters;
        std::optional<std::int64_t> key;

        bool IsAppend() const { return key == std::nullopt; }
    };

    // Sends the whole queue; throws for the first refused row.
    void SendAll();
    // The whole queue was refused with `refusal`: finds the refused row and throws.
    [[noreturn]] void ThrowRefusedRow(DbError refusal);
    std::optional<DbError> SendAtomically(std::size_t first, std::size_t last);
    bool IsOneCopy(std::size_t first, std::size_t last) const;
    // Sends rows [first, last); the first refusal, if any.
    std::optional<DbError> Send(std::size_t first, std::size_t last);
    std::optional<DbError> SendAppends(std::size_t first, std::size_t last);
    // Starts a COPY of rows [first, last) and sends their data; the failure to start it, if any.
    std::optional<DbError> StartCopy(std::size_t first, std::size_t last);
    // The outcome of the COPY whose data was sent last.
    std::optional<DbError> FinishCopy();
    std::optional<DbError> SendChanges(std::size_t first, std::size_t last);
    bool SameCopy(const Row& a, const Row& b) const;
    void Run(const char* command);
    void ThrowIfConnectionLost();
    void Clear();

    PGconn* connection_;
    ErrorFor errorFor_;
    std::vector<Row> rows_;
    std::string copyData_;
    // The rows of a COPY sent by Send whose answer has not been read.
    bool copyInFlight_ = false;
    std::vector<Row> inFlightRows_;
    std::string inFlightCopyData_;
};
