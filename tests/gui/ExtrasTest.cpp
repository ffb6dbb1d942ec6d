// The connection dialog, the program-drawn buttons and the pictures of both and of the About box.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "app/WindowServices.h"
#include "gui/AboutWindow.h"
#include "gui/CXPStyleButtonST.h"
#include "gui/ConnectionDialog.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogWindow.h"
#include "gui/QtWindowServices.h"

namespace {

using Provider = ConnectionStringModel::Provider;

template <typename Widget>
Widget* Find(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

ConnectionStringModel PostgresModel() {
    ConnectionStringModel model;
    model.provider = Provider::PostgreSQL;
    model.host = "db.local";
    model.database = "logs";
    model.password = "p;w";
    model.otherEntries = {{"SSL Mode", "require"}};
    return model;
}

class ConnectionDialogTest : public GuiTest {};

TEST_F(ConnectionDialogTest, StartsFromTheCurrentSettingsAndKeepsWhatItHasNoFieldFor) {
    ConnectionDialog dialog(PostgresModel(), nullptr);
    EXPECT_EQ(Find<QComboBox>(dialog, "provider")->currentText(), "PostgreSQL");
    EXPECT_EQ(Find<QLineEdit>(dialog, "host")->text(), "db.local");
    EXPECT_EQ(Find<QLineEdit>(dialog, "password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.Model(), PostgresModel()) << "an untouched dialog changes nothing";

    Find<QLineEdit>(dialog, "port")->setText("5433");
    ConnectionStringModel expected = PostgresModel();
    expected.port = "5433";
    EXPECT_EQ(dialog.Model(), expected);
}

TEST_F(ConnectionDialogTest, SqliteNeedsAFileBeforeOk) {
    ConnectionDialog dialog(ConnectionStringModel{}, nullptr);
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());

    QString startedFrom = "not asked";
    dialog.SetFilePicker([&](QWidget*, const QString& current) {
        startedFrom = current;
        return QString("/data/web.db");
    });
    Find<QPushButton>(dialog, "browse")->click();
    EXPECT_EQ(startedFrom, "");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.Model().file, "/data/web.db");

    Find<QComboBox>(dialog, "provider")->setCurrentIndex(1);
    Find<QLineEdit>(dialog, "file")->clear();
    EXPECT_TRUE(ok->isEnabled()) << "PostgreSQL can rely on the server's defaults";
    EXPECT_EQ(dialog.Model().provider, Provider::PostgreSQL);
}

TEST_F(ConnectionDialogTest, TestConnectionTriesTheStringTheFieldsMakeAndShowsTheAnswer) {
    ConnectionDialog dialog(PostgresModel(), nullptr);
    std::string tried;
    dialog.SetTester([&](const std::string& text) {
        tried = text;
        return ConnectionTestResult{false, "Connection failed:\r\n\r\nrefused"};
    });
    Find<QLineEdit>(dialog, "user")->setText("kp");
    Find<QPushButton>(dialog, "test")->click();
    EXPECT_EQ(tried, ComposeConnectionString(dialog.Model()));
    EXPECT_NE(tried.find("User ID=kp"), std::string::npos) << tried;
    EXPECT_EQ(Find<QLabel>(dialog, "testResult")->text(), "Connection failed:\n\nrefused");
}

TEST_F(ConnectionDialogTest, WindowServicesReturnTheComposedStringOrNothingOnCancel) {
    MainDialogWindow window;
    QtWindowServices services(window);
    WhenModal<ConnectionDialog>([](ConnectionDialog* dialog) {
        Find<QLineEdit>(*dialog, "host")->setText("db2");
        dialog->accept();
    });
    EXPECT_EQ(services.RunConnectionDialog("Provider=PostgreSQL;Server=db;Database=logs"),
              "Provider=PostgreSQL;Host=db2;Database=logs");

    WhenModal<ConnectionDialog>([](ConnectionDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(services.RunConnectionDialog("Provider=SQLite;Data Source=/a.db"), std::nullopt);
}

// A button on a window of its own, drawn flat unless the test asks for the theme.
class ButtonTest : public GuiTest {
  protected:
    ButtonTest() {
        host.resize(160, 60);
        button->setGeometry(10, 10, 120, 36);
        button->SetThemeHelper(std::make_shared<CThemeHelperST>(CThemeHelperST::Mode::NoTheme));
        host.show();
        host.activateWindow();
        QApplication::setActiveWindow(&host);
    }

    void Send(QEvent::Type type, Qt::MouseButtons held = Qt::NoButton, QPoint at = {5, 5}) {
        const QPointF global = button->mapToGlobal(QPointF(at));
        if (type == QEvent::Enter) {
            QEnterEvent event(at, at, global);
            QApplication::sendEvent(button, &event);
        } else if (type == QEvent::Leave) {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(button, &event);
        } else {
            const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, global, which, held, Qt::NoModifier);
            QApplication::sendEvent(button, &event);
        }
    }

    QImage Picture() { return button->grab().toImage(); }
    QRgb Colour(QPalette::ColorRole role) const { return button->palette().color(role).rgb(); }

    QWidget host;
    CXPStyleButtonST* button = new CXPStyleButtonST("Database Connection String", &host);
};

TEST_F(ButtonTest, HotFollowsTheMouseButNotADragFromElsewhere) {
    Send(QEvent::Enter);
    EXPECT_TRUE(button->IsHot());
    Send(QEvent::MouseMove, Qt::NoButton, {500, 5});
    EXPECT_FALSE(button->IsHot()) << "a move outside ends the hot state";
    Send(QEvent::MouseMove, Qt::LeftButton);
    EXPECT_FALSE(button->IsHot()) << "dragging onto the button does not light it";
    Send(QEvent::MouseMove);
    EXPECT_TRUE(button->IsHot());
    Send(QEvent::Leave);
    EXPECT_FALSE(button->IsHot());

    Send(QEvent::Enter);
    button->setEnabled(false);
    EXPECT_FALSE(button->IsHot()) << "a disabled button is never hot";
}

TEST_F(ButtonTest, DoubleClickCountsAsASecondClick) {
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease);
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(button->hasFocus()) << "a click gives the button the focus";
}

// The frame is all that tells the states apart at the edges: none while idle, lit from the top
// left while hot, shaded there while pressed.
TEST_F(ButtonTest, FlatIdleRaisedHotSunkenPressed) {
    const QImage idle = Picture();
    const QPoint topLeft(0, 0);
    const QPoint bottomRight(idle.width() - 1, idle.height() - 1);
    EXPECT_EQ(idle.pixel(topLeft), Colour(QPalette::Button));
    EXPECT_EQ(idle.pixel(bottomRight), Colour(QPalette::Button));

    Send(QEvent::Enter);
    const QImage hot = Picture();
    EXPECT_EQ(hot.pixel(topLeft), Colour(QPalette::Light));
    EXPECT_EQ(hot.pixel(bottomRight), Colour(QPalette::Dark));

    button->setDown(true);
    const QImage pressed = Picture();
    EXPECT_EQ(pressed.pixel(topLeft), Colour(QPalette::Dark));
    EXPECT_EQ(pressed.pixel(bottomRight), Colour(QPalette::Light));
    EXPECT_NE(pressed, hot);
}

TEST_F(ButtonTest, ThemeDecidesTheFaceAndFollowsTheStyle) {
    const QImage flat = Picture();
    button->SetThemeHelper(std::make_shared<CThemeHelperST>(CThemeHelperST::Mode::Theme));
    EXPECT_NE(Picture(), flat) << "the style's face replaces the flat one";
    button->SetThemeHelper(nullptr);
    EXPECT_EQ(Picture(), flat) << "without a helper the button draws flat";

    EXPECT_FALSE(CThemeHelperST::IsThemedStyleName("Fusion"));
    EXPECT_FALSE(CThemeHelperST::IsThemedStyleName("windows"));
    EXPECT_TRUE(CThemeHelperST::IsThemedStyleName("Breeze"));
    EXPECT_TRUE(CThemeHelperST::IsThemedStyleName("windowsvista"));
}

TEST_F(GuiTest, MainDialogButtonsShareOneThemeHelperAndGoStaysTheDefault) {
    MainDialogWindow window;
    const CThemeHelperST* shared = nullptr;
    for (int id :
         {ControlId::Go, ControlId::Lookup, ControlId::Quit, ControlId::ConnStringBuilder}) {
        auto* button = window.ControlAs<CXPStyleButtonST>(id);
        ASSERT_NE(button, nullptr) << id;
        ASSERT_NE(button->ThemeHelper(), nullptr) << id;
        if (!shared) shared = button->ThemeHelper();
        EXPECT_EQ(button->ThemeHelper(), shared);
        EXPECT_EQ(button->isDefault(), id == ControlId::Go);
    }
}

// The button's states and the dialogs as pictures, checked to differ where they must and saved
// for a person to look at when KESTRELPORT_SCREENSHOT_DIR names a folder.
class ExtrasScreenshotTest : public ButtonTest {
  protected:
    void SetUp() override { saving_ = shots_.Prepare(); }

    QImage Take(QWidget& window, const QString& name) { return shots_.Take(window, name); }

    ScreenshotFolder shots_;
    bool saving_ = false;
};

// Each state on its own and, three times enlarged, all of them in one row; no two states may
// look alike.
TEST_F(ExtrasScreenshotTest, ButtonStates) {
    std::vector<QImage> states;
    const auto take = [&](const QString& name) {
        states.push_back(Take(host, "button-" + name + ".png"));
    };
    take("idle");
    Send(QEvent::Enter);
    take("hot");
    button->setDown(true);
    take("pressed");
    button->setDown(false);
    button->setEnabled(false);
    take("disabled");
    button->setEnabled(true);
    button->SetThemeHelper(std::make_shared<CThemeHelperST>(CThemeHelperST::Mode::Theme));
    take("themed");
    for (size_t i = 0; i < states.size(); ++i) {
        for (size_t j = i + 1; j < states.size(); ++j) EXPECT_NE(states[i], states[j]) << i << j;
    }
    if (!saving_) return;

    QImage row(host.width() * static_cast<int>(states.size()), host.height(), QImage::Format_RGB32);
    QPainter painter(&row);
    for (size_t i = 0; i < states.size(); ++i)
        painter.drawImage(static_cast<int>(i) * host.width(), 0, states[i]);
    painter.end();
    EXPECT_TRUE(row.scaled(row.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(shots_.FilePath("buttons-magnified.png"), "PNG"));
}

TEST_F(ExtrasScreenshotTest, AboutAndConnectionDialogs) {
    AboutWindow about("Kestrelport Version: 1.0.1.0", nullptr);
    EXPECT_EQ(Take(about, "about-box.png").size(), about.size());

    // The two databases ask for different things: the pages must not look alike.
    ConnectionDialog postgres(PostgresModel(), nullptr);
    const QImage postgresPicture = Take(postgres, "connection-postgresql.png");
    ConnectionStringModel sqlite;
    sqlite.file = "/home/ann/web.db";
    ConnectionDialog sqliteDialog(sqlite, nullptr);
    const QImage sqlitePicture = Take(sqliteDialog, "connection-sqlite.png");
    EXPECT_EQ(postgresPicture.size(), postgres.size());
    EXPECT_NE(postgresPicture, sqlitePicture);
}

}  // namespace
