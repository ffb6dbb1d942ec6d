// The error log dialog in Qt: its template, the resizer driving its two controls, the size grip
// and minimum size, and the placement kept only when closed with OK.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <utility>

#include "app/CErrorLogDlg.h"
#include "app/SettingsKeys.h"
#include "gui/ErrorLogDialog.h"
#include "gui/GuiTestSupport.h"
#include "gui/ScreenPlacement.h"

namespace {

class ErrorLogDialogTest : public GuiTest {
  protected:
    ErrorLogDialogTest() {
        badLines.Add("Line 2 incomplete/improperly formed: \"a\"");
        badLines.Add("Line 5 incomplete/improperly formed: \"b\"");
        badLines.Add("Line 7 incomplete/improperly formed: \"c\"");
        logic.SetBadLineList(badLines);
    }

    int StoredEdge(const char* edge) {
        return settings.Store().ReadInt(
            SettingsKey::Section, std::string(SettingsKey::ErrorDialogPlacementPrefix) + edge, -1);
    }

    FreshSettings settings;
    SpillingLineList badLines;
    CErrorLogDlg logic{settings.Store()};
};

TEST_F(ErrorLogDialogTest, OpensAtItsTemplateWithTheListedLines) {
    ErrorLogDialog dialog(logic, nullptr);
    const DialogUnits units(QApplication::font());
    EXPECT_EQ(dialog.windowTitle(), "Error Log");
    EXPECT_EQ(dialog.size(), units.ToPixels(316, 183));
    auto* text = qobject_cast<QPlainTextEdit*>(dialog.Control(1011));
    auto* ok = qobject_cast<QPushButton*>(dialog.Control(1));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(text->geometry(), units.ToPixels(DluRect{7, 7, 302, 146}));
    EXPECT_EQ(ok->geometry(), units.ToPixels(DluRect{133, 162, 50, 14}));
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(text->isReadOnly());

    const QStringList lines = text->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 6);  // headline, blank, three lines, and the last line break
    EXPECT_EQ(lines[0],
              "** There were 3 records in the log file with missing or incomplete data! **");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[4], "Line 7 incomplete/improperly formed: \"c\"");
    EXPECT_EQ(lines[5], "");
}

TEST_F(ErrorLogDialogTest, ResizingStretchesTheTextAndKeepsOkCentredAtTheBottom) {
    ErrorLogDialog dialog(logic, nullptr);
    dialog.show();
    QApplication::processEvents();
    const QSize opened = dialog.size();
    EXPECT_EQ(dialog.minimumSize(), opened) << "cannot be made smaller than it opened";
    const QSizeGrip* grip = dialog.findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry().bottomRight(), dialog.rect().bottomRight());

    const QRect text = dialog.Control(1011)->geometry();
    const QRect ok = dialog.Control(1)->geometry();
    dialog.resize(opened + QSize(10, 20));
    QApplication::processEvents();
    EXPECT_EQ(dialog.Control(1011)->geometry(), text.adjusted(0, 0, 10, 20));
    EXPECT_EQ(dialog.Control(1)->geometry(), ok.translated(5, 20));

    // One pixel at a time adds up to the same layout as one large step.
    for (int i = 0; i < 10; ++i) {
        dialog.resize(dialog.size() + QSize(1, 0));
        QApplication::processEvents();
    }
    EXPECT_EQ(dialog.Control(1011)->geometry(), text.adjusted(0, 0, 20, 20));
    EXPECT_EQ(dialog.Control(1)->geometry(), ok.translated(10, 20));

    dialog.resize(opened - QSize(50, 50));
    QApplication::processEvents();
    EXPECT_EQ(dialog.size(), opened);
    // Back at the opening size the carried fractions may leave OK a pixel off, never more.
    const QPoint offset = dialog.Control(1)->geometry().topLeft() - ok.topLeft();
    EXPECT_LE(offset.manhattanLength(), 2);
    EXPECT_EQ(dialog.Control(1)->size(), ok.size());
}

