// Instrument files, imports, "Optimize Song", the wave commands, how they come to nothing; undo and its histories.
#include <atomic>
#include <filesystem>
#include <thread>
#include <tuple>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/test_data.h"

namespace qn::testing {
namespace {

std::string TestModule(const char* name) { return (qn::test::TestDataFolder("mod") / name).string(); }

// A 100-byte Qxm module: one position, track 0 on every voice, one row (note 13), no instruments, the title "qx".
std::string SmallQxm() {
    std::string file = {'Q', 'M', 'V', 0, 0, 14, 0, 1, 0, 0, 1, 0, 0, 2};
    file += std::string("qx\0\0", 4);
    for (int voice = 0; voice < kVoices; ++voice) file += std::string{0, 12};
    file += std::string{char(13 << 2), 0, 0};
    file.resize(100, '\0');
    return file;
}

class SongOperations : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->undo.song.log = app()->undo.instrument.log = nullptr;
        app()->SetStatus("before");
    }
    static const int8_t* Slot(WaveMemory& memory, int wave) { return memory.Slot(wave - 1); }
    std::vector<int8_t> WaveBytes(int wave) {
        return {Slot(*app()->waveMemory, wave), Slot(*app()->waveMemory, wave) + 128};
    }
    void ExpectWavesFresh(int count) {  // the App's wave memory holds what the song as it is now generates
        WaveMemory memory;
        app()->replayer->synth.PrecalcAllWaves(TheSong(), memory);
        for (int wave = 1; wave <= count; ++wave)
            EXPECT_TRUE(std::equal(Slot(memory, wave), Slot(memory, wave) + 128, Slot(*app()->waveMemory, wave)))
                << wave;
    }
    std::vector<uint8_t> Storage() { return {app()->document->Storage(), app()->document->Storage() + kStorageSize}; }
    bool WaveCleared(int wave) { return IsWaveEmpty(TheSong().waves[wave - 1]) && !TheSong().waveNames[wave - 1][0]; }
    void SetGains(std::initializer_list<std::pair<int, int>> gains) {
        for (auto [wave, gain] : gains) TheSong().waves[wave - 1].gain = uint8_t(gain);
    }
    // Instrument 1 plays waves 3 and 5; wave 5 mixes in wave 2; the gains tell the waves apart.
    void MakeMixingInstrument() {
        SetGains({{2, 90}, {3, 110}, {5, 120}});
        TheSong().waves[4].mixWave = 2;
        SetFixedText(TheSong().waveNames[4], kNameLength, "mixer");
        TheSong().instrumentSteps[0][0] = InstrumentStep{0, 0, 3};
        TheSong().instrumentSteps[0][1] = InstrumentStep{0, 0, 5};
        SetFixedText(TheSong().instrumentNames[0], kNameLength, "lead");
    }
    ScriptedDialog dialog;
};

