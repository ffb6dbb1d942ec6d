#include "db/SqliteQuery.h"

#include <atomic>
#include <regex>

#include "db/DbError.h"
#include "textfiles/AsciiText.h"

namespace {

// SQLite answers null for a column that comes from no table.
bool SameNameIgnoringCase(const char* a, const std::string& b) {
    return a != nullptr && EqualsIgnoringAsciiCase(a, b);
}

// A SELECT that can carry each row's rowid in front: a plain select of one table. Anything else
// (grouping, set operations, DISTINCT) has no row to update, so it gets no key.
std::string KeyedSelect(const std::string& sql) {
    static const std::regex head(R"(^\s*select\s+)", std::regex::icase);
    static const std::regex unkeyable(R"(\b(group\s+by|union|intersect|except|distinct)\b)",
                                      std::regex::icase);
    std::smatch m;
    if (!std::regex_search(sql, m, head) || std::regex_search(sql, unkeyable)) return "";
    return "SELECT rowid, " + m.suffix().str();
}

// The statement's rows come from one table, each column under its own name, with the rowid of
// that table in column 0.
std::string KeyTableOf(const SqliteStatement& statement) {
    const char* table = sqlite3_column_table_name(statement.Get(), 0);
    if (table == nullptr) return "";
    for (int i = 1; i < statement.ColumnCount(); ++i) {
        if (!SameNameIgnoringCase(sqlite3_column_table_name(statement.Get(), i), table) ||
            !SameNameIgnoringCase(sqlite3_column_origin_name(statement.Get(), i),
                                  sqlite3_column_name(statement.Get(), i))) {
            return "";
        }
    }
    return table;
}

SqliteQuery Described(std::unique_ptr<SqliteStatement> statement, std::string keyTable) {
    SqliteQuery query;
    query.firstColumn = keyTable.empty() ? 0 : 1;
    query.keyTable = std::move(keyTable);
    for (int i = query.firstColumn; i < statement->ColumnCount(); ++i) {
        query.columns.emplace_back(sqlite3_column_name(statement->Get(), i));
        query.isDate.push_back(statement->IsDateColumn(i));
    }
    query.statement = std::move(statement);
    return query;
}

}  // namespace

SqliteQuery PrepareQuery(sqlite3* db, const std::string& translated) {
    auto plain = std::make_unique<SqliteStatement>(db, translated);
    if (plain->ColumnCount() == 0) {
        SqliteQuery statement;
        statement.statement = std::move(plain);
        statement.yieldsRows = false;
        return statement;
    }
    if (const std::string keyedSql = KeyedSelect(translated); !keyedSql.empty()) {
        try {
            auto keyed = std::make_unique<SqliteStatement>(db, keyedSql);
            if (std::string table = KeyTableOf(*keyed); !table.empty())
                return Described(std::move(keyed), std::move(table));
        } catch (const DbError&) {
            // Not a one-table select after all: the rows are read without keys.
        }
    }
    return Described(std::move(plain), "");
}

QueryResult ReadRows(SqliteQuery& query, std::size_t maxRows, bool& done) {
    QueryResult result;
    result.hasRows = true;
    result.columns = query.columns;
    result.keyTable = query.keyTable;
    result.rows = RowBlock(query.columns.size());
    SqliteStatement& statement = *query.statement;
    const int first = query.firstColumn;
    const int count = statement.ColumnCount();
    for (std::size_t row = 0; row < maxRows && !done; ++row) {
        if (!statement.Step()) {
            done = true;
            break;
        }
        for (int i = first; i < count; ++i) {
            const bool isDate = query.isDate[static_cast<std::size_t>(i - first)];
            if (!isDate && sqlite3_column_type(statement.Get(), i) == SQLITE_TEXT) {
                // Texts go straight into the block: most fields of a log row are texts.
                const auto* bytes =
                    static_cast<const char*>(sqlite3_column_blob(statement.Get(), i));
                const auto size =
                    static_cast<std::size_t>(sqlite3_column_bytes(statement.Get(), i));
                result.rows.AppendText(bytes ? std::string_view(bytes, size) : std::string_view());
            } else {
                result.rows.Append(statement.Column(i, isDate));
            }
        }
        if (first == 1) result.keys.push_back(RowKey{sqlite3_column_int64(statement.Get(), 0), {}});
    }
    return result;
}

