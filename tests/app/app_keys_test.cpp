// Application keys and the commands the shell runs itself: the shell's
// state after each key, Space and the play keys with the status each leaves,
// pane focus by Return, window sizes and the new-song commands.
#include <array>
#include <cstring>

#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

using AppKeys = AppTest;

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
        {SDLK_KP_PLUS, 0, {0, 0, 0, 17, 1, 0, kMainWindow}, "keypad + selects the next instrument and page"},
        {SDLK_KP_PLUS, KMOD_LSHIFT, {0, 0, 0, 17, 1, 0, kMainWindow}, "Shift: a step of 0"},
        {SDLK_DOWN, KMOD_LCTRL, {0, 0, 0, 18, 1, 0, kMainWindow}, "Ctrl+Down too"},
        {SDLK_KP_MINUS, 0, {0, 0, 0, 17, 1, 0, kMainWindow}, "keypad - the one before"},
        {SDLK_UP, KMOD_RCTRL, {0, 0, 0, 16, 0, 0, kMainWindow}, "Ctrl+Up too, and the page follows"},
        {SDLK_KP_MINUS, KMOD_NUM, {0, 0, 0, 15, 0, 0, kMainWindow}, "Num Lock is no modifier here"},
        {SDLK_KP_MINUS, KMOD_LCTRL, {0, 0, 0, 15, 0, 0, kMainWindow}, "a modifier: not the selector"},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 15, 0, 1, kMainWindow}, "left Alt+Down: the next position"},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 15, 0, 2, kMainWindow}, ""},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 15, 0, 3, kMainWindow}, ""},
        {SDLK_DOWN, KMOD_LALT, {0, 0, 0, 15, 0, 3, kMainWindow}, "held at the last position"},
        {SDLK_UP, KMOD_LALT, {0, 0, 0, 15, 0, 2, kMainWindow}, "left Alt+Up: the one before"},
        {SDLK_ESCAPE, 0, {0, 0, 0, 15, 0, 2, kInstrumentWindow}, "Escape: main to instruments"},
        {SDLK_ESCAPE, 0, {0, 0, 0, 15, 0, 2, kMainWindow}, "and back"},
        {SDLK_F3, KMOD_LALT, {0, 0, 0, 15, 0, 2, kWaveWindow}, "left Alt+F3: to the waves"},
        {SDLK_KP_PLUS, 0, {0, 0, 0, 15, 0, 2, kWaveWindow}, "which have no instrument selector"},
        {SDLK_SPACE, 0, {0, 0, 0, 15, 0, 2, kWaveWindow}, "where only Shift+Space toggles edit mode"},
        {SDLK_SPACE, KMOD_LSHIFT, {0, 0, 1, 15, 0, 2, kWaveWindow}, ""},
        {SDLK_ESCAPE, 0, {0, 0, 0, 15, 0, 2, kInstrumentWindow}, "Escape: waves to instruments, leaving edit mode"},
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
    Run(kCommandMainWindow);
    for (auto [instrument, key] : {std::pair{31, SDLK_KP_PLUS}, std::pair{1, SDLK_KP_MINUS}}) {
        app->currentInstrument = instrument;
        Press(key);
        EXPECT_EQ(app->currentInstrument, instrument);
    }
}

// Space stops a playing song without touching edit mode, and toggles it
// when stopped. Edit mode starts off.
TEST_F(AppKeys, PlayKeysAndSpace) {
    const std::string on = "Edit Mode <cff4444>ON<cp0> (Press Space to disable)";
    const std::string off = "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)";
    struct Step { SDL_Keycode sym; Uint16 mod; bool playing, patternLoop, editMode; std::string status; };
    const Step steps[] = {
        {SDLK_RCTRL, 0, true, false, false, "Playing Song...(Press SPACE to stop)"},
        {SDLK_SPACE, 0, false, false, false, "Playing stopped."},
        {SDLK_SPACE, 0, false, false, true, on},
        {SDLK_RCTRL, KMOD_RSHIFT, true, false, true, "Playing Song from Cursor...(Press SPACE to stop)"},
        {SDLK_SPACE, KMOD_LSHIFT, false, false, true, "Playing stopped. Press SPACE to toggle edit mode."},
        {SDLK_SPACE, KMOD_RSHIFT, false, false, false, off},
        {SDLK_RALT, 0, true, true, false, "Playing Pattern...(Press SPACE to stop)"},
        {SDLK_RALT, KMOD_LSHIFT, true, true, false, "Playing Pattern from Cursor...(Press SPACE to stop)"},
        {SDLK_SPACE, 0, false, false, false, "Playing stopped."},
    };
    for (const Step& step : steps) {
        Press(step.sym, step.mod, 3);  // the key, its command, and the frame that announces edit mode
        EXPECT_EQ(harness.Status(), step.status);
        EXPECT_EQ(app()->IsPlaying(), step.playing) << step.status;
        EXPECT_EQ(app()->editMode, step.editMode) << step.status;
        EXPECT_EQ(step.playing && app()->replayer->patternLoop, step.patternLoop) << step.status;
    }
}