TEST_F(SongOperations, InstrumentFilesWaveClipboardsAndImports) {
    MakeMixingInstrument();
    dialog.Choose("lead");
    Run(kCommandSaveInstrument);
    EXPECT_EQ(std::tuple(dialog.requests.at(0).save, dialog.requests[0].groups.at(0).extensions, harness.Status(),
                         std::filesystem::file_size("lead.ins")),
              std::tuple(true, std::vector<std::string>{"ins"}, "Instrument saved.", kInstrumentFileSize));
    Run(kCommandNewSong);
    dialog.Choose("lead.ins");
    Run(kCommandLoadInstrument);
    EXPECT_EQ(std::tuple(dialog.requests.at(1).save, harness.Status()), std::tuple(false, "Instrument loaded."));
    // Needed 3, 5, 2 land in slots 3, 2, 1; the copy of 5 mixes the copy of 2.
    Song& song = TheSong();
    EXPECT_EQ((std::vector<int>{song.instrumentSteps[0][0].Parameter(), song.instrumentSteps[0][1].Parameter(),
                                song.waves[0].gain, song.waves[1].gain, song.waves[2].gain, song.waves[1].mixWave,
                                song.waveCount}),
              (std::vector<int>{3, 2, 90, 120, 110, 1, 3}));
    EXPECT_EQ(FixedText(song.waveNames[1], kNameLength) + FixedText(song.instrumentNames[0], kNameLength), "mixerlead");
    ExpectWavesFresh(3);  // generated at once, not at the next play
    Run(kCommandNewSong);  // clear unused waves keeps the mix sources and clears the rest
    MakeMixingInstrument();
    TheSong().waves[6].gain = 77;
    SetFixedText(TheSong().waveNames[6], kNameLength, "stray");
    Run(kCommandInstrumentWindow);
    Run(kCommandClearUnusedWaves);
    EXPECT_TRUE(WaveCleared(7));
    EXPECT_EQ((std::vector<int>{TheSong().waves[1].gain, TheSong().waves[2].gain, TheSong().waves[4].gain}),
              (std::vector<int>{90, 110, 120})) << "wave 2 is mixed in by wave 5";
    Run(kCommandWaveWindow);
    app()->currentWave = 5;
    Press(SDLK_F4, KMOD_LSHIFT);  // Copy Wave
    app()->currentWave = 2;
    Press(SDLK_F5, KMOD_LSHIFT);  // Paste Wave
    EXPECT_EQ(std::tuple(int(TheSong().waves[1].gain), int(TheSong().waves[1].mixWave),
                         FixedText(TheSong().waveNames[1], kNameLength)),
              std::tuple(120, 0, std::string("mixer"))) << "a wave mixes only lower-numbered waves";
    ExpectWavesFresh(5);
    app()->currentWave = 5;
    Press(SDLK_F3, KMOD_LSHIFT);  // Clear Wave
    EXPECT_TRUE(WaveCleared(5));
    // Imports through the dialog.
    const std::string path = TestModule("flowerpower.mod"), module = AppHarness::ReadFile(path);
    ASSERT_GT(module.size(), 2048u);
    dialog.Choose(path);
    Run(kCommandImportProTracker);
    EXPECT_EQ(harness.Status(), "Protracker Import successful.");
    // The title and the length (byte 950) arrive; the song is measured again.
    EXPECT_EQ(std::string(app()->document->title, kTitleLength), module.substr(0, kTitleLength));
    EXPECT_EQ(int(TheSong().sequenceLength), uint8_t(module[950]));
    EXPECT_EQ(app()->songSize, WriteSongImage(*app()->document, nullptr, 0, nullptr, nullptr));
    AppHarness::WriteFile("small.qxm", SmallQxm());
    dialog.Choose("small.qxm");
    Run(kCommandImportQxm);
    EXPECT_EQ(harness.Status(), "QXM Import successful.");
    EXPECT_EQ(std::tuple(FixedText(app()->document->title, kTitleLength), int(TheSong().rowsPerPattern),
                         TheSong().Pattern(TheSong().Position(0)[2].pattern)[0].Note()),
              std::tuple(std::string("qx"), 1, 13));
}

TEST_F(SongOperations, WaveCommandsChangeTheWaveMemoryAtOnce) {
    Song& song = TheSong();
    song.Pattern(1)[0].SetNote(13);  // optimize: instrument 1 plays waves 2 and 5; 3 and 4 are unused and go
    song.Pattern(1)[0].SetInstrument(1);
    song.instrumentSteps[0][0] = InstrumentStep{0, 0, 2};
    song.instrumentSteps[0][1] = InstrumentStep{0, 0, 5};
    SetGains({{2, 100}, {3, 20}, {4, 30}, {5, 120}});
    Run(kCommandOptimizeSong);
    EXPECT_EQ((std::vector<int>{song.instrumentSteps[0][1].Parameter(), song.waves[2].gain, song.waveCount}),
              (std::vector<int>{3, 120, 3}));
    EXPECT_NE(harness.Status().find(" 2 Waves Saved: "), std::string::npos) << harness.Status();
    ExpectWavesFresh(3);
    // Ctrl+- and Ctrl++ scale by 0.9 and 1.1; Normalize scales the loudest to 255; none of them says anything.
    Run(kCommandWaveWindow);
    app()->SetStatus("before");
    const struct { SDL_Keycode key; Uint16 mod; int command; int gains[3]; } steps[] = {
        {SDLK_MINUS, KMOD_LCTRL, 0, {57, 90, 108}},
        {SDLK_PLUS, KMOD_RCTRL, 0, {62, 99, 118}},
        {0, 0, kCommandNormalizeWaves, {133, 213, 255}},
    };
    for (const auto& step : steps) {
        const std::vector<int8_t> earlier = WaveBytes(3);
        if (step.command) Run(step.command); else Press(step.key, step.mod);
        EXPECT_EQ((std::vector<int>{song.waves[0].gain, song.waves[1].gain, song.waves[2].gain}),
                  (std::vector<int>(step.gains, step.gains + 3))) << step.key << " " << step.command;
        EXPECT_NE(WaveBytes(3), earlier);
        ExpectWavesFresh(3);
    }
    EXPECT_EQ(harness.Status(), "before");
}

