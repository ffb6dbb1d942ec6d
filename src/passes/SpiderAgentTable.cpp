#include "passes/SpiderAgentTable.h"

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "passes/SqlText.h"

namespace {

const std::string kTable = "kp_spider_agents";

// Made from the column itself rather than declared, so that the two compare by the same rules
// (type and, on PostgreSQL, collation) whatever the table was made with. IF NOT EXISTS rather
// than a DROP first: a DROP of the bare name would remove a table of the database that happens
// to share it when no temporary one is there.
const std::string kCreate = "CREATE TEMP TABLE IF NOT EXISTS " + kTable +
                            " AS Select [%s_data].UserAgent From [%s_data] Where 0 = 1";

void Run(CADODatabase& db, const std::string& statement) {
    CADORecordset(db).Open(statement);
}

}  // namespace

SpiderAgentTable::SpiderAgentTable(CADODatabase& db, const std::string& base) : db_(db) {
    Run(db_, FormatWithBase(kCreate, base));
}

SpiderAgentTable::~SpiderAgentTable() {
    try {
        Run(db_, "DROP TABLE " + kTable);
    } catch (const CADOException&) {
        // The marks are stored by now, or their failure is being reported. A table left behind
        // is emptied by the next run on this connection and goes with the connection.
    }
}

void SpiderAgentTable::Fill(const std::vector<std::string>& agents) {
    Run(db_, "DELETE FROM " + kTable);
    CADORecordset rows(db_);
    rows.Open(kTable);
    for (const std::string& agent : agents) {
        rows.AddNew();
        rows.WriteFieldText("UserAgent", agent);
        rows.Update();
    }
    // Closing stores the last batch of rows; a refusal there must reach the caller.
    rows.Close();
}

std::string SpiderAgentTable::InCondition(const std::string& column) const {
    return column + " IN (Select UserAgent From " + kTable + ")";
}
