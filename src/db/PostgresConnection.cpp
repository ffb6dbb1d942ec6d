#include "db/PostgresConnection.h"

#include <cstdlib>
#include <string_view>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/DbSession.h"
#include "db/PostgresConnectionOptions.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresValues.h"
#include "db/SqlLiteral.h"
#include "textfiles/AsciiText.h"

namespace {

const char* const kSource = "PostgreSQL";
const char* const kSavepoint = "SAVEPOINT kp_row";
const char* const kReleaseSavepoint = "RELEASE SAVEPOINT kp_row";
const char* const kRollbackToSavepoint = "ROLLBACK TO SAVEPOINT kp_row; RELEASE SAVEPOINT kp_row";
// The hidden first columns through which a query's rows carry their keys.
const char* const kKeyColumns = " ctid AS kp_row_key,";
const char* const kPartitionKeyColumns = " ctid AS kp_row_key, tableoid AS kp_row_table,";

// The code of a failure libpq noticed before any server error (a lost connection, say).
std::int32_t ClientFailureCode(PGconn* c) {
    return *PackSqlState(PQstatus(c) == CONNECTION_BAD ? kSqlStateConnectionLost
                                                       : kSqlStateUnknown);
}

std::int32_t ConnectFailureCode(const std::string& message) {
    if (message.find("password authentication failed") != std::string::npos)
        return *PackSqlState("28P01");
    if (message.find("database \"") != std::string::npos &&
        message.find("does not exist") != std::string::npos)
        return *PackSqlState("3D000");
    return *PackSqlState(kSqlStateConnectionFailed);
}

struct ParameterArrays {
    std::vector<const char*> values;
    explicit ParameterArrays(const std::vector<std::optional<std::string>>& parameters) {
        values.reserve(parameters.size());
        for (const auto& p : parameters) values.push_back(p ? p->c_str() : nullptr);
    }
    int Count() const { return static_cast<int>(values.size()); }
};

QueryResult ReadRows(const PGresult* r, int firstColumn) {
    QueryResult result;
    result.hasRows = PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!result.hasRows) return result;
    const int columns = PQnfields(r), rows = PQntuples(r);
    for (int c = firstColumn; c < columns; ++c) result.columns.emplace_back(PQfname(r, c));
    result.rows = RowBlock(result.columns.size());
    for (int row = 0; row < rows; ++row) {
        for (int c = firstColumn; c < columns; ++c)
            result.rows.Append(FromPostgresField(r, row, c));
    }
    return result;
}

// The column a refused value was meant for. The server names it in a field of its own for some
// refusals, and for a value of COPY data only in the error's context ("COPY t, line 3, column
// extension: …").
std::string ColumnOf(const PGresult* r) {
    if (const char* column = PQresultErrorField(r, PG_DIAG_COLUMN_NAME)) return column;
    const char* context = PQresultErrorField(r, PG_DIAG_CONTEXT);
    if (!context) return {};
    const std::string_view text(context);
    const std::size_t at = text.find(", column ");
    if (text.rfind("COPY ", 0) != 0 || at == std::string_view::npos) return {};
    const std::string_view rest = text.substr(at + 9);
    return std::string(rest.substr(0, rest.find(':')));
}

bool IsTrue(const PGresult* r, int row, int column) {
    return std::string_view(PQgetvalue(r, row, column)) == "t";
}

}  // namespace

