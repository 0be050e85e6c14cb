// Undo in the running program: the once-per-frame recording rule, the two
// histories and which window records into which, Ctrl+Z and Shift+Z through
// the key flow, the histories around new and loaded songs, and the waves and
// song figures after a step back.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

class UndoRecording : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        harness.app->undo.song.log = nullptr;
        harness.app->undo.instrument.log = nullptr;
    }
    UndoHistories& Histories() { return harness.app->undo; }
    // A key that no widget takes and that changes no song data.
    void HarmlessKey() {
        harness.KeyDown(SDLK_F2);
        harness.Frame(2);
    }
    // An edit as the mouse makes it: the song changes, no key is queued.
    void EditNote(int row, int note) { TheSong().Pattern(1)[row].SetNote(note); }
    int Note(int row) { return TheSong().Pattern(1)[row].Note(); }
};

// Start-up stores the new song in the song history; a change is recorded
// only with the next handled key.
TEST_F(UndoRecording, AChangeIsRecordedOnlyWithTheNextHandledKey) {
    EXPECT_EQ(Histories().active(), UndoHistories::Active::Song);
    EXPECT_EQ(Histories().instrument.current(), -1);
    EXPECT_TRUE(harness.app->undoRecording);
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 0) << "a key that changes nothing stores nothing";
    EditNote(0, 13);
    harness.Frame(5);
    EXPECT_EQ(Histories().song.current(), 0) << "frames without keys record nothing";
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 1);
    EXPECT_EQ(Histories().lastChecksum, StorageChecksum(harness.app->document->Storage()));
}

TEST_F(UndoRecording, ARecordedStepMeasuresTheSongAgain) {
    uint32_t emptySize = harness.app->songSize;
    // A note in pattern 1 makes the pattern longer in the packed image and
    // a step selecting wave 6 raises the wave count to 6.
    EditNote(5, 20);
    TheSong().instrumentSteps[0][0] = InstrumentStep{0, 0, 6};
    HarmlessKey();
    EXPECT_GT(harness.app->songSize, emptySize);
    EXPECT_EQ(TheSong().waveCount, 6);
    SongImageResult measured;
    size_t size = WriteSongImage(*harness.app->document, nullptr, 0, &measured, nullptr);
    EXPECT_EQ(harness.app->songSize, size);
    float estimate = 0.0f;
    for (int slot = 0; slot < 6; ++slot) estimate += WaveSynth::EstimatePrecalcSeconds(TheSong().waves[slot]);
    EXPECT_FLOAT_EQ(harness.app->precalcEstimate, estimate);
}

TEST_F(UndoRecording, CtrlZStepsBackAndShiftZStepsForward) {
    EditNote(0, 13);
    HarmlessKey();
    EditNote(0, 25);
    HarmlessKey();
    ASSERT_EQ(Histories().song.current(), 2);
    Press(SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(Note(0), 13);
    Press(SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(Note(0), 0);
    Press(SDLK_z, KMOD_LCTRL);  // nothing before the first state
    EXPECT_EQ(Note(0), 0);
    EXPECT_EQ(Histories().song.current(), 0);
    Press(SDLK_z, KMOD_LSHIFT);  // Shift alone is in Redo's mask
    EXPECT_EQ(Note(0), 13);
    Press(SDLK_z, KMOD_LCTRL | KMOD_RSHIFT);
    EXPECT_EQ(Note(0), 25);
    // Undo and redo store nothing themselves.
    EXPECT_EQ(Histories().song.current(), 2);
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 2);
}

TEST_F(UndoRecording, TheWaveEditorRecordsNothingAndUndoesNothing) {
    EditNote(0, 13);
    HarmlessKey();
    Run(kCommandWaveWindow);
    EXPECT_EQ(Histories().active(), UndoHistories::Active::None);
    EXPECT_FALSE(harness.app->undoRecording);
    EditNote(0, 30);
    HarmlessKey();
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 30);
    EXPECT_EQ(Histories().song.current(), 1);
    Run(kCommandRedo);
    EXPECT_EQ(Note(0), 30);
}

