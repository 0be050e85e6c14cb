// Application keys and the commands the shell runs itself.
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

TEST_F(AppKeys, FunctionKeysPickTheOctaveEvenWithNumLock) {
    Press(SDLK_F3, KMOD_NUM);
    EXPECT_EQ(harness.app->currentOctave, 2);
    Press(SDLK_F1, KMOD_CAPS);
    EXPECT_EQ(harness.app->currentOctave, 0);
    Press(SDLK_F4, KMOD_LSHIFT);  // a modifier: not an octave key
    EXPECT_EQ(harness.app->currentOctave, 0);
}

TEST_F(AppKeys, CtrlDigitSetsTheEditSkip) {
    Press(SDLK_5, KMOD_LCTRL);
    EXPECT_EQ(harness.app->editSkip, 5);
    EXPECT_EQ(harness.Status(), "Set Editskip: 5");
    Press(SDLK_0, KMOD_RCTRL);
    EXPECT_EQ(harness.app->editSkip, 0);
}

TEST_F(AppKeys, SpaceTogglesEditModeAndTheNextFrameAnnouncesIt) {
    ASSERT_FALSE(harness.app->editMode);
    Press(SDLK_SPACE);
    EXPECT_TRUE(harness.app->editMode);
    harness.Frame();
    EXPECT_EQ(harness.Status(), "Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
    Press(SDLK_SPACE, KMOD_LSHIFT);
    EXPECT_FALSE(harness.app->editMode);
}

TEST_F(AppKeys, KeypadSelectsTheInstrumentWithinRange) {
    App* app = harness.app;
    app->currentInstrument = 16;
    Press(SDLK_KP_PLUS);
    EXPECT_EQ(app->currentInstrument, 17);
    EXPECT_EQ(app->instrumentPage, 1);
    app->currentInstrument = 31;
    Press(SDLK_KP_PLUS);
    EXPECT_EQ(app->currentInstrument, 31);
    Press(SDLK_KP_PLUS, KMOD_LSHIFT);  // Shift: a step of 0
    EXPECT_EQ(app->currentInstrument, 31);
    app->currentInstrument = 1;
    Press(SDLK_KP_MINUS);
    EXPECT_EQ(app->currentInstrument, 1);
    Press(SDLK_DOWN, KMOD_LCTRL);
    EXPECT_EQ(app->currentInstrument, 2);
    EXPECT_EQ(app->instrumentPage, 0);
}

TEST_F(AppKeys, LeftAltArrowsMoveTheSongPosition) {
    Song& song = harness.app->document->song;
    ASSERT_EQ(song.sequenceLength, 4u);
    Press(SDLK_DOWN, KMOD_LALT);
    Press(SDLK_DOWN, KMOD_LALT);
    EXPECT_EQ(song.currentPosition, 2u);
    for (int i = 0; i < 3; ++i) Press(SDLK_DOWN, KMOD_LALT);
    EXPECT_EQ(song.currentPosition, 3u);  // the last position
    for (int i = 0; i < 5; ++i) Press(SDLK_UP, KMOD_LALT);
    EXPECT_EQ(song.currentPosition, 0u);
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

TEST_F(AppKeys, EscapeSwitchesMainToInstrumentsToMainAndWavesToInstruments) {
    Press(SDLK_ESCAPE);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(harness.app->currentWindow, kMainWindow);
    harness.Command(kCommandWaveWindow);
    harness.Frame();
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
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

TEST_F(AppKeys, WideGuiMovesTheRootPanelAndWidensTheStatusBar) {
    harness.Command(kCommandWideGui);
    harness.Frame(2);
    ASSERT_NE(harness.app->rootPanel, nullptr);
    EXPECT_EQ(harness.app->rootPanel->x, 256);
    ASSERT_NE(harness.app->statusBar, nullptr);
    EXPECT_EQ(harness.app->statusBar->parent->w, 896);
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
