// The real main dialog behind the Qt window: first start, filling the fields and using the
// buttons and menu as a user would.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "app/SettingsKeys.h"
#include "gui/AboutWindow.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogBinding.h"
#include "gui/QtWindowServices.h"

namespace {

class MainDialogBindingTest : public GuiTest {
  protected:
    MainDialogWindow& Window() { return main.Window(); }
    QString Text(int id) {
        if (auto* edit = Window().ControlAs<QLineEdit>(id)) return edit->text();
        return Window().ControlAs<QPlainTextEdit>(id)->toPlainText();
    }
    bool Checked(int id) { return Window().ControlAs<QCheckBox>(id)->isChecked(); }
    QAction* MenuItem(const QString& text) {
        for (QAction* menu : Window().Menu()->actions()) {
            for (QAction* item : menu->menu()->actions()) {
                if (item->text() == text) return item;
            }
        }
        return nullptr;
    }

    FreshSettings settings;
    MainDialogBinding main{settings.Store()};
};

TEST_F(MainDialogBindingTest, FirstStartShowsTheDefaultsWithoutProgress) {
    main.Dialog().OnInitDialog();
    EXPECT_EQ(Text(ControlId::LogFile), "");
    EXPECT_EQ(Text(ControlId::ConnString), "");
    EXPECT_EQ(Text(ControlId::TableBase), "WebLog");
    EXPECT_TRUE(Checked(ControlId::Reset));
    EXPECT_EQ(Text(ControlId::IncludeExts), "htm;html;php;asp;jsp;css;js;txt;;");
    EXPECT_EQ(Text(ControlId::PageHitExts), "htm;html;php;asp;jsp");
    EXPECT_FALSE(Checked(ControlId::AutoDns));
    EXPECT_TRUE(Window().Control(ControlId::Progress)->isHidden());
    EXPECT_TRUE(Window().Control(ControlId::Status)->isHidden());
    EXPECT_TRUE(Window().Control(ControlId::Go)->isEnabled());
}

TEST_F(MainDialogBindingTest, QuitEndsTheDialogAndStoresNothingTyped) {
    int result = -1;
    WhenModal<MainDialogWindow>([](MainDialogWindow* window) {
        window->ControlAs<QLineEdit>(ControlId::TableBase)->setText("Changed");
        window->ControlAs<QPlainTextEdit>(ControlId::ConnString)->setPlainText("Driver=SQLite");
        window->ControlAs<QPushButton>(ControlId::Quit)->click();
    });
    result = main.Run();
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(settings.Store().ReadText(SettingsKey::Section, SettingsKey::TableBasis, "unset"),
              "unset");
    EXPECT_FALSE(std::filesystem::exists(settings.Store().Path()));
}

TEST_F(MainDialogBindingTest, ExitMenuAndEscapeEndTheDialogLikeQuit) {
    WhenModal<MainDialogWindow>([this](MainDialogWindow*) { MenuItem("&Exit")->trigger(); });
    EXPECT_EQ(main.Run(), 2);

    WhenModal<MainDialogWindow>([](MainDialogWindow* window) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window, &escape);
    });
    EXPECT_EQ(main.Run(), 2);
}

TEST_F(MainDialogBindingTest, NewProjectAsksAndResetsTheFields) {
    main.Dialog().OnInitDialog();
    Window().ControlAs<QLineEdit>(ControlId::LogFile)->setText("/logs/a.log");
    Window().ControlAs<QLineEdit>(ControlId::TableBase)->setText("Shop");
    Window().ControlAs<QLineEdit>(ControlId::IncludeExts)->setText("htm;gif");
    Window().ControlAs<QCheckBox>(ControlId::Reset)->setChecked(false);

    WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    MenuItem("&New")->trigger();
    EXPECT_EQ(Text(ControlId::LogFile), "/logs/a.log") << "No keeps everything";
    EXPECT_EQ(Text(ControlId::TableBase), "Shop");

    QString question;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    MenuItem("&New")->trigger();
    EXPECT_EQ(question, "Create new project?");
    EXPECT_EQ(Text(ControlId::LogFile), "");
    EXPECT_EQ(Text(ControlId::TableBase), "");
    EXPECT_TRUE(Checked(ControlId::Reset));
    EXPECT_TRUE(Checked(ControlId::AutoDns));
    EXPECT_EQ(Text(ControlId::IncludeExts), "htm;gif") << "typed extensions stay";
}

TEST_F(MainDialogBindingTest, AboutBoxShowsTheVersionLineAndClosesWithOk) {
    QtWindowServices services(Window());
    QString line;
    WhenModal<AboutWindow>([&](AboutWindow* about) {
        line = about->findChild<QLabel*>(QStringLiteral("control%1").arg(ControlId::AboutVersion))
                   ->text();
        about->findChild<QPushButton*>()->click();
    });
    services.RunAboutDialog("Kestrelport Version: 1.0.1.0");
    EXPECT_EQ(line, "Kestrelport Version: 1.0.1.0");
}

}  // namespace
