// The table list questions of the PostgreSQL driver. Names are resolved through the search path,
// folded the way the program's statements fold them (PostgresDialect.h), so that HasTable finds
// exactly the table a later statement would use.
#include "db/DbError.h"
#include "db/PostgresConnection.h"
#include "db/PostgresDialect.h"
#include "db/PostgresErrorCode.h"
#include "textfiles/Utf8.h"

namespace {

std::string JoinIdentifiers(const std::vector<std::string>& names) {
    std::string list;
    for (const auto& name : names) list += (list.empty() ? "" : ", ") + PostgresIdentifier(name);
    return list;
}

}  // namespace

bool PostgresConnection::HasTable(const std::string& table) {
    // A name that is not UTF-8 cannot name a table of this database.
    if (!IsValidUtf8(table) || table.find('\0') != std::string::npos) return false;
    PostgresResult r =
        Run({"SELECT 1 FROM pg_catalog.pg_class WHERE oid = to_regclass($1) AND "
             "relkind IN ('r', 'p', 'v', 'm', 'f')",
             {PostgresIdentifier(table)},
             {}});
    return PQntuples(r.get()) == 1;
}

std::vector<std::string> PostgresConnection::TableColumns(const std::string& table) {
    PostgresResult r;
    if (IsValidUtf8(table) && table.find('\0') == std::string::npos)
        r =
            Run({"SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = to_regclass($1) "
                 "AND attnum > 0 AND NOT attisdropped ORDER BY attnum",
                 {PostgresIdentifier(table)},
                 {}});
    if (!r || PQntuples(r.get()) == 0)
        throw DbError(*PackSqlState("42P01"), "PostgreSQL",
                      "relation \"" + table + "\" does not exist");
    std::vector<std::string> columns;
    for (int row = 0; row < PQntuples(r.get()); ++row)
        columns.emplace_back(PQgetvalue(r.get(), row, 0));
    return columns;
}

void PostgresConnection::CreateIndex(const IndexDefinition& index) {
    const std::string table = PostgresIdentifier(index.table);
    const std::string name = PostgresIdentifier(index.name);
    const std::string columns = JoinIdentifiers(index.columns);
    // A primary key is a constraint here; its index carries the constraint's name.
    if (index.primaryKey)
        Run({"ALTER TABLE " + table + " ADD CONSTRAINT " + name + " PRIMARY KEY (" + columns + ")",
             {},
             {}});
    else
        Run({std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " + name + " ON " +
                 table + " (" + columns + ")",
             {},
             {}});
}

// A table just filled has no statistics, or those of what it held before a reset: the planner
// then takes a million rows for a few and joins them row by row. A small sample tells it enough
// for the passes' statements in a tenth of the time; the server's own automatic analysis takes a
// full one later, once the passes' changes call for it.
void PostgresConnection::RefreshStatistics(const std::string& table) {
    std::lock_guard lock(mutex_);
    FlushLocked();
    PostgresResult r(
        PQexec(connection_.get(), ("BEGIN; SET LOCAL default_statistics_target = 10; ANALYZE " +
                                   PostgresIdentifier(table) + "; COMMIT")
                                      .c_str()));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        DbError error = ErrorFor(r.get());
        PostgresResult undo(PQexec(connection_.get(), "ROLLBACK"));
        throw error;
    }
}
