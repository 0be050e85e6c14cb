#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(AppStartup, OpensTheStandardWindowAndSettlesOnEditModeOff) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 592);
    harness.Frame();
    EXPECT_EQ(harness.Status(), "Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
    harness.Frame();
    // The first frame's GuiSize command rebuilt the window, which leaves edit mode.
    EXPECT_FALSE(harness.app->editMode);
    EXPECT_EQ(harness.Status(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SettleStatus();
    EXPECT_EQ(harness.ShownStatus(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SaveFrame("startup");
}

}  // namespace
}  // namespace qn::testing
