#include "db/PostgresRowQueue.h"

#include <algorithm>
#include <string_view>

#include "db/PostgresConnection.h"
#include "db/PostgresCopyRow.h"

namespace {

// Answers and COPY data pile up until the queue is sent; these keep a batch well within memory
// and the socket buffers, and a refusal's search short.
constexpr std::size_t kMaxRows = 4000;
constexpr std::size_t kMaxCopyBytes = 4 << 20;

}  // namespace

PostgresRowQueue::PostgresRowQueue(PGconn* connection, ErrorFor errorFor)
    : connection_(connection), errorFor_(std::move(errorFor)) {}

bool PostgresRowQueue::Full() const {
    return rows_.size() >= kMaxRows || copyData_.size() >= kMaxCopyBytes;
}

void PostgresRowQueue::AddAppend(std::shared_ptr<const PostgresRowStatements> statements,
                                 std::string_view copyLine) {
    Row row;
    row.statements = std::move(statements);
    row.copyBegin = copyData_.size();
    copyData_.append(copyLine);
    row.copyEnd = copyData_.size();
    rows_.push_back(std::move(row));
}

void PostgresRowQueue::AddChange(std::shared_ptr<const PostgresRowStatements> statements,
                                 std::vector<std::optional<std::string>> parameters,
                                 std::int64_t key) {
    Row row;
    row.statements = std::move(statements);
    row.parameters = std::move(parameters);
    row.key = key;
    rows_.push_back(std::move(row));
}

bool PostgresRowQueue::HasChangeOf(std::int64_t key) const {
    return std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) { return row.key == key; });
}

bool PostgresRowQueue::SameCopy(const Row& a, const Row& b) const {
    return a.statements == b.statements || a.statements->copyCommand == b.statements->copyCommand;
}

void PostgresRowQueue::Run(const char* command) {
    PostgresResult r(PQexec(connection_, command));
    if (!r || !IsOk(r.get())) throw errorFor_(r.get());
}

void PostgresRowQueue::ThrowIfConnectionLost() {
    if (PQstatus(connection_) == CONNECTION_BAD) throw errorFor_(nullptr);
}

void PostgresRowQueue::Clear() {
    rows_.clear();
    copyData_.clear();
}

std::optional<DbError> PostgresRowQueue::Send(std::size_t first, std::size_t last) {
    while (first < last) {
        std::size_t end = first + 1;
        const bool append = rows_[first].IsAppend();
        while (end < last && rows_[end].IsAppend() == append &&
               (!append || SameCopy(rows_[end], rows_[first])))
            ++end;
        if (auto refusal = append ? SendAppends(first, end) : SendChanges(first, end))
            return refusal;
        first = end;
    }
    return std::nullopt;
}

// Appended rows of one column set lie next to each other in copyData_ and go out as one COPY.
std::optional<DbError> PostgresRowQueue::SendAppends(std::size_t first, std::size_t last) {
    if (auto failure = StartCopy(first, last)) return failure;
    return FinishCopy();
}

std::optional<DbError> PostgresRowQueue::StartCopy(std::size_t first, std::size_t last) {
    PGconn* c = connection_;
    if (!PQsendQuery(c, rows_[first].statements->copyCommand.c_str())) return errorFor_(nullptr);
    PostgresResult start(PQgetResult(c));
    if (!start || PQresultStatus(start.get()) != PGRES_COPY_IN) {
        DbError error = errorFor_(start.get());
        NextResult(c);
        return error;
    }
    const std::size_t begin = rows_[first].copyBegin, end = rows_[last - 1].copyEnd;
    const bool binary = rows_[first].statements->binaryCopy;
    const auto put = [c](std::string_view data) {
        return PQputCopyData(c, data.data(), static_cast<int>(data.size())) == 1;
    };
    // A failure to send shows in the COPY's outcome, which FinishCopy reads.
    if ((!binary || put(BinaryCopyHeader())) &&
        put(std::string_view(copyData_).substr(begin, end - begin)) &&
        (!binary || put(BinaryCopyTrailer())))
        PQputCopyEnd(c, nullptr);
    else
        PQputCopyEnd(c, "the rows could not be sent");
    return std::nullopt;
}

std::optional<DbError> PostgresRowQueue::FinishCopy() {
    PostgresResult done = NextResult(connection_);
    if (!done || !IsOk(done.get())) return errorFor_(done.get());
    return std::nullopt;
}

// Changes go out in one pipeline, `multiRows` to a statement. A row changed twice must see its
// changes in order, and a statement takes only one change per row, so a repeated id starts a new
// statement.
std::optional<DbError> PostgresRowQueue::SendChanges(std::size_t first, std::size_t last) {
    PGconn* c = connection_;
    struct Sent {
        std::size_t first, count;
    };
    std::vector<Sent> sent;
    std::vector<const char*> values;
    if (!PQenterPipelineMode(c)) return errorFor_(nullptr);
    bool queued = true;
    for (std::size_t row = first; row < last && queued;) {
        const auto& statements = rows_[row].statements;
        std::size_t count = 1;
        while (count < statements->multiRows && row + count < last &&
               rows_[row + count].statements == statements &&
               std::none_of(rows_.begin() + static_cast<std::ptrdiff_t>(row),
                            rows_.begin() + static_cast<std::ptrdiff_t>(row + count),
                            [&](const Row& r) { return r.key == rows_[row + count].key; }))
            ++count;
        // A short run goes out row by row: the multi-row statement has a fixed number of rows.
        if (count < statements->multiRows) count = 1;
        values.clear();
        for (std::size_t i = row; i < row + count; ++i)
            for (const auto& p : rows_[i].parameters) values.push_back(p ? p->c_str() : nullptr);
        const std::string& name = count == 1 ? statements->single : statements->multi;
        queued = PQsendQueryPrepared(c, name.c_str(), static_cast<int>(values.size()),
                                     values.data(), nullptr, nullptr, 0) == 1;
        if (queued) sent.push_back({row, count});
        row += count;
    }
    std::optional<DbError> refusal;
    if (queued && PQpipelineSync(c)) {
        for (const Sent& s : sent) {
            PostgresResult r = NextResult(c);
            if (refusal) continue;
            if (!r || !IsOk(r.get()))
                refusal = errorFor_(r.get());
            else if (std::string_view(PQcmdTuples(r.get())) != std::to_string(s.count))
                refusal = MissingRowError();  // a change whose row is gone fails nothing
        }
        DrainToSync(c);
    } else {
        refusal = errorFor_(nullptr);
    }
    PQexitPipelineMode(c);
    return refusal;
}

