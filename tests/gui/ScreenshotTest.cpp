// Pictures of the windows: each test checks what the picture must show (the progress bar drawn
// once it is shown, the error log's lines drawn in its field) and, when KESTRELPORT_SCREENSHOT_DIR
// names a folder, also saves the pictures there for a person to look at.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QProgressBar>

#include "app/CErrorLogDlg.h"
#include "app/WindowServices.h"
#include "gui/AboutWindow.h"
#include "gui/ErrorLogDialog.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogBinding.h"

namespace {

class ScreenshotTest : public GuiTest {
  protected:
    void SetUp() override { saving_ = shots_.Prepare(); }

    QImage Take(QWidget& window, const QString& name) { return shots_.Take(window, name); }

    // The part of `picture` that `control` covers in `window`.
    static QImage Part(const QImage& picture, QWidget& window, QWidget* control) {
        return picture.copy(QRect(control->mapTo(&window, QPoint(0, 0)), control->size()));
    }

    static bool HasSeveralColours(const QImage& picture) {
        const QRgb first = picture.pixel(0, 0);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.pixel(x, y) != first) return true;
            }
        }
        return false;
    }

    ScreenshotFolder shots_;
    bool saving_ = false;
};

TEST_F(ScreenshotTest, MainDialogShowsTheProgressOnlyWhileRunning) {
    FreshSettings settings;
    MainDialogBinding main(settings.Store());
    main.Dialog().OnInitDialog();
    WindowServices& services = main.Dialog().Window();
    MainDialogWindow& window = main.Window();
    services.SetControlText(ControlId::LogFile, "/var/log/httpd/access.log.1.gz");
    const QImage idle = Take(window, "main-dialog.png");
    EXPECT_EQ(idle.size(), window.size());

    main.Dialog().ShowProgress(true);
    main.Dialog().ShowStatus(true);
    main.Dialog().SetStatusText("Writing core data to SQL table..");
    services.SetProgressRange(1, 100);
    services.SetProgressPos(40);
    services.EnableControl(ControlId::Go, false);
    const QImage running = Take(window, "main-dialog-running.png");

    QWidget* bar = window.Control(ControlId::Progress);
    QWidget* status = window.Control(ControlId::Status);
    EXPECT_FALSE(HasSeveralColours(Part(idle, window, bar))) << "no bar before the run";
    EXPECT_TRUE(HasSeveralColours(Part(running, window, bar))) << "the bar is drawn";
    EXPECT_TRUE(HasSeveralColours(Part(running, window, status))) << "the status text is drawn";
    EXPECT_NE(Part(idle, window, window.Control(ControlId::Go)),
              Part(running, window, window.Control(ControlId::Go)))
        << "a disabled Go! looks different";
    QWidget* unrelated = window.Control(ControlId::IncludeExts);
    EXPECT_EQ(Part(idle, window, unrelated), Part(running, window, unrelated));
}

TEST_F(ScreenshotTest, ErrorLogDrawsItsLinesAndAboutItsText) {
    FreshSettings settings;
    SpillingLineList badLines;
    badLines.Add("Line 3 incomplete/improperly formed: \"10.0.0.1 - - [10/Oct/2000:13:55:36\"");
    badLines.Add("Line 9 incomplete/improperly formed: \"garbage\"");
    CErrorLogDlg logic(settings.Store());
    logic.SetBadLineList(badLines);
    ErrorLogDialog errorLog(logic, nullptr);
    const QImage log = Take(errorLog, "error-log.png");
    EXPECT_EQ(log.size(), errorLog.size());
    auto* text = qobject_cast<QPlainTextEdit*>(errorLog.Control(ControlId::ErrorLogText));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(HasSeveralColours(Part(log, errorLog, text->viewport())));

    AboutWindow about("Kestrelport Version: 1.0.1.0", nullptr);
    const QImage box = Take(about, "about.png");
    EXPECT_EQ(box.size(), about.size());
    EXPECT_TRUE(HasSeveralColours(box));
}

}  // namespace
