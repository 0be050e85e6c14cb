#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/playback.h"

namespace qn {
namespace {

// A new song: 4 positions of 64 rows, patterns 1..4 at position 0 and no
// patterns after it, default instruments and waves.
class PlaybackTest : public ::testing::Test {
protected:
    PlaybackTest() {
        replayer.InitReplayer(&doc.song, &memory);
        replayer.ResetReplayer(true);
    }

    qntPatternStep& Step(int pattern, int row) { return doc.song.Pattern(pattern)[row]; }
    void Note(int pattern, int row, int note, int instrument) {
        Step(pattern, row).SetNote(note);
        Step(pattern, row).SetInstrument(instrument);
    }
    void Command(int pattern, int row, int command, int parameter) {
        Step(pattern, row).SetCommand(command);
        Step(pattern, row).SetParameter(parameter);
    }
    // Every position plays pattern 1 on voice 0 (the others stay empty).
    void UsePatternOneEverywhere() {
        for (uint32_t position = 0; position < doc.song.sequenceLength; ++position)
            doc.song.Position(int(position))[0].pattern = 1;
    }

    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
};

TEST_F(PlaybackTest, DurationCountsTheTicksUntilTheSongEndsStopsOrJumpsBack) {
    struct Case { int row, command, parameter; uint32_t ticks; const char* what; };
    const Case cases[] = {
        {0, 0, 0, 4 * 64 * 6, "new song: four patterns of six-tick rows"},
        {0, 0xF, 0, 0, "stop on the first row"},
        {10, 0xF, 0, 10 * 6, "the stopping tick is not counted"},
        // B00 sends the song back to its own start: rows 0..4 once.
        {4, 0xB, 0, 30, "jump back ends the pass"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Command(1, c.row, c.command, c.parameter);
        EXPECT_EQ(SongDurationTicks(replayer), c.ticks);
        Command(1, c.row, 0, 0);
    }
    EXPECT_FLOAT_EQ(SongDurationSeconds(replayer), 30.72f);
}

// Note 60 gives pitch index 16 x 59 + 16 - 32 + 16 = 944, above the period
// range, so the wave it plays needs its octave copies; nothing else does,
// except a wave in use that another wave in use mixes in (wave 5 mixes
// wave 3; five waves are in use, as the song writer counts them).
TEST_F(PlaybackTest, WriterPreparationSetsTheOctaveCopyFlagsTheSongNeeds) {
    for (int wave = 1; wave <= kWaves; ++wave) doc.song.Wave(wave)->flags |= kWaveOctaveCopies;
    Note(1, 0, 60, 1);
    doc.song.Wave(5)->mixWave = 3;
    doc.song.waveCount = 5;
    const float duration = PrepareSongForWrite(replayer);
    EXPECT_FLOAT_EQ(duration, 30.72f);
    for (int wave = 1; wave <= kWaves; ++wave) {
        const bool expected = wave == 1 || wave == 3;
        EXPECT_EQ((doc.song.Wave(wave)->flags & kWaveOctaveCopies) != 0, expected) << wave;
    }
}

// A one-shot wave played above the period range is moved into its octave
// copies once, when it is triggered. The fast-forward clears the triggers
// after every tick as the audio callback does, so it ends with the same
// registers as playing the song live up to the same row.
TEST_F(PlaybackTest, FastForwardMatchesLivePlayback) {
    doc.song.Wave(1)->subloopLen = 0;  // play once
    Note(1, 0, 60, 1);
    Note(2, 3, 30, 1);
    Command(2, 8, 0xA, 0x01);  // a volume ramp along the way
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
        const VoiceRegisters& a = replayer.voices[voice].registers;
        const VoiceRegisters& b = live.voices[voice].registers;
        EXPECT_EQ(a.sampleStart, b.sampleStart) << voice;
        EXPECT_EQ(a.length, b.length) << voice;
        EXPECT_EQ(a.loopOffset, b.loopOffset) << voice;
        EXPECT_EQ(a.period, b.period) << voice;
        EXPECT_EQ(a.volume, b.volume) << voice;
    }
    // The one-shot sits in the 1/8 copy of the 128-byte wave: 128 + 64 + 32
    // bytes after the slot start.
    EXPECT_EQ(replayer.voices[0].registers.sampleStart, WaveSlotOffset(0) + 224);
}

}  // namespace
}  // namespace qn

namespace qn {
namespace {

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
    uint64_t digest = 0xcbf29ce484222325ull;
    auto fold = [&digest](uint64_t value) {
        for (int i = 0; i < 8; ++i) digest = (digest ^ ((value >> (8 * i)) & 0xff)) * 0x100000001b3ull;
    };
    const int commands[] = {0xB, 0xD, 0xF, 0xE, 0x0, 0xC, 0x3, 0x5, 0x9, 0xA};
    for (int round = 0; round < 400; ++round) {
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
        EXPECT_LE(ticks, 2u * 6u * 16u * 256u) << round;
        EXPECT_EQ(song.currentPosition, position) << round;
        EXPECT_EQ(replayer.row, row) << round;
        EXPECT_EQ(replayer.speed, speed) << round;
        EXPECT_EQ(replayer.patternLoop, loop) << round;
        EXPECT_EQ(replayer.playing, playing) << round;
        EXPECT_EQ(replayer.simulation, 0) << round;
        fold(ticks);
        song.currentPosition = uint32_t(random() % (song.sequenceLength + 2));
        fold(PreparePlayback(replayer, mixer, random() % 2 == 0) * 1000.0f);
        fold(song.currentPosition << 16 | uint32_t(replayer.row) << 8 | replayer.playing);
        fold(uint32_t(replayer.speed) << 8 | replayer.patternLoop);
        for (int tick = 0; tick < 20; ++tick) {
            RunAudioTick(replayer, mixer, out.data(), 1.0f);
            ASSERT_LT(song.currentPosition, song.sequenceLength) << round;
            ASSERT_LT(replayer.row, song.rowsPerPattern) << round;
            for (const VoiceState& voice : replayer.voices) ASSERT_EQ(voice.registers.trigger, 0);
            for (int16_t sample : out) fold(uint16_t(sample));
        }
    }
    EXPECT_EQ(digest, 0xc8bad2a7b327cd51ull) << std::hex << "new digest 0x" << digest;
}

}  // namespace
}  // namespace qn