// Every way an instrument or import command comes to nothing: its status, the storage untouched.
TEST_F(SongOperations, FailedOrCancelledCommandsChangeNothing) {
    MakeMixingInstrument();
    dialog.Choose("good.ins");
    Run(kCommandSaveInstrument);
    const std::string good = AppHarness::ReadFile("good.ins");
    ASSERT_EQ(good.size(), kInstrumentFileSize);
    // large.ins is one byte past the 16 KiB a file is read into; Qxm version 2 does not exist.
    const std::string large = good + std::string(kInstrumentFileMaxRead + 1 - good.size(), '\0');
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"magic.ins", "QNX" + good.substr(3)},
                                      {"short.ins", good.substr(0, good.size() - 1)}, {"empty.ins", ""},
                                      {"large.ins", large}, {"bad.qxm", SmallQxm().replace(3, 1, 1, '\2')}})
        AppHarness::WriteFile(name, bytes);
    std::filesystem::create_directories("taken.ins/inside");  // a folder in the way of the rename
    const std::string saveFailed = "Failed. Could not save instrument.", unknown = "Failed. Unknown Instrument format.";
    const std::string badMod = "Protracker Import failed.";
    struct Case { int command; std::string choice; std::string status; };
    const Case cases[] = {
        {kCommandSaveInstrument, "", "before"}, {kCommandLoadInstrument, "", "before"},
        {kCommandSaveInstrument, "missing/folder/lead.ins", saveFailed},
        {kCommandSaveInstrument, "taken.ins", saveFailed}, {kCommandLoadInstrument, "magic.ins", unknown},
        {kCommandLoadInstrument, "short.ins", unknown}, {kCommandLoadInstrument, "empty.ins", unknown},
        {kCommandLoadInstrument, "large.ins", unknown}, {kCommandLoadInstrument, "absent.ins", unknown},
        {kCommandImportProTracker, "", "before"}, {kCommandImportProTracker, "empty.ins", "before"},
        {kCommandImportProTracker, "absent.mod", "before"},
        {kCommandImportProTracker, TestModule("truncated_header.mod"), badMod},
        {kCommandImportProTracker, TestModule("truncated_soundtracker.mod"), badMod}, {kCommandImportQxm, "", "before"},
        {kCommandImportQxm, "empty.ins", "before"}, {kCommandImportQxm, "bad.qxm", "QXM Import failed."},
    };
    app()->currentInstrument = 2;
    const std::vector<uint8_t> before = Storage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        app()->SetStatus("before");
        if (c.choice.empty()) dialog.Cancel(); else dialog.Choose(c.choice);
        Run(c.command);
        EXPECT_EQ(std::pair(harness.Status(), Storage() == before), std::pair(c.status, true));
    }
    EXPECT_EQ(dialog.requests.back().groups.at(0).extensions, std::vector<std::string>{"qxm"});
    EXPECT_TRUE(std::filesystem::is_directory("taken.ins/inside") && !std::filesystem::exists("lead.ins"));
    // A song whose wave slots are all taken has no room for the instrument's waves.
    for (int wave = 1; wave <= kWaves; ++wave) SetGains({{wave, wave}});
    const std::vector<uint8_t> full = Storage();
    dialog.Choose("good.ins");
    Run(kCommandLoadInstrument);
    EXPECT_EQ(std::pair(Storage() == full, harness.Status()), std::pair(true, unknown));
}

