#include "cli/CliCommands.h"

#include "app/CKestrelportDlg.h"
#include "app/ProjectSettings.h"
#include "app/SettingsStore.h"
#include "cli/Interrupts.h"
#include "cli/TerminalWindowServices.h"
#include "pipeline/TargetTable.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

// Puts the project's values into the controls, as File > Open does in the dialog: all seven
// are replaced, empty ones included.
bool ApplyProject(const std::string& fileName, TerminalWindowServices& window) {
    ProjectSettings project;
    switch (LoadProjectFile(fileName, project)) {
        case ProjectLoadResult::Loaded:
            break;
        case ProjectLoadResult::NotAProjectFile:
            window.MessageBox("The selected file is not a recognised Project File",
                              WindowServices::MessageType::Ok);
            return false;
        case ProjectLoadResult::Unreadable:
            window.MessageBox("The project file \"" + fileName + "\" cannot be read.",
                              WindowServices::MessageType::Ok);
            return false;
    }
    window.SetControlText(ControlId::LogFile, project.logFile);
    window.SetControlText(ControlId::ConnString, project.connectionString);
    window.SetControlText(ControlId::TableBase, project.tableBaseName);
    window.SetCheck(ControlId::Reset, project.resetTable);
    window.SetControlText(ControlId::IncludeExts, project.includeExts);
    window.SetControlText(ControlId::PageHitExts, project.pageHitExts);
    window.SetCheck(ControlId::AutoDns, project.autoDns);
    return true;
}

void SetText(TerminalWindowServices& window, int control, const std::optional<std::string>& v) {
    if (v) window.SetControlText(control, *v);
}

void SetCheck(TerminalWindowServices& window, int control, std::optional<bool> value) {
    if (value) window.SetCheck(control, *value);
}

// The dialog as it would come up (stored settings, data files), then the project file and the
// options on top, as if the user had typed them in.
bool PrepareDialog(const CliOptions& options, TerminalWindowServices& window,
                   CKestrelportDlg& dialog) {
    dialog.OnInitDialog();
    if (options.project && !ApplyProject(*options.project, window)) return false;
    SetText(window, ControlId::LogFile, options.logFile);
    SetText(window, ControlId::ConnString, options.connection);
    SetText(window, ControlId::TableBase, options.table);
    SetCheck(window, ControlId::Reset, options.reset);
    SetText(window, ControlId::IncludeExts, options.includeExts);
    SetText(window, ControlId::PageHitExts, options.pageHitExts);
    SetCheck(window, ControlId::AutoDns, options.autoDns);
    if (options.dnsWorkers) dialog.LookupWorkers = *options.dnsWorkers;

    InstallInterruptHandler(dialog.LookupRunning);
    window.onInterrupt = [&dialog, &window] {
        // What a click on the pause button does; the pass stops at its next check.
        if (dialog.LookupRunning.load(std::memory_order_relaxed) != 1) return;
        dialog.OnCommand(ControlId::Lookup);
        window.PrintNote("Pausing the host name lookups; run \"kestrelport hostnames\" to resume.");
    };
    return true;
}

std::string Plural(std::int64_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

int RunExportCommand(const CliOptions& options, TerminalWindowServices& window,
                     SettingsStore& settings) {
    CKestrelportDlg dialog(window, settings);
    if (!PrepareDialog(options, window, dialog)) return kFailure;
    dialog.OnCommand(ControlId::Go);
    if (window.ErrorCount() > 0) return kFailure;
    const CoreWriterCounts& counts = dialog.LastExportCounts;
    std::printf("%s written to %s, %s.\n", Plural(counts.rowsWritten, "row").c_str(),
                TargetTableName(dialog.TableBaseName).c_str(),
                Plural(counts.malformedLines, "malformed line").c_str());
    return kSuccess;
}

int RunHostnamesCommand(const CliOptions& options, TerminalWindowServices& window,
                        SettingsStore& settings) {
    CKestrelportDlg dialog(window, settings);
    if (!PrepareDialog(options, window, dialog)) return kFailure;
    // The button does nothing without a connection string; a command that did nothing must
    // not look like one that went through.
    if (window.GetControlText(ControlId::ConnString).empty()) {
        window.MessageBox("You must supply a database connection string!",
                          WindowServices::MessageType::Ok);
        return kFailure;
    }
    dialog.OnCommand(ControlId::Lookup);
    return window.ErrorCount() > 0 ? kFailure : kSuccess;
}
