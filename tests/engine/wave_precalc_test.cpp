// Precalculation into wave memory: slots, mixing, octave copies, the
// calculation order, and the chip-memory and precalculation-time figures.
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
    Song& song() { return document.song; }

    SongDocument document;
    WaveSynth synth;
    WaveMemory memory;
};

TEST_F(WavePrecalc, MemoryIsTwoSilentBytesThenOne64KSlotPerWave) {
    EXPECT_EQ(kWaveMemoryBytes, 2u + 24u * 65536u);
    EXPECT_EQ(memory.Slot(0) - memory.Data(), 2);
    EXPECT_EQ(memory.Slot(23) - memory.Data(), 2 + 23 * 65536);
    for (size_t i = 0; i < WaveMemory::Size(); ++i) ASSERT_EQ(memory.Data()[i], 0) << i;
}

TEST_F(WavePrecalc, WaveGoesIntoItsOwnSlotFollowedByOctaveCopies) {
    song().waves[3].lengthIndex = 1;  // 256 bytes
    std::memset(memory.Data(), 0x77, WaveMemory::Size());
    synth.PrecalcWave(song(), memory, 3);
    const int8_t* slot = memory.Slot(3);
    const std::vector<int8_t> wave = Generate(song().waves[3]);
    for (int k = 0; k < 256; ++k) ASSERT_EQ(slot[k], wave[k]) << k;
    // 1/2 copy at 256 (128 bytes), 1/4 at 384 (64), 1/8 at 448 (32): every 2nd, 4th, 8th byte.
    for (int k = 0; k < 128; ++k) ASSERT_EQ(slot[256 + k], wave[2 * k]) << k;
    for (int k = 0; k < 64; ++k) ASSERT_EQ(slot[384 + k], wave[4 * k]) << k;
    for (int k = 0; k < 32; ++k) ASSERT_EQ(slot[448 + k], wave[8 * k]) << k;
    EXPECT_EQ(slot[480], 0x77);                 // nothing written past 15N/8
    EXPECT_EQ(memory.Slot(3)[-1], 0x77);        // nor before the slot
    EXPECT_EQ(memory.Data()[0], 0x77);          // the other slots and the silent bytes untouched
    EXPECT_EQ(memory.Slot(4)[0], 0x77);
}

TEST_F(WavePrecalc, LongestWaveWithCopiesFitsItsSlot) {
    song().waves[23].lengthIndex = 255;
    std::memset(memory.Data(), 0x77, WaveMemory::Size());
    synth.PrecalcWave(song(), memory, 23);
    EXPECT_EQ(WaveLengthWithOctaveCopies(32768), 61440);
    EXPECT_EQ(memory.Slot(23)[61440], 0x77);
    EXPECT_EQ(memory.Slot(23)[61439], memory.Slot(23)[8 * 4095]);
}

TEST_F(WavePrecalc, MixAddsTheOtherSlotWithSaturation) {
    song().waves[1].flags = 2;  // wave 2: square, +-63 at gain 64
    song().waves[1].lengthIndex = 1;
    synth.PrecalcWave(song(), memory, 1);
    song().waves[0].mixWave = 2;
    song().waves[0].gain = 128;  // wave 1: saw 127.. -126
    synth.PrecalcWave(song(), memory, 0);
    const int8_t* slot = memory.Slot(0);
    EXPECT_EQ(slot[0], 127);   // 127 + 63 clips
    EXPECT_EQ(slot[1], 127);   // 126 + 63 clips
    EXPECT_EQ(slot[127], -128);  // -126 + -64 clips ((-128 * 64) >> 7 = -64)
    EXPECT_EQ(slot[64], -64);    // 0 + -64
    // The copies are taken after the mix.
    EXPECT_EQ(slot[128 + 32], slot[64]);
}

TEST_F(WavePrecalc, MixCoversOnlyTheShorterWave) {
    song().waves[0].lengthIndex = 1;  // 256 bytes mixing a 128-byte wave
    song().waves[0].mixWave = 2;
    song().waves[1].gain = 128;
    synth.PrecalcWave(song(), memory, 1);
    // Wave 2's slot holds its 1/2 copy right after its 128 bytes: it must not be mixed in.
    synth.PrecalcWave(song(), memory, 0);
    const std::vector<int8_t> alone = Generate(song().waves[0]);
    EXPECT_NE(memory.Slot(0)[100], alone[100]);
    for (int k = 128; k < 256; ++k) ASSERT_EQ(memory.Slot(0)[k], alone[k]) << k;
}

TEST_F(WavePrecalc, MixNamingTheWaveItselfDoesNothing) {
    song().waves[5].mixWave = 6;
    synth.PrecalcWave(song(), memory, 5);
    const std::vector<int8_t> alone = Generate(song().waves[5]);
    for (int k = 0; k < 128; ++k) ASSERT_EQ(memory.Slot(5)[k], alone[k]) << k;
}

