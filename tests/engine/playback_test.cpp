// Whole songs: duration, the writer's preparation and the fast-forward, by hand and over random songs; rendering
// to frames and to WAV files; and the optimizer checked by rendering (renumbering may not change a frame).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "engine/playback.h"
#include "engine/wav_export.h"
#include "engine/wav_file.h"
#include "song/optimizer.h"
#include "tests/engine/replayer_fixture.h"

namespace qn {
namespace {

using test::Fold;

// A new song (4 positions of 64 rows, patterns 1..4 at position 0), the replayer stopped as the program leaves it.
class PlaybackTest : public test::ReplayerFixture {
protected:
    void SetUp() override {
        ReplayerFixture::SetUp();
        replayer.ResetReplayer(true);
    }
};

TEST_F(PlaybackTest, DurationCountsTheTicksUntilTheSongEndsStopsOrJumpsBack) {
    struct Case { int row, command, parameter; uint32_t ticks; const char* what; };
    const Case cases[] = {
        {0, 0, 0, 4 * 64 * 6, "new song: four patterns of six-tick rows"},
        {0, 0xF, 0, 0, "stop on the first row"},
        {10, 0xF, 0, 10 * 6, "the stopping tick is not counted"},
        {4, 0xB, 0, 30, "jump back to the song's own start ends the pass: rows 0..4 once"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRow(1, c.row, 0, 0, c.command, c.parameter);
        EXPECT_EQ(SongDurationTicks(replayer), c.ticks);
        SetRow(1, c.row, 0, 0);
    }
    EXPECT_FLOAT_EQ(SongDurationSeconds(replayer), 30.72f);
}

// Note 60 (pitch index 16 x 59 + 16 - 32 + 16 = 944, above the period range) needs wave 1's octave copies, and so
// does a wave in use that another in use mixes in ("Mix Wave" 24 and up means 24; 30 none). A source past the
// count keeps no flag: it would count as used and grow the wave count of the next save.
TEST_F(PlaybackTest, WriterPreparationSetsTheOctaveCopyFlagsTheSongNeeds) {
    struct Mix { int wave, source; };
    struct Case { int waveCount; std::vector<Mix> mixes; std::vector<int> flagged; };
    const Case cases[] = {
        {5, {{5, 3}}, {1, 3}},
        {24, {{3, 5}, {2, 24}, {7, 30}}, {1, 5, 24}},
        {4, {{2, 3}, {3, 5}, {6, 4}}, {1, 3}},
    };
    SetRow(1, 0, 60, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waveCount);
        for (int wave = 1; wave <= kWaves; ++wave) Wave(wave).flags = kWaveOctaveCopies, Wave(wave).mixWave = 0;
        for (const Mix& mix : c.mixes) Wave(mix.wave).mixWave = uint8_t(mix.source);
        doc.song.waveCount = uint8_t(c.waveCount);
        EXPECT_FLOAT_EQ(PrepareSongForWrite(replayer), 30.72f);
        for (int wave = 1; wave <= kWaves; ++wave) {
            const bool expected = std::count(c.flagged.begin(), c.flagged.end(), wave) != 0;
            EXPECT_EQ((Wave(wave).flags & kWaveOctaveCopies) != 0, expected) << "wave " << wave;
        }
    }
}

// The fast-forward clears the triggers after every tick as the audio callback does, so a one-shot above the
// period range moves into its octave copies once and the registers end as if played live to the same row.
TEST_F(PlaybackTest, FastForwardMatchesLivePlayback) {
    Wave(1).subloopLen = 0;  // play once
    SetRow(1, 0, 60, 1);
    SetRow(2, 3, 30, 1);
    SetRow(2, 8, 0, 0, 0xA, 0x01);  // a volume ramp along the way
    MixerState mixer;
    doc.song.currentPosition = 1;
    PreparePlayback(replayer, mixer, true);

    Replayer live;
    live.InitReplayer(&doc.song, &memory);
    live.ResetReplayer(true);
    doc.song.currentPosition = 0;
    live.row = 0;
    live.StartPlaying();
    VoiceRegisters copies[kVoices];
    for (int tick = 0; tick < 64 * 6; ++tick) TickAndCopyRegisters(live, copies);
    ASSERT_EQ(doc.song.currentPosition, 1u);
    ASSERT_EQ(live.row, 0);
    for (int voice = 0; voice < kVoices; ++voice)
        EXPECT_EQ(test::Fields(replayer.voices[voice].registers), test::Fields(live.voices[voice].registers)) << voice;
    // The one-shot sits in the 1/8 copy of the 128-byte wave: 128 + 64 + 32
    // bytes after the slot start.
    EXPECT_EQ(replayer.voices[0].registers.sampleStart, WaveSlotOffset(0) + 224);
}

// Random songs of jumps, breaks, speeds, delays and stops: the duration pass ends and leaves the replayer as it
// found it, the fast-forward lands inside the song and the audio tick runs on from there. The durations, landing
// places and mixed frames go into a digest (a meant change prints the new one).
using PlaybackProperty = test::ReplayerFixture;
TEST_F(PlaybackProperty, RandomSongsAlwaysTerminate) {
    std::mt19937 random(99);
    MixerState mixer;
    std::vector<int16_t> out(2 * kFramesPerTick);
    uint64_t digest = test::kDigestStart;
    const int commands[] = {0xB, 0xD, 0xF, 0xE, 0x0, 0xC, 0x3, 0x5, 0x9, 0xA};
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        doc.ResetToNewSong();
        Song& song = doc.song;
        song.SetSequenceLength(1 + int(random() % 6));
        song.SetRowsPerPattern(1 + int(random() % 16));
        song.restartPosition = uint32_t(random() % 8);  // may lie past the song
        for (uint32_t position = 0; position < song.sequenceLength; ++position)
            for (int voice = 0; voice < kVoices; ++voice)
                song.Position(int(position))[voice].pattern = uint8_t(random() % 4);
        for (int pattern = 1; pattern <= 3; ++pattern)
            for (int row = 0; row < song.rowsPerPattern; ++row) {
                if (random() % 3 != 0) continue;
                qntPatternStep& step = song.Pattern(pattern)[row];
                step.SetNote(int(random() % 62));
                step.SetInstrument(int(random() % 3));
                step.SetCommand(commands[random() % 10]);
                step.SetParameter(int(random() % 256));
            }
        const uint32_t position = uint32_t(random() % song.sequenceLength);
        const uint8_t row = uint8_t(random() % song.rowsPerPattern), speed = uint8_t(random() % 8);
        const uint8_t loop = uint8_t(random() % 2), playing = uint8_t(random() % 2);
        song.currentPosition = position;
        replayer.row = row, replayer.speed = speed, replayer.patternLoop = loop, replayer.playing = playing;
        const uint32_t ticks = SongDurationTicks(replayer);
        EXPECT_LE(ticks, 2u * 6u * 16u * 256u);
        EXPECT_EQ(std::vector<int>({int(song.currentPosition), replayer.row, replayer.speed, replayer.patternLoop,
                                    replayer.playing, replayer.simulation}),
                  std::vector<int>({int(position), row, speed, loop, playing, 0}));
        Fold(digest, ticks);
        song.currentPosition = uint32_t(random() % (song.sequenceLength + 2));
        Fold(digest, uint64_t(PreparePlayback(replayer, mixer, random() % 2 == 0) * 1000.0f));
        Fold(digest, song.currentPosition << 16 | uint32_t(replayer.row) << 8 | replayer.playing);
        Fold(digest, uint32_t(replayer.speed) << 8 | replayer.patternLoop);
        for (int tick = 0; tick < 20; ++tick) {
            RunAudioTick(replayer, mixer, out.data(), 1.0f);
            ASSERT_LT(song.currentPosition, song.sequenceLength);
            ASSERT_LT(replayer.row, song.rowsPerPattern);
            for (const VoiceState& voice : replayer.voices) ASSERT_EQ(voice.registers.trigger, 0);
            for (int16_t sample : out) Fold(digest, uint16_t(sample));
        }
    }
    EXPECT_EQ(digest, 0xc8bad2a7b327cd51ull) << std::hex << "new digest 0x" << digest;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<int16_t> Render(Replayer& replayer, MixerState& mixer) {
    SongRender render;
    EXPECT_TRUE(render.Begin(replayer, mixer, 1.0f));
    while (render.RenderTick()) {
    }
    render.Finish();
    EXPECT_EQ(replayer.playing, 0);
    return std::vector<int16_t>(render.Frames(), render.Frames() + 2 * render.FramesDone());
}

int Peak(const std::vector<int16_t>& frames, size_t fromTick, size_t toTick) {
    int peak = 0;
    for (size_t i = fromTick * 2 * kFramesPerTick; i < toTick * 2 * kFramesPerTick; ++i)
        peak = std::max(peak, std::abs(int(frames[i])));
    return peak;
}

// The header for two frames by hand: RIFF, 44 + 8 - 8, WAVEfmt , 16, PCM 1, 2 channels, 48000 (0xbb80), 192000
// (0x02ee00) bytes per second, 4 bytes per frame, 16 bits, data, 8.
TEST(WavFile, HeaderAndSamplesAreLittleEndianAndSizesFollowTheFrames) {
    const int16_t frames[4] = {1, -2, 0x1234, -32766};
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xbb, 0, 0, 0x00, 0xee, 0x02, 0,
        4, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0,
        1, 0, 0xfe, 0xff, 0x34, 0x12, 0x02, 0x80};
    EXPECT_EQ(BuildWavImage(frames, 2), expected);
    // 288000 frames: 1152000 (0x119400) data bytes, 1152036 (0x119424) in the RIFF chunk.
    const std::vector<int16_t> silence(288000 * 2, 0);
    const std::vector<uint8_t> image = BuildWavImage(silence.data(), 288000);
    ASSERT_EQ(image.size(), 44u + 1152000u);
    EXPECT_EQ(std::vector<uint8_t>(&image[4], &image[8]), (std::vector<uint8_t>{0x24, 0x94, 0x11, 0}));
    EXPECT_EQ(std::vector<uint8_t>(&image[40], &image[44]), (std::vector<uint8_t>{0, 0x94, 0x11, 0}));
}

TEST(WavFile, WriteReplacesTheTargetLeavesNoTemporaryFileAndReportsFailure) {
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "wav_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path target = dir / "out.wav";
    { std::ofstream(target) << "old contents"; }
    const int16_t frames[2] = {5, 6};
    ASSERT_TRUE(WriteWav(target.string(), frames, 1));
    EXPECT_EQ(ReadFile(target), BuildWavImage(frames, 1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
    EXPECT_FALSE(WriteWav("/nonexistent-dir/sub/out.wav", frames, 1));
    EXPECT_FALSE(WriteWav("", frames, 1));
}

// One position of 64 rows at speed 6 (384 ticks, 7.68 seconds) with a held note.
class RenderTest : public PlaybackTest {
protected:
    void SetUp() override {
        doc.song.SetSequenceLength(1);
        SetRow(1, 0, 25, 1);
        PlaybackTest::SetUp();
    }
    MixerState mixer;
};

// The held note is steady until the end at tick 384; from tick 385 each tick is scaled by 1 + r / 6, r = -0.02 s
// past the end. A tick's peak varies ~10% with the phase, so ten-tick windows are compared: from tick 434
// (r = -1) about 5/6 of the level, from 534 (r = -3) about half, and the last (r = -5.98) almost nothing.
TEST_F(RenderTest, FadeIsLinearOverTheSixSecondsAfterTheEnd) {
    const std::vector<int16_t> frames = Render(replayer, mixer);
    const int full = Peak(frames, 374, 384);
    ASSERT_GT(full, 4000);
    EXPECT_GE(Peak(frames, 384, 385), full * 9 / 10);  // not faded yet
    EXPECT_NEAR(Peak(frames, 434, 444), full * 5 / 6, full / 16);
    EXPECT_NEAR(Peak(frames, 534, 544), full / 2, full / 16);
    EXPECT_LE(Peak(frames, 683, 684), full / 250 + 1);
}

// Rendering restores the position and the replayer, so the file streamed afterwards holds the same frames as the
// render in memory: whole, or up to an abort in or past the first buffer of ticks.
TEST_F(RenderTest, RenderingRepeatsAndTheStreamedFileHoldsTheRenderedFramesWholeOrAborted) {
    SetRow(1, 16, 37, 1);
    SetRow(1, 32, 0, 0, 0x4, 0x35);
    doc.song.SetSequenceLength(2);
    doc.song.currentPosition = 1;
    const std::vector<int16_t> frames = Render(replayer, mixer);
    EXPECT_EQ(doc.song.currentPosition, 1u);
    EXPECT_GT(Peak(frames, 0, 50), 1000);
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "stream.wav";
    for (int stopAfter : {10, 45, 100000}) {
        int ticks[2] = {0, stopAfter};  // the progress callback counts the ticks and stops after the last
        auto progress = [](float, void* context) { int* t = static_cast<int*>(context); return ++t[0] < t[1]; };
        ASSERT_TRUE(ExportWav(replayer, mixer, 1.0f, path.string(), progress, ticks));
        const size_t count = std::min<size_t>(size_t(stopAfter) * kFramesPerTick, frames.size() / 2);
        EXPECT_EQ(ReadFile(path), BuildWavImage(frames.data(), count)) << stopAfter;
        EXPECT_EQ(doc.song.currentPosition, 1u);
    }
    std::filesystem::remove(path);
}

// Patterns (one a duplicate, one empty), instruments above a gap, waves with a mix source and unused ones between.
TEST_F(RenderTest, OptimizedSongSoundsTheSame) {
    Song& song = doc.song;
    song.SetRowsPerPattern(16);
    song.SetSequenceLength(3);
    const int order[3 * kVoices] = {1, 2, 3, 0, 4, 5, 3, 0, 2, 1, 6, 0};  // three positions of four voices
    for (int entry = 0; entry < 3 * kVoices; ++entry) song.sequence[entry].pattern = uint8_t(order[entry]);
    for (int row = 0; row < 16; row += 4) {
        SetRow(1, row, 13 + row, 5);
        SetRow(2, row + 2, 25, 9, 0xC, 0x30);
        SetRow(4, row, 20, 9);
        SetRow(6, row + 1, 30, 5, 0, 0x19);  // plays instrument 9 after a delay
    }
    std::memcpy(song.Pattern(5), song.Pattern(2), 16 * 3);  // a duplicate of 2
    // Pattern 3 stays empty. Waves: 1 square, 2 and 3 unused but not empty, 4 saw mixing in 7.
    for (int wave : {0, 1, 2, 3, 6}) song.waves[wave] = DefaultWaveParams();
    song.waves[0].flags = 2, song.waves[1].gain = 10, song.waves[2].gain = 20;
    song.waves[3].flags = 1, song.waves[3].mixWave = 7, song.waves[6].flags = 3, song.waves[6].gain = 40;
    BuildWaveCalcOrder(song);
    Steps(5, {{0, 0, 1}});
    Steps(9, {{0, 0, 4}, {0, 0x0C, 0x20}});
    Instrument(9).attack = 3, Instrument(9).sustain = 8, Instrument(5).vibratoDepth = 6, Instrument(5).vibratoSpeed = 4;

    // Each render starts from cleared wave memory, so the optimized song cannot lean on old slots.
    auto render = [this] {
        memory.Clear();
        replayer.InitReplayer(&doc.song, &memory);
        replayer.ResetReplayer(true);
        return Render(replayer, mixer);
    };
    const std::vector<int16_t> before = render();
    ASSERT_TRUE(std::any_of(before.begin(), before.end(), [](int16_t sample) { return sample != 0; }));
    const OptimizeReport report = OptimizeSong(doc, nullptr, nullptr);
    // By hand: pattern 3 (empty) drops, 6 takes its number, 5 folds into 2 and 4 takes 5's: highest 6 -> 4.
    // Instruments 9 and 5 move to 1 and 2. Waves 2, 3, 5 and 6 go: old 4 becomes 2, its source 7 becomes 3.
    EXPECT_EQ((std::vector<int>{report.instrumentsMoved, report.wavesRemoved, report.patternsRemoved,
                                doc.song.instrumentSteps[0][0].Parameter()}),  // old instrument 9, old wave 4
              (std::vector<int>{2, 4, 2, 2}));
    EXPECT_TRUE(render() == before);
}

}  // namespace
}  // namespace qn
