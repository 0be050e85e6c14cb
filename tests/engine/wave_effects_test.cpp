// The filter group against separate filter runs.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "engine/wave_stages.h"
#include "engine/wave_synth.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

using test::Generate;

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