bool IsOk(const PGresult* r) {
    const auto status = PQresultStatus(r);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

PostgresResult NextResult(PGconn* c) {
    PostgresResult first;
    while (PGresult* r = PQgetResult(c)) {
        if (!first)
            first.reset(r);
        else
            PQclear(r);
    }
    return first;
}

void DrainToSync(PGconn* c) {
    while (PGresult* r = PQgetResult(c)) {
        const bool isSync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
        PQclear(r);
        if (isSync || PQstatus(c) == CONNECTION_BAD) break;
    }
}

PostgresConnection::PostgresConnection(std::unique_ptr<PGconn, PGconnClose> connection,
                                       std::vector<std::string> secrets)
    : connection_(std::move(connection)),
      secrets_(std::move(secrets)),
      queue_(connection_.get(), [this](const PGresult* r) { return ErrorFor(r); }) {}

PostgresConnection::~PostgresConnection() {
    CollectReadAheadLocked();
    // The owner confirms its last commit (see DbSession); this only keeps a refusal from going
    // unheard when it did not.
    try {
        queue_.Settle();
    } catch (const DbError& error) {
        ReportFailureNobodyHeard("storing the last rows", error.what());
    }
}

bool PostgresConnection::InTransaction() const {
    return PQtransactionStatus(connection_.get()) != PQTRANS_IDLE;
}

void PostgresConnection::ThrowFor(const PGresult* r) {
    throw ErrorFor(r);
}

DbError PostgresConnection::ErrorFor(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const auto packed = state ? PackSqlState(state) : std::nullopt;
    std::string text;
    if (const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr) {
        text = primary;
        if (const std::string column = ColumnOf(r);
            !column.empty() && text.find('"' + column + '"') == std::string::npos)
            text += " (column \"" + column + "\")";
        if (const char* detail = PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL))
            text += std::string("\n") + detail;
    } else {
        text = TrimAsciiEnd(PQerrorMessage(connection_.get()));
    }
    return DbError(packed ? *packed : ClientFailureCode(connection_.get()), kSource,
                   ScrubSecrets(text, secrets_));
}

PostgresResult PostgresConnection::RunDirect(const PostgresStatement& s) {
    const ParameterArrays p(s.parameters);
    PostgresResult r(s.preparedName.empty()
                         ? PQexecParams(connection_.get(), s.text.c_str(), p.Count(), nullptr,
                                        p.values.data(), nullptr, nullptr, 0)
                         : PQexecPrepared(connection_.get(), s.preparedName.c_str(), p.Count(),
                                          p.values.data(), nullptr, nullptr, 0));
    if (!r || !IsOk(r.get())) ThrowFor(r.get());
    return r;
}

// SAVEPOINT, the statement and RELEASE go out together in one pipeline: a row costs one round
// trip, and a failing one is rolled back to the savepoint without touching the rows before it.
PostgresResult PostgresConnection::RunInSavepoint(const PostgresStatement& s) {
    PGconn* c = connection_.get();
    const ParameterArrays p(s.parameters);
    if (!PQenterPipelineMode(c)) ThrowFor(nullptr);
    const bool sent =
        PQsendQueryParams(c, kSavepoint, 0, nullptr, nullptr, nullptr, nullptr, 0) &&
        (s.preparedName.empty() ? PQsendQueryParams(c, s.text.c_str(), p.Count(), nullptr,
                                                    p.values.data(), nullptr, nullptr, 0)
                                : PQsendQueryPrepared(c, s.preparedName.c_str(), p.Count(),
                                                      p.values.data(), nullptr, nullptr, 0)) &&
        PQsendQueryParams(c, kReleaseSavepoint, 0, nullptr, nullptr, nullptr, nullptr, 0) &&
        PQpipelineSync(c);
    PostgresResult results[3];
    if (sent) {
        for (auto& result : results) result = NextResult(c);
        DrainToSync(c);
    }
    PQexitPipelineMode(c);
    if (!sent) ThrowFor(nullptr);
    if (!results[0] || !IsOk(results[0].get())) ThrowFor(results[0].get());
    if (!results[1] || !IsOk(results[1].get())) {
        PostgresResult undo(PQexec(c, kRollbackToSavepoint));
        ThrowFor(results[1].get());
    }
    if (!results[2] || !IsOk(results[2].get())) ThrowFor(results[2].get());
    return std::move(results[1]);
}

PostgresResult PostgresConnection::RunInSavepointOrDirect(const PostgresStatement& s) {
    return InTransaction() ? RunInSavepoint(s) : RunDirect(s);
}

PostgresResult PostgresConnection::RunLocked(const PostgresStatement& s) {
    FlushLocked();
    return RunInSavepointOrDirect(s);
}

void PostgresConnection::FlushLocked() {
    CollectReadAheadLocked();
    try {
        queue_.Flush();
    } catch (const DbError&) {
        DeallocateStale();
        throw;
    }
    DeallocateStale();
}

void PostgresConnection::SendQueueIfDue() {
    // Outside a batch a row is stored, or refused, by the call itself.
    if (!inBatch_ || queue_.Full()) FlushLocked();
}

