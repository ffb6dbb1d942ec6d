// Changes of many rows in one statement: the new values travel as arrays, one per column, and
// the server joins them to the rows by key. Sorted by key, the rows are visited in the table's
// order, and the statement costs one round trip however many rows it changes.
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "db/DbError.h"
#include "db/PostgresConnection.h"
#include "db/PostgresDialect.h"
#include "db/PostgresValues.h"

namespace {

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
    PostgresStatement Make(const std::string& target,
                           const std::vector<PostgresColumnRule>& rules, bool byCtid) {
        std::string keys = "{", partitions = "{";
        for (std::size_t row : rows_) {
            AppendElement(keys, byCtid ? changes_.keys[row].text
                                       : std::to_string(changes_.keys[row].number));
            if (byCtid) AppendElement(partitions, std::to_string(changes_.keys[row].number));
        }
        Array(keys, byCtid ? "tid" : "bigint", "kp_key");
        if (byCtid) Array(partitions, "oid", "kp_part");
        std::string assignments;
        for (std::size_t column = 0; column < changes_.columns.size(); ++column) {
            std::string values = "{", given = "{";
            bool everyRow = true;
            for (std::size_t row : rows_) {
                const bool gives = changes_.Gives(row, column);
                everyRow = everyRow && gives;
                AppendElement(values, gives ? ToPostgresParameter(changes_.values.At(row, column))
                                            : std::nullopt);
                AppendElement(given, gives ? "t" : "f");
            }
            const std::string name = "kp_v" + std::to_string(column);
            Array(values, rules[column].typeName.empty() ? "text" : rules[column].typeName, name);
            const std::string quoted = PostgresIdentifier(changes_.columns[column]);
            std::string value = "kp_changes." + name;
            if (!everyRow) {
                Array(given, "boolean", "kp_g" + std::to_string(column));
                value = "CASE WHEN kp_changes.kp_g" + std::to_string(column) + " THEN " + value +
                        " ELSE kp_target." + quoted + " END";
            }
            assignments += (column ? ", " : "") + quoted + " = " + value;
        }
        statement_.text = "UPDATE " + target + " AS kp_target SET " + assignments +
                          " FROM unnest(" + arrays_ + ") AS kp_changes(" + names_ + ") WHERE " +
                          (byCtid ? "kp_target.ctid = kp_changes.kp_key AND (kp_changes.kp_part = "
                                    "0 OR kp_target.tableoid = kp_changes.kp_part)"
                                  : "kp_target.id = kp_changes.kp_key");
        return std::move(statement_);
    }

  private:
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

}  // namespace

void PostgresConnection::UpdateRows(const std::string& table, const RowChanges& changes) {
    const std::string target = PostgresIdentifier(table);
    const auto rules = ColumnRules(table, changes.columns);
    std::vector<std::size_t> byId, byCtid;
    for (std::size_t row = 0; row < changes.keys.size(); ++row)
        if (changes.given.empty() || changes.given[row] != 0)
            (changes.keys[row].text.empty() ? byId : byCtid).push_back(row);
    std::sort(byId.begin(), byId.end(), [&](std::size_t a, std::size_t b) {
        return changes.keys[a].number < changes.keys[b].number;
    });
    std::sort(byCtid.begin(), byCtid.end(), [&](std::size_t a, std::size_t b) {
        return CtidOrder(changes.keys[a]) < CtidOrder(changes.keys[b]);
    });
    std::vector<PostgresStatement> statements;
    std::vector<std::size_t> rowCounts;
    for (const bool ctid : {false, true}) {
        const auto& rows = ctid ? byCtid : byId;
        if (rows.empty()) continue;
        statements.push_back(ChangesStatement(changes, rows).Make(target, rules, ctid));
        rowCounts.push_back(rows.size());
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
        PostgresResult join(
            PQexec(connection_.get(), "SET LOCAL enable_hashjoin = off; SET LOCAL "
                                      "enable_mergejoin = off"));
        if (!join || !IsOk(join.get())) ThrowFor(join.get());
        for (std::size_t i = 0; i < statements.size(); ++i) {
            PostgresResult r = RunDirect(statements[i]);
            if (std::string_view(PQcmdTuples(r.get())) != std::to_string(rowCounts[i]))
                throw MissingRowError();
        }
    } catch (const DbError&) {
        if (PQstatus(connection_.get()) == CONNECTION_OK) {
            PostgresResult undo(PQexec(connection_.get(),
                                       nested ? "ROLLBACK TO SAVEPOINT kp_rows; RELEASE "
                                                "SAVEPOINT kp_rows"
                                              : "ROLLBACK"));
        }
        throw;
    }
    RunDirect({nested ? "RELEASE SAVEPOINT kp_rows" : "COMMIT", {}, {}});
}
