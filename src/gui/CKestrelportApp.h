#pragma once
// The application object: starts Qt, names the per-user settings store and runs the main dialog
// modally. The program has no window of its own beyond that dialog and ends when it closes.

#include <QApplication>

class CKestrelportApp {
  public:
    static constexpr const char* kCompanyName = "Quillmoor";
    static constexpr const char* kApplicationName = "Kestrelport";

    CKestrelportApp(int& argc, char** argv);

    // Runs the main dialog until it is closed. Always false: there is no message loop of the
    // application's own to enter afterwards, so the caller ends the process.
    bool InitInstance();

  private:
    QApplication application_;
};
