// The File menu: project files hold the dialog's choices apart from the per-user settings.
#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/CPBFileDialog.h"
#include "app/ProjectFile.h"

namespace {
constexpr const char* kNotAProjectFile = "The selected file is not a recognised Project File";
}

void CKestrelportDlg::NewProject() {
    if (MessageBox("Create new project?", MessageType::YesNo) != Answer::Yes) return;
    // The extension fields keep what the user sees, typed edits included.
    ExportSettings fresh = SettingsFromControls();
    fresh.logFile.clear();
    fresh.connectionString.clear();
    fresh.tableBaseName.clear();
    fresh.resetTable = true;
    fresh.autoDns = true;
    // The current project file stays: New followed by Save writes the fresh set-up over it.
    ShowSettings(fresh);
}

void CKestrelportDlg::OpenProject() {
    CPBFileDialog dialog(window_, settings_, CPBFileDialog::Mode::Open, CurrentProjectFile);
    if (!WithNormalCursor([&] { return dialog.DoModal(); })) return;
    CurrentProjectFile = dialog.GetPathName();

    // The project replaces the seven values it keeps; the worker count stays.
    ExportSettings settings = SettingsFromControls();
    ProjectLoadResult result = LoadProjectFile(CurrentProjectFile, settings);
    if (result != ProjectLoadResult::Loaded) {
        if (result == ProjectLoadResult::NotAProjectFile) MessageBox(kNotAProjectFile);
        CurrentProjectFile.clear();
        return;
    }
    ShowSettings(settings);
}

void CKestrelportDlg::SaveProject() {
    if (CurrentProjectFile.empty()) {
        SaveProjectAs();
        return;
    }
    // A failure has been shown per attempt; the current project file stays for a retry.
    SaveProjectFile(CurrentProjectFile, SettingsFromControls(), this);
}

void CKestrelportDlg::SaveProjectAs() {
    CPBFileDialog dialog(window_, settings_, CPBFileDialog::Mode::Save, CurrentProjectFile);
    if (!WithNormalCursor([&] { return dialog.DoModal(); })) return;
    CurrentProjectFile = dialog.GetPathName();
    SaveProject();
}
