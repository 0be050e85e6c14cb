#include <gtest/gtest.h>

#include <algorithm>

#include "song/song.h"

namespace qn {
namespace {

TEST(SongLimits, SettersClamp) {
    SongDocument doc;
    doc.song.SetRowsPerPattern(0);
    EXPECT_EQ(doc.song.rowsPerPattern, 1);
    doc.song.SetRowsPerPattern(200);
    EXPECT_EQ(doc.song.rowsPerPattern, 128);
    doc.song.SetSequenceLength(0);
    EXPECT_EQ(doc.song.sequenceLength, 1u);
    doc.song.SetSequenceLength(300);
    EXPECT_EQ(doc.song.sequenceLength, 255u);
    doc.song.SetRestartPosition(-3);
    EXPECT_EQ(doc.song.restartPosition, 0u);
    doc.song.restartPosition = 1000;
    EXPECT_EQ(doc.song.RestartPositionForDisplay(), 255);
}

TEST(NewSong, DefaultsAndLayout) {
    SongDocument doc;
    const Song& song = doc.song;
    EXPECT_EQ(song.sequenceLength, 4u);
    EXPECT_EQ(song.rowsPerPattern, 64);
    for (int voice = 0; voice < kVoices; ++voice) EXPECT_EQ(song.Position(0)[voice].pattern, voice + 1);
    for (int position = 1; position < 4; ++position)
        for (int voice = 0; voice < kVoices; ++voice) EXPECT_EQ(song.Position(position)[voice].pattern, 0);
    // Pattern slots are 384 bytes apart inside the block.
    EXPECT_EQ(reinterpret_cast<uint8_t*>(song.Pattern(2)) - reinterpret_cast<uint8_t*>(song.Pattern(1)), 384);
    EXPECT_EQ(song.Instrument(1)->sustain, 15);
    EXPECT_EQ(song.Instrument(32)->stepCount, 32);
    EXPECT_TRUE(IsWaveEmpty(*song.Wave(24)));
    for (int slot = 0; slot < kWaves; ++slot) EXPECT_EQ(song.waveCalcOrder[slot], slot);
}

TEST(NewSong, KeepInstrumentsClearsOnlyPatternsAndSequence) {
    SongDocument doc;
    doc.song.Instrument(3)->attack = 7;
    doc.song.Wave(2)->gain = 10;
    SetFixedText(doc.song.instrumentNames[2], kNameLength, "lead");
    doc.song.Pattern(9)[5].SetNote(12);
    doc.song.Position(2)[1].pattern = 9;
    doc.ResetKeepingInstruments();
    EXPECT_EQ(doc.song.Instrument(3)->attack, 7);
    EXPECT_EQ(doc.song.Wave(2)->gain, 10);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[2], kNameLength), "lead");
    EXPECT_TRUE(doc.song.Pattern(9)[5].IsEmpty());
    EXPECT_EQ(doc.song.Position(2)[1].pattern, 0);
}

TEST(PatternStep, InstrumentUsesFiveBits) {
    qntPatternStep step{};
    step.SetInstrument(31);
    step.SetNote(kReleaseNote);
    step.SetCommand(0xc);
    EXPECT_EQ(step.Instrument(), 31);
    EXPECT_EQ(step.Note(), 61);
    EXPECT_EQ(step.Command(), 0xc);
    step.SetInstrument(5);
    EXPECT_EQ(step.Instrument(), 5);
    EXPECT_EQ(step.b0 & 0x80, 0);
}

TEST(CloneRule, ClampsAndKeepsChordAndCloneField) {
    SongDocument doc;
    Song& song = doc.song;
    song.Wave(24)->gain = 33;
    song.Wave(24)->chord[0] = 4;
    song.Wave(1)->cloneFrom = 30;
    song.Wave(1)->chord[0] = -5;
    ApplyCloneRuleAfterLoad(song);
    EXPECT_EQ(song.Wave(1)->cloneFrom, 24);
    EXPECT_EQ(song.Wave(1)->gain, 33);
    EXPECT_EQ(song.Wave(1)->chord[0], -5);
}

TEST(CloneRule, ChainResolvesFrontToBack) {
    SongDocument doc;
    Song& song = doc.song;
    song.Wave(1)->gain = 11;
    song.Wave(2)->cloneFrom = 1;
    song.Wave(3)->cloneFrom = 2;
    ApplyCloneRuleAfterLoad(song);
    EXPECT_EQ(song.Wave(3)->gain, 11);
    EXPECT_EQ(song.Wave(3)->cloneFrom, 2);
}

static bool IsPermutation(const uint8_t* order) {
    std::vector<int> seen(kWaves, 0);
    for (int i = 0; i < kWaves; ++i) {
        if (order[i] >= kWaves) return false;
        ++seen[order[i]];
    }
    return std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; });
}

TEST(WaveCalcOrder, SourcesComeFirst) {
    SongDocument doc;
    Song& song = doc.song;
    song.Wave(1)->mixWave = 5;  // slot 0 mixes slot 4
    song.Wave(5)->mixWave = 9;  // slot 4 mixes slot 8
    BuildWaveCalcOrder(song);
    ASSERT_TRUE(IsPermutation(song.waveCalcOrder));
    EXPECT_EQ(song.waveCalcOrder[0], 8);
    EXPECT_EQ(song.waveCalcOrder[1], 4);
    EXPECT_EQ(song.waveCalcOrder[2], 0);
}

TEST(WaveCalcOrder, CyclesAndOutOfRangeSourcesStillGiveAPermutation) {
    SongDocument doc;
    Song& song = doc.song;
    song.Wave(1)->mixWave = 2;
    song.Wave(2)->mixWave = 1;
    song.Wave(3)->mixWave = 3;    // mixes itself
    song.Wave(4)->mixWave = 200;  // names no wave
    BuildWaveCalcOrder(song);
    EXPECT_TRUE(IsPermutation(song.waveCalcOrder));
    EXPECT_EQ(song.waveCalcOrder[0], 1);
    EXPECT_EQ(song.waveCalcOrder[1], 0);
}

}  // namespace
}  // namespace qn
