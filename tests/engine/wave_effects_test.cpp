// The filter sweep, the delay-line modulator and the volume envelope, seen
// through GenerateWave on simple, hand-computable oscillator output.
#include <gtest/gtest.h>

#include <random>

#include "engine/wave_stages.h"
#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Generate;
using test::ScaledSaw;

// A square at gain 128: 127 for samples 0..63 of each 128, -128 for 64..127.
WaveParams FullSquare() {
    WaveParams params = DefaultWaveParams();
    params.flags = 2;
    params.gain = 128;
    return params;
}

// --- Filter ---------------------------------------------------------------

TEST(FilterSweep, OpenLowpassFollowsTheFourStageRecurrence) {
    WaveParams params = FullSquare();
    params.filterType = 1;  // start 0: cutoff byte 255, f = 255, feedback k = 510
    const std::vector<int8_t> out = Generate(params);
    // x = 127: s0 = 127 * 255 >> 8 = 126, s1 = 126 * 255 >> 8 = 125, s2 = 124, s3 = 123.
    // Next: s0 += ((1 * 510 >> 8) - 126 + 127) * 255 >> 8 = 1 -> 127; s1..s3 each gain 1 -> 124.
    EXPECT_EQ(out[0], 123);
    EXPECT_EQ(out[1], 124);
}

TEST(FilterSweep, ClosedHighpassInvertsAndClips) {
    WaveParams params = FullSquare();
    params.filterType = 2;  // f = 255 - 255 = 0: the stages never move, output is 0 - x
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[0], -127);
    EXPECT_EQ(out[64], 127);  // -(-128) = 128 clips
}

TEST(FilterSweep, TypesAboveFourActAsNoFilter) {
    const std::vector<int8_t> plain = Generate(FullSquare());
    for (int type : {5, 6, 128, 255}) {
        WaveParams params = FullSquare();
        params.filterType = uint8_t(type);
        params.filterStart = 128;
        EXPECT_EQ(Generate(params), plain) << "type " << type;
    }
}

TEST(FilterSweep, ReversesAtTheTopAndReopensOneBlockLater) {
    WaveParams params = FullSquare();
    params.filterType = 1;
    params.filterStart = 255;  // position 65280: cutoff byte 0, f = 0, silence
    params.filterSpeed = 10;   // +1280 hits the upper limit, stays and turns round
    const std::vector<int8_t> out = Generate(params);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], 0) << i;
    // Block 2 moves down to 64000: cutoff byte 255 - 250 = 5, the filter opens a little.
    EXPECT_NE(out[127], 0);
}

TEST(FilterSweep, StandingStillAtTheLowerLimitKeepsTheFilterClosed) {
    WaveParams params = FullSquare();
    params.filterType = 1;
    params.filterStart = 255;
    params.filterLower = 255;
    params.filterSpeed = -50;  // lower = upper: clamps at the limit without turning round
    params.lengthIndex = 3;
    const std::vector<int8_t> out = Generate(params);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(FilterSweep, ResonanceRaisesTheFeedback) {
    WaveParams dry = FullSquare();
    dry.filterType = 1;
    dry.filterStart = 160;
    WaveParams resonant = dry;
    resonant.resonance = 80;  // divisor max(182 - 160, 54) = 54
    EXPECT_NE(Generate(dry), Generate(resonant));
    WaveParams extreme = dry;
    extreme.resonance = 255;  // 182 - 510 is below 54 as well: same divisor
    EXPECT_EQ(Generate(extreme), Generate(resonant));
}

// --- Modulator --------------------------------------------------------------

TEST(Modulator, ZeroDelayTapAddsTheSampleToItself) {
    WaveParams params = DefaultWaveParams();
    params.wetness = 255;
    params.modLength = 0;  // base 0, predelay 0: delay = sweep * 32 >> 6 = 0 at the start
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[0], 125);    // 63 + (63 * 255 >> 8 = 62)
    EXPECT_EQ(out[127], -126); // -63 + (-16065 >> 8 = -63)
}

TEST(Modulator, OddTapsAreInverted) {
    WaveParams params = DefaultWaveParams();
    params.wetness = 255;
    params.modLength = 0;
    params.modFlags = 2;  // two taps
    const std::vector<int8_t> out = Generate(params);
    // Tap 1 on 125: 125 + (-125 * 255 >> 8 = -125) = 0; on -126: -126 + (32130 >> 8 = 125) = -1.
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[127], -1);
}

