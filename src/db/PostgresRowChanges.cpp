// Changes of many rows in one statement per column set: the new values travel as arrays, one per
// column, and the server joins them to the rows by key. Sorted by key, the rows are visited in
// the table's order, and the statement costs one round trip however many rows it changes.
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

// A ctid "(block,item)" as numbers, for sorting.
std::tuple<std::int64_t, long long, long long> CtidOrder(const RowKey& key) {
    const char* text = key.text.c_str();
    char* end = nullptr;
    const long long block = std::strtoll(text + 1, &end, 10);
    const long long item = std::strtoll(end + 1, nullptr, 10);
    return {key.number, block, item};
}

// The statement that changes the rows `rows` of `change`, addressed by id or by ctid.
PostgresStatement ChangesStatement(const std::string& target, const RowChanges& change,
                                   const std::vector<PostgresColumnRule>& rules,
                                   const std::vector<std::size_t>& rows, bool byCtid) {
    PostgresStatement statement;
    std::string keys = "{", partitions = "{";
    for (std::size_t row : rows) {
        AppendElement(keys, byCtid ? change.keys[row].text : std::to_string(change.keys[row].number));
        if (byCtid) AppendElement(partitions, std::to_string(change.keys[row].number));
    }
    statement.parameters.emplace_back(keys + "}");
    std::string arrays = byCtid ? "$1::tid[], $2::oid[]" : "$1::bigint[]";
    std::string names = byCtid ? "kp_key, kp_part" : "kp_key";
    if (byCtid) statement.parameters.emplace_back(partitions + "}");
    std::string assignments;
    for (std::size_t column = 0; column < change.columns.size(); ++column) {
        std::string values = "{";
        for (std::size_t row : rows)
            AppendElement(values, ToPostgresParameter(change.values.At(row, column)));
        statement.parameters.emplace_back(values + "}");
        const std::string name = "kp_v" + std::to_string(column);
        const std::string& type = rules[column].typeName.empty() ? "text" : rules[column].typeName;
        arrays += ", $" + std::to_string(statement.parameters.size()) + "::" + type + "[]";
        names += ", " + name;
        assignments += (column ? ", " : "") + PostgresIdentifier(change.columns[column]) +
                       " = kp_changes." + name;
    }
    statement.text = "UPDATE " + target + " AS kp_target SET " + assignments + " FROM unnest(" +
                     arrays + ") AS kp_changes(" + names + ") WHERE " +
                     (byCtid ? "kp_target.ctid = kp_changes.kp_key AND (kp_changes.kp_part = 0 "
                               "OR kp_target.tableoid = kp_changes.kp_part)"
                             : "kp_target.id = kp_changes.kp_key");
    return statement;
}

}  // namespace

void PostgresConnection::UpdateRows(const std::string& table,
                                    std::span<const RowChanges> changes) {
    const std::string target = PostgresIdentifier(table);
    std::vector<PostgresStatement> statements;
    std::vector<std::size_t> rowCounts;
    for (const RowChanges& change : changes) {
        const auto rules = ColumnRules(table, change.columns);
        std::vector<std::size_t> byId, byCtid;
        for (std::size_t row = 0; row < change.keys.size(); ++row)
            (change.keys[row].text.empty() ? byId : byCtid).push_back(row);
        std::sort(byId.begin(), byId.end(), [&](std::size_t a, std::size_t b) {
            return change.keys[a].number < change.keys[b].number;
        });
        std::sort(byCtid.begin(), byCtid.end(), [&](std::size_t a, std::size_t b) {
            return CtidOrder(change.keys[a]) < CtidOrder(change.keys[b]);
        });
        for (const bool ctid : {false, true}) {
            const auto& rows = ctid ? byCtid : byId;
            if (rows.empty()) continue;
            statements.push_back(ChangesStatement(target, change, rules, rows, ctid));
            rowCounts.push_back(rows.size());
        }
    }

    std::lock_guard lock(mutex_);
    FlushLocked();
    const bool nested = InTransaction();
    RunDirect({nested ? "SAVEPOINT kp_rows" : "BEGIN", {}, {}});
    try {
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
