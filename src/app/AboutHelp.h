#pragma once
// The Help menu's commands and the About box rest on the program's version, its help file and the
// update-check page; the handlers themselves are members of CKestrelportDlg.

#include <string>

// The compiled-in file version as "major.minor.build.revision", e.g. "1.0.1.0".
std::string GetVersionString();

// The help file keeps the program's own base name with the extension replaced. Linux desktops
// open HTML with the browser but have no viewer for compiled help, so the file is an HTML page:
// "kestrelport-gui" has "kestrelport-gui.html" beside it.
inline constexpr const char* kHelpFileExtension = ".html";
std::string HelpFileName(const std::string& programFile);
// The help file of the running program, in the folder of its data files.
std::string HelpFilePath();
// The help topic of the main dialog: the help-context base 0x20000 plus the dialog's number 102.
inline constexpr int kMainDialogHelpContext = 0x20066;

// The maker's page that tells the user whether a newer version exists. The version holds only
// digits and dots, so it goes in unescaped.
inline constexpr const char* kUpdateServer = "kestrelport.quillmoor.net";
std::string UpdateCheckUrl(const std::string& version);
