// Changes of many rows in one statement: the new values travel as arrays, one per column, and
// the server joins them to the rows by key. Sorted by key, the rows are visited in the table's
// order, and the statement costs one round trip however many rows it changes.
#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "db/DbError.h"
#include "db/PostgresConnection.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "db/PostgresValues.h"

namespace {

// One name per connection: a connection sets aside the changes of one pass at a time.
const char* const kStagedTable = "pg_temp.kp_staged_rows";

// An element of an array literal: NULL, or the value's text in double quotes.
void AppendElement(std::string& array, const std::optional<std::string>& value) {
    if (array.size() > 1) array += ',';
    if (!value) {
        array += "NULL";
        return;
    }
    array += '"';
    for (char c : *value) {
        if (c == '"' || c == '\\') array += '\\';
        array += c;
    }
    array += '"';
}

// A ctid "(block,item)" with its partition, as numbers for sorting.
std::tuple<std::int64_t, long long, long long> CtidOrder(const RowKey& key) {
    const char* text = key.text.c_str();
    char* end = nullptr;
    const long long block = std::strtoll(text + 1, &end, 10);
    const long long item = std::strtoll(end + 1, nullptr, 10);
    return {key.number, block, item};
}

class ChangesStatement {
  public:
    ChangesStatement(const RowChanges& changes, const std::vector<std::size_t>& rows)
        : changes_(changes), rows_(rows) {}

    // The statement that changes `rows`, addressed by id or by ctid. A column that some rows
    // leave as it is takes the row's own value there.
    PostgresStatement Make(const std::string& target, const std::vector<PostgresColumnRule>& rules,
                           bool byCtid) {
        KeyArrays(byCtid);
        std::vector<bool> everyRow;
        for (std::size_t column = 0; column < changes_.columns.size(); ++column)
            everyRow.push_back(ColumnArrays(column, rules[column], false));
        statement_.text = "UPDATE " + target + " AS kp_target SET " + Assignments(everyRow) +
                          " FROM unnest(" + arrays_ + ") AS kp_changes(" + names_ + ") WHERE " +
                          KeyCondition(byCtid);
        return std::move(statement_);
    }

    // The statement that sets `rows` aside in the staging table, every column with its flag.
    PostgresStatement MakeStaging(const std::vector<PostgresColumnRule>& rules, bool byCtid) {
        KeyArrays(byCtid);
        for (std::size_t column = 0; column < changes_.columns.size(); ++column)
            ColumnArrays(column, rules[column], true);
        statement_.text = std::string("INSERT INTO ") + kStagedTable + " (" + names_ +
                          ") SELECT * FROM unnest(" + arrays_ + ")";
        return std::move(statement_);
    }

    static std::string KeyCondition(bool byCtid) {
        return byCtid ? "kp_target.ctid = kp_changes.kp_key AND (kp_changes.kp_part = 0 OR "
                        "kp_target.tableoid = kp_changes.kp_part)"
                      : "kp_target.id = kp_changes.kp_key";
    }

    // The assignments of an UPDATE from kp_changes, which holds kp_g<i> for the columns that
    // not every row gives.
    static std::string Assignments(const std::vector<std::string>& columns,
                                   const std::vector<bool>& everyRow) {
        std::string assignments;
        for (std::size_t column = 0; column < columns.size(); ++column) {
            const std::string quoted = PostgresIdentifier(columns[column]);
            std::string value = "kp_changes.kp_v" + std::to_string(column);
            if (!everyRow[column])
                value = "CASE WHEN kp_changes.kp_g" + std::to_string(column) + " THEN " + value +
                        " ELSE kp_target." + quoted + " END";
            assignments += (column ? ", " : "") + quoted + " = " + value;
        }
        return assignments;
    }

  private:
    void KeyArrays(bool byCtid) {
        std::string keys = "{", partitions = "{";
        for (std::size_t row : rows_) {
            AppendElement(
                keys, byCtid ? changes_.keys[row].text : std::to_string(changes_.keys[row].number));
            if (byCtid) AppendElement(partitions, std::to_string(changes_.keys[row].number));
        }
        Array(keys, byCtid ? "tid" : "bigint", "kp_key");
        if (byCtid) Array(partitions, "oid", "kp_part");
    }

