// Pictures of the windows for a person to look at; nothing here is compared pixel by pixel.

#include <gtest/gtest.h>

#include "app/CErrorLogDlg.h"
#include "app/WindowServices.h"
#include "gui/AboutWindow.h"
#include "gui/ErrorLogDialog.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogBinding.h"

namespace {

class ScreenshotTest : public GuiTest {
  protected:
    void SetUp() override {
        if (!shots_.Prepare()) GTEST_SKIP() << "KESTRELPORT_SCREENSHOT_DIR is not set";
    }

    void Save(QWidget& window, const QString& name) { shots_.Save(window, name); }

    ScreenshotFolder shots_;
};

TEST_F(ScreenshotTest, MainDialogWithStoredValuesAndWithProgress) {
    FreshSettings settings;
    MainDialogBinding main(settings.Store());
    main.Dialog().OnInitDialog();
    WindowServices& services = main.Dialog().Window();
    services.SetControlText(ControlId::LogFile, "/var/log/httpd/access.log.1.gz");
    Save(main.Window(), "main-dialog.png");

    main.Dialog().ShowProgress(true);
    main.Dialog().ShowStatus(true);
    main.Dialog().SetStatusText("Writing core data to SQL table..");
    services.SetProgressRange(1, 100);
    services.SetProgressPos(40);
    services.EnableControl(ControlId::Go, false);
    Save(main.Window(), "main-dialog-running.png");
}

TEST_F(ScreenshotTest, ErrorLogAndAbout) {
    FreshSettings settings;
    SpillingLineList badLines;
    badLines.Add("Line 3 incomplete/improperly formed: \"10.0.0.1 - - [10/Oct/2000:13:55:36\"");
    badLines.Add("Line 9 incomplete/improperly formed: \"garbage\"");
    CErrorLogDlg logic(settings.Store());
    logic.SetBadLineList(badLines);
    ErrorLogDialog errorLog(logic, nullptr);
    Save(errorLog, "error-log.png");

    AboutWindow about("Kestrelport Version: 1.0.1.0", nullptr);
    Save(about, "about.png");
}

}  // namespace
