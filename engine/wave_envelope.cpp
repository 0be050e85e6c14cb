// The volume envelope: attack, hold, decay along the fall-rate table and
// sustain, applied to a generated wave in place.
#include <cstdint>

#include "engine/fall_rate_table.h"
#include "engine/wave_math.h"
#include "engine/wave_simd.h"
#include "engine/wave_stages.h"

namespace qn::wave {

void ApplyEnvelope(const WaveParams& params, int8_t* out, int length) {
    if (params.attack == 0 && params.sustain == 255) return;
    const bool boost = (params.flags & kWaveBoost) != 0;
    const bool sync = (params.flags & kWaveEnvelopeSync) != 0;
    // Boost is four times louder and clips; otherwise the top byte of the product.
    auto scale = [boost](int32_t product) -> int8_t {
        return boost ? saturate8(product >> 6) : wrap8(product >> 8);
    };

    int i = 0;

    // Attack: the level position climbs to 16777215 (level 255).
    constexpr int32_t kFullLevel = 16777215;
    const int32_t attackStep = params.attack != 0 ? 131072 / params.attack : 131072;
    const int32_t attackRate = sync ? attackStep * 16 : attackStep;
    int32_t level = params.attack != 0 ? 0 : kFullLevel + 1;
    while (i < length) {
        level += attackRate;
        if (level > kFullLevel) {
            out[i] = scale(int32_t(out[i]) * 255);
            level = kFullLevel;
            ++i;
            break;
        }
        out[i] = scale(int32_t(out[i]) * (level >> 16));
        ++i;
    }

    // Hold: "Delay" * 16 + 1 samples at the reached level.
    const int holdEnd = i + int(params.delay) * 16 + 1;
    const int holdCount = (holdEnd < length ? holdEnd : length) - i;
    if (holdCount > 0) {
        ScaleBytes(out + i, holdCount, level >> 16, boost);
        i += holdCount;
    }

    const int32_t sustain = params.sustain;
    if (params.decay == 0) {
        if (i < length) ScaleBytes(out + i, length - i, sustain, boost);
        return;
    }

    // Decay: walks the fall-rate table, interpolating between neighbours,
    // until the level drops below the sustain level.
    const int32_t decay = params.decay;
    int32_t tablePosition = sync ? 0 : decay * 4096;
    int32_t tableIndex = tablePosition >> 16;
    int32_t lowerRate = kFallRateTable[tableIndex];
    int32_t upperRate = kFallRateTable[tableIndex + 1];
    int32_t envelope = level >> 8;
    const int32_t increment = ((decay * decay) >> 2) + decay;
    int32_t rate = 0;
    for (; i < length; ++i) {
        tablePosition += increment;
        const int32_t index = uint16_t(tablePosition >> 16);
        if (index < kFallRateCount) {
            if (index > tableIndex) {
                lowerRate = upperRate;
                upperRate = kFallRateTable[index];
                tableIndex = index;
            }
            rate = wrap16(lowerRate + (((upperRate - lowerRate) * ((tablePosition >> 8) & 255)) >> 8));
        }
        envelope -= rate;
        if (envelope < sustain * 256) break;
        out[i] = scale(int32_t(out[i]) * (envelope >> 8));
    }
    if (i < length) ScaleBytes(out + i, length - i, sustain, boost);
}

}  // namespace qn::wave
