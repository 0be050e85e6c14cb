// Precalculation into wave memory (slots, mixing, octave copies, calculation
// order, time estimate), then random records of any byte values, alone and
// as whole songs: under AddressSanitizer and UndefinedBehaviorSanitizer they
// catch reads past the tables or wave memory and signed overflow; the checks
// catch writes outside a wave's bytes and compare batched with single runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/wave_synth.h"
#include "song/song.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Generate;

class WavePrecalc : public ::testing::Test {
protected:
    SongDocument document;
    Song& song = document.song;
    WaveSynth synth;
    WaveMemory memory;
};

TEST_F(WavePrecalc, WaveGoesIntoItsOwnSlotFollowedByOctaveCopies) {
    EXPECT_EQ(kWaveMemoryBytes, 2u + 24u * 65536u);  // two silent bytes, then one 64K slot per wave
    EXPECT_EQ(memory.Slot(23) - memory.Data(), 2 + 23 * 65536);
    for (int length : {1, 255}) {
        song.waves[3].lengthIndex = uint8_t(length);
        std::memset(memory.Data(), 0x77, WaveMemory::Size());
        synth.PrecalcWave(song, memory, 3);
        const int8_t* slot = memory.Slot(3);
        const std::vector<int8_t> wave = Generate(song.waves[3]);
        const int n = int(wave.size());
        // The wave, then its 1/2, 1/4 and 1/8 copies: every 2nd, 4th and 8th byte.
        for (int copy = 0, at = 0; copy < 4; at += n >> copy, ++copy)
            for (int k = 0; k < n >> copy; ++k) ASSERT_EQ(slot[at + k], wave[size_t(k << copy)]) << copy << " " << k;
        EXPECT_EQ(WaveLengthWithOctaveCopies(n), n * 15 / 8);
        EXPECT_EQ(slot[n * 15 / 8], 0x77);  // nothing written past 15N/8
        EXPECT_EQ(slot[-1], 0x77);          // nor before the slot
        EXPECT_EQ(memory.Data()[0], 0x77);
    }
    synth.PrecalcWave(song, memory, -1);  // indexes outside the slots are ignored
    synth.PrecalcWave(song, memory, 24);
    EXPECT_EQ(memory.Slot(23)[0], 0x77);
}

TEST_F(WavePrecalc, MixAddsTheOtherSlotWithSaturationOverTheShorterWave) {
    song.waves[1].flags = 2;  // wave 2: square, +-63 at gain 64
    synth.PrecalcWave(song, memory, 1);
    song.waves[0].mixWave = 2;
    song.waves[0].gain = 128;       // wave 1: saw 127 .. -126
    song.waves[0].lengthIndex = 1;  // 256 bytes mixing a 128-byte wave
    synth.PrecalcWave(song, memory, 0);
    const int8_t* slot = memory.Slot(0);
    const std::vector<int8_t> alone = Generate(song.waves[0]);
    EXPECT_EQ((std::vector<int>{slot[0], slot[1], slot[64], slot[127]}), (std::vector<int>{127, 127, -64, -128}));
    // Wave 2's slot holds its 1/2 copy after its 128 bytes: not mixed in.
    EXPECT_EQ(std::vector<int8_t>(slot + 128, slot + 256), std::vector<int8_t>(alone.begin() + 128, alone.end()));
    EXPECT_EQ(slot[256 + 32], slot[64]);  // the copies are taken after the mix

    song.waves[5].mixWave = 6;  // a wave mixing itself mixes nothing
    synth.PrecalcWave(song, memory, 5);
    EXPECT_EQ(std::memcmp(memory.Slot(5), Generate(song.waves[5]).data(), 128), 0);

    // "Mix Wave" 24 and above is rewritten to 23, as the Amiga player does.
    song.waves[22].flags = 2;
    synth.PrecalcWave(song, memory, 22);
    for (int mix : {24, 200}) {
        song.waves[2].mixWave = uint8_t(mix);
        synth.PrecalcWave(song, memory, 2);
        EXPECT_EQ(song.waves[2].mixWave, 23);
        EXPECT_EQ(memory.Slot(2)[64], -64);  // saw 0 + square -64
    }
}

TEST_F(WavePrecalc, AllWavesFollowTheCalculationOrderUpToTheWaveCount) {
    song.waves[0].mixWave = 2;
    song.waves[1].flags = 2;
    song.waveCount = 2;
    synth.PrecalcAllWaves(song, memory);  // identity order: wave 2 is still empty when wave 1 mixes it
    EXPECT_EQ((std::vector<int>{memory.Slot(0)[64], memory.Slot(1)[64], memory.Slot(2)[0]}),
              (std::vector<int>{0, -64, 0}));  // wave 3 lies beyond the count
    memory.Clear();
    song.waveCalcOrder[0] = 1;
    song.waveCalcOrder[1] = 0;
    synth.PrecalcAllWaves(song, memory);
    EXPECT_EQ(memory.Slot(0)[64], -64);

    Song empty;  // no storage laid out: `waves` is null
    synth.PrecalcAllWaves(empty, memory);
    synth.PrecalcWave(empty, memory, 0);
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(empty), 2u);
}

