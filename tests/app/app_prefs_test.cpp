// Preferences read at start-up and written at exit.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

std::string PrefsBytes(uint8_t hex, uint8_t guiSize, uint8_t stereo, uint8_t wide, Rgba background) {
    return std::string{'Q', 'N', 'T', '\0', char(hex), char(guiSize), '\0', char(stereo), char(wide),
                       char(background.r), char(background.g), char(background.b), char(background.a)};
}

// A "prefs.bin" at start, the window it gives and what exit writes after
// "Steps in Hex" and "Mono". An overlong file is ignored (the built-in
// background shows) and the defaults are written over it.
TEST(AppPrefs, StoredValuesApplyAtStartAndExitWritesThem) {
    const Rgba standard{92, 100, 120, 255}, own{10, 20, 30, 255};
    struct Case { std::string bytes; int width, height, logicalWidth; Rgba shown; std::string written; };
    const Case cases[] = {
        {"", 640, 592, 640, standard, PrefsBytes(1, 0, 0, 0, standard)},
        {PrefsBytes(1, 1, 2, 0, own), 960, 888, 640, own, PrefsBytes(0, 1, 0, 0, own)},
        {PrefsBytes(0, 0, 2, 1, standard), 896, 592, 896, standard, PrefsBytes(1, 0, 0, 1, standard)},
        {PrefsBytes(1, 2, 2, 1, Rgba{1, 2, 3, 255}) + "x", 640, 592, 640, Rgba{177, 126, 116, 255},
         PrefsBytes(1, 0, 0, 0, standard)},
    };
    for (const Case& c : cases) {
        AppHarness harness(c.bytes);
        ASSERT_TRUE(harness.started);
        harness.Frame(2);  // the first frame applies the GUI size
        int width = 0, height = 0;
        SDL_GetWindowSize(harness.app->window, &width, &height);
        EXPECT_EQ((std::vector<int>{width, height, harness.app->logicalWidth}),
                  (std::vector<int>{c.width, c.height, c.logicalWidth}));
        EXPECT_EQ(harness.Pixel(1, 300), c.shown);
        harness.Command(kCommandStepsInHex);
        harness.Command(kCommandMono);
        harness.Frame();
        harness.Stop();
        EXPECT_EQ(AppHarness::ReadFile("prefs.bin"), c.written);
    }
}

}  // namespace
}  // namespace qn::testing
