#include <gtest/gtest.h>

#include <map>

#include "app/CResizeCtrl.h"

namespace {

// A dialog of two controls whose client size the test changes.
class FakeDialog : public ResizeTarget {
  public:
    std::map<int, ControlRect> rects;
    int width = 300, height = 200;
    int batches = 0;

    bool HasControl(int control) const override { return rects.count(control) != 0; }
    ControlRect GetControlRect(int control) const override { return rects.at(control); }
    void MoveControls(const std::vector<ControlMove>& moves) override {
        ++batches;
        for (const ControlMove& move : moves) rects[move.control] = move.rect;
    }
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
};

class ResizeCtrlTest : public ::testing::Test {
  protected:
    static constexpr int kText = 1011;
    static constexpr int kButton = 1;

    void SetUp() override {
        dialog.rects[kText] = {10, 10, 280, 150};
        dialog.rects[kButton] = {125, 170, 50, 20};
        resizer.Create(dialog);
        ASSERT_TRUE(resizer.Add(kText, 0, 0, 100, 100));
        ASSERT_TRUE(resizer.Add(kButton, 50, 100, 0, 0));
    }
    void Resize(int dw, int dh) {
        dialog.width += dw;
        dialog.height += dh;
        resizer.OnSize(dialog.width, dialog.height);
    }

    FakeDialog dialog;
    CResizeCtrl resizer;
};

TEST_F(ResizeCtrlTest, GrowthStretchesTheTextAndKeepsTheButtonCentredAtTheBottom) {
    Resize(10, 6);
    EXPECT_EQ(dialog.rects[kText], (ControlRect{10, 10, 290, 156}));
    EXPECT_EQ(dialog.rects[kButton], (ControlRect{130, 176, 50, 20}));
    EXPECT_EQ(dialog.batches, 1);
    Resize(0, 0);
    EXPECT_EQ(dialog.batches, 1) << "no change, no moves";
}

TEST_F(ResizeCtrlTest, FractionsCarrySoManySmallStepsAddUpLikeOneLargeStep) {
    for (int i = 0; i < 10; ++i) Resize(1, 0);
    EXPECT_EQ(dialog.rects[kButton].x, 130);
    EXPECT_EQ(resizer.Items()[1].leftRemainder, 1);
    EXPECT_EQ(dialog.rects[kText].width, 290);

    CResizeCtrl once;
    FakeDialog other;
    other.rects[kButton] = {125, 170, 50, 20};
    once.Create(other);
    ASSERT_TRUE(once.Add(kButton, 50, 100, 0, 0));
    other.width += 10;
    once.OnSize(other.width, other.height);
    EXPECT_EQ(other.rects[kButton].x, 130);
    EXPECT_EQ(once.Items()[0].leftRemainder, 0);
}

TEST(ResizePart, ASizeNeverGoesNegativeAndOwesTheMissingPixels) {
    int width = 5, remainder = 0;
    EXPECT_TRUE(ApplyResizePart(100, -8, width, remainder, true));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(remainder, -300);
    ApplyResizePart(100, 8, width, remainder, true);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(remainder, 0);

    // Edges may go negative: only sizes are held at 0.
    int x = 2, edgeRemainder = 0;
    ApplyResizePart(100, -8, x, edgeRemainder, false);
    EXPECT_EQ(x, -6);
    EXPECT_FALSE(ApplyResizePart(0, 50, x, edgeRemainder, false));
    EXPECT_EQ(x, -6);
}

TEST(ResizePart, ShrinkingCarriesFractionsWithTheSignOfTheChange) {
    int x = 100, remainder = 0;
    ApplyResizePart(50, -3, x, remainder, false);
    EXPECT_EQ(x, 99);
    EXPECT_EQ(remainder, -50);
    // The tie rule nudges the carried -50 to -49 before adding -50.
    ApplyResizePart(50, -1, x, remainder, false);
    EXPECT_EQ(x, 99);
    EXPECT_EQ(remainder, -99);
    ApplyResizePart(50, -1, x, remainder, false);
    EXPECT_EQ(x, 98);
    EXPECT_EQ(remainder, -49);
}

TEST_F(ResizeCtrlTest, AddRefusesPartsOutOfRangeAndMissingControls) {
    dialog.rects[7] = {};
    EXPECT_FALSE(resizer.Add(7, -1, 0, 0, 0));
    EXPECT_FALSE(resizer.Add(7, 0, 101, 0, 0));
    EXPECT_FALSE(resizer.Add(7, 0, 0, 0, 200));
    EXPECT_FALSE(resizer.Add(99, 0, 0, 100, 100));
    EXPECT_EQ(resizer.Items().size(), 2u);
    EXPECT_TRUE(resizer.Add(7, 100, 0, 0, 0));
}

TEST_F(ResizeCtrlTest, DisabledResizerLeavesControlsAndMeasuresFromReenabling) {
    EXPECT_FALSE(resizer.Enable(true));
    EXPECT_TRUE(resizer.Enable(false));
    Resize(40, 40);
    EXPECT_EQ(dialog.rects[kText].width, 280);
    EXPECT_TRUE(resizer.Enable(true));
    Resize(10, 0);
    EXPECT_EQ(dialog.rects[kText].width, 290);
}

TEST_F(ResizeCtrlTest, TrackingSizesKeepWhatWasSetAndTakeTheSystemsValueOtherwise) {
    resizer.SetMinimumTrackingSize(320, 240);
    TrackingSize min = resizer.MinimumTrackingSize({100, 100});
    EXPECT_EQ(min.width, 320);
    EXPECT_EQ(min.height, 240);
    TrackingSize max = resizer.MaximumTrackingSize({4000, 3000});
    EXPECT_EQ(max.width, 4000);
    max = resizer.MaximumTrackingSize({5000, 6000});
    EXPECT_EQ(max.width, 4000) << "the first proposed value is kept";
    resizer.Create(dialog);
    EXPECT_EQ(resizer.MinimumTrackingSize({100, 100}).width, 100) << "Create starts afresh";
    EXPECT_TRUE(resizer.Items().empty());
}

}  // namespace
