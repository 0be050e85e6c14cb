// The delay-line modulator and the volume envelope, which rewrite a
// generated (and filtered) wave in place.
#include <cstdint>
#include <cstring>

#include "engine/fall_rate_table.h"
#include "engine/wave_math.h"
#include "engine/wave_simd.h"
#include "engine/wave_stages.h"

namespace qn::wave {

namespace {

// Delay of each modulator tap, in units that the "Length" field scales.
constexpr int32_t kTapDelays[8] = {77, 293, 539, 1079, 1337, 1877, 2413, 3031};

// One period of the slow delay sweep: 0..15 and back.
constexpr int32_t kModulatorSweep[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                         11, 12, 13, 14, 15, 15, 14, 13, 12, 11, 10,
                                         9,  8,  7,  6,  5,  4,  3,  2,  1,  0};

}  // namespace

namespace {

// Delays below this run sample by sample; from here on a 16-lane chunk of
// min(delay, 16) samples depends only on samples before it.
constexpr int32_t kVectorDelay = 6;

// One tap: dst[i] = saturate8(in[i] + ((src * weight) >> 8)) with src = dst[i - D]
// (this tap's own, already rewritten output) or 0 before the start. The delay D
// follows the sweep, which only changes every 2048 / sweepStep samples, so the
// wave is walked in runs of constant delay. `dst` and `in` are separate buffers.
void ModulatorTap(const int8_t* in, int8_t* dst, int length, int32_t offset, int32_t sweepStep,
                  int32_t weight) {
    int i = 0;
    while (i < length) {
        // The sweep accumulator reads sweepStep * (i + 1) at sample i.
        const int32_t level = (sweepStep * (i + 1)) >> 11;
        const int32_t nextLevelAt = ((level + 1) * 2048 + sweepStep - 1) / sweepStep - 1;
        const int end = nextLevelAt < length ? int(nextLevelAt) : length;
        const int32_t delay = wrap16((kModulatorSweep[level & 31] * 32 + offset) >> 6);

        int j = i;
        for (; j < end && j < delay; ++j) dst[j] = in[j];  // nothing to read before the start
        if (delay == 0) {
            for (; j < end; ++j) dst[j] = saturate8(int32_t(in[j]) + ((int32_t(in[j]) * weight) >> 8));
        } else if (delay >= kVectorDelay) {
            const int width = delay < 16 ? int(delay) : 16;
            while (j < end && j + 16 <= length) {
                ModulatorLanes16(in + j, dst + j - delay, dst + j, weight);
                j += (end - j) < width ? (end - j) : width;
            }
        }
        for (; j < end; ++j) {
            dst[j] = saturate8(int32_t(in[j]) + ((int32_t(dst[j - delay]) * weight) >> 8));
        }
        i = end;
    }
}

}  // namespace

void ApplyModulator(const WaveParams& params, int8_t* out, int length) {
    const int32_t wetness = params.wetness;
    const int taps = params.Density();
    if (wetness == 0 || taps == 0) return;
    const bool sync = params.ModulatorSync();

    // Taps run one after another over the whole wave; each reads the previous
    // tap's result and writes its own into the other buffer.
    alignas(16) int8_t scratch[kMaxWaveLength];
    int8_t* source = out;
    int8_t* target = scratch;
    for (int tap = 0; tap < taps; ++tap) {
        int32_t base = kTapDelays[tap] * int32_t(params.modLength);
        if (!sync) base >>= 2;
        const int32_t preDelay = int32_t(params.preDelay) * (sync ? 256 : 64);
        // Odd taps are inverted: (-src * w) >> 8 equals (src * -w) >> 8.
        const int32_t weight = (tap & 1) != 0 ? -wetness : wetness;
        ModulatorTap(source, target, length, base + preDelay, 8 + tap, weight);
        int8_t* swap = source;
        source = target;
        target = swap;
    }
    if (source != out) std::memcpy(out, source, size_t(length));
}

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
    for (; i < length && i < holdEnd; ++i) out[i] = scale(int32_t(out[i]) * (level >> 16));

    const int32_t sustain = params.sustain;
    if (params.decay == 0) {
        for (; i < length; ++i) out[i] = scale(int32_t(out[i]) * sustain);
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
    for (; i < length; ++i) out[i] = scale(int32_t(out[i]) * sustain);
}

}  // namespace qn::wave
