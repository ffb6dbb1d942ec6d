// The main window against its template: ids, texts, positions, menu, tooltips and colours, and
// the checks a reviewer would do by eye: nothing overlaps and every text fits.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStyle>
#include <QToolTip>
#include <vector>

#include "app/WindowServices.h"
#include "gui/GuiTestSupport.h"
#include "gui/MainDialogWindow.h"
#include "gui/TooltipPresenter.h"
#include "gui/WrappingButton.h"

namespace {

struct Expected {
    int id;
    const char* text;
    DluRect dlu;
};

// The layout as the dialog was designed, written out independently of the window's own table.
const Expected kExpected[] = {
    {kNoControlId, "Source:", {7, 7, 368, 35}},
    {kNoControlId, "Log file:", {15, 23, 26, 8}},
    {ControlId::LogFile, "", {46, 20, 329, 14}},
    {kNoControlId, "Target:", {7, 43, 368, 76}},
    {ControlId::ConnStringBuilder, "Database Connection String", {10, 58, 50, 29}},
    {ControlId::ConnString, "", {61, 58, 314, 29}},
    {kNoControlId, "Table base name:", {16, 97, 58, 8}},
    {ControlId::TableBase, "", {81, 95, 55, 14}},
    {ControlId::Reset, "Reset (clear) table contents first", {162, 97, 120, 10}},
    {kNoControlId, "Options:", {7, 121, 368, 65}},
    {kNoControlId, "Include extensions:", {14, 134, 64, 8}},
    {ControlId::IncludeExts, "", {84, 131, 291, 14}},
    {kNoControlId, "Page hit extensions:", {15, 149, 66, 8}},
    {ControlId::PageHitExts, "", {84, 147, 291, 14}},
    {ControlId::AutoDns, "Automatically process reverse DNS (IP to hostnames)", {97, 170, 187, 10}},
    {ControlId::Status, "", {7, 191, 368, 8}},
    {ControlId::Progress, "", {7, 200, 368, 7}},
    {ControlId::Go, "Go!", {65, 210, 83, 14}},
    {ControlId::Lookup, "IP -> Hostnames", {149, 210, 83, 14}},
    {ControlId::Quit, "Quit", {233, 210, 83, 14}},
};

QString VisibleText(const QWidget* widget) {
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return {};
}

class MainDialogLayoutTest : public GuiTest {
  protected:
    std::vector<QWidget*> ClientControls() const {
        const QList<QWidget*> children =
            window.ClientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return {children.begin(), children.end()};
    }
    QWidget* UnnamedControl(const QString& text) const {
        for (QWidget* widget : ClientControls()) {
            if (widget->objectName().isEmpty() && VisibleText(widget) == text) return widget;
        }
        return nullptr;
    }

    MainDialogWindow window;
};

TEST_F(MainDialogLayoutTest, EveryControlHasItsIdTextAndPositionInDialogUnits) {
    const DialogUnits& units = window.Units();
    EXPECT_EQ(ClientControls().size(), std::size(kExpected));
    for (const Expected& expected : kExpected) {
        SCOPED_TRACE(expected.text + std::string(" / ") + std::to_string(expected.id));
        QWidget* control = expected.id == kNoControlId ? UnnamedControl(expected.text)
                                                       : window.Control(expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(VisibleText(control), expected.text);
        const QRect pixels = control->geometry();
        EXPECT_EQ(pixels.left(), units.ToPixelsX(expected.dlu.left));
        EXPECT_EQ(pixels.top(), units.ToPixelsY(expected.dlu.top));
        EXPECT_EQ(pixels.right() + 1, units.ToPixelsX(expected.dlu.left + expected.dlu.width));
        EXPECT_EQ(pixels.bottom() + 1, units.ToPixelsY(expected.dlu.top + expected.dlu.height));
    }
    EXPECT_EQ(window.ClientArea()->size(), units.ToPixels(382, 231));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the main window is fixed in size";
    EXPECT_EQ(window.windowTitle(), "Kestrelport Exporter");
}

TEST_F(MainDialogLayoutTest, ControlsOfTheirKindsWithTheirStartingState) {
    EXPECT_NE(window.ControlAs<QLineEdit>(ControlId::LogFile), nullptr);
    EXPECT_NE(window.Control(ControlId::LogFile)->findChild<QAction*>("browse"), nullptr);
    EXPECT_NE(window.ControlAs<QPlainTextEdit>(ControlId::ConnString), nullptr);
    EXPECT_NE(window.ControlAs<QCheckBox>(ControlId::Reset), nullptr);
    EXPECT_NE(window.ControlAs<QCheckBox>(ControlId::AutoDns), nullptr);

    auto* status = window.ControlAs<QLabel>(ControlId::Status);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isHidden());
    EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);

