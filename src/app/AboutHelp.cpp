#include "app/AboutHelp.h"

#include <filesystem>

#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/ProgramVersion.h"
#include "textfiles/DataFiles.h"

std::string GetVersionString() {
    return FormatVersion(ProgramVersionParts());
}

std::string HelpFileName(const std::string& programFile) {
    return std::filesystem::path(programFile).filename().replace_extension(kHelpFileExtension);
}

std::string HelpFilePath() {
    return DataFilePath(HelpFileName(ProgramFilePath()));
}

std::string UpdateCheckUrl(const std::string& version) {
    return std::string("http://") + kUpdateServer +
           "/wuw/kestrelportvercheck.php?version=" + version;
}

void CKestrelportDlg::ShowAbout() {
    WithNormalCursor(
        [this] { window_.RunAboutDialog("Kestrelport Version: " + GetVersionString()); });
}

void CKestrelportDlg::ShowHelpFile() {
    BeginWaitCursor();
    const bool opened = window_.OpenHelpFile(HelpFilePath(), kMainDialogHelpContext);
    // A wait cursor over the message box would make the program look hung.
    EndWaitCursor();
    if (!opened) MessageBox("Failed to launch help.");
}

void CKestrelportDlg::CheckForUpdates() {
    if (!window_.OpenUrl(UpdateCheckUrl(GetVersionString())))
        MessageBox("The update check failed.");
}
