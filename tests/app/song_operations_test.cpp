// The song operation commands in the running program: instrument files
// through a scripted dialog, the two imports, "Optimize Song", the wave gain
// commands with the waves generated again at once, and the clipboards.
#include <filesystem>
#include <string>
#include <vector>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"
#include "tests/test_data.h"

namespace qn::testing {
namespace {

std::string TestModule(const char* name) { return (qn::test::TestDataFolder("mod") / name).string(); }

class SongOperations : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        harness.app->undo.song.log = nullptr;
        harness.app->undo.instrument.log = nullptr;
        harness.app->SetStatus("before");
    }
    std::vector<int8_t> WaveBytes(int wave, int count = 128) {
        const int8_t* slot = harness.app->waveMemory->Slot(wave - 1);
        return std::vector<int8_t>(slot, slot + count);
    }
    // What the App's wave memory should hold for the song as it is now:
    // the same song generated into a separate memory.
    std::vector<int8_t> FreshlyGenerated(int wave, int count = 128) {
        WaveMemory memory;
        harness.app->replayer->synth.PrecalcAllWaves(TheSong(), memory);
        const int8_t* slot = memory.Slot(wave - 1);
        return std::vector<int8_t>(slot, slot + count);
    }
    // Instrument 1 plays waves 3 and 5; wave 5 mixes in wave 2. The gains
    // tell the waves apart.
    void MakeMixingInstrument() {
        Song& song = TheSong();
        song.waves[1].gain = 90;
        song.waves[2].gain = 110;
        song.waves[4].gain = 120;
        song.waves[4].mixWave = 2;
        SetFixedText(song.waveNames[4], kNameLength, "mixer");
        song.instrumentSteps[0][0] = InstrumentStep{0, 0, 3};
        song.instrumentSteps[0][1] = InstrumentStep{0, 0, 5};
        SetFixedText(song.instrumentNames[0], kNameLength, "lead");
    }

    ScriptedDialog dialog;
};

// Instrument files.

TEST_F(SongOperations, SavedInstrumentLoadsIntoANewSongWithItsWaves) {
    MakeMixingInstrument();
    dialog.Choose("lead");
    Run(kCommandSaveInstrument);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_TRUE(dialog.requests[0].save);
    EXPECT_EQ(dialog.requests[0].groups.at(0).extensions, std::vector<std::string>{"ins"});
    EXPECT_EQ(harness.Status(), "Instrument saved.");
    EXPECT_EQ(std::filesystem::file_size("lead.ins"), kInstrumentFileSize);

    Run(kCommandNewSong);
    std::vector<int8_t> silentSlot = WaveBytes(2);
    dialog.Choose("lead.ins");
    Run(kCommandLoadInstrument);
    EXPECT_FALSE(dialog.requests.at(1).save);
    EXPECT_EQ(harness.Status(), "Instrument loaded.");
    // Needed 3, 5, 2 land in slots 3, 2, 1; the copy of 5 mixes the copy of 2.
    Song& song = TheSong();
    EXPECT_EQ(song.instrumentSteps[0][0].Parameter(), 3);
    EXPECT_EQ(song.instrumentSteps[0][1].Parameter(), 2);
    EXPECT_EQ(song.waves[2].gain, 110);
    EXPECT_EQ(song.waves[1].gain, 120);
    EXPECT_EQ(song.waves[1].mixWave, 1);
    EXPECT_EQ(song.waves[0].gain, 90);
    EXPECT_EQ(FixedText(song.waveNames[1], kNameLength), "mixer");
    EXPECT_EQ(FixedText(song.instrumentNames[0], kNameLength), "lead");
    // The copied waves are generated at once, not at the next play.
    EXPECT_EQ(song.waveCount, 3);
    EXPECT_NE(WaveBytes(2), silentSlot);
    for (int wave = 1; wave <= 3; ++wave) EXPECT_EQ(WaveBytes(wave), FreshlyGenerated(wave)) << wave;
}