void PostgresConnection::QueueAppend(const std::shared_ptr<const PostgresRowStatements>& statements,
                                     std::string_view copyLine) {
    std::lock_guard lock(mutex_);
    queue_.AddAppend(statements, copyLine);
    SendQueueIfDue();
}

void PostgresConnection::QueueChange(const std::shared_ptr<const PostgresRowStatements>& statements,
                                     std::vector<std::optional<std::string>> parameters,
                                     std::int64_t key) {
    std::lock_guard lock(mutex_);
    queue_.AddChange(statements, std::move(parameters), key);
    SendQueueIfDue();
}

void PostgresConnection::RefuseRow(DbError refusal) {
    std::lock_guard lock(mutex_);
    try {
        FlushLocked();
    } catch (DbError& earlier) {
        // The refused row was handed over after the rows of the earlier refusal.
        earlier.SetUnstoredRows(earlier.UnstoredRows().value_or(0) + 1);
        throw;
    }
    refusal.SetUnstoredRows(1);
    throw refusal;
}

PostgresResult PostgresConnection::Run(const PostgresStatement& s) {
    std::lock_guard lock(mutex_);
    return RunLocked(s);
}

void PostgresConnection::Prepare(const std::string& name, const std::string& text) {
    std::lock_guard lock(mutex_);
    FlushLocked();
    if (InTransaction()) {
        // A failing prepare would abort the transaction like a failing statement.
        RunInSavepoint({"PREPARE " + name + " AS " + text, {}, {}});
        return;
    }
    PostgresResult r(PQprepare(connection_.get(), name.c_str(), text.c_str(), 0, nullptr));
    if (!r || !IsOk(r.get())) ThrowFor(r.get());
}

void PostgresConnection::Deallocate(const std::string& preparedName) {
    std::lock_guard lock(mutex_);
    // Queued rows may still use the statement; it goes with the next sending of the queue.
    staleStatements_.push_back(preparedName);
    if (!queue_.Empty()) return;
    CollectReadAheadLocked();
    DeallocateStale();
}

void PostgresConnection::DeallocateStale() {
    for (const auto& name : staleStatements_) {
        try {
            RunInSavepointOrDirect({"DEALLOCATE " + name, {}, {}});
        } catch (const DbError&) {
            // A lost connection has no prepared statements left to free.
        }
    }
    staleStatements_.clear();
}

std::string PostgresConnection::NewPreparedName(const char* kind) {
    std::lock_guard lock(mutex_);
    return std::string("kp_") + kind + "_" + std::to_string(++preparedCount_);
}

void PostgresConnection::Execute(const std::string& sql) {
    Run({TranslateStatement(sql), {}, {}});
}

std::string PostgresConnection::TableName(Oid table) {
    if (auto it = tableNames_.find(table); it != tableNames_.end()) return it->second;
    PostgresResult r = RunLocked(
        {"SELECT relname FROM pg_catalog.pg_class WHERE oid = $1", {std::to_string(table)}, {}});
    std::string name = PQntuples(r.get()) == 1 ? PQgetvalue(r.get(), 0, 0) : "";
    tableNames_[table] = name;
    return name;
}

// Only ordinary and partitioned tables have row addresses; views and the like are read as
// they are.
std::optional<PostgresConnection::KeyedTable> PostgresConnection::KeyableTable(
    const std::string& name) {
    PostgresResult r = RunLocked(
        {"SELECT oid, relkind = 'p' OR relhassubclass FROM pg_catalog.pg_class WHERE oid = "
         "to_regclass($1) AND relkind IN ('r', 'p')",
         {name},
         {}});
    if (PQntuples(r.get()) != 1) return std::nullopt;
    return KeyedTable{static_cast<Oid>(std::strtoul(PQgetvalue(r.get(), 0, 0), nullptr, 10)),
                      IsTrue(r.get(), 0, 1), std::nullopt};
}

// The rows of a plain one-table SELECT carry their row address in hidden first columns.
std::string PostgresConnection::WithKeyColumns(const std::string& translated,
                                               const KeyedTable& table) {
    const char* hidden = table.partitioned ? kPartitionKeyColumns : kKeyColumns;
    const std::size_t select = translated.find_first_not_of(" \t\r\n") + 6;
    return translated.substr(0, select) + hidden + translated.substr(select);
}

