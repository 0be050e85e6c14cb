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

TEST_F(PlaybackTest, SpeedCommandsChangeTheDurationAndTheNextPassStartsAtSixAgain) {
    Command(1, 0, 0xF, 3);
    // Position 0 at 3 ticks a row, the other three at the speed F03 left.
    EXPECT_EQ(SongDurationTicks(replayer), 4u * 64u * 3u);
    replayer.speed = 3;  // as after playing the song
    Command(1, 0, 0, 0);
    EXPECT_EQ(SongDurationTicks(replayer), 4u * 64u * 6u);
}

// One position of one row: every row end lands on (0, 0) again. The second
// such row end in a row ends the pass, after 2 x 6 ticks.
TEST_F(PlaybackTest, RowThatNeverAdvancesEndsTheDurationPass) {
    doc.song.SetSequenceLength(1);
    doc.song.SetRowsPerPattern(1);
    EXPECT_EQ(SongDurationTicks(replayer), 12u);
}

TEST_F(PlaybackTest, DurationPassRestoresTheReplayerAndThePosition) {
    Note(1, 0, 25, 1);
    doc.song.currentPosition = 2;
    replayer.row = 17;
    replayer.speed = 4;
    replayer.patternLoop = 1;
    replayer.playing = 1;
    replayer.voices[2].channelVolume = 33;
    SongDurationTicks(replayer);
    EXPECT_EQ(doc.song.currentPosition, 2u);
    EXPECT_EQ(replayer.row, 17);
    EXPECT_EQ(replayer.speed, 4);
    EXPECT_EQ(replayer.patternLoop, 1);
    EXPECT_EQ(replayer.playing, 1);
    EXPECT_EQ(replayer.simulation, 0);
    EXPECT_EQ(replayer.voices[2].channelVolume, 33);
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

TEST_F(PlaybackTest, FastForwardReachesTheTargetWithTheSongsState) {
    UsePatternOneEverywhere();
    Note(1, 0, 25, 1);
    doc.song.currentPosition = 2;
    replayer.row = 5;
    ASSERT_TRUE(FastForward(replayer, SongDurationTicks(replayer)));
    EXPECT_EQ(doc.song.currentPosition, 2u);
    EXPECT_EQ(replayer.row, 5);
    EXPECT_EQ(replayer.playing, 1);
    // The instrument started at position 0 is still sounding.
    EXPECT_EQ(replayer.voices[0].instrument, 1);
    EXPECT_GT(replayer.voices[0].registers.volume, 0);
}

TEST_F(PlaybackTest, FastForwardKeepsThePatternLoopFlag) {
    doc.song.currentPosition = 1;
    replayer.patternLoop = 1;
    ASSERT_TRUE(FastForward(replayer, SongDurationTicks(replayer)));
    EXPECT_EQ(replayer.patternLoop, 1);
    EXPECT_EQ(doc.song.currentPosition, 1u);
}

// F00 at row 2 of position 0 stops the song long before position 3: the
// fast-forward ends there and arms playback at the target instead of
// leaving the song stopped.
TEST_F(PlaybackTest, FastForwardEndsAtAStopAndArmsTheTarget) {
    Command(1, 2, 0xF, 0);
    doc.song.currentPosition = 3;
    replayer.row = 0;
    EXPECT_FALSE(FastForward(replayer, 100000));
    EXPECT_EQ(doc.song.currentPosition, 3u);
    EXPECT_EQ(replayer.row, 0);
    EXPECT_EQ(replayer.playing, 1);
    EXPECT_EQ(replayer.speed, kDefaultSpeed);
}

// B00 on row 4 keeps the song inside rows 0..4 of position 0 for ever (the
// position never moves backward); the tick limit ends the fast-forward.
TEST_F(PlaybackTest, FastForwardEndsInAJumpLoopThatNeverReachesTheTarget) {
    Command(1, 4, 0xB, 0);
    doc.song.currentPosition = 1;
    const uint32_t limit = SongDurationTicks(replayer);
    EXPECT_EQ(limit, 30u);
    EXPECT_FALSE(FastForward(replayer, limit));
    EXPECT_EQ(doc.song.currentPosition, 1u);
    EXPECT_EQ(replayer.playing, 1);
}

TEST_F(PlaybackTest, FastForwardToAPositionPastTheSongStartsAtTheRestartPosition) {
    doc.song.restartPosition = 2;
    doc.song.currentPosition = 7;  // the song has 4 positions
    replayer.row = 3;
    EXPECT_FALSE(FastForward(replayer, SongDurationTicks(replayer)));
    EXPECT_EQ(doc.song.currentPosition, 2u);
    EXPECT_EQ(replayer.row, 3);
    EXPECT_EQ(replayer.playing, 1);
}

TEST_F(PlaybackTest, FastForwardStartsAtSpeedSixAfterAStop) {
    Command(1, 0, 0xF, 0);
    replayer.speed = 0;  // what F00 left
    doc.song.currentPosition = 0;
    replayer.row = 0;
    ASSERT_TRUE(FastForward(replayer, 0));
    EXPECT_EQ(replayer.speed, kDefaultSpeed);
    EXPECT_EQ(replayer.tickCounter, kDefaultSpeed);
}

TEST_F(PlaybackTest, PreparePlaybackFromRowZeroOrFromTheCursor) {
    MixerState mixer;
    doc.song.currentPosition = 1;
    replayer.row = 9;
    PreparePlayback(replayer, mixer, false);
    EXPECT_EQ(doc.song.currentPosition, 1u);
    EXPECT_EQ(replayer.row, 9);
    replayer.row = 9;
    const float duration = PreparePlayback(replayer, mixer, true);
    EXPECT_EQ(replayer.row, 0);
    EXPECT_FLOAT_EQ(duration, 30.72f);
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

// The note started on row 0 still sounds on row 1. The fast-forward cleared
// its trigger, so PreparePlayback starts the mixer on it: the very first
// tick played from the cursor is heard.
TEST_F(PlaybackTest, NotesSoundingAtTheTargetAreHeardOnTheFirstTick) {
    UsePatternOneEverywhere();
    Note(1, 0, 25, 1);
    doc.song.currentPosition = 1;
    replayer.row = 1;
    MixerState mixer;
    PreparePlayback(replayer, mixer, false);
    ASSERT_EQ(replayer.voices[0].registers.trigger, 0);
    std::vector<int16_t> out(2 * kFramesPerTick);
    RunAudioTick(replayer, mixer, out.data(), 1.0f);
    int peak = 0;
    for (int frame = 0; frame < kFramesPerTick; ++frame) peak = std::max(peak, std::abs(int(out[2 * frame])));
    EXPECT_GT(peak, 1000);
}

TEST_F(PlaybackTest, AudioTickCopiesRegistersClearsTriggersAndMixes) {
    Note(1, 0, 25, 1);
    MixerState mixer;
    PreparePlayback(replayer, mixer, true);
    std::vector<int16_t> out(2 * kFramesPerTick, 123);
    bool heard = false;
    for (int tick = 0; tick < 4; ++tick) {
        RunAudioTick(replayer, mixer, out.data(), 1.0f);
        for (const VoiceState& voice : replayer.voices) EXPECT_EQ(voice.registers.trigger, 0);
        for (int frame = 0; frame < kFramesPerTick; ++frame) {
            EXPECT_EQ(out[2 * frame + 1], 0);  // voice 0 is on the left only
            heard = heard || out[2 * frame] != 0;
        }
    }
    EXPECT_TRUE(heard);
    EXPECT_EQ(mixer.registers[0].sampleStart, WaveSlotOffset(0));
}

}  // namespace
}  // namespace qn

namespace qn {
namespace {

// Random songs full of jumps, breaks, speed changes, row delays and stops:
// the duration pass and the fast-forward must end, leave a valid position,
// and the audio tick must run on from wherever they left the song.
TEST(PlaybackProperty, RandomSongsAlwaysTerminate) {
    std::mt19937 random(99);
    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
    replayer.InitReplayer(&doc.song, &memory);
    MixerState mixer;
    std::vector<int16_t> out(2 * kFramesPerTick);
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
        const uint32_t ticks = SongDurationTicks(replayer);
        EXPECT_LE(ticks, 2u * 6u * 16u * 256u) << round;
        song.currentPosition = uint32_t(random() % song.sequenceLength);
        replayer.row = uint8_t(random() % song.rowsPerPattern);
        replayer.patternLoop = uint8_t(random() % 2);
        PreparePlayback(replayer, mixer, random() % 2 == 0);
        for (int tick = 0; tick < 20; ++tick) {
            RunAudioTick(replayer, mixer, out.data(), 1.0f);
            ASSERT_LT(song.currentPosition, song.sequenceLength) << round;
            ASSERT_LT(replayer.row, song.rowsPerPattern) << round;
        }
    }
}

}  // namespace
}  // namespace qn