// Return moves the focus between the registered panes; Shift+Return leaves
// it; Ctrl+Return plays the row instead.
TEST_F(AppKeys, ReturnSwitchesFocusBetweenTheRegisteredPanes) {
    GuiItem* pattern = app()->patternPane = app()->focusPane = app()->rootPanel->Add(new GuiItem());
    GuiItem* sequence = app()->sequencePane = app()->rootPanel->Add(new GuiItem());
    const struct { Uint16 mod; GuiItem* focus; } steps[] = {
        {KMOD_NONE, sequence}, {KMOD_NUM, pattern}, {KMOD_LSHIFT, pattern}, {KMOD_LCTRL, pattern}};
    app()->replayer->row = 7;
    for (const auto& step : steps) {
        Press(SDLK_RETURN, step.mod);
        EXPECT_EQ(app()->focusPane, step.focus) << step.mod;
        EXPECT_EQ(sequence->focused, step.focus == sequence) << step.mod;
        EXPECT_EQ(pattern->focused, step.focus == pattern) << step.mod;
    }
    EXPECT_EQ(app()->replayer->row, 8);
}

// Window size after each size command; the open window is rebuilt in place.
TEST_F(AppKeys, GuiSizeCommandsResizeTheWindowAndAreStored) {
    struct Step { int command, width, height, guiSize, logicalWidth; };
    const Step steps[] = {
        {kCommandGuiSize15, 960, 888, 1, 640},  {kCommandWideGui, 1344, 888, 1, 896},
        {kCommandGuiSize20, 1792, 1184, 2, 896}, {kCommandGuiSize10, 896, 592, 0, 896},
        {kCommandWideGui, 640, 592, 0, 640},
    };
    App* app = harness.app;
    Run(kCommandWaveWindow);
    for (const Step& step : steps) {
        harness.Command(step.command);
        harness.Frame(2);  // "Wide Gui" re-posts the GuiSize command
        int width = 0, height = 0, logicalWidth = 0, logicalHeight = 0;
        SDL_GetWindowSize(app->window, &width, &height);
        SDL_RenderGetLogicalSize(app->renderer, &logicalWidth, &logicalHeight);
        EXPECT_EQ((std::array<int, 6>{width, height, app->prefs->guiSize, app->logicalWidth, logicalWidth,
                                      app->statusBar->parent->w}),
                  (std::array<int, 6>{step.width, step.height, step.guiSize, step.logicalWidth, step.logicalWidth,
                                      step.logicalWidth}))
            << step.command;
        EXPECT_EQ(app->currentWindow, kWaveWindow);
    }
    harness.Command(kCommandQuit);
    EXPECT_TRUE(harness.Frame());
}

// Both new-song commands stop, empty the patterns and clear the title, the
// path and the mutes; one keeps the instruments' and waves' names.
TEST_F(AppKeys, NewSongCommands) {
    App* app = harness.app;
    Song& song = app->document->song;
    for (bool keep : {false, true}) {
        song.Pattern(1)[5].SetNote(25);
        song.SetSequenceLength(9);
        SetFixedText(song.instrumentNames[3], kNameLength, "lead");
        SetFixedText(song.waveNames[0], kNameLength, "saw");
        SetFixedText(app->document->title, kTitleLength, "tune");
        SetFixedText(app->document->author, kTitleLength, "me");
        std::strcpy(app->songPath, "tune.qnt");
        app->replayer->voices[2].muted = 1;
        Run(kCommandPlaySong);
        Run(keep ? kCommandNewSongKeepInstruments : kCommandNewSong);
        EXPECT_FALSE(app->IsPlaying());
        EXPECT_EQ(song.Pattern(1)[5].Note(), 0);
        EXPECT_EQ(song.sequenceLength, 4u);
        EXPECT_EQ(FixedText(song.instrumentNames[3], kNameLength), keep ? "lead" : "");
        EXPECT_EQ(FixedText(song.waveNames[0], kNameLength), keep ? "saw" : "");
        EXPECT_EQ(FixedText(app->document->title, kTitleLength) + FixedText(app->document->author, kTitleLength), "");
        EXPECT_STREQ(app->songPath, "");
        EXPECT_EQ(app->replayer->voices[2].muted, 0);
    }
}

}  // namespace
}  // namespace qn::testing
