// The window services on the real Qt window: controls by id, the progress bar, message boxes,
// the event pump, the wait cursor and the desktop hand-offs that must fail safely.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <string>
#include <vector>

#include "gui/GuiTestSupport.h"
#include "gui/MainDialogWindow.h"
#include "gui/QtWindowServices.h"

namespace {

class QtWindowServicesTest : public GuiTest {
  protected:
    MainDialogWindow window;
    QtWindowServices services{window};
};

TEST_F(QtWindowServicesTest, ControlsByIdTakeAndGiveTextChecksVisibilityAndEnabling) {
    services.SetControlText(ControlId::LogFile, "/logs/access.log");
    services.SetControlText(ControlId::TableBase, "Web Log");
    services.SetControlText(ControlId::Status, "Reading log file...");
    EXPECT_EQ(services.GetControlText(ControlId::LogFile), "/logs/access.log");
    EXPECT_EQ(services.GetControlText(ControlId::TableBase), "Web Log");
    EXPECT_EQ(services.GetControlText(ControlId::Status), "Reading log file...");
    EXPECT_EQ(services.GetControlText(ControlId::Go), "Go!");
    services.SetControlText(ControlId::Lookup, "Pause IP->Hostnames");
    EXPECT_EQ(services.GetControlText(ControlId::Lookup), "Pause IP->Hostnames");

    // The multi-line field shows real line breaks and hands out the program's "\r\n".
    const std::string twoLines = "Driver=SQLite\r\nDatabase=/tmp/a b.db";
    services.SetControlText(ControlId::ConnString, twoLines);
    EXPECT_EQ(window.ControlAs<QPlainTextEdit>(ControlId::ConnString)->blockCount(), 2);
    EXPECT_EQ(services.GetControlText(ControlId::ConnString), twoLines);
    services.SetControlText(ControlId::ConnString, "Driver=SQLite;Password=a=b;ü");
    EXPECT_EQ(services.GetControlText(ControlId::ConnString), "Driver=SQLite;Password=a=b;ü");

    services.SetCheck(ControlId::Reset, true);
    services.SetCheck(ControlId::AutoDns, false);
    EXPECT_TRUE(window.ControlAs<QCheckBox>(ControlId::Reset)->isChecked());
    EXPECT_TRUE(services.GetCheck(ControlId::Reset));
    EXPECT_FALSE(services.GetCheck(ControlId::AutoDns));

    EXPECT_FALSE(services.IsControlVisible(ControlId::Progress));
    EXPECT_FALSE(services.IsControlVisible(ControlId::Status));
    EXPECT_TRUE(services.IsControlVisible(ControlId::Go));
    services.ShowControl(ControlId::Progress, true);
    EXPECT_TRUE(services.IsControlVisible(ControlId::Progress));

    services.EnableControl(ControlId::Go, false);
    EXPECT_FALSE(services.IsControlEnabled(ControlId::Go));
    EXPECT_FALSE(window.Control(ControlId::Go)->isEnabled());
    services.EnableControl(ControlId::Go, true);
    EXPECT_TRUE(services.IsControlEnabled(ControlId::Go));

    // An id the window does not have is ignored, not a crash.
    services.SetControlText(4711, "x");
    EXPECT_EQ(services.GetControlText(4711), "");
    EXPECT_FALSE(services.IsControlVisible(4711));
}

// Names and connection strings are bytes; those that are not UTF-8 (a Latin-1 log name, broken
// or overlong sequences, an encoded surrogate) must come back from every kind of field exactly,
// or the next run or save writes changed bytes. Valid text, private-use characters included,
// must come back exactly too.
TEST_F(QtWindowServicesTest, TextsThatAreNotUtf8SurviveEveryKindOfFieldByteForByte) {
    const std::vector<std::string> texts = {
        "/logs/caf\xe9.log",
        "\xff\xfe\x80 \xc0\xaf \xe2\x82 \xed\xa0\x80 \xf4\x90\x80\x80 end\xc3",
        "Provider=SQLite;Password=p\xe4ss;Data Source=/tmp/\xe4\xf6.db",
        "valid: \xc3\xbc \xe2\x82\xac \xf0\x9f\x98\x80 \xef\x9f\xa9 \xee\x80\x80",
    };
    for (const std::string& text : texts) {
        for (int id : {ControlId::LogFile, ControlId::TableBase, ControlId::IncludeExts}) {
            services.SetControlText(id, text);
            EXPECT_EQ(services.GetControlText(id), text) << id;
        }
        const std::string twoLines = text + "\r\n" + text;
        services.SetControlText(ControlId::ConnString, twoLines);
        EXPECT_EQ(services.GetControlText(ControlId::ConnString), twoLines);
    }
    // The valid part still shows as the characters it encodes.
    services.SetControlText(ControlId::LogFile, "/logs/\xc3\xbc-caf\xe9.log");
    EXPECT_TRUE(window.ControlAs<QLineEdit>(ControlId::LogFile)->text().startsWith(u"/logs/ü-caf"));
}

TEST_F(QtWindowServicesTest, ProgressBarClampsToItsRangeAndStepsByTenStartingOver) {
    auto* bar = window.ControlAs<QProgressBar>(ControlId::Progress);
    EXPECT_EQ(services.GetProgressPos(), 0);
    services.SetProgressRange(1, 100);
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(services.GetProgressPos(), 1);

    services.SetProgressPos(37);
    EXPECT_EQ(services.GetProgressPos(), 37);
    EXPECT_EQ(bar->value(), 37);
    services.SetProgressPos(250);
    EXPECT_EQ(services.GetProgressPos(), 100);
    services.SetProgressPos(-5);
    EXPECT_EQ(services.GetProgressPos(), 1);

    services.StepProgress();
    EXPECT_EQ(services.GetProgressPos(), 11);
    services.SetProgressPos(91);
    services.StepProgress();
    EXPECT_EQ(services.GetProgressPos(), 1) << "stepping past the end starts over";
}

TEST_F(QtWindowServicesTest, MessageBoxesShowTheTextAndReportTheButtonPressed) {
    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(services.MessageBox("Create new project?", WindowServices::MessageType::YesNo),
              WindowServices::Answer::No);
    EXPECT_EQ(shown, "Create new project?");

    WhenModal<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(services.MessageBox("Sure?", WindowServices::MessageType::YesNo),
              WindowServices::Answer::Yes);

    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        services.MessageBox("SQL Error:\r\n\r\nno such table", WindowServices::MessageType::Ok),
        WindowServices::Answer::Ok);
    EXPECT_EQ(shown, "SQL Error:\n\nno such table");
}

