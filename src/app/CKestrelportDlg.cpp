#include "app/CKestrelportDlg.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "pipeline/LogTimestamp.h"
#include "textfiles/DataFiles.h"

namespace {

struct TextBinding {
    int control;
    std::string CKestrelportDlg::*member;
};

struct CheckBinding {
    int control;
    bool CKestrelportDlg::*member;
};

constexpr TextBinding kTextBindings[] = {
    {ControlId::ConnString, &CKestrelportDlg::ConnectionString},
    {ControlId::TableBase, &CKestrelportDlg::TableBaseName},
    {ControlId::IncludeExts, &CKestrelportDlg::IncludeExts},
    {ControlId::PageHitExts, &CKestrelportDlg::PageHitExts},
};

constexpr CheckBinding kCheckBindings[] = {
    {ControlId::Reset, &CKestrelportDlg::ResetTable},
    {ControlId::AutoDns, &CKestrelportDlg::AutoDNS},
};

}  // namespace

CKestrelportDlg::CKestrelportDlg(WindowServices& window, SettingsStore& settings)
    : window_(window), settings_(settings) {}

bool CKestrelportDlg::OnInitDialog() {
    const char* section = SettingsKey::Section;
    std::string source = settings_.ReadText(section, SettingsKey::Source);
    ConnectionString = settings_.ReadText(section, SettingsKey::ConnString);
    TableBaseName =
        settings_.ReadText(section, SettingsKey::TableBasis, SettingsDefault::TableBasis);
    ResetTable = settings_.ReadInt(section, SettingsKey::Reset, SettingsDefault::Reset) != 0;
    IncludeExts =
        settings_.ReadText(section, SettingsKey::IncludeExts, SettingsDefault::IncludeExts);
    PageHitExts =
        settings_.ReadText(section, SettingsKey::PageHitExts, SettingsDefault::PageHitExts);
    SetLogFileText(source);
    AutoDNS = settings_.ReadInt(section, SettingsKey::AutoDNS, SettingsDefault::AutoDNS) != 0;
    UpdateData(false);

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

void CKestrelportDlg::UpdateData(bool fromControls) {
    for (const TextBinding& binding : kTextBindings) {
        if (fromControls)
            this->*binding.member = window_.GetControlText(binding.control);
        else
            window_.SetControlText(binding.control, this->*binding.member);
    }
    for (const CheckBinding& binding : kCheckBindings) {
        if (fromControls)
            this->*binding.member = window_.GetCheck(binding.control);
        else
            window_.SetCheck(binding.control, this->*binding.member);
    }
}

std::string CKestrelportDlg::LogFileText() const {
    return window_.GetControlText(ControlId::LogFile);
}

void CKestrelportDlg::SetLogFileText(const std::string& text) {
    window_.SetControlText(ControlId::LogFile, text);
}

bool CKestrelportDlg::OnCommand(int id) {
    switch (id) {
        case ControlId::Go:
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
