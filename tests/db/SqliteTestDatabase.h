#pragma once
// A fresh SQLite database file in a temporary folder, and the target table in it.

#include <string>

#include "db/CADODatabase.h"
#include "support/TestSupport.h"

class SqliteTestDatabase {
  public:
    SqliteTestDatabase() : connectionString_("Provider=SQLite;Data Source=" + dir_.File("t.db")) {}

    const std::string& ConnectionString() const { return connectionString_; }
    std::string FileName() const { return dir_.File("t.db"); }
    const TempDir& Dir() const { return dir_; }

    // An open handle; the caller keeps it for the test.
    CADODatabase Open() const {
        CADODatabase db;
        db.Open(connectionString_);
        return db;
    }

    // Runs one statement over a connection of its own.
    void Run(const std::string& sql) const {
        CADODatabase db = Open();
        CADOCommand(db, sql).Execute();
    }

    // Creates `<base>_data` with its fixed schema and index.
    void CreateTargetTable(const std::string& base) const;

  private:
    TempDir dir_;
    std::string connectionString_;
};