QueryResult PostgresConnection::KeyedRows(const PGresult* r, const KeyedTable& table) {
    const int keyColumns = table.partitioned ? 2 : 1;
    QueryResult result = ReadRows(r, keyColumns);
    for (int c = keyColumns; c < PQnfields(r); ++c)
        if (PQftable(r, c) != table.oid) return result;
    result.keyTable = TableName(table.oid);
    result.keys = RowKeys(r, table, keyColumns);
    return result;
}

// Rows are addressed by their id when the query fetched the table's id key. Otherwise, and where
// an id is NULL (as a unique index allows), by their ctid, which in a partitioned table only
// holds together with the partition's oid (RowKey::number).
std::vector<RowKey> PostgresConnection::RowKeys(const PGresult* r, const KeyedTable& table,
                                                int keyColumns) {
    int idColumn = -1;
    if (const auto idKey = table.idKey ? *table.idKey : IdKeyLocked(std::to_string(table.oid))) {
        for (int c = keyColumns; c < PQnfields(r) && idColumn < 0; ++c)
            if (PQftablecol(r, c) == idKey->columnNumber) idColumn = c;
    }
    std::vector<RowKey> keys;
    keys.reserve(static_cast<std::size_t>(PQntuples(r)));
    for (int row = 0; row < PQntuples(r); ++row) {
        if (idColumn >= 0 && !PQgetisnull(r, row, idColumn))
            keys.push_back({std::strtoll(PQgetvalue(r, row, idColumn), nullptr, 10), {}});
        else if (table.partitioned)
            keys.push_back(
                {std::strtoll(PQgetvalue(r, row, 1), nullptr, 10), PQgetvalue(r, row, 0)});
        else
            keys.push_back({0, PQgetvalue(r, row, 0)});
    }
    return keys;
}

QueryResult PostgresConnection::Query(const std::string& sql) {
    const std::string translated = TranslateStatement(sql);
    std::lock_guard lock(mutex_);
    if (const auto name = SingleTableOfSelect(translated)) {
        if (const auto table = KeyableTable(*name)) {
            PostgresResult r = RunLocked({WithKeyColumns(translated, *table), {}, {}});
            return KeyedRows(r.get(), *table);
        }
    }
    PostgresResult r = RunLocked({translated, {}, {}});
    return ReadRows(r.get(), 0);
}

namespace {

// The rows stay on the server, in a cursor, and come over a chunk at a time.
class PostgresRowWalk final : public DbRowWalk {
  public:
    PostgresRowWalk(PostgresConnection& connection, std::string cursor,
                    std::optional<PostgresConnection::KeyedTable> table, std::int64_t rows)
        : connection_(connection), cursor_(std::move(cursor)), table_(table), rows_(rows) {}
    ~PostgresRowWalk() override { connection_.CloseWalk(cursor_); }
    QueryResult Next(std::size_t maxRows) override {
        return connection_.FetchWalk(cursor_, maxRows, table_);
    }
    std::int64_t RowCount() const override { return rows_; }

  private:
    PostgresConnection& connection_;
    std::string cursor_;
    std::optional<PostgresConnection::KeyedTable> table_;
    std::int64_t rows_;
};

}  // namespace

// A cursor WITH HOLD, declared outside any transaction: the server runs the query to its end at
// once and keeps the rows (on disk beyond work_mem) until the cursor is closed or the
// connection ends. Whatever commits while the walk goes on (the session pass stores its numbers
// batch by batch) neither ends the cursor nor changes its rows, and the one connection serves
// both. Rejected: libpq's single-row mode holds the connection until the last row is read, so
// nothing could be stored meanwhile; a second connection would need the credentials kept and
// doubles what a connection costs the server; paging by the ORDER BY's own columns sorts the
// whole table once per page. The kept rows are counted by moving over them and back, which
// spares the caller a query of its own for the count (a second scan of the table).
std::unique_ptr<DbRowWalk> PostgresConnection::Walk(const std::string& sql) {
    const std::string translated = TranslateStatement(sql);
    std::lock_guard lock(mutex_);
    std::optional<KeyedTable> table;
    if (const auto name = SingleTableOfSelect(translated)) table = KeyableTable(*name);
    if (table) table->idKey = IdKeyLocked(std::to_string(table->oid));
    std::string cursor = "kp_walk_" + std::to_string(++preparedCount_);
    RunLocked({"DECLARE " + cursor + " SCROLL CURSOR WITH HOLD FOR " +
                   (table ? WithKeyColumns(translated, *table) : translated),
               {},
               {}});
    try {
        PostgresResult moved = RunLocked({"MOVE FORWARD ALL IN " + cursor, {}, {}});
        const std::int64_t rows = std::strtoll(PQcmdTuples(moved.get()), nullptr, 10);
        RunLocked({"MOVE ABSOLUTE 0 IN " + cursor, {}, {}});
        return std::make_unique<PostgresRowWalk>(*this, std::move(cursor), table, rows);
    } catch (const DbError&) {
        CloseWalkLocked(cursor);
        throw;
    }
}

