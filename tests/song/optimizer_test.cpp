#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "song/optimizer.h"
#include "song/song_image.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using test::TaggedWave;

void Put(Song& song, int pattern, int row, int note, int instrument = 0, int command = 0, int parameter = 0) {
    qntPatternStep& step = song.Pattern(pattern)[row];
    step = qntPatternStep{};
    step.SetNote(note);
    step.SetInstrument(instrument);
    step.SetCommand(command);
    step.SetParameter(parameter);
}

void SetPosition(Song& song, int position, std::initializer_list<int> patterns) {
    int voice = 0;
    for (int pattern : patterns) song.Position(position)[voice++].pattern = uint8_t(pattern);
}

// What every sequence entry plays: its transpose and the rows of its pattern
// (empty when it names none). Optimizing must keep this exactly.
std::vector<std::vector<uint8_t>> Played(const Song& song) {
    std::vector<std::vector<uint8_t>> played;
    for (uint32_t position = 0; position < song.sequenceLength; ++position)
        for (int voice = 0; voice < kVoices; ++voice) {
            const SequenceEntry& entry = song.Position(int(position))[voice];
            std::vector<uint8_t> rows = {uint8_t(entry.transpose)};
            if (entry.pattern != 0) {
                const uint8_t* bytes = reinterpret_cast<const uint8_t*>(song.Pattern(entry.pattern));
                rows.insert(rows.end(), bytes, bytes + song.rowsPerPattern * 3);
                // An empty pattern plays like no pattern for this check.
                if (std::all_of(rows.begin() + 1, rows.end(), [](uint8_t b) { return b == 0; })) rows.resize(1);
            }
            played.push_back(rows);
        }
    return played;
}

int Highest(const Song& song) {
    int highest = 0;
    for (uint32_t position = 0; position < song.sequenceLength; ++position)
        for (int voice = 0; voice < kVoices; ++voice)
            highest = std::max<int>(highest, song.Position(int(position))[voice].pattern);
    return highest;
}

OptimizeReport Optimize(SongDocument& doc) { return OptimizeSong(doc, nullptr, nullptr); }

TEST(OptimizePatterns, NewSongLosesAllPatterns) {
    SongDocument doc;
    int calls = 0;
    // A stand-in measure: 1000 bytes before, 900 after.
    const OptimizeReport report = OptimizeSong(doc, [&](SongDocument&) { return size_t(1000 - 100 * calls++); }, nullptr);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(report.patternsRemoved, 4);
    EXPECT_EQ(Highest(doc.song), 0);
    EXPECT_EQ(report.summary, "Removed 4 Pat., 0 Ins. 0 Waves Saved: 100b");
}

TEST(OptimizePatterns, NewSongSavesItsFourPatternsOfBytes) {
    SongDocument doc;
    const OptimizeReport report = OptimizeSong(
        doc, [](SongDocument& song) { return WriteSongImage(song, nullptr, 0, nullptr, nullptr); }, nullptr);
    // 990 bytes before (header 91, sequence 32, four patterns of 64 rows 768,
    // names 32 + 24, pad 1, one wave 42); the patterns go: 222 after.
    EXPECT_EQ(report.summary, "Removed 4 Pat., 0 Ins. 0 Waves Saved: 768b");
}

TEST(OptimizePatterns, IdenticalPatternsFold) {
    SongDocument doc;
    Song& song = doc.song;
    for (int pattern = 1; pattern <= 5; ++pattern) Put(song, pattern, 0, pattern, 1);
    Put(song, 5, 0, 2, 1);  // pattern 5 equals pattern 2
    song.SetSequenceLength(2);
    SetPosition(song, 0, {1, 2, 3, 4});
    SetPosition(song, 1, {5, 5, 0, 2});
    song.Position(1)[1].transpose = 3;
    const auto before = Played(song);
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(Played(song), before);
    EXPECT_EQ(song.Position(1)[0].pattern, 2);
    EXPECT_EQ(song.Position(1)[1].pattern, 2);
    EXPECT_LE(Highest(song), 4);
    EXPECT_EQ(report.patternsRemoved, 1);
    EXPECT_EQ(report.sequenceEntriesChanged, 2);
}

