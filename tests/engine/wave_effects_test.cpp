// Records that must give the same bytes, or different ones, and the filter
// group against separate filter runs.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "engine/wave_stages.h"
#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Generate;

TEST(WaveStages, RecordsThatSoundAlikeOrNot) {
    using Set = std::function<void(WaveParams&)>;
    struct Pair { const char* what; Set a, b; bool same; };
    auto square = [](WaveParams& p) { p.flags = 2, p.gain = 128; };
    const Pair pairs[] = {
        {"filter types above 4 act as no filter", [&](WaveParams& p) { square(p), p.filterType = 5, p.filterStart = 128; },
         square, true},
        {"filter type 255", [&](WaveParams& p) { square(p), p.filterType = 255, p.filterStart = 128; }, square, true},
        {"resonance raises the feedback",
         [&](WaveParams& p) { square(p), p.filterType = 1, p.filterStart = 160; },
         [&](WaveParams& p) { square(p), p.filterType = 1, p.filterStart = 160, p.resonance = 80; }, false},
        {"resonance 80 and 255 share the divisor max(182 - 160, 54) = 54",
         [&](WaveParams& p) { square(p), p.filterType = 1, p.filterStart = 160, p.resonance = 255; },
         [&](WaveParams& p) { square(p), p.filterType = 1, p.filterStart = 160, p.resonance = 80; }, true},
        {"density 0: no modulator", [](WaveParams& p) { p.wetness = 200, p.modFlags = 0; }, [](WaveParams&) {}, true},
        {"boost without an envelope has no effect", [](WaveParams& p) { p.flags = kWaveBoost; }, [](WaveParams&) {},
         true},
        {"noise takes no unisono layer", [](WaveParams& p) { p.flags = 3, p.modFlags = 1 | (3 << 3); },
         [](WaveParams& p) { p.flags = 3; }, true},
        {"the noise seed is Shift + Phase Min", [](WaveParams& p) { p.flags = 3, p.shift = 3, p.phaseMin = 4; },
         [](WaveParams& p) { p.flags = 3, p.shift = 7; }, true},
        {"the noise seed counts", [](WaveParams& p) { p.flags = 3, p.shift = 7; }, [](WaveParams& p) { p.flags = 3; },
         false},
    };
    for (const Pair& pair : pairs) {
        WaveParams a = DefaultWaveParams(), b = DefaultWaveParams();
        pair.a(a);
        pair.b(b);
        EXPECT_EQ(Generate(a) == Generate(b), pair.same) << pair.what;
    }
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
