// Command dispatch: the status message each command leaves, edit mode by
// Space and Shift+Space, window switching and the new-song commands.
#include <cstring>

#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        // The tests drive the audio callback themselves.
        SDL_PauseAudioDevice(harness.app->audioDevice, 1);
        harness.Frame(2);
    }
    void Run(int command) {
        harness.Command(command);
        harness.Frame();
    }
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
        harness.KeyDown(sym, mod);
        harness.Frame(2);
    }
    bool Playing() { return harness.app->IsPlaying(); }
    AppHarness harness;
};

TEST_F(Commands, PlayCommandsStartPlaybackAndSayHowToStop) {
    Run(kCommandPlaySong);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(harness.Status(), "Playing Song...(Press SPACE to stop)");
    EXPECT_EQ(harness.app->replayer->patternLoop, 0);
    Run(kCommandPlayPattern);
    EXPECT_EQ(harness.Status(), "Playing Pattern...(Press SPACE to stop)");
    EXPECT_EQ(harness.app->replayer->patternLoop, 1);
    Run(kCommandPlayPatternFromCursor);
    EXPECT_EQ(harness.Status(), "Playing Pattern from Cursor...(Press SPACE to stop)");
    EXPECT_EQ(harness.app->replayer->patternLoop, 1);
    Run(kCommandPlaySongFromCursor);
    EXPECT_EQ(harness.Status(), "Playing Song from Cursor...(Press SPACE to stop)");
    EXPECT_EQ(harness.app->replayer->patternLoop, 0);
    Run(kCommandStopSong);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(harness.Status(), "Playing stopped.");
}

TEST_F(Commands, SpaceStopsAPlayingSongWithoutTouchingEditMode) {
    bool editMode = harness.app->editMode;
    Press(SDLK_RCTRL);
    ASSERT_TRUE(Playing());
    Press(SDLK_SPACE);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(harness.app->editMode, editMode);
    EXPECT_EQ(harness.Status(), "Playing stopped.");
    // Stopped: Space toggles edit mode, and the next frame announces it.
    Press(SDLK_SPACE);
    EXPECT_NE(harness.app->editMode, editMode);
    harness.Frame();
    EXPECT_EQ(harness.Status(), editMode ? "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)"
                                         : "Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
}

TEST_F(Commands, ShiftSpaceStopsAndTogglesOnlyWhenStopped) {
    bool editMode = harness.app->editMode;
    Press(SDLK_RALT);
    ASSERT_TRUE(Playing());
    Press(SDLK_SPACE, KMOD_LSHIFT);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(harness.app->editMode, editMode);
    EXPECT_EQ(harness.Status(), "Playing stopped. Press SPACE to toggle edit mode.");
    Press(SDLK_SPACE, KMOD_RSHIFT);
    EXPECT_NE(harness.app->editMode, editMode);
}

TEST_F(Commands, InTheWaveEditorOnlyShiftSpaceTogglesEditMode) {
    Run(kCommandWaveWindow);
    bool editMode = harness.app->editMode;
    Press(SDLK_SPACE);
    EXPECT_EQ(harness.app->editMode, editMode);
    EXPECT_EQ(harness.Status(), "Playing stopped. Press SPACE to toggle edit mode.");
    Press(SDLK_SPACE, KMOD_LSHIFT);
    EXPECT_NE(harness.app->editMode, editMode);
}

TEST_F(Commands, WindowCommandsBuildTheirWindowWithAStatusBar) {
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
    ASSERT_NE(harness.app->statusBar, nullptr);
    EXPECT_EQ(harness.app->statusBar->parent->y, 577);
    EXPECT_EQ(harness.app->rootPanel, nullptr);
    Run(kCommandWaveWindow);
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
    ASSERT_NE(harness.app->statusBar, nullptr);
    EXPECT_EQ(harness.app->statusBar->parent->y, 577);
    Run(kCommandMainWindow);
    EXPECT_EQ(harness.app->currentWindow, kMainWindow);
    EXPECT_NE(harness.app->rootPanel, nullptr);
}

TEST_F(Commands, GuiSizeRebuildsTheOpenWindowNotTheMainOne) {
    Run(kCommandWaveWindow);
    harness.Command(kCommandGuiSize20);
    harness.Frame();
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1184);
}

// The song operations have their own tests (song_operations_test.cpp,
// undo_recording_test.cpp), the exports theirs (exports_test.cpp).
TEST_F(Commands, CommandsWithoutAnActionChangeNothing) {
    Song& song = harness.app->document->song;
    song.Pattern(1)[0].SetNote(13);
    std::string status = harness.Status();
    for (int command : {kCommandMuteVoice}) Run(command);
    EXPECT_EQ(harness.Status(), status);
    EXPECT_EQ(song.Pattern(1)[0].Note(), 13);
    EXPECT_EQ(harness.app->currentWindow, kMainWindow);
}

