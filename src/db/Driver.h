#pragma once
// The driver interface under the data-access layer. A driver turns the system's statements
// (written once: square-bracketed names, `datetime`, `text`, `varchar(n)`, a self-joining
// UPDATE) into its own SQL with the same effect, runs them and reports failures as DbError.
//
// Rules every driver keeps:
// - Each call runs exactly one statement; a text holding a second statement is refused.
// - A connection may be used from several threads: the driver serialises its statements (and
//   those of its prepared objects) with a mutex.
// - Texts are byte strings stored and read back byte for byte (0x00..0xFF).
// - A varchar(n) limit and NOT NULL are enforced: an over-long or missing value fails the row.
// - Messages that quote a statement quote the system's text, not the driver's translation.
// - Prepared objects (DbInsert, DbUpdate) are destroyed before their connection.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "db/DbError.h"
#include "db/FieldValue.h"
#include "db/RowBlock.h"

class ConnectionString;

// Addresses one row of a table for a later update: SQLite's rowid, or a text key for drivers
// whose row addresses are text.
struct RowKey {
    std::int64_t number = 0;
    std::string text;
    bool operator==(const RowKey&) const = default;
};

// What a statement produced.
struct QueryResult {
    bool hasRows = false;  // false: the statement yields no result set (UPDATE, DELETE, ...)
    std::vector<std::string> columns;
    RowBlock rows;
    // The table the rows come from when each can be updated by its key, else empty; `keys` then
    // holds one key per row.
    std::string keyTable;
    std::vector<RowKey> keys;
};

// Changes of many rows of one table: row i of `values` (one field per column) goes to the row
// addressed by keys[i]. Where `given` is not empty, row i changes only the columns whose bits
// are set in given[i] (none: the row is left alone) and the others keep what they hold. A row
// appears at most once.
struct RowChanges {
    std::vector<std::string> columns;  // at most 32
    std::vector<RowKey> keys;
    RowBlock values;
    std::vector<std::uint32_t> given;

    bool Gives(std::size_t row, std::size_t column) const {
        return given.empty() || (given[row] >> column & 1) != 0;
    }
    // The rows' numbers in the order of their keys' numbers: the table's order for rowids and ids.
    std::vector<std::size_t> KeyOrder() const {
        std::vector<std::size_t> order(keys.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a].number < keys[b].number; });
        return order;
    }
};

struct IndexDefinition {
    std::string table;
    std::string name;
    std::vector<std::string> columns;
    bool primaryKey = false;
    bool unique = false;
};

// A prepared INSERT of one column set into one table.
class DbInsert {
  public:
    virtual ~DbInsert() = default;
    // `values` line up with the columns given when preparing.
    virtual void Insert(std::span<const FieldValue> values) = 0;
};

// A prepared UPDATE of one column set of one row, addressed by its key.
class DbUpdate {
  public:
    virtual ~DbUpdate() = default;
    // Returns the row's key after the change (unchanged for SQLite; drivers whose keys move on
    // update return the new one). A key that matches no row is a DbError.
    virtual RowKey Update(const RowKey& key, std::span<const FieldValue> values) = 0;
};

// A query's rows read forward only, a chunk at a time, so that a result as large as a table
// never sits in memory whole. Like the prepared objects, a walk is destroyed before its
// connection; the connection stays usable for other statements (writes included) while it is
// open, and rows changed meanwhile do not change what the walk yields.
class DbRowWalk {
  public:
    virtual ~DbRowWalk() = default;
    // The next rows, at most `maxRows` (> 0), with columns and keys as Query gives them; rows
    // empty once the walk is past its last row.
    virtual QueryResult Next(std::size_t maxRows) = 0;
    // How many rows the walk yields in all, known from the start.
    virtual std::int64_t RowCount() const = 0;
};

class DbConnection {
  public:
    virtual ~DbConnection() = default;

