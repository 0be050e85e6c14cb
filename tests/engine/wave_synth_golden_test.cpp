// Golden wave bytes for crafted records that combine several stages.
//
// The expected hashes and leading bytes come from tests/engine/wave_reference.py,
// a separate, sample-by-sample Python model of the synthesizer with unbounded
// integers and explicit truncations; its simple cases were checked by hand
// against the values in the other wave tests. Run the script to reprint them.
// These guard the optimised inner loops: any changed output byte fails here.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Fnv1a;
using test::Generate;

struct Golden {
    const char* what;
    std::function<void(WaveParams&)> set;
    uint32_t hash;
    int8_t first[16];
};

TEST(WaveGolden, CraftedRecordsCombiningStages) {
    const Golden goldens[] = {
        {"chord saw with ramp and filter",
         [](WaveParams& p) {
             p.chord[0] = 4, p.chord[1] = 7, p.chord[2] = 12, p.shift = 9, p.pitchRamp = -3, p.filterType = 1;
             p.resonance = 40, p.filterStart = 200, p.filterLower = 40, p.filterUpper = 220, p.filterSpeed = -20;
             p.lengthIndex = 3;
         },
         0x0d3a7e40u, {0, 1, 4, 8, 14, 22, 31, 41, 52, 62, 72, 81, 89, 95, 100, 103}},
        {"unisono triangle phase sweep",
         [](WaveParams& p) {
             p.flags = 1, p.modFlags = uint8_t(1 | (2 << 3)), p.phaseMin = 10, p.phaseMax = 200, p.phaseSpeed = 90;
             p.baseNote = -5, p.gain = 150, p.lengthIndex = 1;
         },
         0xb323f4f1u, {22, 36, 36, 50, 50, 64, 64, 78, 78, 92, 92, 106, 106, 120, 120, 127}},
        {"noise, linear ramp, envelope",
         [](WaveParams& p) {
             p.flags = uint8_t(3 | kWavePitchLinear | kWaveBoost), p.baseNote = -20, p.pitchRamp = 50, p.shift = 3;
             p.phaseMin = 7, p.attack = 30, p.delay = 2, p.decay = 40, p.sustain = 90, p.lengthIndex = 5;
         },
         0x97fce5ccu, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
        {"square, modulator, sync, bandpass",
         [](WaveParams& p) {
             p.flags = uint8_t(2 | kWaveEnvelopeSync), p.chord[0] = -12, p.chord[1] = 3, p.baseNote = 30;
             p.filterType = 3, p.resonance = 200, p.filterStart = 10, p.filterSpeed = 127, p.wetness = 180;
             p.modLength = 3, p.preDelay = 5, p.modFlags = uint8_t(7 | 0x20), p.attack = 4, p.decay = 200;
             p.sustain = 0, p.lengthIndex = 7;
         },
         0xffde964eu, {-3, -8, -12, -16, -20, -19, -7, -5, -18, -40, -44, -47, 8, 55, 59, 63}},
        {"high notes, notch",
         [](WaveParams& p) {
             p.baseNote = 100, p.chord[0] = 20, p.chord[1] = 27, p.chord[2] = -100, p.modFlags = uint8_t(1 | (3 << 3));
             p.filterType = 4, p.filterStart = 128, p.filterSpeed = -128, p.filterLower = 100, p.filterUpper = 100;
             p.shift = 77;
         },
         0x30635c33u, {33, 41, 45, -4, 16, -24, -28, -71, -20, -27, -7, -14, 4, -5, -34, -60}},
    };
    for (const Golden& golden : goldens) {
        WaveParams params = DefaultWaveParams();
        golden.set(params);
        const std::vector<int8_t> out = Generate(params);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(out[size_t(i)], golden.first[i]) << golden.what << ", byte " << i;
        EXPECT_EQ(Fnv1a(out), golden.hash) << golden.what;
    }
}

// The benchmark's record: every stage on at the longest length (bench_record in the script).
WaveParams LongestEveryStage(int oscType, int baseNote) {
    WaveParams p = DefaultWaveParams();
    p.flags = uint8_t(oscType | kWavePitchLinear), p.baseNote = int8_t(baseNote), p.lengthIndex = 255;
    p.chord[0] = 3, p.chord[1] = 7, p.chord[2] = 12, p.modFlags = uint8_t(7 | (3 << 3)), p.pitchRamp = -2;
    p.phaseMin = 20, p.phaseMax = 180, p.phaseSpeed = 30, p.shift = 5, p.filterType = uint8_t(1 + oscType);
    p.resonance = 60, p.filterStart = 30, p.filterLower = 10, p.filterUpper = 240, p.filterSpeed = 40;
    p.wetness = 120, p.modLength = 2, p.preDelay = 3, p.attack = 20, p.delay = 1, p.decay = 30, p.sustain = 120;
    return p;
}

TEST(WaveGolden, LongestWavesWithEveryStage) {
    struct Case {
        int oscType;
        int baseNote;
        uint32_t hash;
        int8_t at1000[8];
    };
    const Case cases[] = {
        {0, -12, 0x12b459e0u, {-20, -34, -41, -40, -36, -25, -13, 3}},
        {1, 0, 0x77d7bf4eu, {-9, -18, -11, -6, -38, -22, 2, 10}},
        {2, 9, 0x3fd73a66u, {2, 2, 1, 3, 11, 13, -49, -50}},
        {3, -30, 0xbfd86b3bu, {44, -25, -50, -50, -30, 1, 3, 2}},
    };
    for (const Case& c : cases) {
        const std::vector<int8_t> out = Generate(LongestEveryStage(c.oscType, c.baseNote));
        ASSERT_EQ(out.size(), 32768u);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(out[1000 + i], c.at1000[i]) << "osc " << c.oscType;
        EXPECT_EQ(Fnv1a(out), c.hash) << "osc " << c.oscType;
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
