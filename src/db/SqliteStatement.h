#pragma once
// One prepared SQLite statement, finalized with its owner; binding and reading in the layer's
// value type.

#include <sqlite3.h>

#include <string>

#include "db/DbError.h"
#include "db/FieldValue.h"

class SqliteStatement {
  public:
    // Refuses a text holding more than one statement, and an empty one. Throws DbError.
    SqliteStatement(sqlite3* db, const std::string& sql);
    ~SqliteStatement() { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* Get() const { return statement_; }
    int ColumnCount() const { return sqlite3_column_count(statement_); }

    // Texts are bound with their length, so every byte, 0x00 included, is stored.
    // The value must stay alive until the next Step.
    void Bind(int index, const FieldValue& value);
    // True when a row is ready; false when the statement is done. Throws DbError.
    bool Step();
    void Reset();
    // `isDateColumn`: the column is declared as a date or time, so its text is read as one.
    FieldValue Column(int index, bool isDateColumn) const;
    // Whether the column's declared type is a date or time type.
    bool IsDateColumn(int index) const;

  private:
    sqlite3_stmt* statement_ = nullptr;
};

// The current error of the connection as DbError.
[[noreturn]] void ThrowSqliteError(sqlite3* db);
// A change found no row to change: it was deleted since it was read.
DbError SqliteRowGoneError();
