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
    WavePrecalc() { document.ResetToNewSong(); }
    void Fill() { std::memset(memory.Data(), 0x77, WaveMemory::Size()); }
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
        Fill();
        synth.PrecalcWave(song, memory, 3);
        const int8_t* slot = memory.Slot(3);
        const std::vector<int8_t> wave = Generate(song.waves[3]);
        const int n = int(wave.size());
        // The 1/2, 1/4 and 1/8 copies: every 2nd, 4th and 8th byte.
        for (int k = 0; k < n; ++k) ASSERT_EQ(slot[k], wave[size_t(k)]) << k;
        for (int k = 0; k < n / 2; ++k) ASSERT_EQ(slot[n + k], wave[size_t(2 * k)]) << k;
        for (int k = 0; k < n / 4; ++k) ASSERT_EQ(slot[n + n / 2 + k], wave[size_t(4 * k)]) << k;
        for (int k = 0; k < n / 8; ++k) ASSERT_EQ(slot[n + n / 2 + n / 4 + k], wave[size_t(8 * k)]) << k;
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
    song.waves[0].gain = 128;  // wave 1: saw 127 .. -126
    song.waves[0].lengthIndex = 1;  // 256 bytes mixing a 128-byte wave
    synth.PrecalcWave(song, memory, 0);
    const int8_t* slot = memory.Slot(0);
    const std::vector<int8_t> alone = Generate(song.waves[0]);
    EXPECT_EQ((std::vector<int>{slot[0], slot[1], slot[64], slot[127]}), (std::vector<int>{127, 127, -64, -128}));
    // Wave 2's slot holds its 1/2 copy after its 128 bytes: not mixed in.
    for (int k = 128; k < 256; ++k) ASSERT_EQ(slot[k], alone[size_t(k)]) << k;
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

TEST(PrecalcEstimate, EveryStageAddsItsCost) {
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(DefaultWaveParams()), float(4000 / 709379.0));
    WaveParams params = DefaultWaveParams();
    params.flags = 3;       // noise 2800
    params.pitchRamp = -1;  // + 1200 = 4000
    params.chord[0] = 5;
    params.chord[2] = -3;                     // x 3 = 12000
    params.modFlags = uint8_t(3 | (1 << 3));  // unisono: x 2 = 24000; density 3
    params.filterType = 9;                    // any non-zero type: + 6700
    params.attack = 1;                        // + 3500
    params.wetness = 1;                       // + 4400 x 4 = 17600 -> 51800
    params.lengthIndex = 3;
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(params), float(51800.0 * 4 / 709379.0));
}

}  // namespace
}  // namespace qn
