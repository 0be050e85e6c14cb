// Live playback: the play and stop commands with the cursor marks, Play
// Pattern staying on its position, playing one row, the scope history, note
// preview, and the audio callback producing the very frames the offline
// render produces. The device is paused so that the test drives the
// callback itself, one tick per call.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "engine/wav_export.h"
#include "song/song_image.h"
#include "song/song_loader.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

constexpr int kTickBytes = 2 * kFramesPerTick * int(sizeof(int16_t));

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        SDL_PauseAudioDevice(harness.app->audioDevice, 1);
        harness.Frame(2);
    }
    App* app() { return harness.app; }
    Song& TheSong() { return harness.app->document->song; }
    Replayer& Player() { return *harness.app->replayer; }
    void Run(int command) {
        harness.Command(command);
        harness.Frame();
    }
    // One device buffer through the callback.
    std::vector<int16_t> Tick() {
        std::vector<int16_t> frames(2 * kFramesPerTick, 0x5555);
        App::AudioCallback(app(), reinterpret_cast<Uint8*>(frames.data()), kTickBytes);
        return frames;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) Tick();
    }
    // A song whose four voices play notes of the default instrument at
    // different rows of two patterns, over four positions.
    void WriteTune() {
        Song& song = TheSong();
        for (int position = 0; position < 4; ++position)
            for (int voice = 0; voice < kVoices; ++voice)
                song.Position(position)[voice].pattern = uint8_t(1 + (position + voice) % 2);
        for (int row = 0; row < 64; row += 4) {
            qntPatternStep& step = song.Pattern(1)[row];
            step.SetNote(13 + row % 24);
            step.SetInstrument(1);
            qntPatternStep& other = song.Pattern(2)[row + 2];
            other.SetNote(25 + row % 12);
            other.SetInstrument(1);
        }
    }
    AppHarness harness;
};

TEST_F(Playback, PlaySongStartsAtTheCurrentPositionFromRowZero) {
    WriteTune();
    TheSong().currentPosition = 2;
    Player().row = 17;
    Run(kCommandPlaySong);
    EXPECT_TRUE(Player().playing);
    EXPECT_EQ(TheSong().currentPosition, 2u);
    EXPECT_EQ(Player().row, 0);
    EXPECT_EQ(app()->cursorMarkRow, -1);
    // 64 rows at speed 6: the song has moved on to position 3.
    Ticks(64 * 6);
    EXPECT_EQ(TheSong().currentPosition, 3u);
}

TEST_F(Playback, StopAfterPlayFromCursorReturnsToWhereItBegan) {
    WriteTune();
    TheSong().currentPosition = 1;
    Player().row = 10;
    Run(kCommandPlaySongFromCursor);
    EXPECT_EQ(app()->cursorMarkRow, 10);
    EXPECT_EQ(app()->cursorMarkPosition, 1);
    EXPECT_EQ(Player().row, 10);
    Ticks(6 * 70);
    ASSERT_EQ(TheSong().currentPosition, 2u);
    Run(kCommandStopSong);
    EXPECT_FALSE(Player().playing);
    EXPECT_EQ(TheSong().currentPosition, 1u);
    EXPECT_EQ(Player().row, 10);
    EXPECT_EQ(app()->cursorMarkRow, -1);
    EXPECT_EQ(app()->cursorMarkPosition, -1);
    // A second stop has no marks to return to.
    Player().row = 30;
    Run(kCommandStopSong);
    EXPECT_EQ(Player().row, 30);
}

TEST_F(Playback, ShiftSpaceForgetsTheMarksWithoutReturning) {
    WriteTune();
    Player().row = 8;
    Run(kCommandPlayPatternFromCursor);
    EXPECT_EQ(Player().patternLoop, 1);
    Ticks(6 * 4);
    Run(kCommandStopKeepCursor);
    EXPECT_FALSE(Player().playing);
    EXPECT_EQ(Player().row, 12);
    EXPECT_EQ(app()->cursorMarkRow, -1);
}

TEST_F(Playback, PlayPatternOnTheLastPositionRepeatsAndNeverAdvances) {
    WriteTune();
    TheSong().currentPosition = 3;
    Run(kCommandPlayPattern);
    int lowestRowAfterWrap = 64;
    int previousRow = 0;
    for (int tick = 0; tick < 64 * 6 * 3; ++tick) {
        Tick();
        ASSERT_EQ(TheSong().currentPosition, 3u);
        if (Player().row < previousRow) lowestRowAfterWrap = std::min(lowestRowAfterWrap, int(Player().row));
        previousRow = Player().row;
    }
    EXPECT_EQ(lowestRowAfterWrap, 0);  // it did wrap, back to row 0
    EXPECT_TRUE(Player().playing);
}

