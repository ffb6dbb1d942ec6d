// The File menu: project files hold the dialog's choices apart from the per-user settings.
#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/CPBFileDialog.h"
#include "app/ProjectSettings.h"

namespace {
constexpr const char* kNotAProjectFile = "The selected file is not a recognised Project File";
}

void CKestrelportDlg::NewProject() {
    if (MessageBox("Create new project?", MessageType::YesNo) != Answer::Yes) return;
    // The extension fields are kept as the user sees them, typed edits included; without this
    // they would fall back to the values of the last data exchange.
    UpdateData(true);
    SetLogFileText({});
    ConnectionString.clear();
    TableBaseName.clear();
    ResetTable = true;
    AutoDNS = true;
    // The current project file stays: New followed by Save writes the fresh set-up over it.
    UpdateData(false);
}

void CKestrelportDlg::OpenProject() {
    CPBFileDialog dialog(window_, settings_, CPBFileDialog::Mode::Open, CurrentProjectFile);
    if (!WithNormalCursor([&] { return dialog.DoModal(); })) return;
    CurrentProjectFile = dialog.GetPathName();

    ProjectSettings project;
    ProjectLoadResult result = LoadProjectFile(CurrentProjectFile, project);
    if (result != ProjectLoadResult::Loaded) {
        if (result == ProjectLoadResult::NotAProjectFile) MessageBox(kNotAProjectFile);
        CurrentProjectFile.clear();
        return;
    }
    SetLogFileText(project.logFile);
    ConnectionString = project.connectionString;
    TableBaseName = project.tableBaseName;
    ResetTable = project.resetTable;
    IncludeExts = project.includeExts;
    PageHitExts = project.pageHitExts;
    AutoDNS = project.autoDns;
    UpdateData(false);
}

void CKestrelportDlg::SaveProject() {
    if (CurrentProjectFile.empty()) {
        SaveProjectAs();
        return;
    }
    UpdateData(true);
    ProjectSettings project{LogFileText(), ConnectionString, TableBaseName, ResetTable,
                            IncludeExts,   PageHitExts,      AutoDNS};
    // A failure has been shown per attempt; the current project file stays for a retry.
    SaveProjectFile(CurrentProjectFile, project, this);
}

void CKestrelportDlg::SaveProjectAs() {
    CPBFileDialog dialog(window_, settings_, CPBFileDialog::Mode::Save, CurrentProjectFile);
    if (!WithNormalCursor([&] { return dialog.DoModal(); })) return;
    CurrentProjectFile = dialog.GetPathName();
    SaveProject();
}