    std::string Assignments(const std::vector<bool>& everyRow) const {
        return Assignments(changes_.columns, everyRow);
    }

    // The values of one column, and which rows give it when not every row does (or always when
    // `withGiven`); true when every row gives it.
    bool ColumnArrays(std::size_t column, const PostgresColumnRule& rule, bool withGiven) {
        std::string values = "{", given = "{";
        bool everyRow = true;
        for (std::size_t row : rows_) {
            const bool gives = changes_.Gives(row, column);
            everyRow = everyRow && gives;
            AppendElement(values, gives ? ToPostgresParameter(changes_.values.At(row, column))
                                        : std::nullopt);
            AppendElement(given, gives ? "t" : "f");
        }
        Array(values, rule.typeName.empty() ? "text" : rule.typeName,
              "kp_v" + std::to_string(column));
        if (!everyRow || withGiven) Array(given, "boolean", "kp_g" + std::to_string(column));
        return everyRow;
    }

    void Array(const std::string& elements, const std::string& type, const std::string& name) {
        statement_.parameters.emplace_back(elements + "}");
        arrays_ += (arrays_.empty() ? "$" : ", $") + std::to_string(statement_.parameters.size()) +
                   "::" + type + "[]";
        names_ += (names_.empty() ? "" : ", ") + name;
    }

    const RowChanges& changes_;
    const std::vector<std::size_t>& rows_;
    PostgresStatement statement_;
    std::string arrays_, names_;
};

// The rows that change something, split by how they are addressed, each part in the table's
// order.
struct ChangedRows {
    std::vector<std::size_t> byId, byCtid;
};

ChangedRows SortedRows(const RowChanges& changes) {
    ChangedRows rows;
    for (std::size_t row = 0; row < changes.keys.size(); ++row)
        if (changes.given.empty() || changes.given[row] != 0)
            (changes.keys[row].text.empty() ? rows.byId : rows.byCtid).push_back(row);
    std::sort(rows.byId.begin(), rows.byId.end(), [&](std::size_t a, std::size_t b) {
        return changes.keys[a].number < changes.keys[b].number;
    });
    std::sort(rows.byCtid.begin(), rows.byCtid.end(), [&](std::size_t a, std::size_t b) {
        return CtidOrder(changes.keys[a]) < CtidOrder(changes.keys[b]);
    });
    return rows;
}

DbError StagingMisuse() {
    return DbError(*PackSqlState("55000"), "PostgreSQL",
                   "No changes of these columns and rows are set aside.");
}

}  // namespace

// Set aside in a temporary table, a batch at a time, the changes are stored by one UPDATE that
// visits the table once in key order. Stored batch by batch, each batch visited pages from all
// over the table: ten million lines took seven such sweeps.
void PostgresConnection::StageRows(const std::string& table, const RowChanges& changes,
                                   bool first) {
    const ChangedRows rows = SortedRows(changes);
    const bool byCtid = !rows.byCtid.empty();
    if (byCtid && !rows.byId.empty()) throw StagingMisuse();
    const std::size_t count = rows.byId.size() + rows.byCtid.size();
    const auto rules = ColumnRules(table, changes.columns);
    const PostgresStatement stage =
        ChangesStatement(changes, byCtid ? rows.byCtid : rows.byId).MakeStaging(rules, byCtid);
    std::lock_guard lock(mutex_);
    FlushLocked();
    if (first) {
        staged_.reset();
        std::string definition = byCtid ? "kp_key tid, kp_part oid" : "kp_key bigint";
        for (std::size_t column = 0; column < rules.size(); ++column)
            definition += ", kp_v" + std::to_string(column) + " " +
                          (rules[column].typeName.empty() ? "text" : rules[column].typeName) +
                          ", kp_g" + std::to_string(column) + " boolean";
        RunInSavepointOrDirect({std::string("DROP TABLE IF EXISTS ") + kStagedTable, {}, {}});
        RunInSavepointOrDirect(
            {std::string("CREATE TABLE ") + kStagedTable + " (" + definition + ")", {}, {}});
        staged_ = StagedRows{table, changes.columns, byCtid, 0};
    } else if (!staged_ || staged_->table != table || staged_->columns != changes.columns ||
               (count > 0 && staged_->byCtid != byCtid)) {
        throw StagingMisuse();
    }
    try {
        if (count > 0) RunInSavepointOrDirect(stage);
    } catch (const DbError&) {
        staged_.reset();
        throw;
    }
    staged_->rows += count;
}

