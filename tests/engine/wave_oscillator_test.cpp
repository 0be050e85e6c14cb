// Oscillator tables, table oscillators and the noise generator.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Generate;
using test::ScaledSaw;

// --- Oscillator tables ---------------------------------------------------

TEST(OscillatorTables, CycleLengthsFollowTheSemitoneConstants) {
    // 4194304 / 32768 = 128, / 34589 = 121.26, ..., / 61856 = 67.8 (checked with a calculator).
    const int expected[12] = {128, 121, 114, 107, 102, 96, 90, 85, 80, 76, 72, 67};
    WaveSynth synth;
    for (int k = 0; k < 12; ++k) EXPECT_EQ(synth.Tables()[k].length, expected[k]) << "semitone " << k;
}

TEST(OscillatorTables, SawFallsFrom127AndBytesPastTheCycleAreZero) {
    WaveSynth synth;
    const OscillatorBlock& c = synth.Tables()[0];
    // inc = 65280 / 128 = 510: saw[1] = 127 - (510 >> 8) = 126, saw[127] = 127 - (64770 >> 8) = -126.
    EXPECT_EQ(c.saw[0], 127);
    EXPECT_EQ(c.saw[1], 126);
    EXPECT_EQ(c.saw[127], -126);
    const OscillatorBlock& b = synth.Tables()[11];  // L = 67
    // inc = 65280 / 67 = 974: saw[66] = 127 - (64284 >> 8) = 127 - 251 = -124.
    EXPECT_EQ(b.saw[66], -124);
    for (int i = 67; i < 128; ++i) {
        ASSERT_EQ(b.saw[i], 0) << i;
        ASSERT_EQ(b.square[i], 0) << i;
        ASSERT_EQ(b.triangle[i], 0) << i;
    }
}

TEST(OscillatorTables, SquareSwitchesAtHalfTheCycle) {
    WaveSynth synth;
    const OscillatorBlock& block = synth.Tables()[1];  // L = 121, L/2 = 60
    EXPECT_EQ(block.square[59], 127);
    EXPECT_EQ(block.square[60], -128);
    EXPECT_EQ(block.square[120], -128);
}

TEST(OscillatorTables, TriangleIsRotatedToStartNearZeroAndRise) {
    WaveSynth synth;
    const OscillatorBlock& c = synth.Tables()[0];
    // Stored index k holds source i = k + 32. i = 32: v = 16320 >> 7 = 127, (127|1)+127 = 254 = -2.
    // i = 64 = L/2: v = 255, 255+127 = 382 = 126; i = 65: v = 258, 127 - (258 & 254) = -131 = 125.
    // i = 0 (stored at 96): (0|1)+127 = 128 = -128; i = 127 (stored at 95): 127 - (506 & 254) = -123.
    EXPECT_EQ(c.triangle[0], -2);
    EXPECT_EQ(c.triangle[1], 2);
    EXPECT_EQ(c.triangle[2], 6);
    EXPECT_EQ(c.triangle[3], 10);
    EXPECT_EQ(c.triangle[32], 126);
    EXPECT_EQ(c.triangle[33], 125);
    EXPECT_EQ(c.triangle[95], -123);
    EXPECT_EQ(c.triangle[96], -128);
}

// --- Table oscillator ----------------------------------------------------

TEST(TableOscillator, DefaultRecordIsOneSawCycleAtHalfAmplitude) {
    const std::vector<int8_t> out = Generate(DefaultWaveParams());
    ASSERT_EQ(out.size(), 128u);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(out[i], ScaledSaw(i)) << i;
    EXPECT_EQ(out[0], 63);    // (127 * 64) >> 7
    EXPECT_EQ(out[127], -63); // (-126 * 64) >> 7 rounds toward minus infinity
}

TEST(TableOscillator, GenerateWritesExactlyTheWaveLength) {
    WaveSynth synth;
    WaveParams params = DefaultWaveParams();
    params.lengthIndex = 2;
    std::vector<int8_t> buffer(1024, 0x55);
    synth.GenerateWave(params, buffer.data());
    EXPECT_NE(buffer[383], 0x55);
    for (size_t i = 384; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0x55) << i;
}

TEST(TableOscillator, ZeroChordOffsetsAreSkipped) {
    WaveParams params = DefaultWaveParams();
    params.chord[0] = 0;
    params.chord[1] = 0;
    params.chord[2] = 0;
    // Three zero offsets would otherwise play the base note four times (4 * 63 clips at 127).
    EXPECT_EQ(Generate(params)[0], 63);
}

TEST(TableOscillator, OctaveOffsetAddsTheSameSawTwiceAsFast) {
    WaveParams params = DefaultWaveParams();
    params.chord[0] = 12;
    const std::vector<int8_t> out = Generate(params);
    // Shift 0 starts both notes at entry 0; the octave note steps two entries per sample.
    // Gain 64 keeps each note within +-63, so the sum never clips.
    for (int i = 0; i < 128; ++i) ASSERT_EQ(out[i], ScaledSaw(i) + ScaledSaw((2 * i) % 128)) << i;
}

