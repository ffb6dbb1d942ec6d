#pragma once
// Changes of one table set aside in a temporary table until one UPDATE ... FROM stores them all.
// A pass with more changes than it keeps in memory hands them over a batch at a time; stored
// batch by batch, each batch would rewrite pages from all over the table (ten million lines took
// seven such sweeps), while the one statement sweeps the table once, in rowid order.
//
// Every member expects the caller to hold the connection's lock.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/Driver.h"

class SqliteStagedRows {
  public:
    // Makes the temporary table afresh: one that a failed pass left behind is dropped first.
    SqliteStagedRows(sqlite3* db, std::string table, std::vector<std::string> columns);
    ~SqliteStagedRows();
    SqliteStagedRows(const SqliteStagedRows&) = delete;
    SqliteStagedRows& operator=(const SqliteStagedRows&) = delete;

    bool Holds(const std::string& table, const std::vector<std::string>& columns) const {
        return table == table_ && columns == columns_;
    }

    // Sets the changes aside, whole or not at all. A row set aside twice fails.
    void Add(const RowChanges& changes);
    // Stores every change set aside in one statement inside the caller's savepoint; a change
    // whose row is gone fails it.
    void Store();

  private:
    sqlite3* db_;
    std::string table_;
    std::vector<std::string> columns_;
    std::uint64_t rows_ = 0;
};
