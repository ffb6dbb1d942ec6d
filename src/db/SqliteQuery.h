#pragma once
// The SQLite driver's queries: their statement and the shape of their rows, read all at once
// (Query) or a chunk at a time (Walk).

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/SqliteConnection.h"
#include "db/SqliteStatement.h"

// A query ready to step, with what its rows look like.
struct SqliteQuery {
    std::unique_ptr<SqliteStatement> statement;
    bool yieldsRows = true;  // false: a statement such as UPDATE
    int firstColumn = 0;     // 1 when column 0 holds the rowid
    std::string keyTable;
    std::vector<std::string> columns;
    std::vector<bool> isDate;
};

// The statement of a query, with each row's rowid in front when the rows come from one table.
// Call with the handle's lock held. Throws DbError.
SqliteQuery PrepareQuery(sqlite3* db, const std::string& translated);

// Steps up to `maxRows` rows of the query; `done` is set once the statement has no more.
QueryResult ReadRows(SqliteQuery& query, std::size_t maxRows, bool& done);

// A walk over the rows of `query` (of `handle`'s connection). Call with the handle's lock held.
std::unique_ptr<DbRowWalk> WalkThroughTemporaryTable(std::shared_ptr<SqliteHandle> handle,
                                                     SqliteQuery query);