TEST_F(ErrorLogDialogTest, OkKeepsThePlacementForNextTimeAndEscapeDoesNot) {
    QRect closedAt;
    {
        ErrorLogDialog dialog(logic, nullptr);
        WhenModal<ErrorLogDialog>([&](ErrorLogDialog* shown) {
            shown->setGeometry(QRect(QPoint(40, 30), shown->size() + QSize(60, 40)));
            QApplication::processEvents();
            closedAt = shown->frameGeometry();  // the window, frame included
            qobject_cast<QPushButton*>(shown->Control(1))->click();
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    }
    EXPECT_EQ(StoredEdge("left"), closedAt.left());
    EXPECT_EQ(StoredEdge("top"), closedAt.top());
    EXPECT_EQ(StoredEdge("right"), closedAt.left() + closedAt.width());
    EXPECT_EQ(StoredEdge("bottom"), closedAt.top() + closedAt.height());
    EXPECT_EQ(StoredEdge("Maximised"), 1);

    CErrorLogDlg again(settings.Store());
    again.SetBadLineList(badLines);
    ErrorLogDialog reopened(again, nullptr);
    reopened.show();
    QApplication::processEvents();
    EXPECT_EQ(reopened.frameGeometry(), closedAt) << "neither moved nor grown by the frame";
    // The layout follows the restored size: the margins stay those of the template.
    const DialogUnits units(QApplication::font());
    const int textRightMargin = units.ToPixelsX(316) - units.ToPixelsX(7 + 302);
    const int okBottomMargin = units.ToPixelsY(183) - units.ToPixelsY(162 + 14);
    const QRect text = reopened.Control(1011)->geometry();
    const QRect ok = reopened.Control(1)->geometry();
    EXPECT_EQ(reopened.width() - (text.left() + text.width()), textRightMargin);
    EXPECT_EQ(reopened.height() - (ok.top() + ok.height()), okBottomMargin);
    reopened.hide();  // a window already showing would not become modal

    WhenModal<ErrorLogDialog>([](ErrorLogDialog* shown) {
        shown->move(shown->pos() + QPoint(100, 100));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(shown, &escape);
    });
    EXPECT_EQ(reopened.exec(), QDialog::Rejected);
    EXPECT_EQ(StoredEdge("left"), closedAt.left()) << "Escape leaves the stored placement";
}

// A placement stored on a larger or since removed screen must not open the modal dialog where
// nobody can reach it.
TEST_F(ErrorLogDialogTest, RestoredPlacementIsPulledOntoTheAvailableScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto store = [&](int left, int top, int right, int bottom) {
        const std::pair<const char*, int> edges[] = {
            {"left", left}, {"top", top}, {"right", right}, {"bottom", bottom}, {"Maximised", 1}};
        for (const auto& [edge, value] : edges)
            settings.Store().WriteInt(SettingsKey::Section,
                                      std::string(SettingsKey::ErrorDialogPlacementPrefix) + edge,
                                      value);
    };
    const auto shownAt = [&] {
        CErrorLogDlg logicAgain(settings.Store());
        logicAgain.SetBadLineList(badLines);
        ErrorLogDialog dialog(logicAgain, nullptr);
        dialog.show();
        QApplication::processEvents();
        return dialog.frameGeometry();
    };

    const QSize size = shownAt().size();
    store(screen.right() + 5000, screen.top() - 3000, screen.right() + 5000 + size.width(),
          screen.top() - 3000 + size.height());
    QRect shown = shownAt();
    EXPECT_TRUE(screen.contains(shown)) << "off the screen";
    EXPECT_EQ(shown.size(), size);
    EXPECT_EQ(shown.topRight(), QPoint(screen.right(), screen.top()));

    store(screen.left() - 100, screen.top() + 10, screen.right() + 400, screen.bottom() + 300);
    shown = shownAt();
    EXPECT_TRUE(screen.contains(shown)) << "larger than the screen";
    EXPECT_EQ(shown.width(), screen.width());
}

TEST(ScreenPlacementTest, ClampMovesInsideAndShrinksOnlyWhatIsTooLarge) {
    const QRect area(100, 50, 800, 600);
    EXPECT_EQ(ClampRectInto(QRect(200, 100, 300, 200), area), QRect(200, 100, 300, 200));
    EXPECT_EQ(ClampRectInto(QRect(-900, 2000, 300, 200), area), QRect(100, 450, 300, 200));
    EXPECT_EQ(ClampRectInto(QRect(850, 40, 300, 200), area), QRect(600, 50, 300, 200));
    EXPECT_EQ(ClampRectInto(QRect(0, 0, 1000, 700), area), area);
}

}  // namespace
