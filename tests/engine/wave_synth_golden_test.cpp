// Golden wave bytes for crafted records that combine several stages.
//
// The expected hashes come from tests/engine/wave_reference.py, a separate,
// sample-by-sample Python model of the synthesizer with unbounded integers
// and explicit truncations, anchored by the hand-worked bytes of
// wave_oscillator_test.cpp; run the script to reprint them (with the leading
// bytes of each wave). These guard the optimised inner loops: any changed
// output byte fails here.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Fnv1a;
using test::Generate;

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