// Costs in source clock cycles, summed by hand: noise 2800 + ramp 1200 = 4000,
// x 3 chord notes = 12000, x 2 unisono = 24000, + filter 6700 + envelope 3500,
// + modulator 4400 x density 4 = 51800, for each of the 4 x 128 bytes / 128.
TEST(PrecalcEstimate, EveryStageAddsItsCost) {
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(DefaultWaveParams()), float(4000 / 709379.0));
    WaveParams p = DefaultWaveParams();
    p.flags = 3, p.pitchRamp = -1, p.chord[0] = 5, p.chord[2] = -3, p.modFlags = uint8_t(3 | (1 << 3));
    p.filterType = 9, p.attack = 1, p.wetness = 1, p.lengthIndex = 3;  // any non-zero filter type
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(p), float(51800.0 * 4 / 709379.0));
}

WaveParams RandomRecord(std::mt19937& random, int maxLengthIndex) {
    uint8_t raw[sizeof(WaveParams)];
    for (uint8_t& byte : raw) byte = uint8_t(random());
    WaveParams params;
    std::memcpy(&params, raw, sizeof(params));
    params.lengthIndex = uint8_t(params.lengthIndex % (maxLengthIndex + 1));
    return params;
}

TEST(WaveSynthProperty, RandomRecordsWriteExactlyTheirLengthAndRepeat) {
    std::mt19937 random(20261206u);
    WaveSynth synth;
    std::vector<int8_t> buffer(static_cast<size_t>(kMaxWaveLength) + 64);
    std::vector<int8_t> again(static_cast<size_t>(kMaxWaveLength));
    for (int n = 0; n < 4000; ++n) {
        // Mostly short waves; every 100th may be up to the longest.
        const WaveParams params = RandomRecord(random, n % 100 == 0 ? 255 : 7);
        const size_t length = size_t(WaveLength(params));
        std::memset(buffer.data(), 0x5a, buffer.size());
        synth.GenerateWave(params, buffer.data());
        for (size_t i = length; i < length + 64; ++i) ASSERT_EQ(buffer[i], 0x5a) << "record " << n;
        synth.GenerateWave(params, again.data());
        ASSERT_EQ(std::memcmp(buffer.data(), again.data(), length), 0) << "record " << n;
    }
}

// PrecalcAllWaves makes up to eight filtered waves side by side when it can
// (any filter type, length and group size); the bytes
// must be those of PrecalcWave called for each wave of the order in turn,
// including the mix of a source that comes later in the order (its old
// contents). Order entries from 24 up and counts above 24 are ignored, and
// nothing is written into the two silent bytes or past a wave's three copies.
TEST(WaveSynthProperty, AllWavesEqualsOneWaveAtATimeInOrder) {
    std::mt19937 random(4242u);
    WaveSynth synth;
    WaveMemory together, oneByOne;
    SongDocument document;
    Song& song = document.song;
    for (int n = 0; n < 120; ++n) {
        for (int w = 0; w < kWaves; ++w) {
            WaveParams params = RandomRecord(random, n % 2 == 0 ? 7 : 15);
            params.filterType = uint8_t(n % 2 ? 1 + random() % 4 : random() % 6);  // filters, so groups form
            params.mixWave = uint8_t(random() % 4 == 0 ? random() % 26 : 0);
            song.waves[w] = params;
        }
        // Half the songs: a shuffled order of real slots, so groups of eight form.
        for (int w = 0; w < kWaves; ++w) song.waveCalcOrder[w] = uint8_t(n % 2 ? w : random() % 32);
        if (n % 2) std::shuffle(song.waveCalcOrder, song.waveCalcOrder + kWaves, random);
        // Some songs: each wave mixes the next one in the order (the ungroupable case).
        for (int i = 0; n % 3 == 0 && i + 1 < kWaves; ++i)
            if (song.waveCalcOrder[i] < kWaves)
                song.waves[song.waveCalcOrder[i]].mixWave = uint8_t(song.waveCalcOrder[i + 1] + 1);
        song.waveCount = uint8_t(n % 4 == 0 ? random() : 1 + random() % 24);
        // The same previous contents in both memories, so late mix sources matter.
        for (size_t i = 0; i < WaveMemory::Size(); ++i) together.Data()[i] = int8_t(i * 7);
        std::memcpy(oneByOne.Data(), together.Data(), WaveMemory::Size());
        WaveParams saved[kWaves];
        std::memcpy(saved, song.waves, sizeof(saved));

        synth.PrecalcAllWaves(song, together);
        WaveParams afterTogether[kWaves];
        std::memcpy(afterTogether, song.waves, sizeof(afterTogether));
        std::memcpy(song.waves, saved, sizeof(saved));
        for (int i = 0; i < std::min<int>(song.waveCount, kWaves); ++i)
            synth.PrecalcWave(song, oneByOne, song.waveCalcOrder[i]);

        ASSERT_EQ(std::memcmp(together.Data(), oneByOne.Data(), WaveMemory::Size()), 0) << "song " << n;
        ASSERT_EQ(std::memcmp(afterTogether, song.waves, sizeof(saved)), 0) << "song " << n;
        ASSERT_EQ(together.Data()[0], 0);  // the silent bytes keep their (test) contents 0 * 7, 1 * 7
        ASSERT_EQ(together.Data()[1], 7);
        for (int w = 0; w < kWaves; ++w) {
            const int8_t* past = together.Slot(w) + WaveLengthWithOctaveCopies(WaveLength(song.waves[w]));
            ASSERT_EQ(*past, int8_t((past - together.Data()) * 7)) << "song " << n << " wave " << w;
        }
        const uint32_t chip = WaveSynth::ChipMemoryNeeded(song);
        ASSERT_GE(chip, 2u);
        ASSERT_LE(chip, 2u + 24u * 61440u);
    }
}

}  // namespace
}  // namespace qn