QueryResult PostgresConnection::FetchWalk(const std::string& cursor, std::size_t maxRows,
                                          const std::optional<KeyedTable>& table) {
    std::lock_guard lock(mutex_);
    const std::string fetch = "FETCH FORWARD " + std::to_string(maxRows) + " FROM " + cursor;
    PostgresResult r = TakeReadAheadLocked(cursor);
    if (!r) r = RunLocked({fetch, {}, {}});
    // A full chunk may have more behind it: the server reads the next one while this one is
    // taken apart and walked (the session pass spends as long on a chunk as the server takes to
    // send it). Anything else sent over the connection first collects that answer (FlushLocked).
    if (static_cast<std::size_t>(PQntuples(r.get())) == maxRows && !readAhead_ && queue_.Empty() &&
        PQsendQueryParams(connection_.get(), fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr,
                          0))
        readAhead_ = ReadAhead{cursor, false, {}};
    return table ? KeyedRows(r.get(), *table) : ReadRows(r.get(), 0);
}

void PostgresConnection::CollectReadAheadLocked() {
    if (!readAhead_ || readAhead_->answered) return;
    readAhead_->result = NextResult(connection_.get());
    readAhead_->answered = true;
}

// The chunk read ahead for `cursor`, or nothing when none was.
PostgresResult PostgresConnection::TakeReadAheadLocked(const std::string& cursor) {
    CollectReadAheadLocked();
    if (!readAhead_ || readAhead_->cursor != cursor) return {};
    PostgresResult r = std::move(readAhead_->result);
    readAhead_.reset();
    if (!r || !IsOk(r.get())) ThrowFor(r.get());
    return r;
}

void PostgresConnection::CloseWalk(const std::string& cursor) noexcept {
    std::lock_guard lock(mutex_);
    CloseWalkLocked(cursor);
}

void PostgresConnection::CloseWalkLocked(const std::string& cursor) noexcept {
    CollectReadAheadLocked();
    if (readAhead_ && readAhead_->cursor == cursor) readAhead_.reset();
    try {
        RunLocked({"CLOSE " + cursor, {}, {}});
    } catch (const DbError&) {
        // A lost connection took the cursor with it.
    }
}

// A batch needs no transaction on the server: the queue commits what it sends (see
// PostgresRowQueue.h), which saves the round trips of BEGIN and COMMIT at every commit of the
// caller.
void PostgresConnection::Begin() {
    std::lock_guard lock(mutex_);
    inBatch_ = true;
}

void PostgresConnection::Commit() {
    std::lock_guard lock(mutex_);
    inBatch_ = false;
    FlushLocked();
}

void PostgresConnection::SendCommit() {
    std::lock_guard lock(mutex_);
    inBatch_ = false;
    CollectReadAheadLocked();
    // Statements waiting to be dropped would have to wait for the answer first.
    if (!staleStatements_.empty()) {
        FlushLocked();
        return;
    }
    queue_.Send();
}

// A literal of the program's SQL, like every other text of a statement: the translation encodes
// its bytes once, the way a parameter's are stored.
std::string PostgresConnection::SqlStringLiteral(const std::string& text) const {
    return StatementTextLiteral(text);
}

std::string PostgresConnection::CodeMessage(std::int32_t code) const {
    return PostgresCodeMessage(code);
}

std::string PostgresCodeMessage(std::int32_t code) {
    return PostgresCodeMeaning(code).value_or("");
}

