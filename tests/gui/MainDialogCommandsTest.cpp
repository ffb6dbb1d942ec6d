// Clicks, keys and menu items of the main window become commands, and commands that pump
// events cannot start a second run or end the dialog under the running one.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <stdexcept>
#include <vector>

#include "app/WindowServices.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogWindow.h"

namespace {

class MainDialogCommandsTest : public GuiTest {
  protected:
    MainDialogCommandsTest() {
        window.SetCommandHandler([this](int id) {
            commands.push_back(id);
            if (onCommand) onCommand(id);
        });
    }

    void Click(int id) { window.ControlAs<QPushButton>(id)->click(); }
    QAction* MenuItem(const QString& text) {
        for (QAction* menu : window.Menu()->actions()) {
            for (QAction* item : menu->menu()->actions()) {
                if (item->text() == text) return item;
            }
        }
        return nullptr;
    }

    MainDialogWindow window;
    std::vector<int> commands;
    std::function<void(int)> onCommand;
};

TEST_F(MainDialogCommandsTest, ButtonsMenuItemsEscapeAndCloseBoxSendTheirCommands) {
    for (int id : {ControlId::Go, ControlId::Lookup, ControlId::ConnStringBuilder, ControlId::Quit})
        Click(id);
    for (const char* item : {"&New", "&Open", "&Save", "Save &As", "&Exit", "&Help file",
                             "&Check for Updates", "&About Kestrelport"})
        MenuItem(item)->trigger();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &escape);
    window.show();
    window.close();

    const std::vector<int> expected = {ControlId::Go,
                                       ControlId::Lookup,
                                       ControlId::ConnStringBuilder,
                                       ControlId::Quit,
                                       CommandId::FileNew,
                                       CommandId::FileOpen,
                                       CommandId::FileSave,
                                       CommandId::FileSaveAs,
                                       ControlId::Quit,
                                       CommandId::HelpFile,
                                       CommandId::CheckForUpdates,
                                       CommandId::About,
                                       ControlId::Quit,
                                       ControlId::Quit};
    EXPECT_EQ(commands, expected);
    EXPECT_TRUE(window.isVisible()) << "only the handler decides to end the dialog";
}

// The connection string field has several lines to show a long string wrapped; Enter there
// must start the run too, not put a line break into the string.
TEST_F(MainDialogCommandsTest, EnterInAnyFieldStartsARunAndNeverBreaksTheLine) {
    auto* connection = window.ControlAs<QPlainTextEdit>(ControlId::ConnString);
    connection->setPlainText("Provider=SQLite;Data Source=/tmp/a.db");
    window.show();
    const auto press = [](QWidget* field, int key, Qt::KeyboardModifiers modifiers) {
        field->setFocus();
        QKeyEvent enter(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(field, &enter);
    };
    press(window.Control(ControlId::TableBase), Qt::Key_Return, Qt::NoModifier);
    press(connection, Qt::Key_Return, Qt::NoModifier);
    press(connection, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(commands, std::vector<int>(3, ControlId::Go));
    EXPECT_EQ(connection->toPlainText(), "Provider=SQLite;Data Source=/tmp/a.db");

    window.Control(ControlId::Go)->setEnabled(false);
    press(connection, Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(commands.size(), 3u) << "no run while Go! is disabled";
    EXPECT_EQ(connection->blockCount(), 1);
}

TEST_F(MainDialogCommandsTest, BrowseButtonPutsThePickedFileIntoTheField) {
    QString startedFrom;
    window.SetFilePicker([&](QWidget*, const QString& current) {
        startedFrom = current;
        return QString("/logs/access.log.gz");
    });
    auto* edit = window.ControlAs<QLineEdit>(ControlId::LogFile);
    edit->setText("/old/access.log");
    edit->findChild<QAction*>("browse")->trigger();
    EXPECT_EQ(startedFrom, "/old/access.log");
    EXPECT_EQ(edit->text(), "/logs/access.log.gz");

    window.SetFilePicker([](QWidget*, const QString&) { return QString(); });
    edit->findChild<QAction*>("browse")->trigger();
    EXPECT_EQ(edit->text(), "/logs/access.log.gz") << "cancelling keeps the field";
}

// The browse button must be reachable without a mouse: next in the tab chain after the field,
// Space and Enter browse, and Enter there does not start a run.
TEST_F(MainDialogCommandsTest, KeyboardReachesTheBrowseButtonAndPressesIt) {
    int picks = 0;
    window.SetFilePicker([&](QWidget*, const QString&) {
        ++picks;
        return QString("/logs/access.log");
    });
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    const auto key = [](QWidget* target, int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, code == Qt::Key_Space ? " " : "");
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier,
                          code == Qt::Key_Space ? " " : "");
        QApplication::sendEvent(target, &release);
    };
    window.Control(ControlId::LogFile)->setFocus();
    key(window.Control(ControlId::LogFile), Qt::Key_Tab);
    QWidget* browse = QApplication::focusWidget();
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->objectName(), "browseButton");
    EXPECT_EQ(browse->parentWidget(), window.Control(ControlId::LogFile));

    key(browse, Qt::Key_Space);
    EXPECT_EQ(picks, 1);
    key(browse, Qt::Key_Return);
    EXPECT_EQ(picks, 2);
    EXPECT_TRUE(commands.empty()) << "Enter on the browse button browses, it does not run";

    key(browse, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.Control(ControlId::ConnStringBuilder));
}

TEST_F(MainDialogCommandsTest, SecondRunCannotStartInsideTheFirst) {
    int runs = 0;
    onCommand = [&](int id) {
        if (id != ControlId::Go) return;
        ++runs;
        if (runs == 1) Click(ControlId::Go);  // a click handled while the first run pumps events
    };
    Click(ControlId::Go);
    EXPECT_EQ(runs, 1);
    Click(ControlId::Go);
    EXPECT_EQ(runs, 2) << "once the run has returned, Go! works again";
}

TEST_F(MainDialogCommandsTest, QuitDuringWorkEndsTheDialogOnlyAfterTheWorkReturns) {
    bool visibleAfterQuit = false;
    bool workFinished = false;
    onCommand = [&](int id) {
        if (id == ControlId::Quit) window.EndWhenIdle(2);
        if (id != ControlId::Go) return;
        Click(ControlId::Quit);  // inside the run, as the event pump would deliver it
        visibleAfterQuit = window.isVisible();
        Click(ControlId::Lookup);  // the other commands still work meanwhile
        workFinished = true;
    };
    WhenModal<MainDialogWindow>([&](MainDialogWindow*) { Click(ControlId::Go); });
    const int result = window.exec();
    EXPECT_TRUE(workFinished);
    EXPECT_TRUE(visibleAfterQuit);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(commands, (std::vector<int>{ControlId::Go, ControlId::Quit, ControlId::Lookup}));
}

TEST_F(MainDialogCommandsTest, AnEscapingExceptionIsShownAndTheDialogLivesOn) {
    onCommand = [](int id) {
        if (id == CommandId::FileOpen) throw std::runtime_error("disk on fire");
    };
    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    window.RunCommand(CommandId::FileOpen);
    EXPECT_EQ(shown, "disk on fire");
    EXPECT_FALSE(window.IsRunningCommand());
    Click(ControlId::Go);
    EXPECT_EQ(commands.back(), ControlId::Go);
}

}  // namespace
