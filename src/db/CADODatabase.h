#pragma once
// A connection to the database named by a connection string (see ConnectionString.h and
// OpenConnection in Driver.h), and the commands run over it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/CADOException.h"
#include "db/DbSession.h"

class CADODatabase {
  public:
    CADODatabase() = default;
    virtual ~CADODatabase();
    CADODatabase(CADODatabase&&) noexcept = default;
    CADODatabase& operator=(CADODatabase&&) noexcept;
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    // Closes an open connection first. A non-empty string replaces the stored one; an empty one
    // reopens with the stored string. True when open; throws CADOException (code and the
    // driver's description) when the string is unusable or the database cannot be reached.
    bool Open(const std::string& connectionString = "");
    bool IsOpen() const;
    void Close();

    // Commits the rows stored so far. A row the database refuses only when its batch arrives is
    // reported here as the recordset would report it (CADOException::UnstoredRows tells which).
    void CommitPendingRows();
    // Commits the rows stored so far without waiting for the database's answer where the driver
    // allows: a refusal among them is reported by the next call (a commit, a statement, Close),
    // its UnstoredRows counting the rows stored since the commit before this one.
    void SendPendingRows();
    // Lets the database plan the following statements on what the table now holds: a table
    // filled since its statistics were last taken would otherwise be planned as if it were empty
    // (or as large as it once was).
    void RefreshStatistics(const std::string& table);

    // The shared connection for recordsets and commands; null before the first Open.
    std::shared_ptr<DbSession> GetConnection() const { return session_; }
    const std::string& GetConnectionString() const { return connectionString_; }
    // Whether another CADODatabase opened with GetConnectionString() works on the same rows, with
    // row keys that stay valid while this one changes them (DbConnection); false when not open.
    bool SharesRowsWithOtherConnections() const;

  private:
    void CommitAs(const std::function<void(DbSession&)>& commit);

    std::shared_ptr<DbSession> session_;
    std::string connectionString_;
};

class CADOCommand {
  public:
    CADOCommand(const CADODatabase& database, std::string statement);
    virtual ~CADOCommand() = default;
    CADOCommand(CADOCommand&&) noexcept = default;
    CADOCommand& operator=(CADOCommand&&) noexcept = default;

    // True after the statement ran; rows it returns are discarded. Throws CADOException with the
    // driver's description when it fails or when the database handle is not open.
    bool Execute();

    const std::string& Statement() const { return statement_; }

  private:
    std::shared_ptr<DbSession> session_;
    std::string statement_;
};
