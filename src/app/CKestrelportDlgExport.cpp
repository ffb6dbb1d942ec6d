// "Go!": one export from the fields on screen to the last pass, and its two steps that need the
// dialog (the target table and the writer with its passes).
#include <exception>
#include <memory>
#include <string>

#include "app/CErrorLogDlg.h"
#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
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
    if (!index.Create(TargetIndexName(base))) return;
    index.AddColumn("id", kColumnTypeInteger, 0);
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

void CKestrelportDlg::RunExport() {
    // "Go!" is disabled meanwhile, but a click queued before that, or Enter on the default
    // button, still arrives here from the running export's message pumping: a second writer on
    // the same table must not start inside the first.
    if (exportsRunning_ > 0) return;
    UpdateData(true);
    const std::string logFile = LogFileText();
    if (ConnectionString.empty() || logFile.empty()) {
        MessageBox("You must supply a source file and a database connection string!");
        return;
    }
    if (const std::string problem = TargetBaseNameProblem(TableBaseName); !problem.empty()) {
        MessageBox(problem);
        return;
    }
    // Stored before the log is read, so that a run that fails later still becomes the default
    // of the next start.
    const char* section = SettingsKey::Section;
    settings_.WriteText(section, SettingsKey::Source, logFile);
    settings_.WriteText(section, SettingsKey::ConnString, ConnectionString);
    settings_.WriteText(section, SettingsKey::TableBasis, TableBaseName);
    settings_.WriteInt(section, SettingsKey::Reset, ResetTable ? 1 : 0);
    settings_.WriteText(section, SettingsKey::IncludeExts, IncludeExts);
    settings_.WriteText(section, SettingsKey::PageHitExts, PageHitExts);
    settings_.WriteInt(section, SettingsKey::AutoDNS, AutoDNS ? 1 : 0);

    BuildExtensionList(IncludeExts, IncludeExtList);
    BuildExtensionList(PageHitExts, PageHitExtList);
    LastExportCounts = {};

    WaitCursor wait(*this);
    try {
        // Counted (and a compressed log checked) in full before the table is touched.
        const std::unique_ptr<LogFileLineSource> lines = OpenLogFile(logFile, *this);
        if (!lines) return;
        if (!PrepareTargetTable()) {
            ShowStatus(false);
            return;
        }
        const ExportRunning running(*this);
        WriteCombinedLog(*lines);
    } catch (const std::exception& error) {
        // The steps report their own failures; this is one they could not foresee (memory,
        // threads). The run ends like any failed run, idle and with a message, and what was
        // committed stays.
        ShowProgress(false);
        ShowStatus(false);
        MessageBox(std::string("The export stopped because of an unexpected error: ") +
                   error.what());
    }
}

bool CKestrelportDlg::PrepareTargetTable() {
    if (TableExists(ConnectionString, TargetTableName(TableBaseName))) return true;
    try {
        CADODatabase db;
        if (!db.Open(ConnectionString)) {
            MessageBox(kCannotOpen);
            return false;
        }
        CADOCommand(db, TargetTableCreateStatement(TableBaseName), CADOCommand::kStoredProcedure)
            .Execute();
        AddTargetIndex(ConnectionString, TableBaseName);
        db.Close();
        return true;
    } catch (const CADOException& error) {
        MessageBox("Error making table: " + error.ErrorText());
        return false;
    }
}

bool CKestrelportDlg::WriteCombinedLog(LineSource& lines) {
    // Copies: handlers that run while the writer pumps messages (File > Open) may change the
    // fields, and the run must go on with what it was started with.
    const std::string base = TableBaseName;
    const bool autoDns = AutoDNS;
    CoreWriterContext context{.channel = *this,
                              .connectionString = ConnectionString,
                              .base = base,
                              .resetTable = ResetTable,
                              .includeExts = IncludeExts,
                              .includeExtList = IncludeExtList,
                              .monthNames = MonthNameList,
                              .countries = CountryRanges,
                              .engines = SearchEngines,
                              .afterWrite = {}};
    context.afterWrite = [&](CADODatabase& db, const SpillingLineList& badLines) {
        PostWriteContext passes{.channel = *this,
                                .db = db,
                                .base = base,
                                .spiders = SpiderList,
                                .pageHitExtList = PageHitExtList,
                                .autoDns = autoDns,
                                .dns = ReverseDns,
                                .lookup = HostLookup,
                                .dnsWorkers = LookupWorkers,
                                .showErrorLog = [this](const SpillingLineList& list) {
                                    CErrorLogDlg dialog(settings_);
                                    dialog.SetBadLineList(list);
                                    WithNormalCursor(
                                        [&] { window_.RunErrorLogDialog(dialog); });
                                }};
        RunPostWritePasses(passes, badLines);
    };
    return ::WriteCombinedLog(context, lines, &LastExportCounts);
}
