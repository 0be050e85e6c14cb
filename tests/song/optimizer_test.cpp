#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "song/optimizer.h"
#include "song/song_image.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using namespace test;

void Append(std::vector<uint8_t>& out, const void* data, size_t size) {
    out.insert(out.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { Append(out, more.data(), more.size()); }

// An instrument as it sounds: record, name and steps with their waves.
void AppendInstrument(std::vector<uint8_t>& out, const Song& song, int instrument) {
    if (instrument == 0) return out.push_back(0xee);
    Append(out, &song.instruments[instrument - 1], sizeof(InstrumentParams));
    Append(out, song.instrumentNames[instrument - 1], kNameLength);
    for (int i = 0; i < kInstrumentSteps; ++i) {
        const InstrumentStep& step = song.instrumentSteps[instrument - 1][i];
        Append(out, &step, 2);
        if (step.SelectedWave()) Append(out, WaveSound(song, step.b2)); else out.push_back(step.b2);
    }
}

// What the song plays, entry by entry and row by row, with instrument and
// wave numbers replaced by what they sound like. Optimizing must keep it.
std::vector<std::vector<uint8_t>> Played(const Song& song) {
    std::vector<std::vector<uint8_t>> played;
    for (uint32_t position = 0; position < song.sequenceLength; ++position)
        for (int voice = 0; voice < kVoices; ++voice) {
            const SequenceEntry& entry = song.Position(int(position))[voice];
            std::vector<uint8_t> rows = {uint8_t(entry.transpose)};
            for (int row = 0; entry.pattern != 0 && row < song.rowsPerPattern; ++row) {
                const qntPatternStep step = song.Pattern(entry.pattern)[row];
                if (step.b0 == 0 && step.b1 == 0 && step.b2 == 0) {
                    rows.push_back(0);
                    continue;
                }
                const bool second = step.Command() == 0 && !step.Chord() && step.Parameter() != 0;
                rows.insert(rows.end(), {uint8_t(step.Note()), uint8_t(step.Command()), uint8_t(step.Chord()),
                                         uint8_t(second ? step.Parameter() >> 4 : step.Parameter())});
                AppendInstrument(rows, song, step.Instrument());
                if (second) AppendInstrument(rows, song, step.Parameter() & 0x0f);
            }
            // An empty pattern plays like no pattern.
            if (std::all_of(rows.begin() + 1, rows.end(), [](uint8_t b) { return b == 0; })) rows.resize(1);
            played.push_back(rows);
        }
    return played;
}

// Random songs built to have duplicate and empty patterns, gaps in the
// instrument and wave numbers, second instruments, mix and clone chains.
TEST(Optimizer, RandomSongsPlayTheSameAndEndCompact) {
    std::mt19937 random(99u);
    for (int n = 0; n < 300; ++n) {
        SongDocument doc;
        Song& song = doc.song;
        song.SetRowsPerPattern(4 + int(random() % 5));
        for (int pattern = 1; pattern <= 12; ++pattern) {
            if (random() % 4 == 0) continue;  // empty
            for (int row = 0; row < 3; ++row) {
                if (random() % 2) continue;
                const int kind = int(random() % 3);
                qntPatternStep& step = song.Pattern(pattern)[row];
                step.SetNote(int(random() % 4) * 12), step.SetInstrument(int(random() % 3 ? random() % 20 : 0));
                step.SetCommand(kind == 0 ? 0 : int(random() % 16)), step.SetParameter(int(random() % 256));
                step.SetChord(kind == 1 && random() % 2);
            }
            if (random() % 3 == 0 && pattern > 1) std::memcpy(song.Pattern(pattern), song.Pattern(1), 3 * kMaxRows);
        }
        song.SetSequenceLength(1 + int(random() % 8));
        for (uint32_t position = 0; position < song.sequenceLength; ++position)
            for (int voice = 0; voice < kVoices; ++voice)
                song.Position(int(position))[voice] = {uint8_t(random() % 14), int8_t(random() % 3)};
        for (int instrument = 1; instrument <= 20; ++instrument) {
            song.instruments[instrument - 1].attack = uint8_t(instrument);
            for (int step = 0; step < 3; ++step)
                StepSelectsWave(song, instrument, step, int(random() % 27), random() % 2 ? 0 : 4);
        }
        for (int w = 0; w < kWaves; ++w)
            if (random() % 4) song.waves[w] = TaggedWave(w + 1, random() % 4 ? 0 : int(random() % 30),
                                                         random() % 6 ? 0 : 1 + int(random() % 24));
        const auto before = Played(song);
        OptimizeSong(doc, nullptr, nullptr);
        ASSERT_EQ(Played(song), before) << "song " << n;

        // No empty or duplicate pattern is named; instrument numbers have no gaps.
        int highest = 0;
        for (uint32_t position = 0; position < song.sequenceLength; ++position)
            for (int voice = 0; voice < kVoices; ++voice)
                highest = std::max<int>(highest, song.Position(int(position))[voice].pattern);
        const std::vector<qntPatternStep> empty(size_t(song.rowsPerPattern));
        for (int a = 1; a <= highest; ++a)
            for (int b = 0; b < a; ++b)  // b = 0: an empty pattern
                ASSERT_NE(std::memcmp(song.Pattern(a), b ? song.Pattern(b) : empty.data(), 3 * song.rowsPerPattern), 0)
                    << n << " " << a << " " << b;
        bool used[kInstrumentSlots + 1] = {};
        for (int pattern = 1; pattern <= highest; ++pattern)
            for (int row = 0; row < song.rowsPerPattern; ++row) {
                const qntPatternStep step = song.Pattern(pattern)[row];
                used[step.Instrument()] = true;
                if (step.Command() == 0 && !step.Chord()) used[step.Parameter() & 0x0f] = true;
            }
        for (int k = 2; k < kInstrumentSlots; ++k) ASSERT_TRUE(!used[k] || used[k - 1]) << "song " << n << " " << k;
    }
}

TEST(Optimizer, ClearUnusedWavesKeepsMixAndCloneSources) {
    SongDocument doc;
    Song& song = doc.song;
    // Waves 1 and 2 mix each other (the cycle must not hang), 3 and 4 clone 4 and 5, 5 mixes 23 (a "Mix Wave" of 26).
    for (auto [w, mix, clone] : {std::array{1, 2, 0}, {2, 1, 0}, {3, 0, 4}, {4, 0, 5}, {5, 26, 0}, {6, 0, 0}, {7, 0, 0},
                                 {23, 0, 0}})
        song.waves[w - 1] = TaggedWave(w, mix, clone);
    SetFixedText(song.waveNames[5], kNameLength, "six");
    StepSelectsWave(song, 1, 0, 1);
    StepSelectsWave(song, 32, 0, 3, 4);  // the 32nd step table counts too
    EXPECT_EQ(ClearUnusedWaves(song), 2);
    for (int wave : {0, 1, 2, 3, 4, 22}) EXPECT_FALSE(IsWaveEmpty(song.waves[wave])) << wave;
    EXPECT_TRUE(IsWaveEmpty(song.waves[5]) && IsWaveEmpty(song.waves[6]) && song.waveNames[5][0] == 0);
}

TEST(Optimizer, WaveGainSteps) {
    SongDocument doc;
    WaveParams* waves = doc.song.waves;
    for (int wave = 0; wave < kWaves; ++wave) waves[wave].gain = 0;
    EXPECT_FALSE(NormalizeWaves(doc.song));  // every gain 0: nothing to scale
    EXPECT_FALSE(ScaleWaveVolumes(doc.song, true));
    waves[0].gain = 128, waves[1].gain = 100;
    ASSERT_TRUE(NormalizeWaves(doc.song));
    EXPECT_EQ((std::vector<int>{waves[0].gain, waves[1].gain}), (std::vector<int>{255, 199}));  // 100 * 255/128
    EXPECT_FALSE(NormalizeWaves(doc.song));
    // Ten per cent steps, held at 255: 10 * 0.9f is exactly 9.0f; 64 * 0.9 = 57.6.
    const struct { int gain; bool louder; int expected; } steps[] = {
        {10, false, 9}, {64, false, 57}, {250, false, 225}, {57, true, 62}, {225, true, 247}, {247, true, 255}};
    for (auto s : steps) {
        waves[2].gain = uint8_t(s.gain);
        ASSERT_TRUE(ScaleWaveVolumes(doc.song, s.louder));
        EXPECT_EQ(waves[2].gain, s.expected) << s.gain;
    }
}

}  // namespace
}  // namespace qn
