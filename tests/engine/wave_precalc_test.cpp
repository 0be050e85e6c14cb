// Precalculation into wave memory: slots, mixing, octave copies, the
// calculation order and the precalculation-time estimate (the chip memory
// figure is checked through "info" in tests/cli).
#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace qn
