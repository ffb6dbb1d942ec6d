// The "IP -> Hostnames" button: starts the reverse DNS pass on its own connection, or pauses the
// running one. A click during a pass arrives here through the pass's message pumping.
#include <exception>
#include <string>

#include "app/CKestrelportDlg.h"
#include "db/CADODatabase.h"
#include "db/CADOXCatalog.h"
#include "pipeline/TargetTable.h"

namespace {

bool CanOpenDatabase(const std::string& connectionString) {
    try {
        CADODatabase db;
        return db.Open(connectionString);
    } catch (const CADOException&) {
        return false;
    }
}

}  // namespace

void CKestrelportDlg::OnLookupButton() {
    // A pause must not depend on the fields: the user may have changed or emptied them since the
    // pass started, and the pass keeps working on what it was started with.
    if (LookupRunning.load(std::memory_order_relaxed) == 1) {
        LookupRunning.store(0, std::memory_order_relaxed);
        ShowLookupRunning(false);
        return;
    }
    UpdateData(true);
    if (ConnectionString.empty()) return;
    if (const std::string problem = TargetBaseNameProblem(TableBaseName); !problem.empty()) {
        MessageBox(problem);
        return;
    }
    if (!TableExists(ConnectionString, TargetTableName(TableBaseName))) {
        // The catalog answers no as well when it cannot reach the database at all (a wrong
        // password, a file it may not open): then that is what the user needs to hear.
        MessageBox(CanOpenDatabase(ConnectionString)
                       ? "The target table does not exist in the specified database!"
                       : "Unable to open database with connection string provided!");
        return;
    }
    LookupRunning.store(1, std::memory_order_relaxed);
    ShowLookupRunning(true);

    CADODatabase db;
    try {
        db.Open(ConnectionString);
    } catch (const CADOException&) {
        MessageBox("Unable to open database with connection string provided!");
        LookupRunning.store(0, std::memory_order_relaxed);
        ShowLookupRunning(false);
        return;
    }
    ReverseDns.completed.store(0, std::memory_order_relaxed);
    // A copy: handlers that run while the pass pumps messages may change the field.
    const std::string base = TableBaseName;
    try {
        ReversDNS(*this, db, base, ReverseDns, HostLookup, LookupWorkers);
    } catch (const std::exception& error) {
        // The pass reports its database failures itself and is idle again whichever way it
        // ended; this is a failure it could not foresee (memory, threads).
        MessageBox(std::string("The host name lookups stopped because of an unexpected error: ") +
                   error.what());
    }
    try {
        db.Close();
    } catch (const CADOException&) {
        // The pass has reported its own failures; nothing is pending on this connection.
    }
}