TEST(OptimizePatterns, GapsCloseAndUnnamedPatternsClear) {
    SongDocument doc;
    Song& song = doc.song;
    Put(song, 1, 0, 1);
    Put(song, 6, 3, 6);
    Put(song, 9, 1, 9);
    Put(song, 40, 0, 40);  // named by nobody
    song.SetSequenceLength(2);
    SetPosition(song, 0, {1, 2, 0, 6});  // 2 is empty
    SetPosition(song, 1, {9, 9, 6, 1});
    const auto before = Played(song);
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(Played(song), before);
    EXPECT_EQ(Highest(song), 3);
    EXPECT_EQ(report.patternsRemoved, 6);
    EXPECT_EQ(song.Position(0)[1].pattern, 0);
    EXPECT_EQ(song.Pattern(40)[0].Note(), 0);
}

TEST(OptimizeInstruments, SecondInstrumentParameterCountsAsUse) {
    SongDocument doc;
    Song& song = doc.song;
    Put(song, 1, 0, 13, 1, 0, 0x23);  // plays instrument 3 after a delay of 2
    song.instruments[2].attack = 5;
    song.instruments[1].attack = 6;
    SetFixedText(song.instrumentNames[2], kNameLength, "three");
    const OptimizeReport report = Optimize(doc);
    // Instrument 3 moves into the free number 2, and the delay stays.
    EXPECT_EQ(report.instrumentsMoved, 1);
    EXPECT_EQ(song.Pattern(1)[0].Parameter(), 0x22);
    EXPECT_EQ(song.instruments[1].attack, 5);
    EXPECT_EQ(FixedText(song.instrumentNames[1], kNameLength), "three");
}

TEST(OptimizeInstruments, InstrumentSevenMovesToTwo) {
    SongDocument doc;
    Song& song = doc.song;
    Put(song, 1, 0, 13, 1);
    Put(song, 1, 1, 14, 7);
    Put(song, 2, 5, 0, 0, 0, 0x37);
    Put(song, 2, 6, 20, 0, 0, 0x47);  // a chord: not an instrument
    song.Pattern(2)[6].SetChord(true);
    song.instruments[6] = InstrumentParams{1, 2, 3, 4, 5, 6, 7, 32};
    song.instrumentSteps[6][0] = InstrumentStep{0, 0x0C, 0x20};
    SetFixedText(song.instrumentNames[6], kNameLength, "seven");
    song.instruments[4].attack = 9;  // unused instrument 5 is deleted
    SetFixedText(song.instrumentNames[4], kNameLength, "five");
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(report.instrumentsMoved, 1);
    EXPECT_EQ(song.Pattern(1)[1].Instrument(), 2);
    EXPECT_EQ(song.Pattern(1)[0].Instrument(), 1);
    EXPECT_EQ(song.Pattern(2)[5].Parameter(), 0x32);
    EXPECT_EQ(song.Pattern(2)[6].Parameter(), 0x47);
    EXPECT_EQ(song.instruments[1].release, 7);
    EXPECT_EQ(song.instrumentSteps[1][0].Parameter(), 0x20);
    EXPECT_EQ(FixedText(song.instrumentNames[1], kNameLength), "seven");
    EXPECT_EQ(song.instruments[6].release, 1);
    EXPECT_TRUE(song.instrumentSteps[6][0].IsEmpty());
    EXPECT_EQ(song.instrumentNames[6][0], 0);
    EXPECT_EQ(song.instruments[4].attack, 0);
    EXPECT_EQ(song.instrumentNames[4][0], 0);
    EXPECT_EQ(song.instruments[1].stepCount, 32);
}

void Select(Song& song, int instrument, int step, int wave, int command = 0) {
    song.instrumentSteps[instrument - 1][step] = InstrumentStep{0, uint8_t(command), uint8_t(wave)};
}

