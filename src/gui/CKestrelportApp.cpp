#include "gui/CKestrelportApp.h"

#include "app/SettingsStore.h"
#include "gui/MainDialogBinding.h"

CKestrelportApp::CKestrelportApp(int& argc, char** argv) : application_(argc, argv) {
    QApplication::setOrganizationName(kCompanyName);
    QApplication::setApplicationName(kApplicationName);
}

bool CKestrelportApp::InitInstance() {
    // The store's default path already lies under the company's folder, shared with the
    // terminal program.
    SettingsStore settings(SettingsStore::DefaultPath());
    MainDialogBinding mainDialog(settings);
    mainDialog.Run();
    return false;
}
