#pragma once
// The PostgreSQL driver: one libpq connection behind the driver interface.
//
// Every statement goes through the extended query protocol, which runs exactly one statement,
// so a text that smuggles in a second one is refused by the server. One mutex serialises all
// use of the connection, including that of the prepared inserts and updates.
//
// PostgreSQL aborts a whole transaction on the first failing statement. Inside a transaction
// each statement therefore runs under a savepoint (sent in one round trip with the statement),
// so that a failing row is rolled back alone and the rows before it stay for the commit.
//
// Appended rows, and changes of rows addressed by a unique integer `id`, are not waited for one
// by one inside a transaction: a round trip per row would cap appends and the passes' edits far
// below what a log needs. They are checked against the column rules (PostgresRowCheck.h), which
// refuses the usual bad row on the spot, and queued in one pipeline under a savepoint, in the
// order they came. The queue is sent before any other statement and at Commit. Should the
// server still refuse a queued row, or a change find no row to change, the batch is rolled back
// to its savepoint, every other row of it is sent again, and the refusal is reported by the call
// that sent the queue: only the refused row is missing, and the caller hears of it.

#include <libpq-fe.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/PostgresRowCheck.h"

struct PGconnClose {
    void operator()(PGconn* c) const { PQfinish(c); }
};
struct PGresultClear {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PostgresResult = std::unique_ptr<PGresult, PGresultClear>;

// The prepared statements of one queued row writer (an insert, or an update by id): one row,
// and `multiRows` rows at a time.
struct PostgresRowStatements {
    std::string single;
    std::string multi;
    std::size_t multiRows = 1;
    // Updates: each row must change exactly one row of the table, or it counts as refused.
    bool changesOneRowEach = false;
};

// The column through which a table's rows are addressed for good: `id`, of an integer type, that
// a unique index or primary key covers on its own. Unlike ctid it stays put when a row changes.
struct PostgresIdKey {
    int columnNumber = 0;  // pg_attribute.attnum
    std::string typeName;
};

// The refusal of a change whose row is gone.
DbError MissingRowError();

// One statement for the server: its text and its parameters (nothing = NULL).
struct PostgresStatement {
    std::string text;
    std::vector<std::optional<std::string>> parameters;
    std::string preparedName;  // run this prepared statement instead of `text` when not empty
};

class PostgresConnection final : public DbConnection {
  public:
    PostgresConnection(std::unique_ptr<PGconn, PGconnClose> connection,
                       std::vector<std::string> secrets);
    ~PostgresConnection() override;

    void Execute(const std::string& sql) override;
    QueryResult Query(const std::string& sql) override;
    bool HasTable(const std::string& table) override;
    std::vector<std::string> TableColumns(const std::string& table) override;
    void CreateIndex(const IndexSpec& index) override;
    std::unique_ptr<DbInsert> PrepareInsert(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    std::unique_ptr<DbUpdate> PrepareUpdate(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    void Begin() override;
    void Commit() override;
    std::string SqlStringLiteral(const std::string& text) const override;
    std::string CodeMessage(std::int32_t code) const override;

    // Used by the prepared inserts and updates.
    PostgresResult Run(const PostgresStatement& statement);
    // Queues one row; `key` is the id of the row an update changes (a row changed twice in one
    // statement would take only one of the changes).
    void QueueRow(const std::shared_ptr<const PostgresRowStatements>& statements,
                  std::vector<std::optional<std::string>> parameters,
                  std::optional<std::int64_t> key);
    std::vector<PostgresColumnRule> ColumnRules(const std::string& table,
                                                const std::vector<std::string>& columns);
    // `table` as the server reads a regclass: a quoted name or an OID.
    std::optional<PostgresIdKey> IdKey(const std::string& table);
    void Deallocate(const std::string& preparedName);

  private:
    // Runs the statement, under a savepoint when a transaction is open. Throws DbError.
    PostgresResult RunLocked(const PostgresStatement& statement);
    PostgresResult RunInSavepoint(const PostgresStatement& statement);
    PostgresResult RunDirect(const PostgresStatement& statement);
    PostgresResult RunInSavepointOrDirect(const PostgresStatement& statement);
    void Prepare(const std::string& name, const std::string& text);
    std::string NewPreparedName(const char* kind);
    std::shared_ptr<PostgresRowStatements> PrepareRows(
        const char* kind, std::size_t parametersPerRow,
        const std::function<std::string(std::size_t rows)>& statementFor);
    std::optional<QueryResult> QueryWithKeys(const std::string& translated);
    std::vector<RowKey> RowKeys(const PGresult* result, Oid table);
    std::optional<PostgresIdKey> IdKeyLocked(const std::string& table);
    std::string TableName(Oid table);
    [[noreturn]] void ThrowFor(const PGresult* result);
    DbError ErrorFor(const PGresult* result);
    // The queued rows (see above).
    struct QueuedRow {
        std::shared_ptr<const PostgresRowStatements> statements;
        std::vector<std::optional<std::string>> parameters;
        std::optional<std::int64_t> key;
    };
    // Queued rows sent in one command: one row, or a run of rows of one multi-row insert.
    struct SentRows {
        std::size_t first;
        std::size_t count;
    };
    void StartBatch();
    void SendRows(std::size_t first, std::size_t count);
    void SendUnsentRowsSingly();
    bool KeyIsUnsent(std::int64_t key) const;
    // Ends the pipeline; the command and the error of the first refusal, if any. The batch's
    // savepoint is released only when nothing was refused.
    std::optional<std::pair<SentRows, DbError>> EndBatch();
    std::optional<DbError> RefusalOf(const SentRows& rows, PGresult* result);
    void FlushLocked();
    void DeallocateStale();
    bool InTransaction() const;

    std::unique_ptr<PGconn, PGconnClose> connection_;
    std::vector<std::string> secrets_;
    std::mutex mutex_;
    int preparedCount_ = 0;
    std::map<Oid, std::string> tableNames_;
    std::vector<QueuedRow> queued_;
    std::vector<SentRows> sent_;
    std::size_t unsentFrom_ = 0;
    bool batchOpen_ = false;
    std::vector<std::string> staleStatements_;  // freed once no batch needs them
};