// A pattern that plays instrument 1 so it survives the instrument passes.
void UseInstrumentOne(Song& song) { Put(song, 1, 0, 13, 1); }

TEST(OptimizeWaves, WaveOneAlwaysStays) {
    SongDocument doc;
    doc.song.waves[0] = TaggedWave(1);
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 1);
    EXPECT_EQ(report.wavesRemoved, 0);
}

TEST(OptimizeWaves, GapsAreRemovedAndReferencesRenumbered) {
    SongDocument doc;
    Song& song = doc.song;
    UseInstrumentOne(song);
    for (int wave = 1; wave <= 5; ++wave) song.waves[wave - 1] = TaggedWave(wave);
    SetFixedText(song.waveNames[4], kNameLength, "five");
    Select(song, 1, 0, 2);
    Select(song, 1, 1, 5, 4);
    Select(song, 1, 2, 0x30);  // above 24: not a wave
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(report.wavesRemoved, 2);
    EXPECT_EQ(song.waves[2].phaseSpeed, 5);
    EXPECT_EQ(FixedText(song.waveNames[2], kNameLength), "five");
    EXPECT_EQ(song.instrumentSteps[0][0].Parameter(), 2);
    EXPECT_EQ(song.instrumentSteps[0][1].Parameter(), 3);
    EXPECT_EQ(song.instrumentSteps[0][2].Parameter(), 0x30);
    EXPECT_TRUE(IsWaveEmpty(song.waves[3]));
    EXPECT_TRUE(IsWaveEmpty(song.waves[4]));
    EXPECT_TRUE(report.wavesChanged);
}

TEST(OptimizeWaves, TransitiveSourcesAreKept) {
    SongDocument doc;
    Song& song = doc.song;
    UseInstrumentOne(song);
    // Wave 5 mixes 3, which mixes 2; wave 8 clones 7, which clones 6.
    song.waves[1] = TaggedWave(2);
    song.waves[2] = TaggedWave(3, 2);
    song.waves[3] = TaggedWave(4);
    song.waves[4] = TaggedWave(5, 3);
    song.waves[5] = TaggedWave(6);
    song.waves[6] = TaggedWave(7, 0, 6);
    song.waves[7] = TaggedWave(8, 0, 7);
    Select(song, 1, 0, 5);
    Select(song, 1, 1, 8);
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(report.wavesRemoved, 1);  // only wave 4
    EXPECT_EQ(song.waves[1].phaseSpeed, 2);
    EXPECT_EQ(song.waves[2].mixWave, 2);
    EXPECT_EQ(song.waves[3].phaseSpeed, 5);
    EXPECT_EQ(song.waves[3].mixWave, 3);
    EXPECT_EQ(song.waves[4].phaseSpeed, 6);
    EXPECT_EQ(song.waves[5].cloneFrom, 5);
    EXPECT_EQ(song.waves[6].cloneFrom, 6);
    EXPECT_EQ(song.instrumentSteps[0][0].Parameter(), 4);
    EXPECT_EQ(song.instrumentSteps[0][1].Parameter(), 7);
    // The calculation order follows the renumbered mix sources.
    const uint8_t* order = song.waveCalcOrder;
    auto at = [&](int slot) { return std::find(order, order + kWaves, slot) - order; };
    EXPECT_LT(at(1), at(2));
    EXPECT_LT(at(2), at(3));
}

TEST(OptimizeWaves, MixWaveAboveTwentyThreeKeepsWaveTwentyThree) {
    // The synthesizer mixes wave 23 for any "Mix Wave" of 24 and above; a
    // clone value above 24 names no wave.
    SongDocument doc;
    Song& song = doc.song;
    UseInstrumentOne(song);
    song.waves[1] = TaggedWave(2, 30, 40);
    song.waves[22] = TaggedWave(23);
    song.waves[23] = TaggedWave(24);
    Select(song, 1, 0, 2);
    const OptimizeReport report = Optimize(doc);
    EXPECT_EQ(report.wavesRemoved, 20);  // 3..22 go; 23 moves to 3; 24 is cleared
    EXPECT_EQ(song.waves[2].phaseSpeed, 23);
    EXPECT_EQ(song.waves[1].mixWave, 3);
    EXPECT_EQ(song.waves[1].cloneFrom, 40);
    EXPECT_TRUE(IsWaveEmpty(song.waves[23]));
}

