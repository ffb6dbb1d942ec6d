#include "db/SqliteConnection.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <regex>
#include <string_view>
#include <utility>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/SqlLiteral.h"
#include "db/SqliteDialect.h"
#include "db/SqliteMemory.h"
#include "db/SqliteQuery.h"
#include "db/SqliteStatement.h"

namespace {

const char* const kSource = "SQLite";

// Why a file could not be opened, in words the user can act on. SQLite says only "unable to open
// database file" for a missing folder and for a folder we may not write to.
std::string OpenFailureText(const std::string& fileName, const char* sqliteMessage) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::path folder = fs::path(fileName).parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, ignored)) {
        return "The folder of the SQLite database file does not exist.";
    }
    if (!fs::exists(fileName, ignored) && access(folder.c_str(), W_OK) != 0) {
        return "There is no permission to create the SQLite database file in its folder.";
    }
    return std::string("The SQLite database file cannot be opened: ") + sqliteMessage + ".";
}

const char* const kReadOnlyFolder =
    "The folder of the SQLite database file cannot be written to: SQLite keeps its log files "
    "beside the database, even to read it.";

bool FolderIsWritable(const std::string& fileName) {
    std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    if (folder.empty()) folder = ".";
    return access(folder.c_str(), W_OK) == 0;
}

// Process-wide settings, which have to be made before the library's first use, so any open
// comes through here first. Memory statistics take a process-wide lock on every allocation of
// the library, and rows are written by the million; nothing here reads the statistics.
void ConfigureLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        UseSqlitePageMemory();
    });
}

std::shared_ptr<SqliteHandle> OpenHandle(const std::string& fileName) {
    ConfigureLibrary();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        fileName.c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
        nullptr);
    auto handle = std::make_shared<SqliteHandle>(db);
    if (rc != SQLITE_OK) {
        throw DbError(db ? sqlite3_extended_errcode(db) : rc, kSource,
                      OpenFailureText(fileName, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 10000);
    return handle;
}

std::string QuotedList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out += ", ";
        out += SqliteQuotedName(name);
    }
    return out;
}

class SqliteInsert : public DbInsert {
  public:
    SqliteInsert(std::shared_ptr<SqliteHandle> handle, const std::string& sql)
        : handle_(std::move(handle)), statement_(handle_->db, sql) {}

    void Insert(std::span<const FieldValue> values) override {
        std::lock_guard lock(handle_->mutex);
        statement_.Reset();
        for (std::size_t i = 0; i < values.size(); ++i) {
            statement_.Bind(static_cast<int>(i + 1), values[i]);
        }
        statement_.Step();
        ++handle_->rowsSinceCommit;
    }

  private:
    std::shared_ptr<SqliteHandle> handle_;
    SqliteStatement statement_;
};

class SqliteUpdate : public DbUpdate {
  public:
    SqliteUpdate(std::shared_ptr<SqliteHandle> handle, const std::string& sql)
        : handle_(std::move(handle)), statement_(handle_->db, sql) {}

    RowKey Update(const RowKey& key, std::span<const FieldValue> values) override {
        std::lock_guard lock(handle_->mutex);
        statement_.Reset();
        int index = 1;
        for (const FieldValue& value : values) statement_.Bind(index++, value);
        if (sqlite3_bind_int64(statement_.Get(), index, key.number) != SQLITE_OK) {
            ThrowSqliteError(handle_->db);
        }
        statement_.Step();
        if (sqlite3_changes(handle_->db) == 0) {
            throw SqliteRowGoneError();
        }
        ++handle_->rowsSinceCommit;
        return key;
    }

  private:
    std::shared_ptr<SqliteHandle> handle_;
    SqliteStatement statement_;
};

}  // namespace

std::string SqliteQuotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

SqliteConnection::SqliteConnection(const std::string& fileName) : handle_(OpenHandle(fileName)) {
    try {
        Configure();
    } catch (const DbError& error) {
        // SQLite says only "unable to open database file" when it cannot create its log files
        // beside a database that is there and readable.
        if (!FolderIsWritable(fileName)) throw DbError(error.Code(), kSource, kReadOnlyFolder);
        throw;
    }
}