TEST(Modulator, DelayedTapFeedsBackOnItself) {
    WaveParams params = DefaultWaveParams();
    params.wetness = 128;
    params.preDelay = 64;  // (77 >> 2) + 64 * 64 = 4115, >> 6 = 64 samples
    params.lengthIndex = 1;
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[63], ScaledSaw(63));  // before the delay nothing is added
    EXPECT_EQ(out[64], 31);             // 0 + (63 * 128 >> 8)
    EXPECT_EQ(out[128], 78);            // 63 + (31 * 128 >> 8): reads the rewritten sample 64
}

TEST(Modulator, DensityZeroDoesNothing) {
    WaveParams params = DefaultWaveParams();
    params.wetness = 200;
    params.modFlags = 0;
    EXPECT_EQ(Generate(params), Generate(DefaultWaveParams()));
}

TEST(Modulator, SyncBitRunsItAfterTheEnvelope) {
    WaveParams params = DefaultWaveParams();
    params.wetness = 255;
    params.modLength = 0;
    params.sustain = 0;  // envelope: two samples at full level, then silence
    std::vector<int8_t> before = Generate(params);
    // Modulator first: 63 -> 125, then 125 * 255 >> 8 = 124.
    EXPECT_EQ(before[0], 124);
    params.modFlags = uint8_t(1 | 0x20);
    std::vector<int8_t> after = Generate(params);
    // Envelope first: 63 * 255 >> 8 = 62, then 62 + (62 * 255 >> 8 = 61) = 123.
    EXPECT_EQ(after[0], 123);
    EXPECT_EQ(after[2], 0);
}

// --- Envelope ---------------------------------------------------------------

TEST(Envelope, InstantAttackNoDecayZeroSustainGivesTwoFullSamplesThenSilence) {
    WaveParams params = FullSquare();
    params.sustain = 0;
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[0], 126);  // 127 * 255 >> 8
    EXPECT_EQ(out[1], 126);  // the one hold sample (Delay 0)
    for (int i = 2; i < 128; ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(Envelope, DelayHoldsSixteenSamplesPerStep) {
    WaveParams params = FullSquare();
    params.sustain = 0;
    params.delay = 2;
    const std::vector<int8_t> out = Generate(params);
    EXPECT_EQ(out[33], 126);  // attack sample + 2 * 16 + 1 hold samples = 0..33
    EXPECT_EQ(out[34], 0);
}

TEST(Envelope, SyncedAttackIsSixteenTimesFaster) {
    WaveParams params = FullSquare();
    params.attack = 128;  // 131072 / 128 = 1024 per sample, 16384 with sync
    params.sustain = 128;
    params.flags = uint8_t(params.flags | kWaveEnvelopeSync);
    params.lengthIndex = 15;
    const std::vector<int8_t> out = Generate(params);
    // Sample i scales by (16384 (i + 1)) >> 16 = (i + 1) / 4: i = 511 -> 128 on -128 -> -64.
    EXPECT_EQ(out[3], 0);     // 127 * 1 >> 8
    EXPECT_EQ(out[511], -64);
    // The attack ends at i = 1023 (16384 * 1024 > 16777215); one hold sample at 255, then
    // sustain 128 halves: sample 1025 (square 127) -> 63, sample 1088 (-128) -> -64.
    EXPECT_EQ(out[1023], -128);  // -128 * 255 >> 8 = -127.5, rounded down
    EXPECT_EQ(out[1024], 126);
    EXPECT_EQ(out[1025], 63);
    EXPECT_EQ(out[1088], -64);

    params.flags = 2;  // unsynced: 1024 per sample, level (i + 1) >> 6
    const std::vector<int8_t> slow = Generate(params);
    EXPECT_EQ(slow[511], -4);  // level 8: -128 * 8 >> 8
}

TEST(Envelope, SyncedDecayWalksTheFallRateTable) {
    WaveParams params = FullSquare();
    params.flags = uint8_t(params.flags | kWaveEnvelopeSync);
    params.decay = 255;  // increment 255 * 255 / 4 + 255 = 16511
    params.sustain = 0;
    const std::vector<int8_t> out = Generate(params);
    // Table position from 0: rates 1024 - 512 * 64/256 = 896, 1024 - 512 * 128/256 = 768,
    // 1024 - (512 * 193 >> 8) = 638; at index 1 the lower rate takes the old upper (512)
    // and the upper becomes table[1] = 512, so 512. Levels 65535 - 896 = 64639 -> 252,
    // 63871 -> 249, 63233 -> 247, 62721 -> 245, each scaling 127.
    EXPECT_EQ(out[2], 125);
    EXPECT_EQ(out[3], 123);
    EXPECT_EQ(out[4], 122);
    EXPECT_EQ(out[5], 121);
}

TEST(Envelope, DecayStopsAtTheSustainLevel) {
    WaveParams params = FullSquare();
    params.flags = uint8_t(params.flags | kWaveEnvelopeSync);
    params.decay = 255;
    params.sustain = 200;
    const std::vector<int8_t> out = Generate(params);
    // The level first drops below 200 * 256 at sample 59 (found with the reference model,
    // tests/engine/wave_reference.py); from there every sample scales by 200:
    // 127 -> 99, -128 -> -100, and the level never falls further.
    EXPECT_GT(out[58], 99);
    for (int i = 59; i < 64; ++i) ASSERT_EQ(out[i], 99) << i;
    for (int i = 64; i < 128; ++i) ASSERT_EQ(out[i], -100) << i;
}

TEST(Envelope, BoostWithoutAnEnvelopeHasNoEffect) {
    WaveParams params = DefaultWaveParams();
    params.flags = kWaveBoost;
    EXPECT_EQ(Generate(params), Generate(DefaultWaveParams()));
}

TEST(Envelope, BoostIsFourTimesLouderAndClips) {
    WaveParams params = DefaultWaveParams();
    params.sustain = 64;
    const std::vector<int8_t> quiet = Generate(params);
    params.flags = kWaveBoost;
    const std::vector<int8_t> boosted = Generate(params);
    EXPECT_EQ(boosted[0], 127);  // 63 * 255 >> 6 = 251, clipped
    // After the attack and hold, sustain 64: boosted x * 64 >> 6 = x, plain x * 64 >> 8.
    // saw[10] = 127 - (5100 >> 8) = 108, at gain 64: 54.
    EXPECT_EQ(boosted[10], 54);
    EXPECT_EQ(quiet[10], 13);
}

}  // namespace
}  // namespace qn

