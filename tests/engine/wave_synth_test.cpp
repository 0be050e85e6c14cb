// The wave synthesizer: oscillator tables and output bytes of each stage
// worked out by hand from the stage rules, then golden hashes of whole waves
// from tests/engine/wave_reference.py, a separate sample-by-sample Python
// model with unbounded integers and explicit truncations (run it to reprint
// them). The hashes guard the optimised inner loops: any changed byte fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Fnv1a;
using test::Generate;

TEST(OscillatorTables, CycleLengthsAndShapes) {
    // 4194304 / 32768 = 128, / 34589 = 121.26, ..., / 61856 = 67.8.
    const int lengths[12] = {128, 121, 114, 107, 102, 96, 90, 85, 80, 76, 72, 67};
    WaveSynth synth;
    for (int k = 0; k < 12; ++k) {
        const OscillatorBlock& block = synth.Tables()[k];
        ASSERT_EQ(block.length, lengths[k]) << "semitone " << k;
        for (int i = lengths[k]; i < 128; ++i) ASSERT_EQ(block.saw[i] | block.square[i] | block.triangle[i], 0) << k;
        // The square switches at half the cycle.
        ASSERT_EQ(block.square[lengths[k] / 2 - 1], 127) << k;
        ASSERT_EQ(block.square[lengths[k] / 2], -128) << k;
    }
    // Saw: inc = 65280 / 128 = 510, saw[1] = 127 - (510 >> 8) = 126, saw[127] = 127 - (64770 >> 8) = -126.
    // The triangle is rotated to start near zero and rise: stored index k holds source i = k + 32;
    // i = 32: v = 16320 >> 7 = 127, (127|1)+127 = 254 = -2; i = 64 = L/2: v = 255, 382 = 126.
    const OscillatorBlock& c = synth.Tables()[0];
    EXPECT_EQ((std::vector<int>{c.saw[0], c.saw[1], c.saw[127], c.triangle[0], c.triangle[32]}),
              (std::vector<int>{127, 126, -126, -2, 126}));
}

// A square at gain 128: 127 for samples 0..63 of each 128, -128 for 64..127.
void FullSquare(WaveParams& p) { p.flags = 2, p.gain = 128; }
// Saw entry `entry` of semitone 0 at gain 64, as one table oscillator adds it.
int Saw(int entry) { return (WaveSynth().Tables()[0].saw[entry] * 64) >> 7; }

TEST(WaveStages, HandWorkedSamples) {
    struct Sample {
        const char* what;
        std::function<void(WaveParams&)> set;
        std::vector<std::pair<int, int>> bytes;  // sample index, expected value
    };
    const Sample samples[] = {
        {"default: one saw cycle at half amplitude, (127 * 64) >> 7 and (-126 * 64) >> 7",
         [](WaveParams&) {}, {{0, 63}, {127, -63}}},
        {"unisono 3: layer 2 adds entry 65 at sample 64: 0 + ((-2 * 64) >> 7)",
         [](WaveParams& p) { p.modFlags = uint8_t(1 | (3 << 3)); }, {{64, -1}}},
        // Noise: seed 1 ^ 0x2000 = 0x2001, ^ >> 9 = 0x2011, ^ (<< 7 & 0xffff) = 0x2891 -> 0x91 = -111,
        // (-111 * 64) >> 7 = -56; then 0x4215 -> 21 -> 10; 0xd064 -> 100 -> 50.
        {"noise: the sixteen-bit xorshift", [](WaveParams& p) { p.flags = 3; }, {{0, -56}, {1, 10}, {2, 50}}},
        // Open lowpass: f = 255, k = 510; x = 127: s0 = 126, s1 = 125, s2 = 124, s3 = 123; next
        // s0 += ((1 * 510 >> 8) - 126 + 127) * 255 >> 8 = 1 -> 127, s1..s3 each gain 1 -> 124.
        {"open lowpass", [](WaveParams& p) { FullSquare(p), p.filterType = 1; }, {{0, 123}, {1, 124}}},
        // A zero-delay tap adds the sample to itself: 63 + (63 * 255 >> 8) = 125; the odd tap is inverted.
        {"odd taps are inverted: 125 + (-125 * 255 >> 8) = 0, -126 + 125 = -1",
         [](WaveParams& p) { p.wetness = 255, p.modLength = 0, p.modFlags = 2; }, {{0, 0}, {127, -1}}},
        {"a 64-sample tap ((77 >> 2) + 64 x 64 = 4115 >> 6) feeds back on itself: 0 + 31, 63 + 15",
         [](WaveParams& p) { p.wetness = 128, p.preDelay = 64, p.lengthIndex = 1; },
         {{63, Saw(63)}, {64, 31}, {128, 78}}},
        // 131072 / 128 = 1024 per sample, 16384 with sync: sample i scales by (i + 1) / 4; the attack
        // ends at 1023, one hold sample at 255, then sustain 128 halves.
        {"synced attack is sixteen times faster",
         [](WaveParams& p) {
             FullSquare(p), p.attack = 128, p.sustain = 128, p.flags |= kWaveEnvelopeSync, p.lengthIndex = 15;
         },
         {{3, 0}, {511, -64}, {1023, -128}, {1024, 126}, {1025, 63}, {1088, -64}}},
        // Fall rates 896, 768, 638, 512: levels 64639 -> 252, 63871 -> 249, 63233 -> 247, 62721 -> 245.
        {"synced decay walks the fall-rate table",
         [](WaveParams& p) { FullSquare(p), p.flags |= kWaveEnvelopeSync, p.decay = 255, p.sustain = 0; },
         {{2, 125}, {3, 123}, {4, 122}, {5, 121}}},
        {"boost: four times louder and clipped; at sustain 64, x * 64 >> 6 (saw[10] = 108, at gain 64: 54)",
         [](WaveParams& p) { p.sustain = 64, p.flags = kWaveBoost; }, {{0, 127}, {10, 54}}},
    };
    for (const Sample& s : samples) {
        WaveParams params = DefaultWaveParams();
        s.set(params);
        const std::vector<int8_t> out = Generate(params);
        for (auto [index, value] : s.bytes) EXPECT_EQ(out[size_t(index)], value) << s.what << ", sample " << index;
    }
}

