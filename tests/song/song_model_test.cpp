#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "song/song.h"

namespace qn {
namespace {

TEST(SongModel, SettersClampAndNewSongLayout) {
    SongDocument doc;
    Song& song = doc.song;
    EXPECT_EQ(song.sequenceLength, 4u);
    EXPECT_EQ(song.rowsPerPattern, 64);
    for (int voice = 0; voice < kVoices; ++voice) EXPECT_EQ(song.Position(0)[voice].pattern, voice + 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(song.Pattern(2)) - reinterpret_cast<uint8_t*>(song.Pattern(1)), 384);
    EXPECT_EQ(song.Instrument(1)->sustain, 15);
    EXPECT_EQ(song.Instrument(32)->stepCount, 32);
    struct { int given, rows, length; } cases[] = {{0, 1, 1}, {200, 128, 200}, {300, 128, 255}, {17, 17, 17}};
    for (auto c : cases) {
        song.SetRowsPerPattern(c.given);
        song.SetSequenceLength(c.given);
        EXPECT_EQ(song.rowsPerPattern, c.rows) << c.given;
        EXPECT_EQ(song.sequenceLength, uint32_t(c.length)) << c.given;
    }
    song.SetRestartPosition(-3);
    EXPECT_EQ(song.restartPosition, 0u);
    song.restartPosition = 1000;
    EXPECT_EQ(song.RestartPositionForDisplay(), 255);
}

TEST(SongModel, KeepInstrumentsClearsOnlyPatternsAndSequence) {
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

// For random mix links: the order is a permutation, and a wave's mix source
// comes before it unless the source leads back to the wave (a cycle).
TEST(SongModel, WaveCalcOrderPutsSourcesFirst) {
    std::mt19937 random(17u);
    SongDocument doc;
    Song& song = doc.song;
    for (int n = 0; n < 300; ++n) {
        for (int w = 0; w < kWaves; ++w) song.waves[w].mixWave = uint8_t(random() % 3 ? 0 : random() % 30);
        BuildWaveCalcOrder(song);
        int at[kWaves];
        std::fill(at, at + kWaves, -1);
        for (int i = 0; i < kWaves; ++i) {
            ASSERT_LT(song.waveCalcOrder[i], kWaves);
            ASSERT_EQ(at[song.waveCalcOrder[i]], -1) << "twice";
            at[song.waveCalcOrder[i]] = i;
        }
        auto source = [&](int w) { int m = song.waves[w].mixWave; return m >= 1 && m <= kWaves ? m - 1 : -1; };
        for (int w = 0; w < kWaves; ++w) {
            bool cycle = false;
            for (int s = source(w), steps = 0; s >= 0 && steps <= kWaves; s = source(s), ++steps)
                cycle = cycle || s == w;
            if (source(w) >= 0 && !cycle) {
                ASSERT_LT(at[source(w)], at[w]) << "song " << n << " wave " << w;
            }
        }
    }
}

}  // namespace
}  // namespace qn
