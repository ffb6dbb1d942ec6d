#pragma once
// The SQLite driver: one database file, opened (and created when missing) from
// `Provider=SQLite;Data Source=<file>`.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "db/Driver.h"
#include "db/SqliteStagedRows.h"

// The open database and the lock that serialises every statement on it. Prepared objects hold
// it too, so the file is closed when the last of them is gone.
struct SqliteHandle {
    explicit SqliteHandle(sqlite3* handle) : db(handle) {}
    ~SqliteHandle() { sqlite3_close_v2(db); }
    SqliteHandle(const SqliteHandle&) = delete;
    SqliteHandle& operator=(const SqliteHandle&) = delete;

    sqlite3* db;
    std::mutex mutex;
    // Rows inserted or changed since the last commit: what a failed commit takes with it.
    std::uint64_t rowsSinceCommit = 0;
};

class SqliteConnection : public DbConnection {
  public:
    // Throws DbError with a cause the user can act on; the text never names the file.
    explicit SqliteConnection(const std::string& fileName);

    void Execute(const std::string& sql) override;
    QueryResult Query(const std::string& sql) override;
    std::unique_ptr<DbRowWalk> Walk(const std::string& sql) override;
    bool HasTable(const std::string& table) override;
    std::vector<std::string> TableColumns(const std::string& table) override;
    void CreateIndex(const IndexDefinition& index) override;
    void RefreshStatistics(const std::string& table) override;
    std::unique_ptr<DbInsert> PrepareInsert(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    std::unique_ptr<DbUpdate> PrepareUpdate(const std::string& table,
                                            const std::vector<std::string>& columns) override;
    void UpdateRows(const std::string& table, const RowChanges& changes) override;
    void StageRows(const std::string& table, const RowChanges& changes, bool first) override;
    void Begin() override;
    void Commit() override;
    bool SharesRowsWithOtherConnections() const override;
    std::string SqlStringLiteral(const std::string& text) const override;
    std::string CodeMessage(std::int32_t code) const override { return SqliteCodeMessage(code); }

  private:
    // The settings every connection works with; the first statement reads the file.
    void Configure();
    void ExecuteLocked(const std::string& sql);
    void RollBackOpenTransactionLocked();

    void UpdateRowByRowLocked(const std::string& table, const RowChanges& changes);

    std::shared_ptr<SqliteHandle> handle_;
    std::unique_ptr<SqliteStagedRows> staged_;
    bool inTransaction_ = false;  // Begin was called and Commit not yet
};

// "name" with inner quotes doubled: our own generated SQL quotes every name this way.
std::string SqliteQuotedName(const std::string& name);