namespace {

// The rows are copied, in the query's order, into a temporary table, and read from it by its
// rowid a chunk at a time, each chunk a short statement of its own. Stepping the query itself
// would be cheaper, and SQLite lets a connection commit while one of its statements reads, but
// that statement's read of the file lasts until the walk ends: the write-ahead log could then
// neither be copied back nor start over, and grew by every batch the session pass stored during
// the walk (to 2.9 GB over four million lines, three times the table's changed pages). The
// temporary table lives in a file of its own (temp_store=FILE), outside the log.
class SqliteRowWalk : public DbRowWalk {
  public:
    // `query` describes the rows; `table` holds them, its first column the key when keyed.
    SqliteRowWalk(std::shared_ptr<SqliteHandle> handle, SqliteQuery query, std::string table)
        : handle_(std::move(handle)), query_(std::move(query)), table_(std::move(table)) {
        // Rows are numbered from 1 in the query's order: the last number is the count.
        SqliteStatement last(handle_->db, "SELECT max(_rowid_) FROM temp." + table_);
        if (last.Step()) rows_ = sqlite3_column_int64(last.Get(), 0);
        query_.statement = std::make_unique<SqliteStatement>(
            handle_->db,
            "SELECT * FROM temp." + table_ + " WHERE _rowid_ > ?1 ORDER BY _rowid_ LIMIT ?2");
    }
    ~SqliteRowWalk() override {
        std::lock_guard lock(handle_->mutex);
        query_.statement.reset();
        sqlite3_exec(handle_->db, ("DROP TABLE IF EXISTS temp." + table_).c_str(), nullptr, nullptr,
                     nullptr);
    }

    QueryResult Next(std::size_t maxRows) override {
        std::lock_guard lock(handle_->mutex);
        SqliteStatement& statement = *query_.statement;
        statement.Reset();
        if (sqlite3_bind_int64(statement.Get(), 1, lastRow_) != SQLITE_OK ||
            sqlite3_bind_int64(statement.Get(), 2, static_cast<sqlite3_int64>(maxRows)) !=
                SQLITE_OK)
            ThrowSqliteError(handle_->db);
        bool done = false;
        QueryResult chunk = ReadRows(query_, maxRows, done);
        lastRow_ += static_cast<std::int64_t>(chunk.rows.Rows());
        // Nothing of the file stays read between chunks.
        statement.Reset();
        return chunk;
    }
    std::int64_t RowCount() const override { return rows_; }

  private:
    std::shared_ptr<SqliteHandle> handle_;
    SqliteQuery query_;
    std::string table_;
    std::int64_t lastRow_ = 0;  // rows were numbered from 1 in the query's order
    std::int64_t rows_ = 0;
};

}  // namespace

std::unique_ptr<DbRowWalk> WalkThroughTemporaryTable(std::shared_ptr<SqliteHandle> handle,
                                                     SqliteQuery query) {
    static std::atomic<std::uint64_t> walks{0};
    const std::string table = "kp_walk_" + std::to_string(++walks);
    const std::string rows = sqlite3_sql(query.statement->Get());
    query.statement.reset();
    {
        SqliteStatement copy(handle->db, "CREATE TEMP TABLE " + table + " AS " + rows);
        while (copy.Step()) {
        }
    }
    try {
        return std::make_unique<SqliteRowWalk>(handle, std::move(query), table);
    } catch (const DbError&) {
        sqlite3_exec(handle->db, ("DROP TABLE temp." + table).c_str(), nullptr, nullptr, nullptr);
        throw;
    }
}