// The benchmark's record: every stage on at the longest length (bench_record in the script).
void LongestEveryStage(WaveParams& p, int oscType, int baseNote) {
    p.flags = uint8_t(oscType | kWavePitchLinear), p.baseNote = int8_t(baseNote), p.lengthIndex = 255;
    p.chord[0] = 3, p.chord[1] = 7, p.chord[2] = 12, p.modFlags = uint8_t(7 | (3 << 3)), p.pitchRamp = -2;
    p.phaseMin = 20, p.phaseMax = 180, p.phaseSpeed = 30, p.shift = 5, p.filterType = uint8_t(1 + oscType);
    p.resonance = 60, p.filterStart = 30, p.filterLower = 10, p.filterUpper = 240, p.filterSpeed = 40;
    p.wetness = 120, p.modLength = 2, p.preDelay = 3, p.attack = 20, p.delay = 1, p.decay = 30, p.sustain = 120;
}

TEST(WaveGolden, CraftedRecordsCombiningStages) {
    struct Golden { const char* what; std::function<void(WaveParams&)> set; uint32_t hash; };
    const Golden goldens[] = {
        {"chord saw with ramp and filter",
         [](WaveParams& p) {
             p.chord[0] = 4, p.chord[1] = 7, p.chord[2] = 12, p.shift = 9, p.pitchRamp = -3, p.filterType = 1;
             p.resonance = 40, p.filterStart = 200, p.filterLower = 40, p.filterUpper = 220, p.filterSpeed = -20;
             p.lengthIndex = 3;
         },
         0x0d3a7e40u},
        {"unisono triangle phase sweep",
         [](WaveParams& p) {
             p.flags = 1, p.modFlags = uint8_t(1 | (2 << 3)), p.phaseMin = 10, p.phaseMax = 200, p.phaseSpeed = 90;
             p.baseNote = -5, p.gain = 150, p.lengthIndex = 1;
         },
         0xb323f4f1u},
        {"noise, linear ramp, envelope",
         [](WaveParams& p) {
             p.flags = uint8_t(3 | kWavePitchLinear | kWaveBoost), p.baseNote = -20, p.pitchRamp = 50, p.shift = 3;
             p.phaseMin = 7, p.attack = 30, p.delay = 2, p.decay = 40, p.sustain = 90, p.lengthIndex = 5;
         },
         0x97fce5ccu},
        {"square, modulator, sync, bandpass",
         [](WaveParams& p) {
             p.flags = uint8_t(2 | kWaveEnvelopeSync), p.chord[0] = -12, p.chord[1] = 3, p.baseNote = 30;
             p.filterType = 3, p.resonance = 200, p.filterStart = 10, p.filterSpeed = 127, p.wetness = 180;
             p.modLength = 3, p.preDelay = 5, p.modFlags = uint8_t(7 | 0x20), p.attack = 4, p.decay = 200;
             p.sustain = 0, p.lengthIndex = 7;
         },
         0xffde964eu},
        {"high notes, notch",
         [](WaveParams& p) {
             p.baseNote = 100, p.chord[0] = 20, p.chord[1] = 27, p.chord[2] = -100, p.modFlags = uint8_t(1 | (3 << 3));
             p.filterType = 4, p.filterStart = 128, p.filterSpeed = -128, p.filterLower = 100, p.filterUpper = 100;
             p.shift = 77;
         },
         0x30635c33u},
        {"longest, every stage, saw", [](WaveParams& p) { LongestEveryStage(p, 0, -12); }, 0x12b459e0u},
        {"longest, every stage, triangle", [](WaveParams& p) { LongestEveryStage(p, 1, 0); }, 0x77d7bf4eu},
        {"longest, every stage, square", [](WaveParams& p) { LongestEveryStage(p, 2, 9); }, 0x3fd73a66u},
        {"longest, every stage, noise", [](WaveParams& p) { LongestEveryStage(p, 3, -30); }, 0xbfd86b3bu},
    };
    for (const Golden& golden : goldens) {
        WaveParams params = DefaultWaveParams();
        golden.set(params);
        EXPECT_EQ(Fnv1a(Generate(params)), golden.hash) << golden.what;
    }
}

// 300 records of random bytes (length index cut to 0..7), one hash over all outputs.
TEST(WaveGolden, RandomRecordSweepMatchesTheReferenceModel) {
    uint32_t state = 2463534242u;
    uint32_t hash = 0x811C9DC5u;
    for (int n = 0; n < 300; ++n) {
        uint8_t raw[42];
        for (uint8_t& byte : raw) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = uint8_t(state & 0xff);
        }
        raw[25] &= 7;
        WaveParams p;
        std::memcpy(&p, raw, sizeof(p));  // host-order fields; the synth reads only bytes 14..41
        hash = Fnv1a(Generate(p), hash);
    }
    EXPECT_EQ(hash, 0xae5e334eu);
}

}  // namespace
}  // namespace qn
