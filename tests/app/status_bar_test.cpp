// The status bar's roll and readouts.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

class StatusRoll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);
        harness.SettleStatus();
        bar = harness.app->statusBar;
        ASSERT_NE(bar, nullptr);
        ASSERT_EQ(bar->rollPhase, 0.0f);
    }
    // Draws one frame with a frame time of 1/64 s, a quarter of a bar
    // height per draw at the roll speed of 16 bar heights per second.
    void Draw() {
        frameDelta = 1.0f / 64.0f;
        harness.app->DrawFrame();
    }
    AppHarness harness;
    StatusBar* bar = nullptr;
};

TEST_F(StatusRoll, NewMessageRollsOutAndInWithinAnEighthOfASecond) {
    std::string old = harness.ShownStatus();
    harness.app->SetStatus("Song saved.");
    // Phase: -0.01 then -0.26, -0.51, -0.76, -1.01 (< -1: take the text).
    for (int i = 0; i < 3; ++i) {
        Draw();
        EXPECT_EQ(harness.ShownStatus(), old) << "draw " << i;
    }
    Draw();
    EXPECT_EQ(harness.ShownStatus(), "Song saved.");
    EXPECT_EQ(bar->rollPhase, 1.0f);
    // Then 0.75, 0.5, 0.25, 0: at rest after eight draws of 1/64 s = 2/16 s.
    for (int i = 0; i < 3; ++i) {
        Draw();
        EXPECT_GT(bar->rollPhase, 0.0f);
    }
    Draw();
    EXPECT_EQ(bar->rollPhase, 0.0f);
}

TEST_F(StatusRoll, SameMessageAgainDoesNotRoll) {
    harness.app->SetStatus("%s", harness.ShownStatus().c_str());
    Draw();
    EXPECT_EQ(bar->rollPhase, 0.0f);
}

TEST_F(StatusRoll, MessageChangedDuringTheRollIsTakenAtTheTurn) {
    harness.app->SetStatus("first");
    Draw();
    harness.app->SetStatus("second");
    for (int i = 0; i < 3; ++i) Draw();
    EXPECT_EQ(harness.ShownStatus(), "second");
}

TEST_F(StatusRoll, OctaveChangeShowsAtOnce) {
    harness.KeyDown(SDLK_F2);
    harness.Frame();
    EXPECT_EQ(bar->rollPhase, 0.0f);
    EXPECT_STREQ(bar->octave, "<ccccccc>OCTAVE 1 <cp0>(F1-F4)");
    EXPECT_STREQ(bar->label, "<cdddddd>STATUS: <cp0>");
}

TEST_F(StatusRoll, StripIsTranslucentBlackAcrossTheWindow) {
    GuiItem* strip = bar->parent;
    EXPECT_EQ(strip->x, 0);
    // 26 below the pattern editor's bottom in the root panel's coordinates.
    GuiItem* pattern = harness.app->patternPane;
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(strip->y, pattern->y + pattern->h + 26);
    EXPECT_GT(strip->y, pattern->AbsoluteRect().y + pattern->h);
    EXPECT_EQ(strip->w, 640);
    EXPECT_EQ(strip->h, 16);
    EXPECT_EQ(bar->x, 8);
    EXPECT_FALSE(bar->hittable);
    // Background 92, 100, 120 under black at alpha 128: about half.
    Rgba under = harness.Pixel(300, strip->y + 13);
    EXPECT_NEAR(under.r, 92 / 2, 1);
    EXPECT_NEAR(under.g, 100 / 2, 1);
    EXPECT_NEAR(under.b, 120 / 2, 1);
}

TEST_F(StatusRoll, MessageSurvivesAWindowRebuildAndRollsIn) {
    harness.app->SetStatus("Song loaded.");
    harness.app->CreateMainWindow();
    bar = harness.app->statusBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(harness.ShownStatus(), "");
    harness.SettleStatus();
    EXPECT_EQ(harness.ShownStatus(), "Song loaded.");
}

TEST(StatusBarFrame, FrameSavedForPeopleToLookAt) {
    AppHarness harness;
    harness.Frame(2);
    harness.SettleStatus();
    std::string path = harness.SaveFrame("main_window");
    EXPECT_FALSE(path.empty());
}

}  // namespace
}  // namespace qn::testing
