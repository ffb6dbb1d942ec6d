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
// by one between Begin and Commit: they are checked against the column rules
// (PostgresRowCheck.h), which refuses the usual bad row on the spot, and queued
// (PostgresRowQueue.h). The queue is sent before any other statement and at Commit.

#include <libpq-fe.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/Driver.h"
#include "db/PostgresRowCheck.h"
#include "db/PostgresRowQueue.h"

struct PGconnClose {
    void operator()(PGconn* c) const { PQfinish(c); }
};
struct PGresultClear {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PostgresResult = std::unique_ptr<PGresult, PGresultClear>;

// A command's result that is no failure.
bool IsOk(const PGresult* result);
// The first result of the next command; the rest of its results are dropped.
PostgresResult NextResult(PGconn* connection);
// Reads up to the pipeline's sync point, which ends it.
void DrainToSync(PGconn* connection);

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
    std::unique_ptr<DbRowWalk> Walk(const std::string& sql) override;
    bool HasTable(const std::string& table) override;
    std::vector<std::string> TableColumns(const std::string& table) override;
    void CreateIndex(const IndexDefinition& index) override;
    void RefreshStatistics(const std::string& table) override;
    std::unique_ptr<DbInsert> PrepareInsert(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    std::unique_ptr<DbUpdate> PrepareUpdate(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    void UpdateRows(const std::string& table, const RowChanges& changes) override;
    void StageRows(const std::string& table, const RowChanges& changes, bool first) override;
    void Begin() override;
    void Commit() override;
    void SendCommit() override;
    std::string SqlStringLiteral(const std::string& text) const override;
    std::string CodeMessage(std::int32_t code) const override;

    // Used by the prepared inserts and updates.
    PostgresResult Run(const PostgresStatement& statement);
    // Queue one appended row (COPY text, line end included) or one change of the row with id
    // `key`; outside a transaction the row is sent at once.
    void QueueAppend(const std::shared_ptr<const PostgresRowStatements>& statements,
                     std::string_view copyLine);
    void QueueChange(const std::shared_ptr<const PostgresRowStatements>& statements,
                     std::vector<std::optional<std::string>> parameters, std::int64_t key);
    // Reports a row refused before it was queued. The rows queued before it are sent first: a
    // refusal among them comes first and is the one reported.
    [[noreturn]] void RefuseRow(DbError refusal);
    std::vector<PostgresColumnRule> ColumnRules(const std::string& table,
                                                const std::vector<std::string>& columns);
    // The columns of `table` (a quoted name) that take a value of their own when an INSERT
    // leaves them out (a default, an identity or a generated value).
    std::vector<std::string> ColumnsWithDefaults(const std::string& table);
    // `table` as the server reads a regclass: a quoted name or an OID.
    std::optional<PostgresIdKey> IdKey(const std::string& table);
    void Deallocate(const std::string& preparedName);
    std::string NewPreparedName(const char* kind);
    std::shared_ptr<PostgresRowStatements> PrepareChanges(
        std::size_t parametersPerRow,
        const std::function<std::string(std::size_t rows)>& statementFor);

    // The table a keyed query reads from, as the catalog knows it.
    struct KeyedTable {
        Oid oid = InvalidOid;
        bool partitioned = false;  // rows lie in several tables: a ctid alone is not unique
        // Looked up once for a walk, whose chunks would otherwise ask the catalog every time.
        std::optional<std::optional<PostgresIdKey>> idKey;
    };
    // Used by the walks over a cursor.
    QueryResult FetchWalk(const std::string& cursor, std::size_t maxRows,
                          const std::optional<KeyedTable>& table);
    void CloseWalk(const std::string& cursor) noexcept;

  private:
    // Runs the statement, under a savepoint when a transaction is open. Throws DbError.
    PostgresResult RunLocked(const PostgresStatement& statement);
    PostgresResult RunInSavepoint(const PostgresStatement& statement);
    PostgresResult RunDirect(const PostgresStatement& statement);
    PostgresResult RunInSavepointOrDirect(const PostgresStatement& statement);
    void Prepare(const std::string& name, const std::string& text);
    std::optional<KeyedTable> KeyableTable(const std::string& name);
    static std::string WithKeyColumns(const std::string& translated, const KeyedTable& table);
    QueryResult KeyedRows(const PGresult* result, const KeyedTable& table);
    std::vector<RowKey> RowKeys(const PGresult* result, const KeyedTable& table, int keyColumns);
    std::optional<PostgresIdKey> IdKeyLocked(const std::string& table);
    std::string TableName(Oid table);
    [[noreturn]] void ThrowFor(const PGresult* result);
    DbError ErrorFor(const PGresult* result);
    // Sends the queue when it is full, or at once outside a batch.
    void SendQueueIfDue();
    void FlushLocked();
    void DropStagedTable() noexcept;
    void CloseWalkLocked(const std::string& cursor) noexcept;
    void DeallocateStale();
    bool InTransaction() const;

    std::unique_ptr<PGconn, PGconnClose> connection_;
    std::vector<std::string> secrets_;
    std::mutex mutex_;
    int preparedCount_ = 0;
    std::map<Oid, std::string> tableNames_;
    PostgresRowQueue queue_;
    bool inBatch_ = false;                      // between Begin and Commit: rows wait in the queue
    std::vector<std::string> staleStatements_;  // freed once no queued row needs them
    // Changes set aside by StageRows for the next UpdateRows of this table and these columns.
    struct StagedRows {
        std::string table;
        std::vector<std::string> columns;
        bool byCtid = false;  // the rows are addressed by ctid, the table having no unique id
        std::size_t rows = 0;
    };
    std::optional<StagedRows> staged_;

    // The next chunk of a walk, asked for while the caller works through the chunk before it.
    struct ReadAhead {
        std::string cursor;
        bool answered = false;
        PostgresResult result;
    };
    std::optional<ReadAhead> readAhead_;
    void CollectReadAheadLocked();
    PostgresResult TakeReadAheadLocked(const std::string& cursor);
};