TEST_F(Playback, PlayOneRowMovesToTheNextRowAndStops) {
    WriteTune();
    TheSong().currentPosition = 1;
    Player().row = 5;
    Run(kCommandPlayOneRow);
    EXPECT_FALSE(Player().playing);
    EXPECT_EQ(Player().stopAfterRow, 0);
    EXPECT_EQ(Player().row, 6);
    EXPECT_EQ(TheSong().currentPosition, 1u);
}

TEST_F(Playback, PlayOneRowOnTheLastRowMovesToRowZero) {
    WriteTune();
    Player().row = 63;
    Run(kCommandPlayOneRow);
    EXPECT_FALSE(Player().playing);
    EXPECT_EQ(Player().row, 0);
    // The row end carried the song to its next position, as playing does.
    EXPECT_EQ(TheSong().currentPosition, 1u);
}

TEST_F(Playback, PlayOneRowReturnsWhenTheRowStopsTheSong) {
    WriteTune();
    TheSong().Pattern(1)[9].SetCommand(0xF);  // F00: stop
    TheSong().Pattern(1)[9].SetParameter(0);
    Player().row = 9;
    Run(kCommandPlayOneRow);  // must not wait for a row end that never comes
    EXPECT_FALSE(Player().playing);
    EXPECT_EQ(Player().row, 10);
}

TEST_F(Playback, PlayOneRowWaitsForARunningDevice) {
    WriteTune();
    Player().row = 20;
    SDL_PauseAudioDevice(app()->audioDevice, 0);
    ASSERT_TRUE(app()->AudioRunning());
    app()->PlayOneRow();
    SDL_PauseAudioDevice(app()->audioDevice, 1);
    EXPECT_EQ(Player().row, 21);
    EXPECT_EQ(Player().stopAfterRow, 0);
}

TEST_F(Playback, ScopeHistoryHoldsTheMonoMixOfEachFrame) {
    WriteTune();
    TheSong().Position(0)[0].transpose = 3;  // the left side differs from the right
    Run(kCommandFullStereo);
    Run(kCommandPlaySong);
    int64_t before = app()->scopeCounter;
    std::vector<int16_t> last;
    for (int i = 0; i < 60; ++i) last = Tick();
    EXPECT_EQ(app()->scopeCounter, before + 60 * kFramesPerTick);
    bool differed = false;
    for (int frame = 0; frame < kFramesPerTick; ++frame) {
        int left = last[2 * frame], right = last[2 * frame + 1];
        int64_t index = (app()->scopeCounter - kFramesPerTick + frame) % kScopeHistorySize;
        ASSERT_EQ(app()->scopeHistory[index], (left + right) / 2) << frame;  // truncated toward zero
        differed = differed || left != right;
    }
    EXPECT_TRUE(differed);
    std::vector<int16_t> copy(kFramesPerTick);
    app()->CopyScopeHistory(copy.data(), kFramesPerTick);
    EXPECT_EQ(copy[kFramesPerTick - 1], (last[2 * kFramesPerTick - 2] + last[2 * kFramesPerTick - 1]) / 2);
}

TEST_F(Playback, MonoMakesBothChannelsEqual) {
    WriteTune();
    Run(kCommandMono);
    Run(kCommandPlaySong);
    int loud = 0;
    for (int i = 0; i < 40; ++i) {
        std::vector<int16_t> frames = Tick();
        for (int frame = 0; frame < kFramesPerTick; ++frame) {
            ASSERT_EQ(frames[2 * frame], frames[2 * frame + 1]);
            loud = std::max(loud, std::abs(int(frames[2 * frame])));
        }
    }
    EXPECT_GT(loud, 1000);
}

TEST_F(Playback, ExportBusyCallbackWritesSilenceAndTouchesNothing) {
    WriteTune();
    Run(kCommandPlaySong);
    Ticks(3);
    int row = Player().row, counter = Player().tickCounter;
    int64_t scope = app()->scopeCounter;
    app()->exportBusy = 1;
    std::vector<int16_t> frames = Tick();
    app()->exportBusy = 0;
    EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(Player().row, row);
    EXPECT_EQ(Player().tickCounter, counter);
    EXPECT_EQ(app()->scopeCounter, scope);
}

TEST_F(Playback, ShortDeviceBufferGetsTheStartOfTheTick) {
    WriteTune();
    Run(kCommandPlaySong);
    std::vector<int16_t> frames(64, 0x5555);
    App::AudioCallback(app(), reinterpret_cast<Uint8*>(frames.data()), 64 * 2);
    EXPECT_TRUE(std::equal(frames.begin(), frames.end(), app()->audioBuffer));
}