TEST_F(WavePrecalc, MixWave24AndAboveAreLoweredTo23) {
    // The record is rewritten as the Amiga player does, so the mixed source
    // is wave 23 (a square) and never wave 24.
    song().waves[22].flags = 2;
    synth.PrecalcWave(song(), memory, 22);
    song().waves[0].mixWave = 24;
    synth.PrecalcWave(song(), memory, 0);
    EXPECT_EQ(song().waves[0].mixWave, 23);
    EXPECT_EQ(memory.Slot(0)[64], -64);  // saw 0 + square -64: wave 23 was mixed in

    song().waves[1].mixWave = 200;
    synth.PrecalcWave(song(), memory, 1);
    EXPECT_EQ(song().waves[1].mixWave, 23);
    EXPECT_EQ(memory.Slot(1)[64], -64);
}

TEST_F(WavePrecalc, IndexOutsideTheSlotsIsIgnored) {
    std::memset(memory.Data(), 0x77, WaveMemory::Size());
    synth.PrecalcWave(song(), memory, -1);
    synth.PrecalcWave(song(), memory, 24);
    EXPECT_EQ(memory.Data()[0], 0x77);
    EXPECT_EQ(memory.Slot(23)[0], 0x77);
}

TEST_F(WavePrecalc, AllWavesFollowTheCalculationOrderUpToTheWaveCount) {
    // Wave 1 mixes wave 2. In the identity order wave 2's slot is still empty when
    // wave 1 is made; with wave 2 first, it is mixed in.
    song().waves[0].mixWave = 2;
    song().waves[1].flags = 2;
    song().waveCount = 2;
    synth.PrecalcAllWaves(song(), memory);
    EXPECT_EQ(memory.Slot(0)[64], 0);  // saw only
    EXPECT_EQ(memory.Slot(1)[64], -64);
    EXPECT_EQ(memory.Slot(2)[0], 0);   // wave 3 lies beyond the wave count

    memory.Clear();
    song().waveCalcOrder[0] = 1;
    song().waveCalcOrder[1] = 0;
    synth.PrecalcAllWaves(song(), memory);
    EXPECT_EQ(memory.Slot(0)[64], -64);
}

TEST_F(WavePrecalc, BadWaveCountAndOrderEntriesStayInsideWaveMemory) {
    song().waveCount = 250;
    song().waveCalcOrder[3] = 200;
    synth.PrecalcAllWaves(song(), memory);  // ASan guards the reads and writes
    EXPECT_EQ(memory.Slot(23)[0], 63);
    EXPECT_EQ(memory.Data()[0], 0);
    EXPECT_EQ(memory.Data()[1], 0);
}

TEST_F(WavePrecalc, SongWithoutWaveRecordsIsLeftAlone) {
    Song empty;  // no storage laid out: `waves` is null
    synth.PrecalcAllWaves(empty, memory);
    synth.PrecalcWave(empty, memory, 0);
    EXPECT_EQ(memory.Slot(0)[0], 0);
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(empty), 2u);
}

// --- Chip memory and time estimate -------------------------------------------

TEST_F(WavePrecalc, ChipMemoryCountsLengthsAndOctaveCopies) {
    song().waveCount = 1;
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(song()), 130u);  // 2 + 128
    song().waves[0].lengthIndex = 1;
    song().waves[0].flags = kWaveOctaveCopies;
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(song()), 482u);  // 2 + 256 + 128 + 64 + 32
    song().waveCount = 3;
    song().waves[2].lengthIndex = 255;
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(song()), 482u + 128u + 32768u);
    song().waveCount = 99;  // counts at most the 24 records there are
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(song()), 482u + 22u * 128u + 32768u);
}

TEST(PrecalcEstimate, DefaultWaveTakes4000CyclesPerBlock) {
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(DefaultWaveParams()), float(4000 / 709379.0));
}

TEST(PrecalcEstimate, EveryStageAddsItsCost) {
    WaveParams params = DefaultWaveParams();
    params.flags = 3;          // noise 2800
    params.pitchRamp = -1;     // + 1200 = 4000
    params.chord[0] = 5;
    params.chord[2] = -3;      // x 3 = 12000
    params.modFlags = uint8_t(3 | (1 << 3));  // unisono: x 2 = 24000; density 3
    params.filterType = 9;     // the estimate counts any non-zero type: + 6700
    params.attack = 1;         // + 3500
    params.wetness = 1;        // + 4400 * 4 = 17600 -> 51800
    params.lengthIndex = 3;
    // 51800 * 4 / 709379 = 0.29209...
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(params), float(51800.0 * 4 / 709379.0));
    EXPECT_NEAR(WaveSynth::EstimatePrecalcSeconds(params), 0.29209, 1e-5);
}

}  // namespace
}  // namespace qn
