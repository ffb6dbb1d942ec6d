#include "cli/CliCommands.h"

#include "app/CKestrelportDlg.h"
#include "app/ProjectFile.h"
#include "app/StoredExportSettings.h"
#include "cli/Interrupts.h"
#include "cli/TerminalWindowServices.h"
#include "pipeline/TargetTable.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

// The project's values replace the settings', as File > Open does in the dialog: all seven
// are replaced, empty ones included.
bool ApplyProject(const std::string& fileName, ExportSettings& settings,
                  TerminalWindowServices& window) {
    switch (LoadProjectFile(fileName, settings)) {
        case ProjectLoadResult::Loaded:
            return true;
        case ProjectLoadResult::NotAProjectFile:
            window.MessageBox("The selected file is not a recognised Project File",
                              WindowServices::MessageType::Ok);
            return false;
        case ProjectLoadResult::Unreadable:
            window.MessageBox("The project file \"" + fileName + "\" cannot be read.",
                              WindowServices::MessageType::Ok);
            return false;
    }
    return false;
}

template <class Value>
void Override(Value& value, const std::optional<Value>& option) {
    if (option) value = *option;
}

// What the dialog would show when it comes up (the stored settings), then the project file and
// the options on top, as if the user had typed them in. Nothing when the project is unusable.
std::optional<ExportSettings> CommandSettings(const CliOptions& options, const SettingsStore& store,
                                              TerminalWindowServices& window) {
    ExportSettings settings = ReadStoredExportSettings(store);
    if (options.project && !ApplyProject(*options.project, settings, window)) return std::nullopt;
    Override(settings.logFile, options.logFile);
    Override(settings.connectionString, options.connection);
    Override(settings.tableBaseName, options.table);
    Override(settings.resetTable, options.reset);
    Override(settings.includeExts, options.includeExts);
    Override(settings.pageHitExts, options.pageHitExts);
    Override(settings.autoDns, options.autoDns);
    Override(settings.dnsWorkers, options.dnsWorkers);
    return settings;
}

// The dialog as it comes up (data files loaded, progress hidden), showing `settings`.
void PrepareDialog(const ExportSettings& settings, TerminalWindowServices& window,
                   CKestrelportDlg& dialog) {
    dialog.OnInitDialog();
    dialog.ShowSettings(settings);

    InstallInterruptHandler(dialog.LookupRunning);
    window.onInterrupt = [&dialog, &window] {
        // What a click on the pause button does; the pass stops at its next check.
        if (dialog.LookupRunning.load(std::memory_order_relaxed) != 1) return;
        dialog.OnCommand(ControlId::Lookup);
        window.PrintNote("Pausing the host name lookups; run \"kestrelport hostnames\" to resume.");
    };
}

std::string Plural(std::int64_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

int RunExportCommand(const CliOptions& options, TerminalWindowServices& window,
                     SettingsStore& settings) {
    const std::optional<ExportSettings> exportSettings = CommandSettings(options, settings, window);
    if (!exportSettings) return kFailure;
    CKestrelportDlg dialog(window, settings);
    PrepareDialog(*exportSettings, window, dialog);
    // Notes on the way (a missing country file) leave a run that went through a success.
    if (dialog.RunExport() != RunOutcome::Written || !window.ErrorLogWritten()) return kFailure;
    const CoreWriterCounts& counts = dialog.LastExportCounts;
    std::printf("%s written to %s, %s.\n", Plural(counts.rowsWritten, "row").c_str(),
                TargetTableName(exportSettings->tableBaseName).c_str(),
                Plural(counts.malformedLines, "malformed line").c_str());
    return kSuccess;
}

int RunHostnamesCommand(const CliOptions& options, TerminalWindowServices& window,
                        SettingsStore& settings) {
    const std::optional<ExportSettings> lookupSettings = CommandSettings(options, settings, window);
    if (!lookupSettings) return kFailure;
    // The button does nothing without a connection string; a command that did nothing must
    // not look like one that went through.
    if (lookupSettings->connectionString.empty()) {
        window.MessageBox("You must supply a database connection string!",
                          WindowServices::MessageType::Ok);
        return kFailure;
    }
    CKestrelportDlg dialog(window, settings);
    PrepareDialog(*lookupSettings, window, dialog);
    return dialog.RunHostNameLookups() == RunOutcome::Written ? kSuccess : kFailure;
}
