// Commands whose behaviour is built with the export, reverse DNS, connection dialog and help
// features. Until then they do nothing, so that the dialog and its menu are complete; each moves
// to its feature's own file when that is built.
#include "app/CKestrelportDlg.h"

void CKestrelportDlg::OnBuildConnectionString() {}

void CKestrelportDlg::ShowHelpFile() {}

void CKestrelportDlg::CheckForUpdates() {}

void CKestrelportDlg::ShowAbout() {}