TEST_F(UndoRecording, TheInstrumentEditorHasItsOwnHistoryRestartedAtEachOpening) {
    EditNote(0, 13);
    HarmlessKey();
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(Histories().active(), UndoHistories::Active::Instrument);
    EXPECT_EQ(Histories().instrument.current(), 0);
    TheSong().instruments[0].attack = 9;
    HarmlessKey();
    EXPECT_EQ(Histories().instrument.current(), 1);
    EXPECT_EQ(Histories().song.current(), 1) << "the song history is not touched";
    Run(kCommandUndo);
    EXPECT_EQ(TheSong().instruments[0].attack, 0);
    Run(kCommandUndo);  // no step before the opening state
    EXPECT_EQ(Note(0), 13);
    // A GUI size change rebuilds the open window and keeps its history.
    Run(kCommandRedo);
    harness.Command(kCommandGuiSize10);
    harness.Frame();
    EXPECT_EQ(Histories().instrument.current(), 1);
    // Back in the main window the song history steps back over both.
    Run(kCommandMainWindow);
    EXPECT_EQ(Histories().active(), UndoHistories::Active::Song);
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 0);
    EXPECT_EQ(TheSong().instruments[0].attack, 0);
    // Opening again restarts the instrument history from one state.
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(Histories().instrument.current(), 0);
}

TEST_F(UndoRecording, NewSongRestartsTheHistoriesWithTheFreshSong) {
    Run(kCommandInstrumentWindow);
    TheSong().instruments[0].attack = 9;
    HarmlessKey();
    Run(kCommandMainWindow);
    EditNote(0, 13);
    HarmlessKey();
    Run(kCommandNewSongKeepInstruments);
    EXPECT_EQ(Histories().song.current(), 0);
    EXPECT_EQ(Histories().instrument.current(), 1) << "keeping the instruments keeps their history";
    Run(kCommandNewSong);
    EXPECT_EQ(Histories().song.current(), 0);
    EXPECT_EQ(Histories().instrument.current(), -1);
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 0);
}

TEST_F(UndoRecording, ALoadedSongBecomesTheFirstStateWithTheNextKey) {
    ScriptedDialog dialog;
    EditNote(0, 13);
    dialog.Choose("saved.qnt");
    Run(kCommandSaveSong);
    EditNote(0, 25);
    HarmlessKey();
    dialog.Choose("saved.qnt");
    Run(kCommandLoadSong);
    ASSERT_EQ(harness.Status(), "Song loaded.");
    EXPECT_EQ(Histories().song.current(), -1);
    EXPECT_EQ(Histories().instrument.current(), -1);
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 0);
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 13) << "nothing before the loaded song";
}

TEST_F(UndoRecording, UndoingAWaveChangeRegeneratesTheWaves) {
    WaveMemory& memory = *harness.app->waveMemory;
    std::vector<int8_t> before(memory.Slot(0), memory.Slot(0) + 128);
    Run(kCommandWavesVolumeUp);
    HarmlessKey();
    ASSERT_NE(std::vector<int8_t>(memory.Slot(0), memory.Slot(0) + 128), before);
    Run(kCommandUndo);
    EXPECT_EQ(TheSong().waves[0].gain, 64);
    EXPECT_EQ(std::vector<int8_t>(memory.Slot(0), memory.Slot(0) + 128), before);
}

TEST_F(UndoRecording, UndoWaitsForTheAudioLock) {
    EditNote(0, 13);
    HarmlessKey();
    std::atomic<bool> done{false};
    harness.app->audioMutex.lock();
    // The undo runs on another thread while this one holds the lock, as the
    // audio callback does while it renders a tick.
    std::thread frame([&] {
        harness.app->StepUndo(false);
        done = true;
    });
    SDL_Delay(50);
    EXPECT_FALSE(done.load());
    EXPECT_EQ(Note(0), 13);
    harness.app->audioMutex.unlock();
    frame.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(Note(0), 0);
}

}  // namespace
}  // namespace qn::testing