class UndoRecording : public SongOperations {
protected:
    UndoHistories& Histories() { return app()->undo; }
    void HarmlessKey() { Press(SDLK_F2); }  // no widget takes it; it changes no song data
    void EditNote(int row, int note) { TheSong().Pattern(1)[row].SetNote(note); }  // as the mouse edits: no key
    int Note(int row) { return TheSong().Pattern(1)[row].Note(); }
};

TEST_F(UndoRecording, ChangesAreRecordedWithTheNextKeyUndoneRedoneAndWaitForTheAudioLock) {
    const uint32_t emptySize = app()->songSize;
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 0) << "a key that changes nothing stores nothing";
    EditNote(0, 13);
    TheSong().instrumentSteps[0][0] = InstrumentStep{0, 0, 6};
    harness.Frame(5);
    EXPECT_EQ(Histories().song.current(), 0) << "frames without keys record nothing";
    HarmlessKey();  // records the step and measures the song again
    EXPECT_EQ(std::tuple(Histories().song.current(), Histories().lastChecksum, app()->songSize),
              std::tuple(1, StorageChecksum(app()->document->Storage()),
                         WriteSongImage(*app()->document, nullptr, 0, nullptr, nullptr)));
    EXPECT_GT(app()->songSize, emptySize);
    float estimate = 0.0f;
    for (int slot = 0; slot < 6; ++slot) estimate += WaveSynth::EstimatePrecalcSeconds(TheSong().waves[slot]);
    EXPECT_FLOAT_EQ(app()->precalcEstimate, estimate);
    EditNote(0, 25);
    HarmlessKey();
    const struct { Uint16 mod; int note; } keys[] = {  // each key with the note after it; Shift alone is in Redo's mask
        {KMOD_LCTRL, 13}, {KMOD_LCTRL, 0}, {KMOD_LCTRL, 0}, {KMOD_LSHIFT, 13}, {KMOD_LCTRL | KMOD_RSHIFT, 25}};
    for (const auto& key : keys) {
        Press(SDLK_z, key.mod);
        EXPECT_EQ(Note(0), key.note) << key.mod;
    }
    HarmlessKey();
    EXPECT_EQ(Histories().song.current(), 2) << "undo and redo store nothing themselves";
    // The wave editor records nothing; the instrument history is its own and survives "New Song (Keep Instruments)".
    Run(kCommandWaveWindow);
    EditNote(0, 30);
    HarmlessKey();
    Run(kCommandUndo);
    EXPECT_EQ(Note(0), 30);
    Run(kCommandInstrumentWindow);
    TheSong().instruments[0].attack = 9;
    HarmlessKey();
    EXPECT_EQ(std::pair(Histories().song.current(), Histories().instrument.current()), std::pair(2, 1));
    Run(kCommandNewSongKeepInstruments);
    EXPECT_EQ(std::pair(Histories().song.current(), Histories().instrument.current()), std::pair(0, 1));
    Run(kCommandNewSong);
    EXPECT_EQ(Histories().instrument.current(), -1);
    Run(kCommandMainWindow);  // an undo regenerates the waves and waits for the audio lock
    const std::vector<int8_t> before = WaveBytes(1);
    Run(kCommandWavesVolumeUp);
    HarmlessKey();
    ASSERT_NE(WaveBytes(1), before);
    Run(kCommandUndo);
    EXPECT_EQ(WaveBytes(1), before);
    Run(kCommandRedo);
    // An undo on another thread waits while this one holds the lock, as the callback does rendering a tick.
    std::atomic<bool> done{false};
    app()->audioMutex.lock();
    std::thread frame([&] { app()->StepUndo(false), done = true; });
    SDL_Delay(50);
    EXPECT_EQ(std::pair(done.load(), TheSong().waves[0].gain == 64), std::pair(false, false));
    app()->audioMutex.unlock();
    frame.join();
    EXPECT_EQ(std::pair(int(TheSong().waves[0].gain), WaveBytes(1)), std::pair(64, before));
}

}  // namespace
}  // namespace qn::testing
