#pragma once
// The user agents that the spider list matched, held in a temporary table of the connection, so
// that one UPDATE marks all of their rows on the server instead of the client changing them
// row by row.

#include <string>
#include <vector>

class CADODatabase;

class SpiderAgentTable {
  public:
    // Creates the table unless one of an earlier run on this connection is still there; its
    // column copies the type of `<base>_data`.UserAgent, so comparing the two compares the
    // stored forms. Throws CADOException.
    SpiderAgentTable(CADODatabase& db, const std::string& base);
    // Drops the table.
    ~SpiderAgentTable();
    SpiderAgentTable(const SpiderAgentTable&) = delete;
    SpiderAgentTable& operator=(const SpiderAgentTable&) = delete;

    // Replaces the table's rows with `agents`, written as the rows of `<base>_data` are, so that
    // each is stored in the same form. Throws CADOException.
    void Fill(const std::vector<std::string>& agents);

    // A condition for a statement on this connection: `column` holds one of the agents. The
    // table is named without a schema, and a temporary table hides a table of the database
    // that shares its name.
    std::string InCondition(const std::string& column) const;

  private:
    CADODatabase& db_;
};
