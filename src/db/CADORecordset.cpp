#include "db/CADORecordset.h"

#include <algorithm>
#include <exception>
#include <regex>

#include "db/CADODatabase.h"
#include "db/DbError.h"
#include "db/ErrorText.h"
#include "db/FieldText.h"
#include "textfiles/AsciiText.h"

namespace {

const char* const kSource = "CADORecordset";

[[noreturn]] void ThrowRecordsetError(std::int32_t code, const std::optional<std::string>& source,
                                      const std::optional<std::string>& description) {
    throw CADOException(code, RecordsetErrorText(code, source, description));
}

[[noreturn]] void ThrowLayerError(std::int32_t code, const std::string& description) {
    ThrowRecordsetError(code, std::string(kSource), description);
}

// Runs `work`, turning a driver failure into the recordset's exception.
template <class Work>
auto Guarded(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const DbError& error) {
        throw RecordsetFailure(error);
    }
}

// A text naming one table ("WebLog_data", "[Web Log_data]") rather than holding a statement.
std::optional<std::string> BareTableName(const std::string& text) {
    static const std::regex bracketed(R"(^\s*\[([^\]]+)\]\s*$)");
    static const std::regex plain(R"(^\s*([^\s\[\]();,'"]+)\s*$)");
    std::smatch m;
    if (text.size() < 1024 &&
        (std::regex_match(text, m, bracketed) || std::regex_match(text, m, plain))) {
        return m[1].str();
    }
    return std::nullopt;
}

// One prepared statement per set of written columns: writers fill the same columns row after
// row, so the last one used is checked first.
template <class Statement>
class StatementCache {
  public:
    template <class Prepare>
    Statement& Get(const std::vector<bool>& columns, Prepare&& prepare) {
        if (last_ < entries_.size() && entries_[last_].first == columns) {
            return *entries_[last_].second;
        }
        for (last_ = 0; last_ < entries_.size(); ++last_) {
            if (entries_[last_].first == columns) return *entries_[last_].second;
        }
        entries_.emplace_back(columns, prepare());
        last_ = entries_.size() - 1;
        return *entries_.back().second;
    }

  private:
    std::vector<std::pair<std::vector<bool>, std::unique_ptr<Statement>>> entries_;
    std::size_t last_ = 0;
};

std::vector<std::string> NamesOf(const std::vector<std::string>& columns,
                                 const std::vector<bool>& chosen) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (chosen[i]) names.push_back(columns[i]);
    }
    return names;
}

}  // namespace

struct CADORecordset::PreparedWrites {
    StatementCache<DbInsert> inserts;
    StatementCache<DbUpdate> updates;
};

CADORecordset::CADORecordset() = default;

CADORecordset::CADORecordset(const CADODatabase& database)
    : connection_(database.GetConnection()) {}

CADORecordset::~CADORecordset() {
    CloseReportingFailure();
}

void CADORecordset::CloseReportingFailure() noexcept {
    // Whatever the failure (a refused row, memory running out), a destructor that let it escape
    // would end the program.
    try {
        Close();
    } catch (const std::exception& error) {
        ReportFailureNobodyHeard("closing a recordset", error.what());
    }
}

CADORecordset::CADORecordset(CADORecordset&&) noexcept = default;

CADORecordset& CADORecordset::operator=(CADORecordset&& other) noexcept {
    if (this != &other) {
        CloseReportingFailure();
        connection_ = std::move(other.connection_);
        active_ = std::move(other.active_);
        prepared_ = std::move(other.prepared_);
        driver_ = std::move(other.driver_);
        walk_ = std::move(other.walk_);
        rowsPerChunk_ = other.rowsPerChunk_;
        walkRows_ = other.walkRows_;
        leftFirstChunk_ = other.leftFirstChunk_;
        query_ = std::move(other.query_);
        open_ = std::exchange(other.open_, false);
        appendTable_ = std::move(other.appendTable_);
        rowsFetched_ = other.rowsFetched_;
        columns_ = std::move(other.columns_);
        nextFieldGuess_ = other.nextFieldGuess_;
        resolvedFields_ = std::move(other.resolvedFields_);
        rows_ = std::move(other.rows_);
        keyTable_ = std::move(other.keyTable_);
        keys_ = std::move(other.keys_);
        cursor_ = other.cursor_;
        editMode_ = std::exchange(other.editMode_, EditMode::None);
        pendingValues_ = std::move(other.pendingValues_);
        pendingSet_ = std::move(other.pendingSet_);
    }
    return *this;
}