// Rows [first, last) as one unit: stored whole and committed, or not at all. A single COPY is
// one unit on its own; anything else is made one by a transaction, or by a savepoint inside one
// that is already open. Changes need it even as one pipeline: a change that finds no row fails
// nothing on the server, and is only seen once its statement has run.
std::optional<DbError> PostgresRowQueue::SendAtomically(std::size_t first, std::size_t last) {
    const bool inTransaction = PQtransactionStatus(connection_) != PQTRANS_IDLE;
    if (!inTransaction && IsOneCopy(first, last)) return Send(first, last);
    Run(inTransaction ? "SAVEPOINT kp_rows" : "BEGIN");
    std::optional<DbError> refusal = Send(first, last);
    if (refusal) {
        ThrowIfConnectionLost();
        Run(inTransaction ? "ROLLBACK TO SAVEPOINT kp_rows; RELEASE SAVEPOINT kp_rows"
                          : "ROLLBACK");
    } else {
        Run(inTransaction ? "RELEASE SAVEPOINT kp_rows" : "COMMIT");
    }
    return refusal;
}

bool PostgresRowQueue::IsOneCopy(std::size_t first, std::size_t last) const {
    for (std::size_t row = first; row < last; ++row)
        if (!rows_[row].IsAppend() || !SameCopy(rows_[row], rows_[first])) return false;
    return true;
}

void PostgresRowQueue::Flush() {
    Settle();
    if (rows_.empty()) return;
    try {
        SendAll();
    } catch (...) {
        // What was not stored is reported; it is never sent again.
        Clear();
        throw;
    }
    Clear();
}

void PostgresRowQueue::Send() {
    Settle();
    if (rows_.empty()) return;
    if (PQtransactionStatus(connection_) != PQTRANS_IDLE || !IsOneCopy(0, rows_.size())) {
        Flush();
        return;
    }
    if (auto failure = StartCopy(0, rows_.size())) {
        // Not started: nothing is in flight, and the search tells which row is refused.
        try {
            ThrowRefusedRow(std::move(*failure));
        } catch (...) {
            Clear();
            throw;
        }
    }
    // Kept until the answer is read, to find the refused row should there be one.
    std::swap(rows_, inFlightRows_);
    std::swap(copyData_, inFlightCopyData_);
    Clear();
    copyInFlight_ = true;
}

void PostgresRowQueue::Settle() {
    if (!copyInFlight_) return;
    copyInFlight_ = false;
    std::optional<DbError> refusal = FinishCopy();
    if (!refusal) {
        inFlightRows_.clear();
        inFlightCopyData_.clear();
        return;
    }
    // The rows queued since were handed over after the refused one: none of them is stored.
    const std::size_t queuedSince = rows_.size();
    std::swap(rows_, inFlightRows_);
    std::swap(copyData_, inFlightCopyData_);
    try {
        ThrowRefusedRow(std::move(*refusal));
    } catch (DbError& failure) {
        failure.SetUnstoredRows(failure.UnstoredRows().value_or(0) + queuedSince);
        Clear();
        inFlightRows_.clear();
        inFlightCopyData_.clear();
        throw;
    }
}

void PostgresRowQueue::SendAll() {
    std::optional<DbError> refusal;
    try {
        refusal = SendAtomically(0, rows_.size());
    } catch (DbError& failure) {
        if (!failure.UnstoredRows()) failure.SetUnstoredRows(rows_.size());
        throw;
    }
    if (refusal) ThrowRefusedRow(std::move(*refusal));
}

void PostgresRowQueue::ThrowRefusedRow(DbError refusal) {
    const std::size_t count = rows_.size();
    // Rows [0, stored) go in, the prefix [0, refused) is known to fail, so the refused row is the
    // first one past the longest prefix that goes through.
    std::size_t stored = 0, refused = count;
    try {
        while (refused - stored > 1) {
            ThrowIfConnectionLost();
            const std::size_t middle = stored + (refused - stored) / 2;
            if (auto r = SendAtomically(stored, middle)) {
                refusal = std::move(*r);
                refused = middle;
            } else {
                stored = middle;
            }
        }
        refusal.SetUnstoredRows(count - stored);
        throw refusal;
    } catch (DbError& failure) {
        // A lost connection stops the search: every row not known to be stored is not, and the
        // caller counts back to the first of them rather than take the batch for stored.
        if (!failure.UnstoredRows()) failure.SetUnstoredRows(count - stored);
        throw;
    }
}