// Imports.

TEST_F(SongOperations, ProTrackerImportThroughTheDialog) {
    std::string path = TestModule("flowerpower.mod");
    std::string module = AppHarness::ReadFile(path);
    ASSERT_GT(module.size(), 2048u);
    dialog.Choose(path);
    Run(kCommandImportProTracker);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].groups.at(0).extensions, std::vector<std::string>{"mod"});
    EXPECT_EQ(harness.Status(), "Protracker Import successful.");
    // The conversion itself has its own tests; here: the title and the
    // length at 950 arrive, and the song is measured again for the panel.
    EXPECT_EQ(std::string(harness.app->document->title, kTitleLength), module.substr(0, kTitleLength));
    EXPECT_EQ(int(TheSong().sequenceLength), uint8_t(module[950]));
    EXPECT_EQ(harness.app->songSize, WriteSongImage(*harness.app->document, nullptr, 0, nullptr, nullptr));
}

// A Qxm module of one position naming track 0 on every voice, one track of
// one row with note 13, no instruments; the title "qx" sits in the subsong
// list, which the importer skips. Padded to the 100 bytes a module has.
std::string SmallQxm() {
    std::string file = {'Q', 'M', 'V', 0, 0, 14, 0, 1, 0, 0, 1, 0, 0, 2};
    file += std::string("qx\0\0", 4);
    for (int voice = 0; voice < kVoices; ++voice) file += std::string{0, 12};
    file += std::string{char(13 << 2), 0, 0};
    file.resize(100, '\0');
    return file;
}

TEST_F(SongOperations, QxmImportThroughTheDialog) {
    AppHarness::WriteFile("small.qxm", SmallQxm());
    dialog.Choose("small.qxm");
    Run(kCommandImportQxm);
    EXPECT_EQ(harness.Status(), "QXM Import successful.");
    EXPECT_EQ(FixedText(harness.app->document->title, kTitleLength), "qx");
    EXPECT_EQ(TheSong().rowsPerPattern, 1);
    EXPECT_EQ(TheSong().Pattern(TheSong().Position(0)[2].pattern)[0].Note(), 13);
}

// The optimizer.

TEST_F(SongOperations, OptimizeRenumbersWavesAndRegeneratesThem) {
    // Instrument 1 plays waves 1, 2 and 5; waves 3 and 4 are unused and go,
    // so wave 5 becomes wave 3 and is generated in its new slot at once.
    Song& song = TheSong();
    song.Pattern(1)[0].SetNote(13);
    song.Pattern(1)[0].SetInstrument(1);
    song.instrumentSteps[0][0] = InstrumentStep{0, 0, 2};
    song.instrumentSteps[0][1] = InstrumentStep{0, 0, 5};
    song.waves[1].gain = 100;
    song.waves[2].gain = 20;
    song.waves[3].gain = 30;
    song.waves[4].gain = 120;
    Run(kCommandOptimizeSong);
    EXPECT_EQ(song.instrumentSteps[0][1].Parameter(), 3);
    EXPECT_EQ(song.waves[2].gain, 120);
    EXPECT_NE(harness.Status().find(" 2 Waves Saved: "), std::string::npos) << harness.Status();
    EXPECT_EQ(song.waveCount, 3);
    for (int wave = 1; wave <= 3; ++wave) EXPECT_EQ(WaveBytes(wave), FreshlyGenerated(wave)) << wave;
}

// Wave gains.

