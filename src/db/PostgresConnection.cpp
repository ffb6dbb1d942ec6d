#include "db/PostgresConnection.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/PostgresConnectionOptions.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresValues.h"
#include "db/SqlLiteral.h"

namespace {

const char* const kSource = "PostgreSQL";
const char* const kSavepoint = "SAVEPOINT kp_row";
const char* const kReleaseSavepoint = "RELEASE SAVEPOINT kp_row";
const char* const kRollbackToSavepoint = "ROLLBACK TO SAVEPOINT kp_row; RELEASE SAVEPOINT kp_row";
const char* const kBatchSavepoint = "SAVEPOINT kp_batch";
const char* const kReleaseBatchSavepoint = "RELEASE SAVEPOINT kp_batch";
const char* const kRollbackToBatchSavepoint =
    "ROLLBACK TO SAVEPOINT kp_batch; RELEASE SAVEPOINT kp_batch";
constexpr std::size_t kMaxQueuedRows = 1000;
// The hidden first column through which a query's rows carry their keys.
const char* const kKeyColumn = "kp_row_key";

std::string TrimEnd(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

bool IsOk(const PGresult* r) {
    const auto status = PQresultStatus(r);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

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

bool StartsWithSelect(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (sql.size() - i < 7) return false;
    std::string word = sql.substr(i, 6);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "select" && std::isspace(static_cast<unsigned char>(sql[i + 6]));
}

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

// The first result of the next command of a pipeline; the rest of its results are dropped.
PostgresResult NextPipelineResult(PGconn* c) {
    PostgresResult first;
    while (PGresult* r = PQgetResult(c)) {
        if (!first)
            first.reset(r);
        else
            PQclear(r);
    }
    return first;
}

}  // namespace

PostgresConnection::PostgresConnection(std::unique_ptr<PGconn, PGconnClose> connection,
                                       std::vector<std::string> secrets)
    : connection_(std::move(connection)), secrets_(std::move(secrets)) {}

PostgresConnection::~PostgresConnection() = default;

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
        if (const char* detail = PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL))
            text += std::string("\n") + detail;
    } else {
        text = TrimEnd(PQerrorMessage(connection_.get()));
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
        for (auto& result : results) result = NextPipelineResult(c);
        // The sync point's own result ends the pipeline.
        while (PGresult* r = PQgetResult(c)) {
            const bool isSync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
            PQclear(r);
            if (isSync || PQstatus(c) == CONNECTION_BAD) break;
        }
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

void PostgresConnection::StartBatch() {
    PGconn* c = connection_.get();
    if (!PQenterPipelineMode(c) ||
        !PQsendQueryParams(c, kBatchSavepoint, 0, nullptr, nullptr, nullptr, nullptr, 0))
        ThrowFor(nullptr);
    batchOpen_ = true;
    sent_.clear();
    unsentFrom_ = 0;
}

void PostgresConnection::SendRows(std::size_t first, std::size_t count) {
    const auto& statements = *queued_[first].statements;
    const std::string& name = count == 1 ? statements.single : statements.multi;
    std::vector<const char*> values;
    for (std::size_t row = first; row < first + count; ++row)
        for (const auto& p : queued_[row].parameters) values.push_back(p ? p->c_str() : nullptr);
    if (!PQsendQueryPrepared(connection_.get(), name.c_str(), static_cast<int>(values.size()),
                             values.data(), nullptr, nullptr, 0))
        ThrowFor(nullptr);
    sent_.push_back({first, count});
    unsentFrom_ = first + count;
}

void PostgresConnection::SendUnsentRowsSingly() {
    while (unsentFrom_ < queued_.size()) SendRows(unsentFrom_, 1);
}

std::optional<DbError> PostgresConnection::RefusalOf(const SentRows& rows, PGresult* r) {
    if (!r || !IsOk(r)) return ErrorFor(r);
    // An update that misses its row fails nothing on the server; the count of changed rows
    // tells. A run is then sent again row by row like a refused one, which finds the row.
    if (queued_[rows.first].statements->changesOneRowEach &&
        std::string_view(PQcmdTuples(r)) != std::to_string(rows.count))
        return MissingRowError();
    return std::nullopt;
}

std::optional<std::pair<PostgresConnection::SentRows, DbError>> PostgresConnection::EndBatch() {
    PGconn* c = connection_.get();
    SendUnsentRowsSingly();
    batchOpen_ = false;
    const bool sent = PQpipelineSync(c);
    std::optional<std::pair<SentRows, DbError>> refused;
    PostgresResult savepoint;
    if (sent) {
        savepoint = NextPipelineResult(c);
        for (const SentRows& rows : sent_) {
            PostgresResult r = NextPipelineResult(c);
            if (refused) continue;
            if (auto refusal = RefusalOf(rows, r.get())) refused.emplace(rows, std::move(*refusal));
        }
        while (PGresult* r = PQgetResult(c)) {
            const bool isSync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
            PQclear(r);
            if (isSync || PQstatus(c) == CONNECTION_BAD) break;
        }
    }
    PQexitPipelineMode(c);
    if (!sent || PQstatus(c) == CONNECTION_BAD) ThrowFor(nullptr);
    if (!savepoint || !IsOk(savepoint.get())) ThrowFor(savepoint.get());
    // Released only now: a batch whose updates missed rows has run through without a server
    // error and must still be rolled back.
    if (!refused) {
        PostgresResult release(PQexec(c, kReleaseBatchSavepoint));
        if (!release || !IsOk(release.get())) ThrowFor(release.get());
    }
    return refused;
}

void PostgresConnection::FlushLocked() {
    if (!batchOpen_) return;
    std::optional<DbError> firstRefusal;
    for (auto refused = EndBatch(); refused; refused = EndBatch()) {
        PostgresResult undo(PQexec(connection_.get(), kRollbackToBatchSavepoint));
        if (!undo || !IsOk(undo.get())) ThrowFor(undo.get());
        // A refused run of rows is sent again row by row, which finds the refused row.
        if (refused->first.count == 1) {
            if (!firstRefusal) firstRefusal = std::move(refused->second);
            queued_.erase(queued_.begin() + static_cast<std::ptrdiff_t>(refused->first.first));
        }
        StartBatch();
        SendUnsentRowsSingly();
    }
    queued_.clear();
    sent_.clear();
    unsentFrom_ = 0;
    DeallocateStale();
    if (firstRefusal) throw *firstRefusal;
}

bool PostgresConnection::KeyIsUnsent(std::int64_t key) const {
    for (std::size_t row = unsentFrom_; row < queued_.size(); ++row)
        if (queued_[row].key == key) return true;
    return false;
}

void PostgresConnection::QueueRow(const std::shared_ptr<const PostgresRowStatements>& statements,
                                  std::vector<std::optional<std::string>> parameters,
                                  std::optional<std::int64_t> key) {
    std::lock_guard lock(mutex_);
    if (!InTransaction()) {
        PostgresResult r = RunDirect({{}, std::move(parameters), statements->single});
        if (statements->changesOneRowEach && std::string_view(PQcmdTuples(r.get())) != "1")
            throw MissingRowError();
        return;
    }
    if (!batchOpen_) StartBatch();
    // A run of rows goes out as one multi-row statement; rows of another writer end the run, and
    // so does a second change of one row, which must follow the first.
    if (unsentFrom_ < queued_.size() &&
        (queued_[unsentFrom_].statements != statements || (key && KeyIsUnsent(*key))))
        SendUnsentRowsSingly();
    queued_.push_back({statements, std::move(parameters), key});
    if (queued_.size() - unsentFrom_ == statements->multiRows)
        SendRows(unsentFrom_, statements->multiRows);
    // Answers pile up on the server until read; keep them well within the socket buffers.
    if (queued_.size() >= kMaxQueuedRows) FlushLocked();
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
    if (!batchOpen_) DeallocateStale();
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

// Rows of a plain one-table SELECT get their ctid as key. Queries that cannot carry it (joins,
// GROUP BY, aggregates) fail to prepare with the extra column and are run as they are.
std::optional<QueryResult> PostgresConnection::QueryWithKeys(const std::string& translated) {
    const std::size_t select = translated.find_first_not_of(" \t\r\n") + 6;
    const std::string keyed =
        translated.substr(0, select) + " ctid AS " + kKeyColumn + "," + translated.substr(select);
    PostgresResult r;
    try {
        r = RunLocked({keyed, {}, {}});
    } catch (const DbError&) {
        return std::nullopt;
    }
    QueryResult result = ReadRows(r.get(), 1);
    const Oid table = PQftable(r.get(), 0);
    for (int c = 1; c < PQnfields(r.get()); ++c)
        if (PQftable(r.get(), c) != table || table == InvalidOid) return result;
    result.keyTable = TableName(table);
    result.keys = RowKeys(r.get(), table);
    return result;
}

// Rows are addressed by their id when the query fetched the table's id key; by their ctid (the
// hidden first column) otherwise, and where an id is NULL, as a unique index allows.
std::vector<RowKey> PostgresConnection::RowKeys(const PGresult* r, Oid table) {
    int idColumn = -1;
    if (const auto idKey = IdKeyLocked(std::to_string(table))) {
        for (int c = 1; c < PQnfields(r) && idColumn < 0; ++c)
            if (PQftablecol(r, c) == idKey->columnNumber) idColumn = c;
    }
    std::vector<RowKey> keys;
    keys.reserve(static_cast<std::size_t>(PQntuples(r)));
    for (int row = 0; row < PQntuples(r); ++row) {
        if (idColumn >= 0 && !PQgetisnull(r, row, idColumn))
            keys.push_back({std::strtoll(PQgetvalue(r, row, idColumn), nullptr, 10), {}});
        else
            keys.push_back({0, PQgetvalue(r, row, 0)});
    }
    return keys;
}

QueryResult PostgresConnection::Query(const std::string& sql) {
    const std::string translated = TranslateStatement(sql);
    std::lock_guard lock(mutex_);
    if (StartsWithSelect(translated)) {
        if (auto keyed = QueryWithKeys(translated)) return std::move(*keyed);
    }
    PostgresResult r = RunLocked({translated, {}, {}});
    return ReadRows(r.get(), 0);
}

void PostgresConnection::Begin() {
    Run({"BEGIN", {}, {}});
}

void PostgresConnection::Commit() {
    std::lock_guard lock(mutex_);
    try {
        FlushLocked();
    } catch (const DbError&) {
        // Every row but the refused one is in the transaction: keep them, then report.
        if (PQstatus(connection_.get()) == CONNECTION_OK && InTransaction())
            RunDirect({"COMMIT", {}, {}});
        throw;
    }
    if (InTransaction()) RunDirect({"COMMIT", {}, {}});
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
        const std::string why = TrimEnd(PQerrorMessage(connection.get()));
        throw DbError(
            ConnectFailureCode(why), kSource,
            "Cannot connect to the PostgreSQL server: " + ScrubSecrets(why, options.secrets));
    }
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
