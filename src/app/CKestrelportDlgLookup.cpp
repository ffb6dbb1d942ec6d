// The "IP -> Hostnames" button: starts the reverse DNS pass on its own connection, or pauses the
// running one. A click during a pass arrives here through the pass's message pumping.
#include <exception>
#include <string>

#include "app/CKestrelportDlg.h"
#include "db/CADODatabase.h"
#include "db/CADOXCatalog.h"
#include "pipeline/FailureWatch.h"
#include "pipeline/TargetTable.h"

namespace {

constexpr const char* kCannotOpen = "Unable to open database with connection string provided!";

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
    // The dialog has shown how the run went; the outcome is for the terminal program.
    RunHostNameLookups();
}

RunOutcome CKestrelportDlg::RunHostNameLookups() {
    // A copy: handlers that run while the pass pumps messages may change the fields.
    const ExportSettings settings = SettingsFromControls();
    const std::string& connection = settings.connectionString;
    const std::string& base = settings.tableBaseName;
    if (connection.empty()) return RunOutcome::Stopped;
    if (const std::string problem = TargetBaseNameProblem(base); !problem.empty()) {
        MessageBox(problem);
        return RunOutcome::Stopped;
    }
    if (!TableExists(connection, TargetTableName(base))) {
        // The catalog answers no as well when it cannot reach the database at all (a wrong
        // password, a file it may not open): then that is what the user needs to hear.
        if (!CanOpenDatabase(connection)) {
            MessageBox(kCannotOpen);
            return RunOutcome::Failed;
        }
        MessageBox("The target table does not exist in the specified database!");
        return RunOutcome::Stopped;
    }
    LookupRunning.store(1, std::memory_order_relaxed);
    ShowLookupRunning(true);

    CADODatabase db;
    try {
        db.Open(connection);
    } catch (const CADOException&) {
        MessageBox(kCannotOpen);
        LookupRunning.store(0, std::memory_order_relaxed);
        ShowLookupRunning(false);
        return RunOutcome::Failed;
    }
    ReverseDns.completed.store(0, std::memory_order_relaxed);
    FailureWatch lookups(*this);
    bool unforeseen = false;
    try {
        ReversDNS(lookups, db, base, ReverseDns, HostLookup, settings.dnsWorkers);
    } catch (const std::exception& error) {
        // The pass reports its database failures itself and is idle again whichever way it
        // ended; this is a failure it could not foresee (memory, threads).
        MessageBox(std::string("The host name lookups stopped because of an unexpected error: ") +
                   error.what());
        unforeseen = true;
    }
    try {
        db.Close();
    } catch (const CADOException&) {
        // The pass has reported its own failures; nothing is pending on this connection.
    }
    return unforeseen || lookups.FailureReported() ? RunOutcome::Failed : RunOutcome::Written;
}
