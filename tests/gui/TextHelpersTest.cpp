// The small conversions behind the windows: dialog units to pixels, tooltip wrapping and the
// file dialog's filter form.

#include <gtest/gtest.h>

#include <QFontMetrics>

#include "gui/DialogUnits.h"
#include "gui/FileFilter.h"
#include "gui/GuiTestSupport.h"
#include "gui/TooltipPresenter.h"

TEST(DialogUnitsTest, ScalesByQuarterCharacterWidthAndEighthHeightRoundingEdges) {
    const DialogUnits units(6, 13);  // a 6-pixel average character, 13 pixels high
    EXPECT_EQ(units.ToPixelsX(4), 6);
    EXPECT_EQ(units.ToPixelsX(7), 11);  // 10.5 rounds up
    EXPECT_EQ(units.ToPixelsY(8), 13);
    EXPECT_EQ(units.ToPixelsY(3), 5);  // 4.875
    // Edges are converted, not the size: 7..7+3 DLU is 11..15 pixels, 4 wide, although 3 DLU
    // alone would round to 5.
    EXPECT_EQ(units.ToPixels(DluRect{7, 0, 3, 8}), QRect(11, 0, 4, 13));
    EXPECT_EQ(units.ToPixelsX(3), 5);
    // Two controls touching in dialog units touch in pixels.
    const QRect left = units.ToPixels(DluRect{10, 58, 51, 29});
    const QRect right = units.ToPixels(DluRect{61, 58, 314, 29});
    EXPECT_EQ(left.right() + 1, right.left());
    // The average keeps its fraction: 26 units of a 7.4-pixel average are 48 pixels, where a
    // whole 7 would give 45 and clip a 48-pixel label.
    EXPECT_EQ(DialogUnits(7.4, 14).ToPixelsX(26), 48);
}

TEST(DialogUnitsTest, FollowsTheFont) {
    TestApplication();
    QFont small = QApplication::font();
    small.setPointSize(8);
    QFont large = small;
    large.setPointSize(16);
    const DialogUnits smallUnits(small);
    const DialogUnits largeUnits(large);
    EXPECT_GT(largeUnits.ToPixelsX(100), smallUnits.ToPixelsX(100));
    EXPECT_GT(largeUnits.ToPixelsY(100), smallUnits.ToPixelsY(100));
    EXPECT_EQ(smallUnits.CharHeight(), QFontMetrics(small).height());
}

TEST(TooltipWrapTest, BreaksAtSpacesWithinTheWidthKeepingDoubleSpaces) {
    TestApplication();
    const QFontMetrics metrics(QApplication::font());
    const QString text =
        "Automatically run Hostname lookups for all data in target table without an existing "
        "hostname field value.  (Caution - this is a slow process!)";
    const QStringList lines = WrapToWidth(text, metrics, 300);
    ASSERT_GT(lines.size(), 1);
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), 300) << line.toStdString();
        EXPECT_FALSE(line.startsWith(' ') || line.endsWith(' ')) << line.toStdString();
    }
    // Nothing but the break spaces is lost.
    QString joined = lines.join(' ');
    EXPECT_EQ(joined.remove(' '), QString(text).remove(' '));
    const QString broken = lines.join('|');
    EXPECT_TRUE(broken.contains("value.|") || broken.contains("value.  (")) << broken.toStdString();

    EXPECT_EQ(WrapToWidth("Start the process!", metrics, 300), QStringList{"Start the process!"});
    EXPECT_EQ(WrapToWidth("", metrics, 300), QStringList{""});
    // A word wider than the limit stands alone instead of vanishing.
    const QStringList narrow = WrapToWidth("a verylongword b", metrics, 5);
    EXPECT_EQ(narrow, (QStringList{"a", "verylongword", "b"}));
}

TEST(FileFilterTest, ClassicFilterBecomesQtNameFilters) {
    EXPECT_EQ(ToQtNameFilters("Project files (*.txt)|*.txt||"),
              QStringList{"Project files (*.txt)"});
    EXPECT_EQ(ToQtNameFilters("Logs|*.log;*.gz|All files|*.*||"),
              (QStringList{"Logs (*.log *.gz)", "All files (*.*)"}));
    EXPECT_TRUE(ToQtNameFilters("").isEmpty());
    EXPECT_TRUE(ToQtNameFilters("Dangling description").isEmpty());
}
