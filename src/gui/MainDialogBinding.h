#pragma once
// The Qt main window joined to the toolkit-free main dialog: the window's commands go to the
// dialog's handlers and the dialog reaches the window through the Qt window services. Members
// are declared in the order they depend on each other, so they are destroyed in reverse.

#include "app/CKestrelportDlg.h"
#include "gui/MainDialogWindow.h"
#include "gui/QtWindowServices.h"

class SettingsStore;

class MainDialogBinding {
  public:
    explicit MainDialogBinding(SettingsStore& settings);

    MainDialogWindow& Window() { return window_; }
    CKestrelportDlg& Dialog() { return dialog_; }

    // Dialog start, then the window runs modally until the dialog is ended; the result of the
    // modal run.
    int Run();

  private:
    MainDialogWindow window_;
    QtWindowServices services_;
    CKestrelportDlg dialog_;
};