TEST_F(Commands, NewSongClearsNamesPathAndMutesAndEmptiesThePatterns) {
    App* app = harness.app;
    Song& song = app->document->song;
    song.Pattern(1)[5].SetNote(25);
    song.SetSequenceLength(9);
    SetFixedText(song.instrumentNames[0], kNameLength, "bass");
    SetFixedText(app->document->title, kTitleLength, "tune");
    SetFixedText(app->document->author, kTitleLength, "me");
    std::strcpy(app->songPath, "tune.qnt");
    app->replayer->voices[2].muted = 1;
    Run(kCommandPlaySong);
    Run(kCommandNewSong);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(song.Pattern(1)[5].Note(), 0);
    EXPECT_EQ(song.sequenceLength, 4u);
    EXPECT_EQ(FixedText(song.instrumentNames[0], kNameLength), "");
    EXPECT_EQ(FixedText(app->document->title, kTitleLength), "");
    EXPECT_EQ(FixedText(app->document->author, kTitleLength), "");
    EXPECT_STREQ(app->songPath, "");
    EXPECT_EQ(app->replayer->voices[2].muted, 0);
}

TEST_F(Commands, NewSongKeepingInstrumentsKeepsTheirNames) {
    App* app = harness.app;
    Song& song = app->document->song;
    song.Pattern(2)[0].SetNote(25);
    SetFixedText(song.instrumentNames[3], kNameLength, "lead");
    SetFixedText(song.waveNames[0], kNameLength, "saw");
    SetFixedText(app->document->title, kTitleLength, "tune");
    std::strcpy(app->songPath, "tune.qnt");
    app->replayer->voices[0].muted = 1;
    Run(kCommandNewSongKeepInstruments);
    EXPECT_EQ(song.Pattern(2)[0].Note(), 0);
    EXPECT_EQ(FixedText(song.instrumentNames[3], kNameLength), "lead");
    EXPECT_EQ(FixedText(song.waveNames[0], kNameLength), "saw");
    EXPECT_EQ(FixedText(app->document->title, kTitleLength), "");
    EXPECT_STREQ(app->songPath, "");
    EXPECT_EQ(app->replayer->voices[0].muted, 0);
}

TEST_F(Commands, InstrumentSelectorPagesAndItsAbsenceInTheWaveEditor) {
    App* app = harness.app;
    app->currentInstrument = 17;
    app->instrumentPage = 1;
    Press(SDLK_UP, KMOD_RCTRL);
    EXPECT_EQ(app->currentInstrument, 16);
    EXPECT_EQ(app->instrumentPage, 0);
    Press(SDLK_KP_MINUS, KMOD_NUM);  // NumLock is no modifier here
    EXPECT_EQ(app->currentInstrument, 15);
    Press(SDLK_KP_MINUS, KMOD_LCTRL);  // a modifier: not the selector
    EXPECT_EQ(app->currentInstrument, 15);
    Run(kCommandWaveWindow);
    Press(SDLK_KP_PLUS);
    Press(SDLK_DOWN, KMOD_LCTRL);
    EXPECT_EQ(app->currentInstrument, 15);
}

TEST_F(Commands, ReturnSwitchesFocusBetweenTheRegisteredPanes) {
    App* app = harness.app;
    GuiItem* pattern = new GuiItem();
    GuiItem* sequence = new GuiItem();
    app->rootPanel->Add(pattern);
    app->rootPanel->Add(sequence);
    app->patternPane = pattern;
    app->sequencePane = sequence;
    app->focusPane = pattern;
    Press(SDLK_RETURN);
    EXPECT_TRUE(sequence->focused);
    EXPECT_EQ(app->focusPane, sequence);
    Press(SDLK_RETURN, KMOD_NUM);
    EXPECT_TRUE(pattern->focused);
    EXPECT_FALSE(sequence->focused);
    Press(SDLK_RETURN, KMOD_LSHIFT);  // Shift+Return leaves the focus alone
    EXPECT_TRUE(pattern->focused);
}

TEST_F(Commands, CtrlReturnPlaysTheRowAndIsNotAFocusSwitch) {
    App* app = harness.app;
    GuiItem* pattern = new GuiItem();
    GuiItem* sequence = new GuiItem();
    app->rootPanel->Add(pattern);
    app->rootPanel->Add(sequence);
    app->patternPane = pattern;
    app->sequencePane = sequence;
    app->focusPane = pattern;
    app->replayer->row = 7;
    Press(SDLK_RETURN, KMOD_LCTRL);
    EXPECT_EQ(app->focusPane, pattern);
    EXPECT_FALSE(sequence->focused);
    EXPECT_EQ(app->replayer->row, 8);
}

}  // namespace
}  // namespace qn::testing
