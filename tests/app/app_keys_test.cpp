// Application keys and the commands the shell runs itself.
#include <array>

#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

class AppKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);
    }
    // Sends a key, runs the frame that handles it and the frame that runs
    // any command it posted.
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
        harness.KeyDown(sym, mod);
        harness.Frame(2);
    }
    AppHarness harness;
};

// A run of keys, each with the shell's state after it: octave, edit skip,
// edit mode, instrument, its page, song position and window. The new song
// has four positions; instrument 16 is set before the run.
TEST_F(AppKeys, KeysChangeTheShellsState) {
    struct Step { SDL_Keycode sym; Uint16 mod; std::array<int, 7> state; const char* what; };
    const Step steps[] = {
        {SDLK_F3, KMOD_NUM, {2, 1, 0, 16, 0, 0, kMainWindow}, "F3 picks an octave even with Num Lock"},
        {SDLK_F1, KMOD_CAPS, {0, 1, 0, 16, 0, 0, kMainWindow}, "and with Caps Lock"},
        {SDLK_F4, KMOD_LSHIFT, {0, 1, 0, 16, 0, 0, kMainWindow}, "with a modifier it is no octave key"},
        {SDLK_5, KMOD_LCTRL, {0, 5, 0, 16, 0, 0, kMainWindow}, "Ctrl+digit sets the edit skip"},
        {SDLK_0, KMOD_RCTRL, {0, 0, 0, 16, 0, 0, kMainWindow}, "also 0"},
        {SDLK_SPACE, 0, {0, 0, 1, 16, 0, 0, kMainWindow}, "Space toggles edit mode"},
        {SDLK_SPACE, KMOD_LSHIFT, {0, 0, 0, 16, 0, 0, kMainWindow}, "also with Shift"},
        {SDLK_KP_PLUS, 0, {0, 0, 0, 17, 1, 0, kMainWindow}, "keypad + selects the next instrument and page"},
        {SDLK_KP_PLUS, KMOD_LSHIFT, {0, 0, 0, 17, 1, 0, kMainWindow}, "Shift: a step of 0"},
        {SDLK_DOWN, KMOD_LCTRL, {0, 0, 0, 18, 1, 0, kMainWindow}, "Ctrl+Down too"},
        {SDLK_KP_MINUS, 0, {0, 0, 0, 17, 1, 0, kMainWindow}, "keypad - the one before"},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 17, 1, 1, kMainWindow}, "left Alt+Down: the next position"},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 17, 1, 2, kMainWindow}, ""},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 17, 1, 3, kMainWindow}, ""},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 17, 1, 3, kMainWindow}, "held at the last position"},
        {SDLK_UP, KMOD_LALT, {0, 0, 0, 17, 1, 2, kMainWindow}, "left Alt+Up: the one before"},
        {SDLK_ESCAPE, 0, {0, 0, 0, 17, 1, 2, kInstrumentWindow}, "Escape: main to instruments"},
        {SDLK_ESCAPE, 0, {0, 0, 0, 17, 1, 2, kMainWindow}, "and back"},
    };
    App* app = harness.app;
    app->currentInstrument = 16;
    for (const Step& step : steps) {
        Press(step.sym, step.mod);
        const std::array<int, 7> state = {app->currentOctave, app->editSkip, app->editMode ? 1 : 0,
                                          app->currentInstrument, app->instrumentPage,
                                          int(app->document->song.currentPosition), app->currentWindow};
        EXPECT_EQ(state, step.state) << step.what;
    }
    // The ends of the instrument range hold.
    for (auto [instrument, key] : {std::pair{31, SDLK_KP_PLUS}, std::pair{1, SDLK_KP_MINUS}}) {
        app->currentInstrument = instrument;
        Press(key);
        EXPECT_EQ(app->currentInstrument, instrument);
    }
    // The waves window goes back to the instruments.
    harness.Command(kCommandWaveWindow);
    harness.Frame();
    Press(SDLK_ESCAPE);
    EXPECT_EQ(app->currentWindow, kInstrumentWindow);
}

TEST_F(AppKeys, PlayKeysPostTheirCommands) {
    std::vector<int> seen;
    GuiItem* listener = new GuiItem();
    listener->w = listener->h = 0;
    listener->onCommand = [&](int command) { seen.push_back(command); };
    harness.app->items.push_back(listener);
    Press(SDLK_RCTRL);
    Press(SDLK_RCTRL, KMOD_RSHIFT);
    Press(SDLK_RALT);
    Press(SDLK_RALT, KMOD_LSHIFT);
    Press(SDLK_RETURN, KMOD_LCTRL);
    EXPECT_EQ(seen, (std::vector<int>{18, 31, 29, 30, 36}));
}

TEST_F(AppKeys, QuitCommandEndsTheLoop) {
    harness.Command(kCommandQuit);
    EXPECT_TRUE(harness.Frame());
}

TEST_F(AppKeys, GuiSizeCommandsResizeTheWindowAndAreStored) {
    int width = 0, height = 0;
    harness.Command(kCommandGuiSize15);
    harness.Frame();
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 888);
    EXPECT_EQ(harness.app->prefs->guiSize, 1);
    harness.Command(kCommandWideGui);
    harness.Frame(2);  // "Wide Gui" re-posts the GuiSize command
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 1344);
    EXPECT_EQ(height, 888);
    EXPECT_EQ(harness.app->logicalWidth, 896);
    EXPECT_EQ(harness.app->rootPanel->x, 256);  // the root panel moves right
    EXPECT_EQ(harness.app->statusBar->parent->w, 896);  // and the status bar widens
    harness.Command(kCommandGuiSize20);
    harness.Frame();
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 1792);
    EXPECT_EQ(harness.app->windowScale, 2);
    int logicalWidth = 0, logicalHeight = 0;
    SDL_RenderGetLogicalSize(harness.app->renderer, &logicalWidth, &logicalHeight);
    EXPECT_EQ(logicalWidth, 896);
    EXPECT_EQ(logicalHeight, 592);
    harness.Command(kCommandGuiSize10);
    harness.Frame();
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 896);
    EXPECT_EQ(harness.app->prefs->guiSize, 0);
}

TEST_F(AppKeys, PreferenceCommandsChangeTheRecord) {
    harness.Command(kCommandStepsInHex);
    harness.Command(kCommandHalfStereo);
    harness.Frame();
    EXPECT_EQ(harness.app->prefs->stepsInHex, 1);
    EXPECT_EQ(harness.app->prefs->stereoMode, 1);
    harness.Command(kCommandStepsInHex);
    harness.Command(kCommandFullStereo);
    harness.Frame();
    EXPECT_EQ(harness.app->prefs->stepsInHex, 0);
    EXPECT_EQ(harness.app->prefs->stereoMode, 2);
    harness.Command(kCommandMono);
    harness.Frame();
    EXPECT_EQ(harness.app->prefs->stereoMode, 0);
}

}  // namespace
}  // namespace qn::testing