void PostgresConnection::UpdateRows(const std::string& table, const RowChanges& changes) {
    const std::string target = PostgresIdentifier(table);
    const auto rules = ColumnRules(table, changes.columns);
    const ChangedRows rows = SortedRows(changes);
    std::optional<StagedRows> staged;
    {
        std::lock_guard lock(mutex_);
        staged = std::exchange(staged_, std::nullopt);
    }
    std::vector<PostgresStatement> statements;
    std::vector<std::size_t> rowCounts;
    if (staged) {
        const auto& part = staged->byCtid ? rows.byCtid : rows.byId;
        const auto& other = staged->byCtid ? rows.byId : rows.byCtid;
        if (staged->table != table || staged->columns != changes.columns || !other.empty())
            throw StagingMisuse();
        if (!part.empty()) {
            statements.push_back(
                ChangesStatement(changes, part).MakeStaging(rules, staged->byCtid));
            rowCounts.push_back(part.size());
        }
        statements.push_back(
            {"UPDATE " + target + " AS kp_target SET " +
                 ChangesStatement::Assignments(changes.columns,
                                               std::vector<bool>(changes.columns.size(), false)) +
                 " FROM (SELECT * FROM " + kStagedTable + " ORDER BY " +
                 (staged->byCtid ? "kp_part, kp_key" : "kp_key") + ") AS kp_changes WHERE " +
                 ChangesStatement::KeyCondition(staged->byCtid),
             {},
             {}});
        rowCounts.push_back(staged->rows + part.size());
    } else {
        for (const bool ctid : {false, true}) {
            const auto& part = ctid ? rows.byCtid : rows.byId;
            if (part.empty()) continue;
            statements.push_back(ChangesStatement(changes, part).Make(target, rules, ctid));
            rowCounts.push_back(part.size());
        }
    }

    std::lock_guard lock(mutex_);
    FlushLocked();
    const bool nested = InTransaction();
    RunDirect({nested ? "SAVEPOINT kp_rows" : "BEGIN", {}, {}});
    try {
        // The changes are sorted by key, so a nested loop over them visits the table in its own
        // order, each page once, by index or by ctid. Knowing how many changes there are, the
        // planner prefers a hash join, which for more changes than its memory holds sweeps the
        // table once for every part of the hash: twice the time for a pass's changes.
        PostgresResult join(PQexec(connection_.get(),
                                   "SET LOCAL enable_hashjoin = off; SET LOCAL "
                                   "enable_mergejoin = off"));
        if (!join || !IsOk(join.get())) ThrowFor(join.get());
        for (std::size_t i = 0; i < statements.size(); ++i) {
            PostgresResult r = RunDirect(statements[i]);
            if (std::string_view(PQcmdTuples(r.get())) != std::to_string(rowCounts[i]))
                throw MissingRowError();
        }
    } catch (const DbError&) {
        if (PQstatus(connection_.get()) == CONNECTION_OK) {
            PostgresResult undo(
                PQexec(connection_.get(), nested ? "ROLLBACK TO SAVEPOINT kp_rows; RELEASE "
                                                   "SAVEPOINT kp_rows"
                                                 : "ROLLBACK"));
            if (staged) DropStagedTable();
        }
        throw;
    }
    RunDirect({nested ? "RELEASE SAVEPOINT kp_rows" : "COMMIT", {}, {}});
    if (staged) DropStagedTable();
}

void PostgresConnection::DropStagedTable() noexcept {
    PostgresResult drop(
        PQexec(connection_.get(), (std::string("DROP TABLE IF EXISTS ") + kStagedTable).c_str()));
}