bool CADORecordset::Open(const std::shared_ptr<DbSession>& connection, const std::string& text) {
    Close();
    if (!text.empty()) query_ = TrimAsciiStart(text);
    if (!connection_) connection_ = connection;
    active_ = connection ? connection : connection_;
    if (!active_ || !active_->IsOpen()) {
        ThrowRecordsetError(kErrorNoObject, std::nullopt, std::nullopt);
    }
    return Guarded([&] { return OpenLocked(query_); });
}

bool CADORecordset::Open(const std::string& text) {
    return Open(connection_, text);
}

void CADORecordset::ClearResult() {
    appendTable_.clear();
    columns_.clear();
    keyTable_.clear();
    rows_ = RowBlock();
    keys_.clear();
    cursor_ = 0;
    nextFieldGuess_ = 0;
    resolvedFields_.clear();
    walk_.reset();
    rowsPerChunk_ = 0;
    walkRows_ = 0;
    leftFirstChunk_ = false;
}

void CADORecordset::OpenForwardOnly(const std::string& text, std::size_t rowsPerChunk) {
    Close();
    query_ = TrimAsciiStart(text);
    active_ = connection_;
    if (!active_ || !active_->IsOpen()) {
        ThrowRecordsetError(kErrorNoObject, std::nullopt, std::nullopt);
    }
    Guarded([&] {
        ClearResult();
        walk_ = active_->RunStatement([&](DbConnection& driver) { return driver.Walk(query_); });
        walkRows_ = walk_->RowCount();
        driver_ = active_->Driver();
        rowsPerChunk_ = std::max<std::size_t>(rowsPerChunk, 1);
        rowsFetched_ = true;
        open_ = true;
    });
    FetchNextChunk();
}

// The walk is given up as soon as a chunk comes back short, so that it holds nothing on the
// database (a cursor, a read of the file) while the caller goes on with the last rows.
void CADORecordset::FetchNextChunk() {
    QueryResult chunk = Guarded([&] {
        return active_->RunStatement([&](DbConnection&) { return walk_->Next(rowsPerChunk_); });
    });
    if (columns_.empty()) columns_ = std::move(chunk.columns);
    if (keyTable_.empty()) keyTable_ = std::move(chunk.keyTable);
    rows_ = std::move(chunk.rows);
    keys_.assign(chunk.keys.begin(), chunk.keys.end());
    cursor_ = 0;
    if (rows_.Rows() < rowsPerChunk_) walk_.reset();
}

bool CADORecordset::OpenLocked(const std::string& text) {
    ClearResult();
    if (const std::optional<std::string> table = BareTableName(text)) {
        // Appending is what a table is opened for; its rows are read only when asked for.
        columns_ = active_->RunStatement(
            [&](DbConnection& driver) { return driver.TableColumns(*table); });
        driver_ = active_->Driver();
        appendTable_ = *table;
        keyTable_ = *table;
        rowsFetched_ = false;
        open_ = true;
        return true;
    }
    QueryResult result =
        active_->RunStatement([&](DbConnection& driver) { return driver.Query(text); });
    if (!result.hasRows) return false;
    driver_ = active_->Driver();
    columns_ = std::move(result.columns);
    rows_ = std::move(result.rows);
    keyTable_ = std::move(result.keyTable);
    keys_.assign(result.keys.begin(), result.keys.end());
    rowsFetched_ = true;
    open_ = true;
    return true;
}

bool CADORecordset::IsOpen() const {
    return open_ && active_ && active_->IsOpen();
}