// Up to eight filters run side by side must give the bytes of separate runs,
// whatever the types, lengths and group size.
namespace qn {
namespace {

TEST(FilterSweep, GroupEqualsSeparateRuns) {
    std::mt19937 random(11u);
    for (int n = 0; n < 300; ++n) {
        const int count = 1 + int(random() % wave::kMaxFilterGroup);
        WaveParams params[wave::kMaxFilterGroup];
        std::vector<int8_t> alone[wave::kMaxFilterGroup], grouped[wave::kMaxFilterGroup];
        const WaveParams* pointers[wave::kMaxFilterGroup];
        int8_t* outs[wave::kMaxFilterGroup];
        int lengths[wave::kMaxFilterGroup];
        for (int w = 0; w < count; ++w) {
            WaveParams& p = params[w];
            p = DefaultWaveParams();
            p.flags = uint8_t(random() % 3);
            p.baseNote = int8_t(random() % 40 - 20);
            p.gain = uint8_t(random());
            p.lengthIndex = uint8_t(random() % 6);
            p.filterType = uint8_t(n % 10 == 0 ? random() % 6 : 1 + random() % 4);
            p.resonance = uint8_t(random());
            p.filterStart = uint8_t(random());
            p.filterLower = uint8_t(random());
            p.filterUpper = uint8_t(random());
            p.filterSpeed = int8_t(random());
            // Unfiltered oscillator output, then filtered both ways.
            WaveParams raw = p;
            raw.filterType = 0;
            alone[w] = Generate(raw);
            grouped[w] = alone[w];
            wave::ApplyFilterSweep(p, alone[w].data(), int(alone[w].size()));
            pointers[w] = &params[w];
            outs[w] = grouped[w].data();
            lengths[w] = int(grouped[w].size());
        }
        wave::ApplyFilterSweepGroup(pointers, outs, lengths, count);
        for (int w = 0; w < count; ++w) ASSERT_EQ(grouped[w], alone[w]) << "group " << n << " wave " << w;
    }
}

}  // namespace
}  // namespace qn