TEST(TableOscillator, RepeatedNonZeroOffsetsAllPlay) {
    WaveParams params = DefaultWaveParams();
    params.chord[0] = 12;
    params.chord[1] = 12;
    // Only an offset equal to 0 is skipped: base + two octave notes = 63 + 63 + 63, clipped.
    EXPECT_EQ(Generate(params)[0], 127);
}

TEST(TableOscillator, ChordNoteWrapsAsAByte) {
    // 120 + 10 wraps to -126 (octave -11, semitone 6); with Shift 0 the chord
    // note starts at 0 like a lone note -126 does, and gain 64 cannot clip.
    WaveParams chord = DefaultWaveParams();
    chord.baseNote = 120;
    chord.chord[0] = 10;
    WaveParams high = DefaultWaveParams();
    high.baseNote = 120;
    WaveParams low = DefaultWaveParams();
    low.baseNote = -126;
    const std::vector<int8_t> both = Generate(chord), a = Generate(high), b = Generate(low);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(both[i], a[i] + b[i]) << i;
}

TEST(TableOscillator, UnisonoAddsASharperSecondLayer) {
    WaveParams params = DefaultWaveParams();
    params.modFlags = uint8_t(1 | (3 << 3));  // unisono 3
    const std::vector<int8_t> out = Generate(params);
    // Layer 2 steps 32768 + (32768 >> 6) = 33280 units: entry i + i/64 until it wraps at i = 127.
    for (int i = 0; i < 127; ++i) ASSERT_EQ(out[i], ScaledSaw(i) + ScaledSaw(i + i / 64)) << i;
    EXPECT_EQ(out[64], -1);  // 0 + ((-2 * 64) >> 7)
}

TEST(TableOscillator, HighNoteStepLongerThanTheCycleStaysInsideTheTable) {
    // Note 120: octave 10, step 32768 << 10 = 8 cycles of 128 entries, so the
    // position is 0 at every sample and the wave holds entry 0.
    WaveParams params = DefaultWaveParams();
    params.baseNote = 120;
    const std::vector<int8_t> out = Generate(params);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(out[i], 63) << i;

    // Note 127: semitone 7 (85 entries), step 2^25 mod 85 * 32768 = 131072, four entries a sample.
    params.baseNote = 127;
    WaveSynth synth;
    const OscillatorBlock& block = synth.Tables()[7];
    const std::vector<int8_t> seven = Generate(params);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(seven[i], (block.saw[(4 * i) % 85] * 64) >> 7) << i;
}

TEST(TableOscillator, NegativeRampStopsAtStepZeroAndHoldsTheLastEntry) {
    WaveParams params = DefaultWaveParams();
    params.pitchRamp = -128;
    params.lengthIndex = 7;
    const std::vector<int8_t> out = Generate(params);
    // Step after sample i is 32768 - 128 i; it turns negative after sample 256 and stops.
    // Positions add up to 32768 + sum(32768 - 128 i, i = 1..255) = 4210688, which is one
    // cycle (4194304) plus 16384: entry 0, so the tail holds (127 * 64) >> 7 = 63.
    for (int i = 257; i < 1024; ++i) ASSERT_EQ(out[i], 63) << i;
    EXPECT_NE(out[20], out[120]);  // still moving before that
}

TEST(TableOscillator, EqualPhaseLimitsHoldEntryZeroAtTheStartOfEveryCycle) {
    WaveParams params = DefaultWaveParams();
    params.phaseMin = 128;
    params.phaseMax = 128;
    params.phaseSpeed = 50;
    params.lengthIndex = 1;
    const std::vector<int8_t> out = Generate(params);
    // phase = 128 * 16384 * 120 >> 8 = 983040 units = 30 entries; the start position
    // 128 * 32768 is exactly one cycle, i.e. 0. Entry max(0, i - 30) in both cycles.
    for (int i = 0; i < 128; ++i) {
        const int expected = ScaledSaw(std::max(0, i - 30));
        ASSERT_EQ(out[i], expected) << i;
        ASSERT_EQ(out[128 + i], expected) << 128 + i;
    }
}

TEST(TableOscillator, PhaseSweepMovesOncePerCycle) {
    WaveParams params = DefaultWaveParams();
    params.phaseMin = 0;
    params.phaseMax = 255;
    params.phaseSpeed = 16;  // 32768 units = one entry per cycle
    params.gain = 128;       // entries 0 and 1 stay distinct: 127, 126
    params.lengthIndex = 2;
    const std::vector<int8_t> out = Generate(params);
    // The hold at entry 0 lasts 0, 1, then 2 samples in cycles 1, 2, 3.
    EXPECT_EQ(out[1], 126);
    EXPECT_EQ(out[128], 127);
    EXPECT_EQ(out[129], 127);
    EXPECT_EQ(out[130], 126);
    EXPECT_EQ(out[258], 127);
    EXPECT_EQ(out[259], 126);
}