void CADORecordset::Close() {
    if (!IsOpen()) {
        open_ = false;
        return;
    }
    ReleaseRows();
    Guarded([&] { active_->CommitPendingRows(); });
}

void CADORecordset::ReleaseRows() {
    ClearPending();
    open_ = false;
    rows_ = RowBlock();
    keys_.clear();
    walk_.reset();
    prepared_.reset();
    driver_.reset();
}

void CADORecordset::ClearPending() {
    editMode_ = EditMode::None;
}

void CADORecordset::StartPending(EditMode mode) {
    // Sized once per open; only the slots written since are reset, since rows are edited by the
    // million.
    if (pendingValues_.size() != columns_.size()) {
        pendingValues_.assign(columns_.size(), FieldValue());
        pendingSet_.assign(columns_.size(), false);
    }
    for (std::size_t i = 0; i < pendingSet_.size(); ++i) {
        if (pendingSet_[i]) {
            pendingValues_[i] = FieldValue();
            pendingSet_[i] = false;
        }
    }
    editMode_ = mode;
}

void CADORecordset::RequireOpen() const {
    if (!IsOpen()) ThrowLayerError(kErrorNoObject, "The recordset is not open.");
}

void CADORecordset::EnsureRowsFetched() {
    RequireOpen();
    if (rowsFetched_) return;
    Guarded([&] {
        QueryResult result = active_->RunStatement([&](DbConnection& driver) {
            return driver.Query("SELECT * FROM [" + appendTable_ + "]");
        });
        rows_ = std::move(result.rows);
        keys_.assign(result.keys.begin(), result.keys.end());
        if (!result.keyTable.empty()) keyTable_ = result.keyTable;
    });
    rowsFetched_ = true;
    cursor_ = 0;
}

bool CADORecordset::OnRow() const {
    return cursor_ >= 0 && cursor_ < static_cast<std::int64_t>(rows_.Rows());
}

bool CADORecordset::IsEof() {
    EnsureRowsFetched();
    return cursor_ >= static_cast<std::int64_t>(rows_.Rows());
}

void CADORecordset::MoveFirst() {
    EnsureRowsFetched();
    if (leftFirstChunk_)
        ThrowLayerError(kErrorUnspecified, "A forward-only recordset cannot go back to its start.");
    cursor_ = 0;
}

void CADORecordset::MoveNext() {
    EnsureRowsFetched();
    if (cursor_ >= static_cast<std::int64_t>(rows_.Rows())) {
        ThrowLayerError(kErrorUnspecified, "The cursor is already past the last row.");
    }
    ++cursor_;
    if (walk_ && cursor_ == static_cast<std::int64_t>(rows_.Rows())) {
        leftFirstChunk_ = true;
        FetchNextChunk();
    }
}

void CADORecordset::MovePrevious() {
    EnsureRowsFetched();
    if (rowsPerChunk_ > 0)
        ThrowLayerError(kErrorUnspecified, "A forward-only recordset cannot move back.");
    if (cursor_ < 0)
        ThrowLayerError(kErrorUnspecified, "The cursor is already before the first row.");
    --cursor_;
}

std::int32_t CADORecordset::RecordCount() {
    try {
        EnsureRowsFetched();
        if (rowsPerChunk_ > 0) return static_cast<std::int32_t>(walkRows_);
        return static_cast<std::int32_t>(rows_.Rows());
    } catch (const CADOException&) {
        return -1;
    }
}

bool CADORecordset::AddNew() {
    ClearPending();
    RequireOpen();
    if (keyTable_.empty()) {
        ThrowLayerError(kErrorUnspecified, "Rows cannot be added to the result of this query.");
    }
    StartPending(EditMode::Adding);
    return true;
}

void CADORecordset::Edit() {
    StartPending(EditMode::Editing);
}

