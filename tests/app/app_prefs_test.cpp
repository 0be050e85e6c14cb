// Preferences read at start-up and written at exit.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

std::string PrefsBytes(uint8_t hex, uint8_t guiSize, uint8_t stereo, uint8_t wide, Rgba background) {
    return std::string{'Q', 'N', 'T', '\0', char(hex), char(guiSize), '\0', char(stereo), char(wide),
                       char(background.r), char(background.g), char(background.b), char(background.a)};
}

TEST(AppPrefs, NoFileGivesTheDefaultsAndExitWritesThem) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    EXPECT_EQ(harness.Pixel(1, 300), (Rgba{92, 100, 120, 255}));
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 640);
    harness.Stop();
    EXPECT_EQ(AppHarness::ReadFile("prefs.bin"), PrefsBytes(0, 0, 0, 0, Rgba{92, 100, 120, 255}));
}

TEST(AppPrefs, StoredValuesApplyAtStartAndChangesAreWrittenBack) {
    AppHarness harness(PrefsBytes(1, 1, 2, 0, Rgba{10, 20, 30, 255}));
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 960);  // GuiSize 1.5 applied by the first frame
    EXPECT_EQ(height, 888);
    EXPECT_EQ(harness.app->background, (Rgba{10, 20, 30, 255}));
    harness.Command(kCommandStepsInHex);
    harness.Command(kCommandMono);
    harness.Frame();
    harness.Stop();
    EXPECT_EQ(AppHarness::ReadFile("prefs.bin"), PrefsBytes(0, 1, 0, 0, Rgba{10, 20, 30, 255}));
}

TEST(AppPrefs, WideFlagWidensTheWindowFromTheStart) {
    AppHarness harness(PrefsBytes(0, 0, 0, 1, Rgba{92, 100, 120, 255}));
    harness.Frame(2);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 896);
    EXPECT_EQ(harness.app->logicalWidth, 896);
}

TEST(AppPrefs, OverlongFileIsIgnoredAndTheBuiltInBackgroundShows) {
    AppHarness harness(PrefsBytes(1, 2, 2, 1, Rgba{1, 2, 3, 255}) + "x");
    harness.Frame(2);
    EXPECT_EQ(harness.Pixel(1, 300), (Rgba{177, 126, 116, 255}));
    EXPECT_EQ(harness.app->prefs->guiSize, 0);
    harness.Stop();
    // The defaults are written over it.
    EXPECT_EQ(AppHarness::ReadFile("prefs.bin"), PrefsBytes(0, 0, 0, 0, Rgba{92, 100, 120, 255}));
}

TEST(AppPrefs, ChosenGuiSizeIsUsedByTheNextStart) {
    std::string saved;
    {
        AppHarness first;
        first.Frame(2);
        first.Command(kCommandGuiSize15);
        first.Frame();
        first.Stop();
        saved = AppHarness::ReadFile("prefs.bin");
    }
    ASSERT_EQ(saved.size(), 13u);
    EXPECT_EQ(saved[5], 1);
    AppHarness second(saved);
    second.Frame(2);
    int width = 0, height = 0;
    SDL_GetWindowSize(second.app->window, &width, &height);
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 888);
}

}  // namespace
}  // namespace qn::testing