TEST(ClearUnusedWaves, KeepsMixAndCloneSources) {
    SongDocument doc;
    Song& song = doc.song;
    song.waves[0] = TaggedWave(1, 2);
    song.waves[1] = TaggedWave(2, 1);  // a mix cycle must not hang
    song.waves[2] = TaggedWave(3, 0, 4);
    song.waves[3] = TaggedWave(4, 0, 5);
    song.waves[4] = TaggedWave(5, 26);  // mixes wave 23
    song.waves[5] = TaggedWave(6);
    SetFixedText(song.waveNames[5], kNameLength, "six");
    song.waves[22] = TaggedWave(23);
    song.waves[6] = TaggedWave(7);
    Select(song, 1, 0, 1);
    Select(song, 32, 0, 3, 4);  // the 32nd step table counts too
    EXPECT_EQ(ClearUnusedWaves(song), 2);
    for (int wave : {0, 1, 2, 3, 4, 22}) EXPECT_FALSE(IsWaveEmpty(song.waves[wave])) << wave;
    EXPECT_TRUE(IsWaveEmpty(song.waves[5]));
    EXPECT_EQ(song.waveNames[5][0], 0);
    EXPECT_TRUE(IsWaveEmpty(song.waves[6]));
}

TEST(WaveGains, NormalizeScalesToFull) {
    SongDocument doc;
    for (int wave = 0; wave < kWaves; ++wave) doc.song.waves[wave].gain = 0;
    EXPECT_FALSE(NormalizeWaves(doc.song));  // every gain 0: nothing to scale
    EXPECT_EQ(doc.song.waves[0].gain, 0);
    doc.song.waves[0].gain = 128;
    doc.song.waves[1].gain = 100;
    ASSERT_TRUE(NormalizeWaves(doc.song));
    EXPECT_EQ(doc.song.waves[0].gain, 255);
    EXPECT_EQ(doc.song.waves[1].gain, 199);  // 100 * 255/128 = 199.2
    EXPECT_FALSE(NormalizeWaves(doc.song));
}

TEST(WaveGains, TenPercentSteps) {
    SongDocument doc;
    doc.song.waves[0].gain = 10;
    doc.song.waves[1].gain = 64;
    doc.song.waves[2].gain = 250;
    doc.song.waves[3].gain = 0;
    ASSERT_TRUE(ScaleWaveVolumes(doc.song, false));
    // 10 * 0.9f rounds to exactly 9.0f in float arithmetic; 64 * 0.9 = 57.6.
    EXPECT_EQ(doc.song.waves[0].gain, 9);
    EXPECT_EQ(doc.song.waves[1].gain, 57);
    EXPECT_EQ(doc.song.waves[2].gain, 225);
    EXPECT_EQ(doc.song.waves[3].gain, 0);
    ASSERT_TRUE(ScaleWaveVolumes(doc.song, true));
    EXPECT_EQ(doc.song.waves[1].gain, 62);   // 57 * 1.1 = 62.7
    EXPECT_EQ(doc.song.waves[2].gain, 247);  // 225 * 1.1 = 247.5
    ASSERT_TRUE(ScaleWaveVolumes(doc.song, true));
    EXPECT_EQ(doc.song.waves[2].gain, 255);  // 271.7, held at 255
    for (int wave = 0; wave < kWaves; ++wave) doc.song.waves[wave].gain = 0;
    EXPECT_FALSE(ScaleWaveVolumes(doc.song, true));
}

}  // namespace
}  // namespace qn
