// Undo in the running program: a change is recorded with the next handled
// key, the song and instrument histories, Ctrl+Z and Shift+Z round trips,
// the histories around new and loaded songs, and the waves after a step back.
#include <atomic>
#include <thread>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

class UndoRecording : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->undo.song.log = app()->undo.instrument.log = nullptr;
    }
    UndoHistories& Histories() { return app()->undo; }
    // A key that no widget takes and that changes no song data.
    void HarmlessKey() { Press(SDLK_F2); }
    // An edit as the mouse makes it: the song changes, no key is queued.
    void EditNote(int row, int note) { TheSong().Pattern(1)[row].SetNote(note); }
    int Note(int row) { return TheSong().Pattern(1)[row].Note(); }
};

TEST_F(UndoRecording, ChangesAreRecordedWithTheNextKeyAndUndoneAndRedone) {
    EXPECT_EQ(Histories().active(), UndoHistories::Active::Song);
    EXPECT_EQ(Histories().instrument.current(), -1);
    const uint32_t emptySize = app()->songSize;
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 0) << "a key that changes nothing stores nothing";
    EditNote(0, 13);
    TheSong().instrumentSteps[0][0] = InstrumentStep{0, 0, 6};
    harness.Frame(5);
    EXPECT_EQ(Histories().song.current(), 0) << "frames without keys record nothing";
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 1);
    EXPECT_EQ(Histories().lastChecksum, StorageChecksum(app()->document->Storage()));
    // A recorded step measures the song again.
    EXPECT_GT(app()->songSize, emptySize);
    EXPECT_EQ(app()->songSize, WriteSongImage(*app()->document, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(TheSong().waveCount, 6);
    float estimate = 0.0f;
    for (int slot = 0; slot < 6; ++slot) estimate += WaveSynth::EstimatePrecalcSeconds(TheSong().waves[slot]);
    EXPECT_FLOAT_EQ(app()->precalcEstimate, estimate);

    EditNote(0, 25);
    HarmlessKey();
    // Each key with the note after it; Shift alone is in Redo's mask.
    const struct { Uint16 mod; int note; } keys[] = {
        {KMOD_LCTRL, 13}, {KMOD_LCTRL, 0}, {KMOD_LCTRL, 0}, {KMOD_LSHIFT, 13}, {KMOD_LCTRL | KMOD_RSHIFT, 25}};
    for (const auto& key : keys) {
        Press(SDLK_z, key.mod);
        EXPECT_EQ(Note(0), key.note) << key.mod;
    }
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 2) << "undo and redo store nothing themselves";
}

TEST_F(UndoRecording, EachWindowHasItsHistory) {
    EditNote(0, 13);
    HarmlessKey();
    // The wave editor records nothing and undoes nothing.
    Run(kCommandWaveWindow);
    EXPECT_EQ(Histories().active(), UndoHistories::Active::None);
    EditNote(0, 30);
    HarmlessKey();
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 30);
    EXPECT_EQ(Histories().song.current(), 1);
    EditNote(0, 13);
    // The instrument editor's history restarts at each opening.
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(Histories().active(), UndoHistories::Active::Instrument);
    EXPECT_EQ(Histories().instrument.current(), 0);
    TheSong().instruments[0].attack = 9;
    HarmlessKey();
    EXPECT_EQ(Histories().instrument.current(), 1);
    EXPECT_EQ(Histories().song.current(), 1) << "the song history is not touched";
    Run(kCommandUndo);
    EXPECT_EQ(TheSong().instruments[0].attack, 0);
    Run(kCommandRedo);
    Run(kCommandGuiSize10);  // rebuilds the open window and keeps its history
    EXPECT_EQ(Histories().instrument.current(), 1);
    // Back in the main window the song history steps back over both.
    Run(kCommandMainWindow);
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 0);
    EXPECT_EQ(TheSong().instruments[0].attack, 0);
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(Histories().instrument.current(), 0);
    TheSong().instruments[0].attack = 9;
    HarmlessKey();
    Run(kCommandMainWindow);
    // New songs restart the histories; keeping the instruments keeps theirs.
    Run(kCommandNewSongKeepInstruments);
    EXPECT_EQ(Histories().song.current(), 0);
    EXPECT_EQ(Histories().instrument.current(), 1);
    Run(kCommandNewSong);
    EXPECT_EQ(Histories().song.current(), 0);
    EXPECT_EQ(Histories().instrument.current(), -1);
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
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 0);
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 13) << "nothing before the loaded song";
}

TEST_F(UndoRecording, UndoRegeneratesTheWavesAndWaitsForTheAudioLock) {
    WaveMemory& memory = *app()->waveMemory;
    auto slot = [&] { return std::vector<int8_t>(memory.Slot(0), memory.Slot(0) + 128); };
    const std::vector<int8_t> before = slot();
    Run(kCommandWavesVolumeUp);
    HarmlessKey();
    ASSERT_NE(slot(), before);
    Run(kCommandUndo);
    EXPECT_EQ(TheSong().waves[0].gain, 64);
    EXPECT_EQ(slot(), before);
    Run(kCommandRedo);

    // The undo runs on another thread while this one holds the lock, as the
    // audio callback does while it renders a tick.
    std::atomic<bool> done{false};
    app()->audioMutex.lock();
    std::thread frame([&] {
        app()->StepUndo(false);
        done = true;
    });
    SDL_Delay(50);
    EXPECT_FALSE(done.load());
    EXPECT_NE(TheSong().waves[0].gain, 64);
    app()->audioMutex.unlock();
    frame.join();
    EXPECT_EQ(TheSong().waves[0].gain, 64);
    EXPECT_EQ(slot(), before);
}

}  // namespace
}  // namespace qn::testing
