#pragma once
// Questions about the database's structure: does a table exist, and give a new table its index.
// None of these raise or show anything; false is the only sign of failure.

#include <memory>
#include <string>
#include <vector>

#include "db/DbSession.h"

class CADOXIndex;

class CADOXCatalog {
  public:
    CADOXCatalog() = default;
    ~CADOXCatalog() = default;
    CADOXCatalog(const CADOXCatalog&) = delete;
    CADOXCatalog& operator=(const CADOXCatalog&) = delete;

    // Opens a new catalog connection, which replaces (and closes) the one of the previous catalog
    // Open in this process; the last one stays open until the next Open or the end of the program.
    bool Open(const std::string& connectionString);

    // The catalog's connection, or null when Open failed or was not called.
    std::shared_ptr<DbSession> Connection() const { return connection_; }

    // The connection in the process-wide slot, for tests of its lifetime.
    static std::shared_ptr<DbSession> OpenCatalogConnection();

  private:
    std::shared_ptr<DbSession> connection_;
};

class CADOXTable {
  public:
    explicit CADOXTable(const CADOXCatalog& catalog) : connection_(catalog.Connection()) {}
    CADOXTable(const CADOXTable&) = delete;
    CADOXTable& operator=(const CADOXTable&) = delete;

    // True when the catalog's database has a table of that name (compared as the database does).
    bool Open(const std::string& name);
    // Creates the index on the opened table.
    bool AddIndex(const CADOXIndex& index);

    const std::string& Name() const { return name_; }

  private:
    std::shared_ptr<DbSession> connection_;
    std::string name_;
};

class CADOXIndex {
  public:
    void Create(const std::string& name);
    // The column's type comes from the table; the index only needs its name.
    void AddColumn(const std::string& column);
    void SetPrimaryAndUnique();

    const std::string& Name() const { return name_; }
    const std::vector<std::string>& Columns() const { return columns_; }
    bool IsPrimaryKey() const { return primaryKey_; }
    bool IsUnique() const { return unique_; }

  private:
    std::string name_;
    std::vector<std::string> columns_;
    bool primaryKey_ = false;
    bool unique_ = false;
};

// True when the database named by the connection string has the table; false for a missing
// table and for a database that cannot be opened.
bool TableExists(const std::string& connectionString, const std::string& tableName);