TEST(TableOscillator, ShiftSpreadsTheStartOfChordNotes) {
    WaveParams params = DefaultWaveParams();
    params.chord[0] = 12;
    params.shift = 8;
    const std::vector<int8_t> out = Generate(params);
    // Not chordless: note 0 starts at 8 * 0 entries, note 1 (step 2) at 8 * 1 * 2 = 16 entries.
    EXPECT_EQ(out[0], ScaledSaw(0) + ScaledSaw(16));
    EXPECT_EQ(out[1], ScaledSaw(1) + ScaledSaw(18));
}

TEST(TableOscillator, GainAbove128ClipsAtTheByteRange) {
    WaveParams params = DefaultWaveParams();
    params.gain = 255;
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[0], 127);    // (127 * 255) >> 7 = 253, clipped
    EXPECT_EQ(out[127], -128); // (-126 * 255) >> 7 = -251, clipped
    EXPECT_EQ(out[64], 0);     // saw[64] = 127 - (32640 >> 8) = 0
}

// --- Noise -----------------------------------------------------------------

WaveParams NoiseParams() {
    WaveParams params = DefaultWaveParams();
    params.flags = 3;
    return params;
}

TEST(NoiseOscillator, FirstDrawsFollowTheSixteenBitXorshift) {
    // Seed 0 + 0 + 1 = 1: 1 ^ 0x2000 = 0x2001; ^ (0x2001 >> 9) = 0x2011;
    // ^ (0x2011 << 7 & 0xffff = 0x0880) = 0x2891 -> byte 0x91 = -111; (-111 * 64) >> 7 = -56.
    // Next: 0x4215 -> 21 -> 10; 0xd064 -> 100 -> 50 (same steps, worked in hex by hand).
    const std::vector<int8_t> out = Generate(NoiseParams());
    EXPECT_EQ(out[0], -56);
    EXPECT_EQ(out[1], 10);
    EXPECT_EQ(out[2], 50);
}

TEST(NoiseOscillator, SeedTakesShiftAndPhaseMin) {
    WaveParams a = NoiseParams();
    a.shift = 3;
    a.phaseMin = 4;
    WaveParams b = NoiseParams();
    b.shift = 7;
    EXPECT_EQ(Generate(a), Generate(b));
    EXPECT_NE(Generate(a), Generate(NoiseParams()));
}

TEST(NoiseOscillator, UnisonoAddsNoSecondLayer) {
    WaveParams params = NoiseParams();
    const std::vector<int8_t> plain = Generate(params);
    params.modFlags = uint8_t(1 | (3 << 3));
    EXPECT_EQ(Generate(params), plain);
}

TEST(NoiseOscillator, LowNoteHoldsValuesAtTheSlowerRate) {
    WaveParams params = NoiseParams();
    params.baseNote = -12;  // rate 8192 + 12 * 682 = 16376
    const std::vector<int8_t> out = Generate(params);
    // The counter starts at 32768 and is not reduced on the first draw: samples 0 and 1
    // both draw (-56, 10), sample 2 holds, sample 3 draws (50), sample 4 holds.
    EXPECT_EQ(out[0], -56);
    EXPECT_EQ(out[1], 10);
    EXPECT_EQ(out[2], 10);
    EXPECT_EQ(out[3], 50);
    EXPECT_EQ(out[4], 50);
}

TEST(NoiseOscillator, GainSaturatesBeforeTheByteAddition) {
    WaveParams params = NoiseParams();
    params.gain = 255;
    // (-111 * 255) >> 7 = -222 clips to -128 before it is added to the silent wave.
    EXPECT_EQ(Generate(params)[0], -128);
}

TEST(NoiseOscillator, RampBelowTheMinimumRateHoldsFor64Samples) {
    WaveParams params = NoiseParams();
    params.pitchRamp = -128;
    params.lengthIndex = 3;
    const std::vector<int8_t> out = Generate(params);
    // Rate after sample i: 32768 - 128 (i + 1); below 512 after sample 252, where it becomes
    // 512 with the counter reset to 0, so the next draw comes 64 samples later, at 317.
    // There the counter is exactly 32768 and is not reduced, so 318 draws again and the
    // reduced counter (512) reaches 32768 at 381.
    for (int i = 253; i <= 316; ++i) ASSERT_EQ(out[i], out[252]) << i;
    for (int i = 319; i <= 380; ++i) ASSERT_EQ(out[i], out[318]) << i;
    EXPECT_NE(out[317], out[316]);
    EXPECT_NE(out[381], out[380]);
}

}  // namespace
}  // namespace qn