std::size_t CADORecordset::FieldIndex(const std::string& field) {
    // Callers name the same fields in the same order row after row: the name asked for after the
    // last one is tried first, and a name is resolved against the columns only once per open.
    const std::size_t known = resolvedFields_.size();
    for (std::size_t step = 0; step < known; ++step) {
        const std::size_t i = (nextFieldGuess_ + step) % known;
        if (resolvedFields_[i].first == field) {
            nextFieldGuess_ = i + 1;
            return resolvedFields_[i].second;
        }
    }
    const std::size_t index = ResolveField(field);
    resolvedFields_.emplace_back(field, index);
    nextFieldGuess_ = resolvedFields_.size();
    return index;
}

bool CADORecordset::HasField(const std::string& field) const {
    return FindField(field).has_value();
}

// Names as spelt are matched before letter case is folded.
std::optional<std::size_t> CADORecordset::FindField(const std::string& field) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == field) return i;
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (EqualsIgnoringAsciiCase(columns_[i], field)) return i;
    return std::nullopt;
}

std::size_t CADORecordset::ResolveField(const std::string& field) const {
    if (const auto index = FindField(field)) return *index;
    ThrowLayerError(kErrorUnknownField, "The field \"" + field + "\" is not in this recordset.");
}

bool CADORecordset::WriteFieldValue(const std::string& field, FieldValue value) {
    if (editMode_ == EditMode::None) return false;
    RequireOpen();
    const std::size_t index = FieldIndex(field);
    if (editMode_ == EditMode::Editing && !OnRow()) {
        ThrowLayerError(kErrorUnspecified, "There is no current row to change.");
    }
    pendingValues_[index] = std::move(value);
    pendingSet_[index] = true;
    return true;
}

bool CADORecordset::WriteFieldText(const std::string& field, const std::string& text) {
    return WriteFieldValue(field, text.empty() ? FieldValue::Null() : FieldValue::Text(text));
}

bool CADORecordset::WriteFieldShort(const std::string& field, int value) {
    return WriteFieldValue(field, FieldValue::Int16(static_cast<std::int16_t>(value & 0xFFFF)));
}

bool CADORecordset::Update() {
    if (editMode_ == EditMode::None) return true;
    RequireOpen();
    if (!prepared_) prepared_ = std::make_unique<PreparedWrites>();
    if (editMode_ == EditMode::Adding) {
        StoreNewRow();
    } else {
        StoreChangedRow();
    }
    ClearPending();
    return true;
}

void CADORecordset::StoreNewRow() {
    std::vector<FieldValue>& values = ChosenPendingValues();
    StorePendingValues([&](DbConnection& driver) {
        prepared_->inserts
            .Get(pendingSet_,
                 [&] { return driver.PrepareInsert(keyTable_, NamesOf(columns_, pendingSet_)); })
            .Insert(values);
    });
    if (rowsFetched_) {
        // The new row joins the set (at its end, with the cursor on it) but has no key yet.
        if (rows_.Columns() != columns_.size()) rows_ = RowBlock(columns_.size());
        Guarded([&] {
            for (std::size_t i = 0, chosen = 0; i < columns_.size(); ++i) {
                rows_.Append(pendingSet_[i] ? values[chosen++] : FieldValue::Null());
            }
        });
        keys_.emplace_back(std::nullopt);
        cursor_ = static_cast<std::int64_t>(rows_.Rows()) - 1;
    }
}

void CADORecordset::StoreChangedRow() {
    if (!OnRow()) ThrowLayerError(kErrorUnspecified, "There is no current row to change.");
    const auto row = static_cast<std::size_t>(cursor_);
    if (keyTable_.empty() || row >= keys_.size() || !keys_[row]) {
        ThrowLayerError(kErrorUnspecified, "This row cannot be changed through this recordset.");
    }
    std::vector<FieldValue>& values = ChosenPendingValues();
    if (values.empty()) return;
    StorePendingValues([&](DbConnection& driver) {
        keys_[row] =
            prepared_->updates
                .Get(
                    pendingSet_,
                    [&] { return driver.PrepareUpdate(keyTable_, NamesOf(columns_, pendingSet_)); })
                .Update(*keys_[row], values);
    });
    Guarded([&] {
        for (std::size_t i = 0, chosen = 0; i < columns_.size(); ++i) {
            if (pendingSet_[i]) rows_.Set(row, i, values[chosen++]);
        }
    });
}