TEST_F(SongOperations, WaveVolumeStepsChangeTheWaveMemoryAtOnce) {
    Run(kCommandWaveWindow);
    std::vector<int8_t> original = WaveBytes(1);
    // Ctrl+- and Ctrl++ are the wave window's shortcuts.
    Press(SDLK_MINUS, KMOD_LCTRL);
    EXPECT_EQ(TheSong().waves[0].gain, 57);  // 64 * 0.9 = 57.6
    std::vector<int8_t> quieter = WaveBytes(1);
    EXPECT_NE(quieter, original);
    EXPECT_EQ(quieter, FreshlyGenerated(1));
    Press(SDLK_PLUS, KMOD_RCTRL);
    EXPECT_EQ(TheSong().waves[0].gain, 62);  // 57 * 1.1 = 62.7
    EXPECT_NE(WaveBytes(1), quieter);
    EXPECT_EQ(WaveBytes(1), FreshlyGenerated(1));
}

TEST_F(SongOperations, NormalizeScalesToTheLoudestAndRegenerates) {
    TheSong().waves[0].gain = 100;
    TheSong().waves[1].gain = 128;
    TheSong().instrumentSteps[0][0] = InstrumentStep{0, 0, 2};
    harness.app->RegenerateWaves();
    std::vector<int8_t> before = WaveBytes(2);
    Run(kCommandNormalizeWaves);
    EXPECT_EQ(TheSong().waves[1].gain, 255);
    EXPECT_EQ(TheSong().waves[0].gain, 199);  // 100 * 255/128 = 199.2
    EXPECT_NE(WaveBytes(2), before);
    EXPECT_EQ(WaveBytes(2), FreshlyGenerated(2));
    EXPECT_EQ(harness.Status(), "before");
}

TEST_F(SongOperations, ClearUnusedWavesKeepsMixSourcesAndClearsTheRest) {
    MakeMixingInstrument();
    TheSong().waves[6].gain = 77;
    SetFixedText(TheSong().waveNames[6], kNameLength, "stray");
    Run(kCommandInstrumentWindow);
    Run(kCommandClearUnusedWaves);
    EXPECT_TRUE(IsWaveEmpty(TheSong().waves[6]));
    EXPECT_EQ(FixedText(TheSong().waveNames[6], kNameLength), "");
    EXPECT_EQ(TheSong().waves[1].gain, 90) << "wave 2 is mixed in by wave 5";
    EXPECT_EQ(TheSong().waves[2].gain, 110);
    EXPECT_EQ(TheSong().waves[4].gain, 120);
    EXPECT_EQ(harness.Status(), "before");
}

// Clipboards.

TEST_F(SongOperations, WaveClipboardThroughTheWaveWindowShortcuts) {
    Run(kCommandWaveWindow);
    TheSong().waves[9].gain = 99;
    TheSong().waves[9].mixWave = 6;
    SetFixedText(TheSong().waveNames[9], kNameLength, "ten");
    harness.app->currentWave = 10;
    Press(SDLK_F4, KMOD_LSHIFT);  // Copy Wave
    harness.app->currentWave = 4;
    Press(SDLK_F5, KMOD_LSHIFT);  // Paste Wave
    EXPECT_EQ(TheSong().waves[3].gain, 99);
    EXPECT_EQ(TheSong().waves[3].mixWave, 0) << "a wave mixes only lower-numbered waves";
    EXPECT_EQ(FixedText(TheSong().waveNames[3], kNameLength), "ten");
    EXPECT_EQ(WaveBytes(4), FreshlyGenerated(4));
    harness.app->currentWave = 10;
    Press(SDLK_F3, KMOD_LSHIFT);  // Clear Wave
    EXPECT_TRUE(IsWaveEmpty(TheSong().waves[9]));
    EXPECT_EQ(FixedText(TheSong().waveNames[9], kNameLength), "");
}