namespace {

std::unique_ptr<DbConnection> ConnectWith(const PostgresConnectionOptions& options) {
    std::vector<const char*> keywords, values;
    for (const auto& [keyword, value] : options.keywords) {
        keywords.push_back(keyword.c_str());
        values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    std::unique_ptr<PGconn, PGconnClose> connection(
        PQconnectdbParams(keywords.data(), values.data(), options.uriIndex >= 0 ? 1 : 0));
    if (!connection) throw DbError(*PackSqlState("53200"), kSource, "Out of memory");
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        const std::string why(TrimAsciiEnd(PQerrorMessage(connection.get())));
        throw DbError(
            ConnectFailureCode(why), kSource,
            "Cannot connect to the PostgreSQL server: " + ScrubSecrets(why, options.secrets));
    }
    // The server's notices ("…does not exist, skipping") are for people typing statements; the
    // program says itself what went wrong, and a terminal run would be littered with them.
    PQsetNoticeProcessor(
        connection.get(), [](void*, const char*) {}, nullptr);
    return std::make_unique<PostgresConnection>(std::move(connection), options.secrets);
}

}  // namespace

std::unique_ptr<DbConnection> OpenPostgresConnection(const ConnectionString& settings) {
    return ConnectWith(MakePostgresConnectionOptions(settings));
}

std::unique_ptr<DbConnection> OpenPostgresUri(const std::string& uri) {
    return ConnectWith(MakePostgresConnectionOptions(uri));
}

std::optional<PostgresIdKey> PostgresConnection::IdKey(const std::string& table) {
    std::lock_guard lock(mutex_);
    return IdKeyLocked(table);
}

std::optional<PostgresIdKey> PostgresConnection::IdKeyLocked(const std::string& table) {
    // Partial and expression indexes do not make a column unique; nor does a unique index over
    // more columns than this one.
    PostgresResult r = RunLocked(
        {"SELECT a.attnum, pg_catalog.format_type(a.atttypid, NULL) FROM pg_catalog.pg_index i "
         "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
         "WHERE i.indrelid = $1::regclass AND i.indisunique AND i.indisvalid AND "
         "i.indnkeyatts = 1 AND i.indpred IS NULL AND i.indexprs IS NULL AND a.attname = 'id' "
         "AND a.atttypid IN (20, 21, 23) LIMIT 1",
         {table},
         {}});
    if (PQntuples(r.get()) != 1) return std::nullopt;
    return PostgresIdKey{std::stoi(PQgetvalue(r.get(), 0, 0)), PQgetvalue(r.get(), 0, 1)};
}

std::vector<std::string> PostgresConnection::ColumnsWithDefaults(const std::string& table) {
    PostgresResult r =
        Run({"SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = "
             "to_regclass($1) AND attnum > 0 AND NOT attisdropped AND (atthasdef "
             "OR attidentity <> '' OR attgenerated <> '')",
             {table},
             {}});
    std::vector<std::string> columns;
    for (int row = 0; row < PQntuples(r.get()); ++row)
        columns.emplace_back(PQgetvalue(r.get(), row, 0));
    return columns;
}

DbError MissingRowError() {
    return DbError(*PackSqlState("02000"), kSource, "the row to update no longer exists");
}

std::vector<PostgresColumnRule> PostgresConnection::ColumnRules(
    const std::string& table, const std::vector<std::string>& columns) {
    PostgresResult r =
        Run({"SELECT attname, attnotnull, atttypid, CASE WHEN atttypid = 1043 AND atttypmod >= 4 "
             "THEN atttypmod - 4 ELSE -1 END, pg_catalog.format_type(atttypid, NULL) FROM "
             "pg_catalog.pg_attribute WHERE attrelid = "
             "to_regclass($1) AND attnum > 0 AND NOT attisdropped",
             {PostgresIdentifier(table)},
             {}});
    std::vector<PostgresColumnRule> rules;
    for (const auto& column : columns) {
        PostgresColumnRule rule;
        rule.name = FoldIdentifier(column);
        for (int row = 0; row < PQntuples(r.get()); ++row) {
            if (rule.name != PQgetvalue(r.get(), row, 0)) continue;
            rule.notNull = std::string_view(PQgetvalue(r.get(), row, 1)) == "t";
            rule.typeOid = static_cast<unsigned>(std::stoul(PQgetvalue(r.get(), row, 2)));
            rule.maxCharacters = std::stoi(PQgetvalue(r.get(), row, 3));
            rule.typeName = PQgetvalue(r.get(), row, 4);
        }
        rules.push_back(rule);
    }
    return rules;
}
