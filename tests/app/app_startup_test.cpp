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

namespace qn::testing {
namespace {

TEST(MainWindow, LogoGlidesInOnlyTheFirstTime) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    // The first frame's GuiSize command rebuilt the window once already.
    harness.Frame(2);
    ASSERT_NE(harness.app->rootPanel, nullptr);
    ASSERT_FALSE(harness.app->rootPanel->children.empty());
    GuiItem* logo = harness.app->rootPanel->children[0];
    EXPECT_EQ(logo->x, 421);  // the rebuild after the size change shows it at rest
    EXPECT_TRUE(harness.app->logoShown);

    AppHarness fresh;
    App* app = fresh.app;
    GuiItem* gliding = app->rootPanel->children[0];
    EXPECT_EQ(gliding->x, 621);
    frameDelta = 1.0f / 60.0f;
    UpdateTree(app->items);
    // One frame moves it by (421 - 621) * (1/60) * 4, about 13 pixels.
    EXPECT_EQ(gliding->x, 621 - 13);
    for (int i = 0; i < 200; ++i) UpdateTree(app->items);
    EXPECT_EQ(gliding->x, 421);
}

TEST(MainWindow, HasTheEscapeSwitchRootPanelAndStatusBar) {
    AppHarness harness;
    harness.Frame(2);
    App* app = harness.app;
    EXPECT_EQ(app->currentWindow, kMainWindow);
    ASSERT_EQ(app->items.size(), 3u);
    EXPECT_FALSE(app->items[0]->hittable);
    EXPECT_EQ(app->items[1], app->rootPanel);
    EXPECT_EQ(app->rootPanel->y, 24);
    EXPECT_FALSE(app->rootPanel->hittable);
    EXPECT_EQ(app->statusBar->parent, app->items[2]);
}

TEST(MainWindow, StartupSongArgumentThatCannotBeOpenedIsIgnored) {
    AppHarness harness({}, "/nonexistent/song.qnt");
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    EXPECT_EQ(harness.app->document->song.sequenceLength, 4u);  // the new empty song
    EXPECT_STREQ(harness.app->songPath, "");
}

}  // namespace
}  // namespace qn::testing