// The offline render ("Export Wav") and the live callback run the same tick
// loop: after "Play Song" from a stopped song at position 0 the callback's
// buffers are, frame for frame, the render's first ticks.
TEST_F(Playback, CallbackFramesEqualTheOfflineRender) {
    WriteTune();
    TheSong().Pattern(2)[30].SetCommand(0xC);  // a volume change on the way
    TheSong().Pattern(2)[30].SetParameter(20);
    Run(kCommandHalfStereo);
    std::vector<uint8_t> image;
    ASSERT_TRUE(app()->WriteSongImage(image));

    // The same song loaded the way the command-line renderer loads it.
    SongDocument doc;
    Song imageSong;
    ASSERT_TRUE(LoadSong(doc, image, &imageSong, nullptr));
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
    replayer.InitReplayer(&imageSong, &memory);
    replayer.song = &doc.song;
    replayer.ResetReplayer(true);
    PrepareSongForWrite(replayer);
    SongRender render;
    ASSERT_TRUE(render.Begin(replayer, mixer, StereoWidthForMode(1)));
    constexpr int kCompareTicks = 64 * 6 + 50;  // past the first position change
    for (int tick = 0; tick < kCompareTicks; ++tick) ASSERT_TRUE(render.RenderTick());

    TheSong().currentPosition = 0;
    Run(kCommandStopSong);
    Run(kCommandPlaySong);
    int loud = 0;
    for (int tick = 0; tick < kCompareTicks; ++tick) {
        std::vector<int16_t> frames = Tick();
        const int16_t* expected = render.Frames() + size_t(tick) * 2 * kFramesPerTick;
        for (int i = 0; i < 2 * kFramesPerTick; ++i) {
            ASSERT_EQ(frames[i], expected[i]) << "tick " << tick << " sample " << i;
            loud = std::max(loud, std::abs(int(frames[i])));
        }
    }
    EXPECT_GT(loud, 1000);
}

TEST_F(Playback, PreviewStartsTheCurrentInstrumentWithThePositionsTranspose) {
    WriteTune();
    TheSong().Position(0)[2].transpose = -5;
    app()->currentVoice = 2;
    app()->currentInstrument = 3;
    app()->PreviewNote(25);
    const VoiceState& voice = Player().voices[2];
    EXPECT_EQ(voice.instrument, 3);
    EXPECT_EQ(voice.notePitch, (25 - 5) * 16);
    EXPECT_EQ(voice.pendingStart, 3);
    // In the instrument editor the transpose does not apply.
    Run(kCommandInstrumentWindow);
    app()->PreviewNote(25);
    EXPECT_EQ(Player().voices[2].notePitch, 25 * 16);
}

TEST_F(Playback, WavePreviewSoundsTheWavePlainlyAtFullSustain) {
    Run(kCommandWaveWindow);
    app()->currentVoice = 1;
    app()->currentWave = 1;
    app()->PreviewNote(37);
    const VoiceState& voice = Player().voices[1];
    EXPECT_EQ(voice.waveIndex, 0);
    EXPECT_EQ(voice.notePitch, 37 * 16);
    EXPECT_EQ(voice.pendingStart, 0);
    EXPECT_EQ(voice.sustain, 15);
    EXPECT_EQ(voice.envelopeStage, kEnvelopeAttack);
    EXPECT_EQ(voice.stepSpeed, kStepHalted);
    EXPECT_EQ(voice.vibratoDepth, 0);
    // And it is heard.
    int loud = 0;
    for (int i = 0; i < 20; ++i)
        for (int16_t sample : Tick()) loud = std::max(loud, std::abs(int(sample)));
    EXPECT_GT(loud, 1000);
}

TEST_F(Playback, AltArrowsMoveThePositionWhileStopped) {
    WriteTune();
    harness.KeyDown(SDLK_DOWN, KMOD_LALT);
    harness.Frame();
    EXPECT_EQ(TheSong().currentPosition, 1u);
    TheSong().SetSequenceLength(0);
    TheSong().restartPosition = 0;
    harness.KeyDown(SDLK_UP, KMOD_LALT);
    harness.Frame();
    EXPECT_EQ(TheSong().currentPosition, 0u);
}

TEST(StartupSong, PlaysFromItsFirstPosition) {
    std::vector<uint8_t> image;
    {
        AppHarness writer;
        ASSERT_TRUE(writer.started);
        writer.app->document->song.Pattern(1)[0].SetNote(25);
        writer.app->document->song.Pattern(1)[0].SetInstrument(1);
        ASSERT_TRUE(writer.app->WriteSongImage(image));
    }
    std::string path = std::filesystem::temp_directory_path() / "qn_startup_song.qnt";
    AppHarness::WriteFile(path, std::string(image.begin(), image.end()));
    AppHarness harness({}, path.c_str());
    ASSERT_TRUE(harness.started);
    EXPECT_TRUE(harness.app->IsPlaying());
    EXPECT_EQ(harness.app->document->song.currentPosition, 0u);
    EXPECT_EQ(harness.app->document->song.Pattern(1)[0].Note(), 25);
    EXPECT_STREQ(harness.app->songPath, "");  // "Save Song" asks where to save it
    std::filesystem::remove(path);
}

TEST(StartupSong, NoSongMeansNothingPlays) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    EXPECT_FALSE(harness.app->IsPlaying());
}

}  // namespace
}  // namespace qn::testing
