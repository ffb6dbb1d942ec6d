#include "db/SqliteStagedRows.h"

#include "db/SqliteConnection.h"
#include "db/SqliteStatement.h"

namespace {

// One name per connection: a connection sets aside the changes of one pass at a time.
const char* const kStagedTable = "temp.kp_staged_rows";

void Run(sqlite3* db, const std::string& sql) {
    SqliteStatement statement(db, sql);
    while (statement.Step()) {
    }
}

std::string ValueColumn(std::size_t column) {
    return "kp_v" + std::to_string(column);
}

}  // namespace

SqliteStagedRows::SqliteStagedRows(sqlite3* db, std::string table, std::vector<std::string> columns)
    : db_(db), table_(std::move(table)), columns_(std::move(columns)) {
    Run(db_, std::string("DROP TABLE IF EXISTS ") + kStagedTable);
    // The key is the rowid, so the table is kept in the target's order and the UPDATE below
    // meets each target page once. Which columns a change gives is a bit set, as in RowChanges.
    std::string definition = std::string("CREATE TABLE ") + kStagedTable +
                             " (kp_key INTEGER PRIMARY KEY, kp_given INTEGER NOT NULL";
    for (std::size_t column = 0; column < columns_.size(); ++column)
        definition += ", " + ValueColumn(column);
    Run(db_, definition + ")");
}

SqliteStagedRows::~SqliteStagedRows() {
    sqlite3_exec(db_, (std::string("DROP TABLE IF EXISTS ") + kStagedTable).c_str(), nullptr,
                 nullptr, nullptr);
}

void SqliteStagedRows::Add(const RowChanges& changes) {
    std::string sql = std::string("INSERT INTO ") + kStagedTable + " VALUES (?, ?";
    for (std::size_t column = 0; column < columns_.size(); ++column) sql += ", ?";
    SqliteStatement insert(db_, sql + ")");
    // In key order, each batch fills the temporary table's pages one after the other.
    std::vector<FieldValue> values;  // bound until the Step
    std::uint64_t added = 0;
    for (const std::size_t row : changes.KeyOrder()) {
        std::uint32_t given = 0;
        values.assign({FieldValue::Int64(changes.keys[row].number), FieldValue::Null()});
        for (std::size_t column = 0; column < columns_.size(); ++column) {
            const bool gives = changes.Gives(row, column);
            if (gives) given |= std::uint32_t{1} << column;
            values.push_back(gives ? changes.values.At(row, column) : FieldValue::Null());
        }
        if (given == 0) continue;
        values[1] = FieldValue::Int64(given);
        insert.Reset();
        for (std::size_t i = 0; i < values.size(); ++i)
            insert.Bind(static_cast<int>(i) + 1, values[i]);
        insert.Step();
        ++added;
    }
    rows_ += added;
}

void SqliteStagedRows::Store() {
    const std::string target = SqliteQuotedName(table_);
    std::string assignments;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        const std::string name = SqliteQuotedName(columns_[column]);
        assignments += (column ? ", " : "") + name + " = CASE WHEN kp_staged.kp_given >> " +
                       std::to_string(column) + " & 1 THEN kp_staged." + ValueColumn(column) +
                       " ELSE " + name + " END";
    }
    Run(db_, "UPDATE " + target + " SET " + assignments + " FROM " + kStagedTable +
                 " AS kp_staged WHERE " + target + ".rowid = kp_staged.kp_key");
    if (static_cast<std::uint64_t>(sqlite3_changes64(db_)) != rows_) throw SqliteRowGoneError();
}
