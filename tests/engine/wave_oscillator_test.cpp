// Oscillator tables, and single output bytes of every synthesizer stage
// worked out by hand from the stage rules (the working is in the comments).
// They anchor the reference model behind the golden hashes.
#include <gtest/gtest.h>

#include <functional>

#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

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
    const OscillatorBlock& c = synth.Tables()[0];
    // inc = 65280 / 128 = 510: saw[1] = 127 - (510 >> 8) = 126, saw[127] = 127 - (64770 >> 8) = -126;
    // semitone 11 (L = 67): inc 974, saw[66] = 127 - (64284 >> 8) = -124.
    EXPECT_EQ((std::vector<int>{c.saw[0], c.saw[1], c.saw[127], synth.Tables()[11].saw[66]}),
              (std::vector<int>{127, 126, -126, -124}));
    // The triangle is rotated to start near zero and rise: stored index k holds source i = k + 32.
    // i = 32: v = 16320 >> 7 = 127, (127|1)+127 = 254 = -2; i = 64 = L/2: v = 255, 382 = 126;
    // i = 65: 127 - (258 & 254) = -131 = 125; i = 0 (at 96): 128 = -128; i = 127 (at 95): -123.
    EXPECT_EQ((std::vector<int>{c.triangle[0], c.triangle[1], c.triangle[32], c.triangle[33], c.triangle[95],
                                c.triangle[96]}),
              (std::vector<int>{-2, 2, 126, 125, -123, -128}));
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
        {"zero chord offsets are skipped (else 4 x 63 would clip)",
         [](WaveParams& p) { p.chord[0] = p.chord[1] = p.chord[2] = 0; }, {{0, 63}}},
        {"repeated non-zero offsets all play: 63 x 3 clips",
         [](WaveParams& p) { p.chord[0] = p.chord[1] = 12; }, {{0, 127}}},
        {"unisono 3: layer 2 adds entry 65 at sample 64: 0 + ((-2 * 64) >> 7)",
         [](WaveParams& p) { p.modFlags = uint8_t(1 | (3 << 3)); }, {{64, -1}}},
        {"chord 12 with Shift 8 starts the octave note at entry 16 (step 2 x 8)",
         [](WaveParams& p) { p.chord[0] = 12, p.shift = 8; }, {{0, Saw(0) + Saw(16)}, {1, Saw(1) + Saw(18)}}},
        {"phase sweep one entry per cycle: the hold at entry 0 lasts 0, 1, 2 samples",
         [](WaveParams& p) { p.phaseMin = 0, p.phaseMax = 255, p.phaseSpeed = 16, p.gain = 128, p.lengthIndex = 2; },
         {{1, 126}, {128, 127}, {129, 127}, {130, 126}, {258, 127}, {259, 126}}},
        // Noise: seed 1 ^ 0x2000 = 0x2001, ^ >> 9 = 0x2011, ^ (<< 7 & 0xffff) = 0x2891 -> 0x91 = -111,
        // (-111 * 64) >> 7 = -56; then 0x4215 -> 21 -> 10; 0xd064 -> 100 -> 50.
        {"noise: the sixteen-bit xorshift", [](WaveParams& p) { p.flags = 3; }, {{0, -56}, {1, 10}, {2, 50}}},
        {"noise at note -12 (rate 16376): samples 0 and 1 draw, then every second",
         [](WaveParams& p) { p.flags = 3, p.baseNote = -12; }, {{1, 10}, {2, 10}, {3, 50}, {4, 50}}},
        // Open lowpass: f = 255, k = 510; x = 127: s0 = 126, s1 = 125, s2 = 124, s3 = 123; next
        // s0 += ((1 * 510 >> 8) - 126 + 127) * 255 >> 8 = 1 -> 127, s1..s3 each gain 1 -> 124.
        {"open lowpass", [](WaveParams& p) { FullSquare(p), p.filterType = 1; }, {{0, 123}, {1, 124}}},
        {"closed highpass gives 0 - x, clipped",
         [](WaveParams& p) { FullSquare(p), p.filterType = 2; }, {{0, -127}, {64, 127}}},
        {"lower = upper limit at the top (cutoff byte 0): the filter stays closed and silent",
         [](WaveParams& p) {
             FullSquare(p), p.filterType = 1, p.filterStart = p.filterLower = 255, p.filterSpeed = -50, p.lengthIndex = 3;
         },
         {{0, 0}, {200, 0}, {511, 0}}},
        // A zero-delay tap adds the sample to itself: 63 + (63 * 255 >> 8) = 125; the odd tap is inverted.
        {"odd taps are inverted: 125 + (-125 * 255 >> 8) = 0, -126 + 125 = -1",
         [](WaveParams& p) { p.wetness = 255, p.modLength = 0, p.modFlags = 2; }, {{0, 0}, {127, -1}}},
        {"a 64-sample tap ((77 >> 2) + 64 x 64 = 4115 >> 6) feeds back on itself: 0 + 31, 63 + 15",
         [](WaveParams& p) { p.wetness = 128, p.preDelay = 64, p.lengthIndex = 1; },
         {{63, Saw(63)}, {64, 31}, {128, 78}}},
        {"sync bit: envelope first, 63 -> 62 -> 62 + 61",
         [](WaveParams& p) { p.wetness = 255, p.modLength = 0, p.sustain = 0, p.modFlags = 1 | 0x20; },
         {{0, 123}, {2, 0}}},
        {"instant attack, Delay 2 holds sixteen samples per step (0..33), sustain 0",
         [](WaveParams& p) { FullSquare(p), p.sustain = 0, p.delay = 2; }, {{0, 126}, {33, 126}, {34, 0}}},
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
        {"decay stops at the sustain level (first below it at sample 59, from the reference model)",
         [](WaveParams& p) { FullSquare(p), p.flags |= kWaveEnvelopeSync, p.decay = 255, p.sustain = 200; },
         {{59, 99}, {63, 99}, {64, -100}, {127, -100}}},
        {"boost: four times louder and clipped; at sustain 64, x * 64 >> 6 (saw[10] = 108, at gain 64: 54)",
         [](WaveParams& p) { p.sustain = 64, p.flags = kWaveBoost; }, {{0, 127}, {10, 54}}},
    };
    for (const Sample& s : samples) {
        WaveParams params = DefaultWaveParams();
        s.set(params);
        const std::vector<int8_t> out = test::Generate(params);
        for (auto [index, value] : s.bytes) EXPECT_EQ(out[size_t(index)], value) << s.what << ", sample " << index;
    }
}

}  // namespace
}  // namespace qn
