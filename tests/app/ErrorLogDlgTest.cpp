#include <gtest/gtest.h>

#include <map>

#include "app/CErrorLogDlg.h"
#include "app/SettingsStore.h"
#include "support/TestSupport.h"

namespace {

class FakeErrorLogWindow : public ErrorLogWindow {
  public:
    std::map<int, ControlRect> rects{{CErrorLogDlg::TextControl, {10, 10, 450, 220}},
                                     {CErrorLogDlg::OkButton, {200, 245, 75, 22}}};
    std::map<int, std::string> texts;
    WindowPlacement placement{WindowPlacement::ShowNormal, 100, 50, 580, 380};
    int placementsApplied = 0;

    bool HasControl(int control) const override { return rects.count(control) != 0; }
    ControlRect GetControlRect(int control) const override { return rects.at(control); }
    void MoveControls(const std::vector<ControlMove>& moves) override {
        for (const ControlMove& move : moves) rects[move.control] = move.rect;
    }
    int ClientWidth() const override { return 470; }
    int ClientHeight() const override { return 280; }
    int WindowWidth() const override { return 480; }
    int WindowHeight() const override { return 330; }
    WindowPlacement GetPlacement() const override { return placement; }
    void SetPlacement(const WindowPlacement& p) override {
        placement = p;
        ++placementsApplied;
    }
    void SetControlText(int control, const std::string& text) override { texts[control] = text; }
};

class ErrorLogDlgTest : public ::testing::Test {
  protected:
    TempDir dir;
    SettingsStore settings{dir.File("Kestrelport.conf")};
    FakeErrorLogWindow window;
};

TEST_F(ErrorLogDlgTest, TextIsTheCountedHeadlineThenEveryLineInOrder) {
    SpillingLineList bad{"Line 2 incomplete/improperly formed: \"a\"",
                         "Line 5 incomplete/improperly formed: \"b\"",
                         "Line 9 incomplete/improperly formed: \"\""};
    CErrorLogDlg dialog(settings);
    dialog.SetBadLineList(bad);
    EXPECT_TRUE(dialog.OnInitDialog(window));
    const std::string expected =
        "** There were 3 records in the log file with missing or incomplete data! **\r\n\r\n"
        "Line 2 incomplete/improperly formed: \"a\"\r\n"
        "Line 5 incomplete/improperly formed: \"b\"\r\n"
        "Line 9 incomplete/improperly formed: \"\"\r\n";
    EXPECT_EQ(dialog.Text(), expected);
    EXPECT_EQ(window.texts[CErrorLogDlg::TextControl], expected);

    CErrorLogDlg unset(settings);
    EXPECT_EQ(
        CErrorLogDlg::BuildText(unset.BadLineList()),
        "** There were 0 records in the log file with missing or incomplete data! **\r\n\r\n");
}

TEST_F(ErrorLogDlgTest, OpensAtItsDesignedPlaceUntilClosedWithOk) {
    CErrorLogDlg first(settings);
    first.OnInitDialog(window);
    EXPECT_EQ(window.placementsApplied, 0);

    window.placement = {WindowPlacement::ShowMaximised, 10, 20, 810, 620};
    first.OnOK(window);
    EXPECT_EQ(settings.ReadInt("Settings", "ErrDlgSizetop", 0), 20);
    EXPECT_EQ(settings.ReadInt("Settings", "ErrDlgSizebottom", 0), 620);
    EXPECT_EQ(settings.ReadInt("Settings", "ErrDlgSizeleft", 0), 10);
    EXPECT_EQ(settings.ReadInt("Settings", "ErrDlgSizeright", 0), 810);
    EXPECT_EQ(settings.ReadInt("Settings", "ErrDlgSizeMaximised", 0), 3);

    FakeErrorLogWindow reopened;
    CErrorLogDlg second(settings);
    second.OnInitDialog(reopened);
    EXPECT_EQ(reopened.placementsApplied, 1);
    EXPECT_EQ(reopened.placement,
              (WindowPlacement{WindowPlacement::ShowMaximised, 10, 20, 810, 620}));
}

TEST_F(ErrorLogDlgTest, AMissingOrDamagedStoredPlacementIsNotApplied) {
    WindowPlacement placement{WindowPlacement::ShowNormal, 1, 2, 3, 4};
    const WindowPlacement before = placement;
    auto store = [&](int top, int bottom, int left, int right) {
        settings.WriteInt("Settings", "ErrDlgSizetop", top);
        settings.WriteInt("Settings", "ErrDlgSizebottom", bottom);
        settings.WriteInt("Settings", "ErrDlgSizeleft", left);
        settings.WriteInt("Settings", "ErrDlgSizeright", right);
    };
    store(10, 300, -1, 400);
    EXPECT_FALSE(RestorePlacement(settings, "ErrDlgSize", placement));
    store(300, 10, 0, 400);
    EXPECT_FALSE(RestorePlacement(settings, "ErrDlgSize", placement));
    EXPECT_EQ(placement, before);

    // Edges left of or above the screen origin are real positions; the show state defaults to 5.
    store(-20, 300, -400, -5);
    EXPECT_TRUE(RestorePlacement(settings, "ErrDlgSize", placement));
    EXPECT_EQ(placement, (WindowPlacement{5, -400, -20, -5, 300}));
}

TEST_F(ErrorLogDlgTest, LayoutFollowsResizingAndTheOpeningSizeIsTheMinimum) {
    CErrorLogDlg dialog(settings);
    dialog.OnInitDialog(window);
    TrackingSize min = dialog.Resizer().MinimumTrackingSize({1, 1});
    EXPECT_EQ(min.width, 480);
    EXPECT_EQ(min.height, 330);
    EXPECT_TRUE(dialog.Resizer().IsGripEnabled());

    dialog.OnSize(470 + 100, 280 + 40);
    EXPECT_EQ(window.rects[CErrorLogDlg::TextControl], (ControlRect{10, 10, 550, 260}));
    EXPECT_EQ(window.rects[CErrorLogDlg::OkButton], (ControlRect{250, 285, 75, 22}));
}

}  // namespace
