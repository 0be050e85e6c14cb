// The status bar's roll and readouts.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

class StatusRoll : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
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
    StatusBar* bar = nullptr;
};

// A new message rolls the old one out and itself in within 1/8 s; the same
// message again does not roll; one changed during the roll is taken at the
// turn.
TEST_F(StatusRoll, NewMessageRollsOutAndInWithinAnEighthOfASecond) {
    harness.app->SetStatus("%s", harness.ShownStatus().c_str());
    Draw();
    EXPECT_EQ(bar->rollPhase, 0.0f);
    std::string old = harness.ShownStatus();
    harness.app->SetStatus("first");
    Draw();
    harness.app->SetStatus("Song saved.");
    // Phase: -0.01 then -0.26, -0.51, -0.76, -1.01 (< -1: take the text).
    for (int i = 0; i < 2; ++i) {
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

TEST_F(StatusRoll, OctaveChangeShowsAtOnce) {
    harness.KeyDown(SDLK_F2);
    harness.Frame();
    EXPECT_EQ(bar->rollPhase, 0.0f);
    EXPECT_STREQ(bar->octave, "<ccccccc>OCTAVE 1 <cp0>(F1-F4)");
    EXPECT_STREQ(bar->label, "<cdddddd>STATUS: <cp0>");
}

// The strip is translucent black: background 92, 100, 120 shows at about half.
TEST_F(StatusRoll, StripIsTranslucentBlackAcrossTheWindow) {
    GuiItem* strip = bar->parent;
    EXPECT_EQ(strip->w, harness.app->logicalWidth);
    EXPECT_FALSE(bar->hittable);
    Rgba under = harness.Pixel(300, strip->AbsoluteRect().y + 13);
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

}  // namespace
}  // namespace qn::testing