    auto* bar = window.ControlAs<QProgressBar>(ControlId::Progress);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());

    for (int id :
         {ControlId::Go, ControlId::Lookup, ControlId::Quit, ControlId::ConnStringBuilder}) {
        auto* button = window.ControlAs<QPushButton>(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->isDefault(), id == ControlId::Go) << id;
    }

    const QColor background = window.palette().color(QPalette::Window);
    EXPECT_EQ(background, QColor(212, 230, 253));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(MainDialogLayoutTest, NoControlOverlapsAnotherExceptInsideItsGroupBox) {
    std::vector<QWidget*> groups;
    std::vector<QWidget*> others;
    for (QWidget* widget : ClientControls())
        (qobject_cast<QGroupBox*>(widget) ? groups : others).push_back(widget);
    ASSERT_EQ(groups.size(), 3u);

    for (size_t i = 0; i < others.size(); ++i) {
        for (size_t j = i + 1; j < others.size(); ++j) {
            EXPECT_FALSE(others[i]->geometry().intersects(others[j]->geometry()))
                << VisibleText(others[i]).toStdString() << others[i]->objectName().toStdString()
                << " overlaps " << VisibleText(others[j]).toStdString()
                << others[j]->objectName().toStdString();
        }
        for (QWidget* group : groups) {
            const QRect inner = others[i]->geometry();
            EXPECT_TRUE(!group->geometry().intersects(inner) || group->geometry().contains(inner))
                << others[i]->objectName().toStdString() << " straddles a group box edge";
        }
    }
    for (size_t i = 0; i < groups.size(); ++i) {
        for (size_t j = i + 1; j < groups.size(); ++j)
            EXPECT_FALSE(groups[i]->geometry().intersects(groups[j]->geometry()));
    }
}

TEST_F(MainDialogLayoutTest, EveryTextFitsItsControl) {
    for (QWidget* widget : ClientControls()) {
        const QString text = VisibleText(widget);
        if (text.isEmpty()) continue;
        SCOPED_TRACE(text.toStdString());
        const QFontMetrics metrics(widget->font());
        if (auto* button = qobject_cast<WrappingButton*>(widget)) {
            const QRect area = button->TextArea();
            const QRect needed = metrics.boundingRect(area, WrappingButton::kTextFlags, text);
            EXPECT_TRUE(area.contains(needed))
                << "needs " << needed.width() << "x" << needed.height();
        } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QLabel*>(widget)) {
            EXPECT_LE(widget->sizeHint().width(), widget->width());
            EXPECT_LE(metrics.height(), widget->height());
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_LT(metrics.horizontalAdvance(group->title()), group->width() / 2);
        }
    }
}

TEST_F(MainDialogLayoutTest, MenuCarriesTheCommandsInOrder) {
    struct Item {
        const char* text;
        int command;  // 0: separator
    };
    const std::vector<std::pair<QString, std::vector<Item>>> expected = {
        {"&File",
         {{"&New", 57600},
          {"&Open", 57601},
          {"&Save", 57603},
          {"Save &As", 32778},
          {"", 0},
          {"&Exit", ControlId::Quit}}},
        {"&Help",
         {{"&Help file", 32785}, {"&Check for Updates", 32784}, {"&About Kestrelport", 32777}}},
    };
    const QList<QAction*> menus = window.Menu()->actions();
    ASSERT_EQ(menus.size(), 2);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].second.size()));
        for (int i = 0; i < items.size(); ++i) {
            const Item& item = expected[m].second[i];
            EXPECT_EQ(items[i]->isSeparator(), item.command == 0);
            if (item.command == 0) continue;
            EXPECT_EQ(items[i]->text(), item.text);
            EXPECT_EQ(items[i]->data().toInt(), item.command);
        }
    }
}

TEST_F(MainDialogLayoutTest, TooltipsKeepTheirExactTextsAndShowWrapped) {
    const std::vector<std::pair<int, QString>> expected = {
        {ControlId::LogFile, "The filename of the log file to read"},
        {ControlId::TableBase,
         "The name of the table in the target database to write to.  (If it does not already "
         "exist it will be created.)"},
        {ControlId::Quit, "Close this wonderful application"},
    };
    for (const auto& [id, text] : expected) EXPECT_EQ(window.Control(id)->toolTip(), text) << id;

    int withTooltip = 0;
    for (QWidget* widget : ClientControls()) {
        if (widget->toolTip().isEmpty()) continue;
        ++withTooltip;
        const QStringList lines = window.Tooltips().ShownText(widget->toolTip()).split('\n');
        const QFontMetrics metrics(QToolTip::font());
        for (const QString& line : lines) EXPECT_LE(metrics.horizontalAdvance(line), 300);
    }
    EXPECT_EQ(withTooltip, 10);

    // Hovering shows the wrapped copy of the text.
    window.show();
    QWidget* reset = window.Control(ControlId::Reset);
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), reset->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(reset, &hover);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), window.Tooltips().ShownText(reset->toolTip()));
    EXPECT_TRUE(QToolTip::text().contains('\n')) << "wrapped at 300 pixels";
    QToolTip::hideText();
    EXPECT_TRUE(window.Control(ControlId::PageHitExts)->toolTip().isEmpty());
}

}  // namespace