// Every way an instrument or import command can come to nothing: the status
// line it leaves ("before" = unchanged) and the song storage untouched.
// good.ins is a saved instrument; the failing files are built from it.
TEST_F(SongOperations, FailedOrCancelledCommandsChangeNothing) {
    MakeMixingInstrument();
    dialog.Choose("good.ins");
    Run(kCommandSaveInstrument);
    const std::string good = AppHarness::ReadFile("good.ins");
    ASSERT_EQ(good.size(), kInstrumentFileSize);
    AppHarness::WriteFile("magic.ins", "QNX" + good.substr(3));
    AppHarness::WriteFile("short.ins", good.substr(0, kInstrumentFileSize - 1));
    AppHarness::WriteFile("empty.ins", "");
    // One byte past the 16 KiB a file is read into.
    AppHarness::WriteFile("large.ins", good + std::string(kInstrumentFileMaxRead + 1 - good.size(), '\0'));
    std::string badQxm = SmallQxm();
    badQxm[3] = 2;  // version 2 does not exist
    AppHarness::WriteFile("bad.qxm", badQxm);
    std::filesystem::create_directories("taken.ins/inside");  // a folder in the way of the rename
    const std::string saveFailed = "Failed. Could not save instrument.", unknown = "Failed. Unknown Instrument format.";
    struct Case { int command; const char* choice; std::string status; };
    const Case cases[] = {
        {kCommandSaveInstrument, nullptr, "before"},
        {kCommandLoadInstrument, nullptr, "before"},
        {kCommandSaveInstrument, "missing/folder/lead.ins", saveFailed},
        {kCommandSaveInstrument, "taken.ins", saveFailed},
        {kCommandLoadInstrument, "magic.ins", unknown},
        {kCommandLoadInstrument, "short.ins", unknown},
        {kCommandLoadInstrument, "empty.ins", unknown},
        {kCommandLoadInstrument, "large.ins", unknown},
        {kCommandLoadInstrument, "absent.ins", unknown},
        {kCommandImportProTracker, nullptr, "before"},
        {kCommandImportProTracker, "empty.ins", "before"},
        {kCommandImportProTracker, "absent.mod", "before"},
        {kCommandImportProTracker, "truncated_header.mod", "Protracker Import failed."},
        {kCommandImportProTracker, "truncated_soundtracker.mod", "Protracker Import failed."},
        {kCommandImportQxm, nullptr, "before"},
        {kCommandImportQxm, "empty.ins", "before"},
        {kCommandImportQxm, "bad.qxm", "QXM Import failed."},
    };
    harness.app->currentInstrument = 2;
    const std::vector<uint8_t> before(harness.app->document->Storage(),
                                      harness.app->document->Storage() + kStorageSize);
    for (const Case& c : cases) {
        const std::string choice = c.choice == nullptr ? "" : std::string(c.choice);
        SCOPED_TRACE(choice);
        harness.app->SetStatus("before");
        if (c.choice == nullptr)
            dialog.Cancel();
        else
            dialog.Choose(choice.size() > 4 && choice.substr(choice.size() - 4) == ".mod" && choice != "absent.mod"
                              ? TestModule(c.choice)
                              : choice);
        Run(c.command);
        EXPECT_EQ(harness.Status(), c.status);
        EXPECT_EQ(std::vector<uint8_t>(harness.app->document->Storage(),
                                       harness.app->document->Storage() + kStorageSize),
                  before);
    }
    EXPECT_EQ(dialog.requests.back().groups.at(0).extensions, std::vector<std::string>{"qxm"});
    EXPECT_TRUE(std::filesystem::is_directory("taken.ins/inside"));
    EXPECT_FALSE(std::filesystem::exists("lead.ins"));
    // A song whose wave slots are all taken has no room for the instrument's waves.
    for (int slot = 0; slot < kWaves; ++slot) TheSong().waves[slot].gain = uint8_t(1 + slot);
    const std::vector<uint8_t> full(harness.app->document->Storage(), harness.app->document->Storage() + kStorageSize);
    dialog.Choose("good.ins");
    Run(kCommandLoadInstrument);
    EXPECT_EQ(std::vector<uint8_t>(harness.app->document->Storage(), harness.app->document->Storage() + kStorageSize),
              full);
    EXPECT_EQ(harness.Status(), unknown);
}

}  // namespace
}  // namespace qn::testing
