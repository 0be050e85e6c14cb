#include "song/song_file.h"
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

TEST(MainWindow, HasTheEscapeSwitchMenuBarRootPanelAndStatusBar) {
    AppHarness harness;
    harness.Frame(2);
    App* app = harness.app;
    EXPECT_EQ(app->currentWindow, kMainWindow);
    ASSERT_EQ(app->items.size(), 4u);
    EXPECT_FALSE(app->items[0]->hittable);
    EXPECT_EQ(app->items[1]->h, kMenuBarHeight);
    EXPECT_EQ(app->items[2], app->rootPanel);
    EXPECT_EQ(app->rootPanel->y, 24);
    EXPECT_FALSE(app->rootPanel->hittable);
    EXPECT_EQ(app->statusBar->parent, app->items[3]);
}

TEST(MainWindow, StartupSongArgumentThatCannotBeOpenedIsIgnored) {
    AppHarness harness({}, "/nonexistent/song.qnt");
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    EXPECT_EQ(harness.app->document->song.sequenceLength, 4u);  // the new empty song
    EXPECT_STREQ(harness.app->songPath, "");
}

// Writes a song with a title into the working directory.
std::string WriteSongWithTitle(const char* title) {
    SongDocument doc;
    SetFixedText(doc.title, sizeof(doc.title), title);
    doc.song.SetSequenceLength(7);
    std::string written;
    FILE* quiet = std::fopen("/dev/null", "w");
    bool saved = SaveSongFile(doc, "startup.qnt", &written, nullptr, quiet);
    std::fclose(quiet);
    return saved ? std::filesystem::absolute(written).string() : std::string();
}

TEST(MainWindow, StartupSongIsLoadedBeforeTheFirstFrame) {
    std::string path;
    {
        AppHarness writer;  // only for its scratch working directory
        path = WriteSongWithTitle("Startup Tune");
        ASSERT_FALSE(path.empty());
        std::filesystem::copy_file(path, "/tmp/qn_startup_song.qnt",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    AppHarness harness({}, "/tmp/qn_startup_song.qnt");
    ASSERT_TRUE(harness.started);
    EXPECT_EQ(FixedText(harness.app->document->title, sizeof(harness.app->document->title)), "Startup Tune");
    EXPECT_EQ(harness.app->document->song.sequenceLength, 7u);
    EXPECT_STREQ(harness.app->songPath, "");  // "Save Song" will ask for a path
    std::remove("/tmp/qn_startup_song.qnt");
}

TEST(MainWindow, OnlyASingleArgumentNamesAStartupSong) {
    char program[] = "quillnote", first[] = "a.qnt", second[] = "b.qnt";
    char* one[] = {program, first, nullptr};
    char* two[] = {program, first, second, nullptr};
    EXPECT_EQ(StartupSongArgument(1, one), nullptr);
    EXPECT_STREQ(StartupSongArgument(2, one), "a.qnt");
    EXPECT_EQ(StartupSongArgument(3, two), nullptr);
}

TEST(MainWindow, StartupSongLargerThanOneMebibyteIsIgnored) {
    const char* path = "/tmp/qn_startup_big.qnt";
    {
        FILE* file = std::fopen(path, "wb");
        ASSERT_NE(file, nullptr);
        std::fseek(file, 0x100000, SEEK_SET);  // 1 MiB + 1 byte
        std::fputc(0, file);
        std::fclose(file);
    }
    AppHarness harness({}, path);
    ASSERT_TRUE(harness.started);
    EXPECT_EQ(harness.app->document->song.sequenceLength, 4u);
    std::remove(path);
}

}  // namespace
}  // namespace qn::testing