template <class Write>
void CADORecordset::StorePendingValues(Write&& write) {
    try {
        Guarded([&] { active_->WriteRow(write); });
    } catch (const CADOException&) {
        // The change stays pending, as it was before the failed attempt.
        RestorePendingValues();
        throw;
    }
}

void CADORecordset::RestorePendingValues() {
    for (std::size_t i = 0, chosen = 0; i < columns_.size(); ++i) {
        if (pendingSet_[i]) pendingValues_[i] = std::move(writeValues_[chosen++]);
    }
}

std::vector<FieldValue>& CADORecordset::ChosenPendingValues() {
    writeValues_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (pendingSet_[i]) writeValues_.push_back(std::move(pendingValues_[i]));
    }
    return writeValues_;
}

std::pair<std::size_t, std::size_t> CADORecordset::CurrentCell(const std::string& field) {
    EnsureRowsFetched();
    const std::size_t index = FieldIndex(field);
    if (!OnRow()) ThrowLayerError(kErrorUnspecified, "There is no current row to read.");
    return {static_cast<std::size_t>(cursor_), index};
}

FieldValue CADORecordset::CurrentField(const std::string& field) {
    const auto [row, column] = CurrentCell(field);
    return rows_.At(row, column);
}

bool CADORecordset::ReadFieldText(const std::string& field, std::string& text,
                                  const std::string& dateFormat) {
    const auto [row, column] = CurrentCell(field);
    // A stored text is copied once, straight from the rows: the passes read one or two per row
    // of a whole table.
    if (const auto stored = rows_.TextAt(row, column)) {
        text.assign(*stored);
        return true;
    }
    const std::optional<std::string> converted = FieldValueText(rows_.At(row, column), dateFormat);
    if (!converted) return false;
    text = *converted;
    return true;
}

bool CADORecordset::ReadFieldLong(const std::string& field, std::int32_t& value) {
    const std::optional<std::int32_t> converted = FieldValueLong(CurrentField(field));
    if (!converted) return false;
    value = *converted;
    return true;
}

bool CADORecordset::ReadFieldDateTime(const std::string& field, DateTime& value) {
    const FieldValue stored = CurrentField(field);
    if (stored.IsNull()) {
        value.SetStatus(DateTime::Status::Null);
        return true;
    }
    if (stored.GetKind() == FieldValue::Kind::DateTime) {
        value = DateTime(stored.AsDateTime().Days(), DateTime::Status::Valid);
        return true;
    }
    // Expressions over a date column (Max, Min) lose the column's type on the way.
    if (stored.GetKind() == FieldValue::Kind::Text) {
        const DateTime parsed = DateTime::FromSqlText(stored.AsText());
        if (parsed.IsValid()) {
            value = parsed;
            return true;
        }
    }
    return false;
}

RowKey CADORecordset::CurrentRowKey() {
    EnsureRowsFetched();
    if (!OnRow()) ThrowLayerError(kErrorUnspecified, "There is no current row.");
    const auto row = static_cast<std::size_t>(cursor_);
    if (keyTable_.empty() || row >= keys_.size() || !keys_[row]) {
        ThrowLayerError(kErrorUnspecified, "This row cannot be changed through this recordset.");
    }
    return *keys_[row];
}

void CADORecordset::StoreRowChanges(const RowChanges& changes) {
    RequireOpen();
    Guarded([&] {
        active_->RunStatement([&](DbConnection& driver) { driver.UpdateRows(keyTable_, changes); });
    });
}

void CADORecordset::StageRowChanges(const RowChanges& changes, bool first) {
    RequireOpen();
    Guarded([&] {
        active_->RunStatement(
            [&](DbConnection& driver) { driver.StageRows(keyTable_, changes, first); });
    });
}
