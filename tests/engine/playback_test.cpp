#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/playback.h"
#include "tests/engine/replayer_fixture.h"

namespace qn {
namespace {

using test::Fold;

// A new song (4 positions of 64 rows, patterns 1..4 at position 0 and none
// after it), the replayer stopped as the program leaves it.
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

// Note 60 gives pitch index 16 x 59 + 16 - 32 + 16 = 944, above the period
// range, so wave 1 that it plays needs its octave copies; nothing else does,
// except a wave in use (up to the wave count) that another wave in use mixes
// in. "Mix Wave" 24 and above means wave 24; 30 names no wave. A source
// beyond the count is left alone: a default record with the flag would count
// as used and grow the wave count of the next save.
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
        for (int wave = 1; wave <= kWaves; ++wave) {
            Wave(wave).flags = kWaveOctaveCopies;
            Wave(wave).mixWave = 0;
        }
        for (const Mix& mix : c.mixes) Wave(mix.wave).mixWave = uint8_t(mix.source);
        doc.song.waveCount = uint8_t(c.waveCount);
        EXPECT_FLOAT_EQ(PrepareSongForWrite(replayer), 30.72f);
        for (int wave = 1; wave <= kWaves; ++wave) {
            const bool expected = std::count(c.flagged.begin(), c.flagged.end(), wave) != 0;
            EXPECT_EQ((Wave(wave).flags & kWaveOctaveCopies) != 0, expected) << "wave " << wave;
        }
    }
}

// A one-shot wave played above the period range is moved into its octave
// copies once, when it is triggered. The fast-forward clears the triggers
// after every tick as the audio callback does, so it ends with the same
// registers as playing the song live up to the same row.
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
    for (int voice = 0; voice < kVoices; ++voice) {
        EXPECT_EQ(test::Fields(replayer.voices[voice].registers), test::Fields(live.voices[voice].registers)) << voice;
    }
    // The one-shot sits in the 1/8 copy of the 128-byte wave: 128 + 64 + 32
    // bytes after the slot start.
    EXPECT_EQ(replayer.voices[0].registers.sampleStart, WaveSlotOffset(0) + 224);
}

// Random songs full of jumps, breaks, speed changes, row delays and stops:
// the duration pass ends and leaves the replayer as it found it, the
// fast-forward ends inside the song (a target past it starts at the restart
// position), and the audio tick runs on from wherever it left the song. The
// durations, where the fast-forward lands and every mixed frame go into a
// digest compared with the checked one (a meant change prints the new one).
TEST(PlaybackProperty, RandomSongsAlwaysTerminate) {
    std::mt19937 random(99);
    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
    replayer.InitReplayer(&doc.song, &memory);
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

}  // namespace
}  // namespace qn