    // Runs one statement; rows it returns are discarded.
    virtual void Execute(const std::string& sql) = 0;
    // Runs one statement. A query returns its column names and all of its rows; when the rows
    // come from one table they carry keys for UpdateRow.
    virtual QueryResult Query(const std::string& sql) = 0;
    // The rows of one SELECT, read as Query reads them but a chunk at a time.
    virtual std::unique_ptr<DbRowWalk> Walk(const std::string& sql) = 0;

    // Table list questions; names are compared the way the database compares them.
    virtual bool HasTable(const std::string& table) = 0;
    // The table's columns in table order; a DbError when the table does not exist.
    virtual std::vector<std::string> TableColumns(const std::string& table) = 0;
    virtual void CreateIndex(const IndexDefinition& index) = 0;
    // Brings the planner's picture of the table up to date after many rows were written.
    virtual void RefreshStatistics(const std::string& table) = 0;

    virtual std::unique_ptr<DbInsert> PrepareInsert(const std::string& table,
                                                    const std::vector<std::string>& columns) = 0;
    virtual std::unique_ptr<DbUpdate> PrepareUpdate(const std::string& table,
                                                    const std::vector<std::string>& columns) = 0;

    // Stores every change, with those set aside by StageRows, in one transaction, all or
    // nothing, the rows taken in the table's own order. A key that matches no row fails it.
    // Runs outside the batches of Begin/Commit.
    virtual void UpdateRows(const std::string& table, const RowChanges& changes) = 0;
    // Sets changes aside for the next UpdateRows of the same table and columns, which stores them
    // together with its own. A pass with more changes than it keeps in memory thus gets them
    // stored in one sweep of the table instead of one per batch. `first` starts a new set and
    // forgets one that a failed pass left behind. A driver may store them at once instead (the
    // default), each call then being all or nothing on its own.
    virtual void StageRows(const std::string& table, const RowChanges& changes, bool /*first*/) {
        UpdateRows(table, changes);
    }

    // Groups the following writes into one transaction. The layer's core decides when (see
    // DbSession); a failing statement inside it must leave the earlier writes of the group to
    // be committed by the next Commit, and not store the failing row.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    // Commits like Commit, but may return before the database has answered, so that the caller
    // prepares its next rows meanwhile; the database commits the rows on its own. A refusal of
    // them is thrown by the next call on the connection, with UnstoredRows counting every row
    // handed over since the commit before this one.
    virtual void SendCommit() { Commit(); }

    // Whether a second connection opened with the same connection string works on the same rows,
    // and row keys read over either stay valid while the other changes those rows. SQLite's
    // rowids do, in a database file (an in-memory one is its connection's alone); a PostgreSQL
    // row key may be the address of a row version (ctid), which a change replaces.
    virtual bool SharesRowsWithOtherConnections() const { return false; }

    // `text` as a string literal of this database, quotes and all.
    virtual std::string SqlStringLiteral(const std::string& text) const = 0;
    // The driver's message for one of its error codes, or empty when it has none.
    virtual std::string CodeMessage(std::int32_t code) const = 0;
};

// The drivers' entry points. The factory (DriverFactory.cpp) lists them by provider name so that
// the layer's core needs none of the client libraries' headers. Open* throws DbError.
std::unique_ptr<DbConnection> OpenSqliteConnection(const ConnectionString& settings);
std::string SqliteCodeMessage(std::int32_t code);
std::unique_ptr<DbConnection> OpenPostgresConnection(const ConnectionString& settings);
std::string PostgresCodeMessage(std::int32_t code);
// A whole connection string that is a postgresql:// (or postgres://) URI.
std::unique_ptr<DbConnection> OpenPostgresUri(const std::string& uri);

// Parses the connection string and opens the driver its "Provider" key names ("SQLite",
// "PostgreSQL"; any letter case), or the PostgreSQL driver for a text that is just a
// postgresql:// URI. Throws DbError for an empty or malformed string, an unknown or
// missing provider, or a failing open; the text never holds the connection string.
std::unique_ptr<DbConnection> OpenConnection(const std::string& connectionString);

// The first driver message for the code, or empty when no driver knows it.
std::string DriverCodeMessage(std::int32_t code);