TEST_F(QtWindowServicesTest, PumpHandlesWaitingEventsAndReturnsWhenNoneWait) {
    bool ran = false;
    QTimer::singleShot(0, &window, [&] { ran = true; });
    services.PumpMessages();
    EXPECT_TRUE(ran);
    services.PumpMessages();  // an empty queue must not block
}

TEST_F(QtWindowServicesTest, WaitCursorEndsOnlyWhatItBegan) {
    QApplication::setOverrideCursor(Qt::PointingHandCursor);
    services.EndWaitCursor();  // unmatched: the other cursor stays
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor);

    services.BeginWaitCursor();
    services.BeginWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    services.EndWaitCursor();
    services.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    {
        QtWindowServices interrupted(window);
        interrupted.BeginWaitCursor();
    }
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor)
        << "a wait cursor left on is ended with its services";
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtWindowServicesTest, DesktopHandOffsFailWithoutOpeningAnything) {
    TempDir dir;
    EXPECT_FALSE(services.OpenHelpFile(dir.File("kestrelport-gui.CHM"), 131174));
    EXPECT_FALSE(services.OpenHelpFile(dir.Path().string(), 131174)) << "a folder is no help file";
    EXPECT_FALSE(services.OpenUrl("http://exa mple/%%"));
}

TEST_F(QtWindowServicesTest, SaveDialogAddsTheDefaultExtensionInTheInitialFolder) {
    TempDir dir;
    QStringList filters;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        dialog->selectFile("night");
        static_cast<QDialog*>(dialog)->accept();  // the file dialog hides it
    });
    WindowServices::FileDialogRequest request;
    request.open = false;
    request.defaultExtension = "txt";
    request.initialFolder = dir.Path().string();
    request.filter = "Project files (*.txt)|*.txt||";
    const auto chosen = services.ShowFileDialog(request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.File("night.txt"));
    EXPECT_EQ(filters, QStringList{"Project files (*.txt)"});

    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    request.open = true;
    EXPECT_EQ(services.ShowFileDialog(request), std::nullopt);
}

}  // namespace
