#include "app/CKestrelportDlg.h"

#include "app/StoredExportSettings.h"
#include "pipeline/LogTimestamp.h"
#include "textfiles/DataFiles.h"

CKestrelportDlg::CKestrelportDlg(WindowServices& window, SettingsStore& settings)
    : window_(window), settings_(settings) {}

bool CKestrelportDlg::OnInitDialog() {
    ExportSettings stored = ReadStoredExportSettings(settings_);
    // No worker count is stored: one set before the start stays.
    stored.dnsWorkers = LookupWorkers;
    ShowSettings(stored);

    // The idle dialog never shows a progress display.
    ShowProgress(false);
    ShowStatus(false);

    LoadDataFiles();
    return true;
}

void CKestrelportDlg::LoadDataFiles() {
    LoadMonthNames(MonthNameList);
    LoadSearchEngines(SearchEngines);
    SpiderList.ReadTextFile(DataFilePath("Spiders.txt"), true);
}

ExportSettings CKestrelportDlg::SettingsFromControls() const {
    ExportSettings settings;
    settings.logFile = window_.GetControlText(ControlId::LogFile);
    settings.connectionString = window_.GetControlText(ControlId::ConnString);
    settings.tableBaseName = window_.GetControlText(ControlId::TableBase);
    settings.resetTable = window_.GetCheck(ControlId::Reset);
    settings.includeExts = window_.GetControlText(ControlId::IncludeExts);
    settings.pageHitExts = window_.GetControlText(ControlId::PageHitExts);
    settings.autoDns = window_.GetCheck(ControlId::AutoDns);
    settings.dnsWorkers = LookupWorkers;
    return settings;
}

void CKestrelportDlg::ShowSettings(const ExportSettings& settings) {
    window_.SetControlText(ControlId::LogFile, settings.logFile);
    window_.SetControlText(ControlId::ConnString, settings.connectionString);
    window_.SetControlText(ControlId::TableBase, settings.tableBaseName);
    window_.SetCheck(ControlId::Reset, settings.resetTable);
    window_.SetControlText(ControlId::IncludeExts, settings.includeExts);
    window_.SetControlText(ControlId::PageHitExts, settings.pageHitExts);
    window_.SetCheck(ControlId::AutoDns, settings.autoDns);
    LookupWorkers = settings.dnsWorkers;
}

bool CKestrelportDlg::OnCommand(int id) {
    switch (id) {
        case ControlId::Go:
            // The dialog has shown how the run went; the outcome is for the terminal program.
            RunExport();
            return true;
        case ControlId::Quit:
            OnQuit();
            return true;
        case ControlId::ConnStringBuilder:
            OnBuildConnectionString();
            return true;
        case ControlId::Lookup:
            OnLookupButton();
            return true;
        case CommandId::FileNew:
            NewProject();
            return true;
        case CommandId::FileOpen:
            OpenProject();
            return true;
        case CommandId::FileSave:
            SaveProject();
            return true;
        case CommandId::FileSaveAs:
            SaveProjectAs();
            return true;
        case CommandId::HelpFile:
            ShowHelpFile();
            return true;
        case CommandId::CheckForUpdates:
            CheckForUpdates();
            return true;
        case CommandId::About:
            ShowAbout();
            return true;
        default:
            return false;
    }
}

bool CKestrelportDlg::OnSysCommand(int id) {
    if ((id & 0xFFF0) != CommandId::SysAbout) return false;
    ShowAbout();
    return true;
}

void CKestrelportDlg::OnQuit() {
    // A running reverse DNS pass sees this at its next check and stops, and one an export would
    // start after its write does not start; the dialog ends once the running work has returned.
    ReverseDns.quitRequested.store(true, std::memory_order_relaxed);
    LookupRunning.store(0, std::memory_order_relaxed);
    window_.EndDialog(CancelResult);
}