void SqliteConnection::Configure() {
    std::lock_guard lock(handle_->mutex);
    // The first statement reads the file, so a file that is no database fails here, on Open.
    // A new file gets pages four times SQLite's default: log rows are a few hundred bytes, and
    // every page costs the passes a read, a write to the log and a copy back into the file, each
    // a system call, which our virtual machines make dear. Larger pages once made the session
    // pass slower, each scattered edit rewriting a whole page; the passes now change rows in the
    // table's order, so a page is rewritten once whatever its size. With 16 KiB instead of 8 KiB
    // exports took 4-6% less over one and four million lines (medians of three pairs); over ten
    // million, where the session pass rewrites a table of three gigabytes, four of five pairs
    // were faster, though the runs swung more than that. 32 KiB gained little more.
    ExecuteLocked("PRAGMA page_size=16384");
    // WAL with NORMAL sync makes a commit cheap while a crash of the program loses nothing
    // committed.
    ExecuteLocked("PRAGMA journal_mode=WAL");
    ExecuteLocked("PRAGMA synchronous=NORMAL");
    // A log started over is cut back to this size, so that one large run does not leave a file
    // of its size beside the database.
    ExecuteLocked("PRAGMA journal_size_limit=67108864");
    // The log is copied back into the database file once it holds 64 MB rather than SQLite's
    // 8 MB. Each copy ends with two disk syncs: a million-row write made 150 of them, which took
    // about a tenth of its time. The pages copied are the same either way. The limit is counted
    // in pages, whose size a file made earlier may have had otherwise.
    constexpr int kCheckpointBytes = 64 << 20;
    const int pageBytes = [&] {
        SqliteStatement pageSize(handle_->db, "PRAGMA page_size");
        return pageSize.Step() ? std::max(sqlite3_column_int(pageSize.Get(), 0), 512) : 4096;
    }();
    ExecuteLocked("PRAGMA wal_autocheckpoint=" + std::to_string(kCheckpointBytes / pageBytes));
    // The cache is what an export's memory is sized by, twice over: SQLite's sorter takes as
    // much again while it sorts the page hits for the session pass, before spilling sorted runs
    // to a temporary file. With 32 MiB the passes over four million rows peaked at 186 MiB all
    // told; 64 MiB cost some 80 MiB more. The passes store their changes in the table's order
    // (UpdateRows), so a cache far smaller than the table costs little: million-line exports
    // with 32, 64, 128 MiB and 1 GiB differed by less than their run-to-run spread.
    ExecuteLocked("PRAGMA cache_size=-32768");
    // Temporary data (the sorter's runs, DISTINCT and IN lists) goes to files: with a memory
    // store the sorter keeps every row it sorts in memory, so the session pass of ten million
    // lines would hold over half a gigabyte.
    ExecuteLocked("PRAGMA temp_store=FILE");
}

void SqliteConnection::ExecuteLocked(const std::string& sql) {
    SqliteStatement statement(handle_->db, sql);
    while (statement.Step()) {
    }
}

void SqliteConnection::Execute(const std::string& sql) {
    std::lock_guard lock(handle_->mutex);
    ExecuteLocked(TranslateForSqlite(sql));
}

QueryResult SqliteConnection::Query(const std::string& sql) {
    std::lock_guard lock(handle_->mutex);
    const std::string translated = TranslateForSqlite(sql);
    SqliteQuery query = PrepareQuery(handle_->db, translated);
    if (!query.yieldsRows) {
        while (query.statement->Step()) {
        }
        return QueryResult();
    }
    bool done = false;
    return ReadRows(query, std::numeric_limits<std::size_t>::max(), done);
}

std::unique_ptr<DbRowWalk> SqliteConnection::Walk(const std::string& sql) {
    std::lock_guard lock(handle_->mutex);
    SqliteQuery query = PrepareQuery(handle_->db, TranslateForSqlite(sql));
    if (!query.yieldsRows)
        throw DbError(SQLITE_MISUSE, kSource, "The statement yields no rows to walk.");
    return WalkThroughTemporaryTable(handle_, std::move(query));
}

