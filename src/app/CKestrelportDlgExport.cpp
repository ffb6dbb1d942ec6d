// "Go!": one export from the fields on screen to the last pass, and its two steps that need the
// dialog (the target table and the writer with its passes).
#include <exception>
#include <memory>
#include <string>

#include "app/CErrorLogDlg.h"
#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/StoredExportSettings.h"
#include "db/CADODatabase.h"
#include "db/CADOXCatalog.h"
#include "pipeline/PostWrite.h"
#include "pipeline/RequestAnalysis.h"
#include "pipeline/TargetTable.h"
#include "textfiles/ReadLogFile.h"

namespace {

constexpr const char* kCannotOpen = "Unable to open database with connection string provided!";

// Holds the wait cursor for the rest of the run, whichever way it ends.
class WaitCursor {
  public:
    explicit WaitCursor(ProgressChannel& channel) : channel_(channel) {
        channel_.BeginWaitCursor();
    }
    ~WaitCursor() { channel_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    ProgressChannel& channel_;
};

// A failing index step is silent: the table is then used without its index.
void AddTargetIndex(const std::string& connectionString, const std::string& base) {
    CADOXCatalog catalog;
    catalog.Open(connectionString);
    CADOXTable table(catalog);
    if (!table.Open(TargetTableName(base))) return;
    CADOXIndex index;
    index.Create(TargetIndexName(base));
    index.AddColumn("id");
    index.SetPrimaryAndUnique();
    table.AddIndex(index);
}

}  // namespace

// Keeps a second run from starting inside the first until its last pass and error log are
// done, also when a reverse DNS pass ends in between, and gives "Go!" back even when the writer
// leaves by an exception no one expected.
class CKestrelportDlg::ExportRunning {
  public:
    explicit ExportRunning(CKestrelportDlg& dialog) : dialog_(dialog) {
        ++dialog_.exportsRunning_;
        dialog_.UpdateGoButton();
    }
    ~ExportRunning() {
        --dialog_.exportsRunning_;
        dialog_.UpdateGoButton();
    }
    ExportRunning(const ExportRunning&) = delete;
    ExportRunning& operator=(const ExportRunning&) = delete;

  private:
    CKestrelportDlg& dialog_;
};

RunOutcome CKestrelportDlg::RunExport() {
    // "Go!" is disabled meanwhile, but a click queued before that, or Enter on the default
    // button, still arrives here from the running export's message pumping: a second writer on
    // the same table must not start inside the first.
    if (exportsRunning_ > 0) return RunOutcome::Stopped;
    // A copy: handlers that run while the writer pumps messages (File > Open) may change the
    // fields, and the run must go on with what it was started with.
    const ExportSettings settings = SettingsFromControls();
    if (settings.connectionString.empty() || settings.logFile.empty()) {
        MessageBox("You must supply a source file and a database connection string!");
        return RunOutcome::Stopped;
    }
    if (const std::string problem = TargetBaseNameProblem(settings.tableBaseName);
        !problem.empty()) {
        MessageBox(problem);
        return RunOutcome::Stopped;
    }
    // Stored before the log is read, so that a run that fails later still becomes the default
    // of the next start.
    StoreExportSettings(settings_, settings);

    BuildExtensionList(settings.includeExts, IncludeExtList);
    BuildExtensionList(settings.pageHitExts, PageHitExtList);
    LastExportCounts = {};

    WaitCursor wait(*this);
    try {
        // Counted (and a compressed log checked) in full before the table is touched.
        const std::unique_ptr<LogFileLineSource> lines = OpenLogFile(settings.logFile, *this);
        if (!lines) return RunOutcome::Failed;
        if (!PrepareTargetTable(settings)) {
            ShowStatus(false);
            return RunOutcome::Failed;
        }
        const ExportRunning running(*this);
        return WriteCombinedLog(settings, *lines) ? RunOutcome::Written : RunOutcome::Failed;
    } catch (const std::exception& error) {
        // The steps report their own failures; this is one they could not foresee (memory,
        // threads). The run ends like any failed run, idle and with a message, and what was
        // committed stays.
        ShowProgress(false);
        ShowStatus(false);
        MessageBox(std::string("The export stopped because of an unexpected error: ") +
                   error.what());
        return RunOutcome::Failed;
    }
}

bool CKestrelportDlg::PrepareTargetTable(const ExportSettings& settings) {
    const std::string& connection = settings.connectionString;
    const std::string& base = settings.tableBaseName;
    if (TableExists(connection, TargetTableName(base))) return true;
    try {
        CADODatabase db;
        if (!db.Open(connection)) {
            MessageBox(kCannotOpen);
            return false;
        }
        CADOCommand(db, TargetTableCreateStatement(base)).Execute();
        AddTargetIndex(connection, base);
        db.Close();
        return true;
    } catch (const CADOException& error) {
        MessageBox("Error making table: " + error.ErrorText());
        return false;
    }
}

bool CKestrelportDlg::WriteCombinedLog(const ExportSettings& settings, LineSource& lines) {
    CoreWriterContext context{.channel = *this,
                              .connectionString = settings.connectionString,
                              .base = settings.tableBaseName,
                              .resetTable = settings.resetTable,
                              .includeExts = settings.includeExts,
                              .includeExtList = IncludeExtList,
                              .monthNames = MonthNameList,
                              .countries = CountryRanges,
                              .engines = SearchEngines,
                              .afterWrite = {}};
    bool passesWentThrough = true;
    context.afterWrite = [&](CADODatabase& db, const SpillingLineList& badLines) {
        PostWriteContext passes{.channel = *this,
                                .db = db,
                                .base = settings.tableBaseName,
                                .spiders = SpiderList,
                                .pageHitExtList = PageHitExtList,
                                .autoDns = settings.autoDns,
                                .dns = ReverseDns,
                                .lookup = HostLookup,
                                .dnsWorkers = settings.dnsWorkers,
                                .showErrorLog = [this](const SpillingLineList& list) {
                                    CErrorLogDlg dialog(settings_);
                                    dialog.SetBadLineList(list);
                                    WithNormalCursor([&] { window_.RunErrorLogDialog(dialog); });
                                }};
        passesWentThrough = RunPostWritePasses(passes, badLines);
    };
    return ::WriteCombinedLog(context, lines, &LastExportCounts) && passesWentThrough;
}