bool SqliteConnection::HasTable(const std::string& table) {
    std::lock_guard lock(handle_->mutex);
    SqliteStatement statement(
        handle_->db,
        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    const FieldValue name = FieldValue::Text(table);
    statement.Bind(1, name);
    return statement.Step();
}

std::vector<std::string> SqliteConnection::TableColumns(const std::string& table) {
    std::lock_guard lock(handle_->mutex);
    SqliteStatement statement(handle_->db, "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
    const FieldValue name = FieldValue::Text(table);
    statement.Bind(1, name);
    std::vector<std::string> columns;
    while (statement.Step()) {
        columns.emplace_back(
            reinterpret_cast<const char*>(sqlite3_column_text(statement.Get(), 0)));
    }
    if (columns.empty()) throw DbError(SQLITE_ERROR, kSource, "no such table: " + table);
    return columns;
}

void SqliteConnection::CreateIndex(const IndexDefinition& index) {
    const bool unique = index.unique || index.primaryKey;
    std::lock_guard lock(handle_->mutex);
    ExecuteLocked(std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                  SqliteQuotedName(index.name) + " ON " + SqliteQuotedName(index.table) + " (" +
                  QuotedList(index.columns) + ")");
}

// The passes' statements read the whole table (a scan to build the robots addresses, a scan and a
// sort for the sessions) whatever SQLite knows of it; ANALYZE would cost a scan of every index and
// change no plan.
void SqliteConnection::RefreshStatistics(const std::string&) {}

std::unique_ptr<DbInsert> SqliteConnection::PrepareInsert(const std::string& table,
                                                          const std::vector<std::string>& columns) {
    std::string placeholders;
    for (std::size_t i = 0; i < columns.size(); ++i) placeholders += i == 0 ? "?" : ", ?";
    std::lock_guard lock(handle_->mutex);
    return std::make_unique<SqliteInsert>(handle_, "INSERT INTO " + SqliteQuotedName(table) + " (" +
                                                       QuotedList(columns) + ") VALUES (" +
                                                       placeholders + ")");
}

std::unique_ptr<DbUpdate> SqliteConnection::PrepareUpdate(const std::string& table,
                                                          const std::vector<std::string>& columns) {
    std::string assignments;
    for (const std::string& column : columns) {
        if (!assignments.empty()) assignments += ", ";
        assignments += SqliteQuotedName(column) + " = ?";
    }
    std::lock_guard lock(handle_->mutex);
    return std::make_unique<SqliteUpdate>(
        handle_, "UPDATE " + SqliteQuotedName(table) + " SET " + assignments + " WHERE rowid = ?");
}

// Under a savepoint, so that a failure leaves no change behind. Changes set aside before (see
// StageRows) are stored with these in one statement, or forgotten with them on failure.
void SqliteConnection::UpdateRows(const std::string& table, const RowChanges& changes) {
    std::lock_guard lock(handle_->mutex);
    const std::unique_ptr<SqliteStagedRows> staged = std::move(staged_);
    if (staged && !staged->Holds(table, changes.columns))
        throw DbError(SQLITE_MISUSE, kSource, "Changes of other columns or rows were set aside.");
    ExecuteLocked("SAVEPOINT kp_rows");
    try {
        if (staged) {
            staged->Add(changes);
            staged->Store();
        } else {
            UpdateRowByRowLocked(table, changes);
        }
        // Outside a batch this commits, and a commit can fail (a full disk).
        ExecuteLocked("RELEASE kp_rows");
    } catch (const DbError&) {
        sqlite3_exec(handle_->db, "ROLLBACK TO kp_rows; RELEASE kp_rows", nullptr, nullptr,
                     nullptr);
        if (!inTransaction_) RollBackOpenTransactionLocked();
        throw;
    }
}

void SqliteConnection::StageRows(const std::string& table, const RowChanges& changes, bool first) {
    std::lock_guard lock(handle_->mutex);
    if (first) {
        staged_.reset();
        staged_ = std::make_unique<SqliteStagedRows>(handle_->db, table, changes.columns);
    } else if (!staged_ || !staged_->Holds(table, changes.columns)) {
        throw DbError(SQLITE_MISUSE, kSource, "No changes of these columns are set aside.");
    }
    ExecuteLocked("SAVEPOINT kp_rows");
    try {
        staged_->Add(changes);
        ExecuteLocked("RELEASE kp_rows");
    } catch (const DbError&) {
        sqlite3_exec(handle_->db, "ROLLBACK TO kp_rows; RELEASE kp_rows", nullptr, nullptr,
                     nullptr);
        if (!inTransaction_) RollBackOpenTransactionLocked();
        staged_.reset();
        throw;
    }
}

// Rows are changed in rowid order, the order of the table's pages: a pass that walks rows in
// another order (visitors, say) would otherwise dirty pages from all over the table again and
// again.
void SqliteConnection::UpdateRowByRowLocked(const std::string& table, const RowChanges& changes) {
    // One statement for each set of columns given, made when first needed.
    std::map<std::uint32_t, std::unique_ptr<SqliteStatement>> statements;
    std::vector<FieldValue> values;  // bound until the Step
    for (const std::size_t row : changes.KeyOrder()) {
        std::uint32_t given = 0;
        values.clear();
        for (std::size_t column = 0; column < changes.columns.size(); ++column) {
            if (!changes.Gives(row, column)) continue;
            given |= std::uint32_t{1} << column;
            values.push_back(changes.values.At(row, column));
        }
        if (given == 0) continue;
        auto& statement = statements[given];
        if (!statement) {
            std::string assignments;
            for (std::size_t column = 0; column < changes.columns.size(); ++column)
                if (given >> column & 1)
                    assignments += (assignments.empty() ? "" : ", ") +
                                   SqliteQuotedName(changes.columns[column]) + " = ?";
            statement = std::make_unique<SqliteStatement>(
                handle_->db,
                "UPDATE " + SqliteQuotedName(table) + " SET " + assignments + " WHERE rowid = ?");
        }
        statement->Reset();
        for (std::size_t i = 0; i < values.size(); ++i)
            statement->Bind(static_cast<int>(i) + 1, values[i]);
        if (sqlite3_bind_int64(statement->Get(), static_cast<int>(values.size()) + 1,
                               changes.keys[row].number) != SQLITE_OK)
            ThrowSqliteError(handle_->db);
        statement->Step();
        if (sqlite3_changes(handle_->db) == 0) throw SqliteRowGoneError();
    }
}

void SqliteConnection::Begin() {
    std::lock_guard lock(handle_->mutex);
    if (sqlite3_get_autocommit(handle_->db)) {
        ExecuteLocked("BEGIN");
        handle_->rowsSinceCommit = 0;
    }
    inTransaction_ = true;
}

void SqliteConnection::Commit() {
    std::lock_guard lock(handle_->mutex);
    if (!inTransaction_) return;
    inTransaction_ = false;
    // Some failures (disk full, I/O) make SQLite roll back the whole transaction on its own;
    // the rows it took with it must not pass for stored.
    const std::uint64_t written = std::exchange(handle_->rowsSinceCommit, 0);
    if (sqlite3_get_autocommit(handle_->db)) {
        throw DbError(SQLITE_ABORT_ROLLBACK, kSource,
                      "The database rolled back the rows written since the last commit.")
            .SetUnstoredRows(written);
    }
    try {
        ExecuteLocked("COMMIT");
    } catch (DbError& error) {
        // Every row of the transaction is lost, so the caller can count back to the first of
        // them rather than take them for stored.
        RollBackOpenTransactionLocked();
        error.SetUnstoredRows(written);
        throw;
    }
}

// A failed commit may leave its transaction open (a full disk does). Whatever ran next would
// then run inside it: seemingly stored, and rolled back when the connection closes.
void SqliteConnection::RollBackOpenTransactionLocked() {
    if (!sqlite3_get_autocommit(handle_->db))
        sqlite3_exec(handle_->db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Rowids stay with their rows whoever changes them. SQLite names no file for an in-memory or a
// temporary database. Only the write-ahead log lets one connection read while another writes;
// where the file system refuses it, a long read would hold up the other's commit.
bool SqliteConnection::SharesRowsWithOtherConnections() const {
    std::lock_guard lock(handle_->mutex);
    const char* file = sqlite3_db_filename(handle_->db, "main");
    if (file == nullptr || *file == '\0') return false;
    SqliteStatement mode(handle_->db, "PRAGMA journal_mode");
    if (!mode.Step()) return false;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mode.Get(), 0));
    return text != nullptr && std::string_view(text) == "wal";
}

std::string SqliteConnection::SqlStringLiteral(const std::string& text) const {
    return StatementTextLiteral(text);
}

std::string SqliteCodeMessage(std::int32_t code) {
    // sqlite3_errstr looks only at the low byte, so foreign codes would get a wrong message.
    if (code < 0 || code > 0xFFFF) return std::string();
    const std::string message = sqlite3_errstr(code);
    return message == "unknown error" ? std::string() : message;
}

std::unique_ptr<DbConnection> OpenSqliteConnection(const ConnectionString& settings) {
    const std::string fileName = settings.Value("Data Source");
    if (fileName.empty()) {
        throw DbError(kErrorUnspecified, kSource,
                      "The connection string names no database file (Data Source).");
    }
    return std::make_unique<SqliteConnection>(fileName);
}
