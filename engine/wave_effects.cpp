// The stages that rewrite a generated wave in place: the swept four-pole
// resonant filter, the delay-line modulator and the volume envelope.
#include <cstdint>
#include <cstring>

#include "engine/fall_rate_table.h"
#include "engine/wave_math.h"
#include "engine/wave_simd.h"
#include "engine/wave_stages.h"

namespace qn::wave {

namespace {

constexpr int kFilterBlock = 64;          // the sweep moves once per 64 samples
constexpr int32_t kSweepTop = 65280;      // highest sweep position, 255 * 256

enum FilterType { kNoFilter = 0, kLowpass = 1, kHighpass = 2, kBandpass = 3, kNotch = 4 };

// Four cascaded one-pole stages in 16-bit words, the first with resonance
// feedback. Every difference and sum is cut to a word before it is
// multiplied, as the 68000 code does with word registers.
struct FilterState {
    int16_t s0 = 0;
    int16_t s1 = 0;
    int16_t s2 = 0;
    int16_t s3 = 0;
};

void FilterBlock(FilterState& state, int type, int32_t cutoff, int32_t resonance, int8_t* samples,
                 int count) {
    const int32_t f = (type == kLowpass || type == kBandpass) ? cutoff : 255 - cutoff;
    int32_t feedback;
    if (resonance == 0) {
        feedback = f + f;
    } else {
        int32_t divisor = wrap16(182 - 2 * resonance);
        if (divisor < 54) divisor = 54;
        feedback = f + (f * 256) / divisor;
    }
    const int32_t k = wrap16(feedback);

    int16_t s0 = state.s0, s1 = state.s1, s2 = state.s2, s3 = state.s3;
    for (int i = 0; i < count; ++i) {
        const int32_t x = samples[i];
        const int32_t resonant = (int32_t(wrap16(s0 - s1)) * k) >> 8;
        s0 = wrap16(s0 + ((int32_t(wrap16(resonant - s0 + x)) * f) >> 8));
        s1 = wrap16(s1 + ((int32_t(wrap16(s0 - s1)) * f) >> 8));
        s2 = wrap16(s2 + ((int32_t(wrap16(s1 - s2)) * f) >> 8));
        s3 = wrap16(s3 + ((int32_t(wrap16(s2 - s3)) * f) >> 8));
        int32_t output;
        switch (type) {
            case kLowpass: output = s3; break;
            case kHighpass: output = s3 - x; break;
            case kBandpass: output = (int32_t(s3) - s2 - s1 - s0) >> 1; break;
            default: output = s0 - s3; break;  // notch
        }
        samples[i] = saturate8(wrap16(output));
    }
    state = {s0, s1, s2, s3};
}

// Delay of each modulator tap, in units that the "Length" field scales.
constexpr int32_t kTapDelays[8] = {77, 293, 539, 1079, 1337, 1877, 2413, 3031};

// One period of the slow delay sweep: 0..15 and back.
constexpr int32_t kModulatorSweep[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                         11, 12, 13, 14, 15, 15, 14, 13, 12, 11, 10,
                                         9,  8,  7,  6,  5,  4,  3,  2,  1,  0};

}  // namespace

void ApplyFilterSweep(const WaveParams& params, int8_t* out, int length) {
    const int type = params.filterType;
    // A file can hold any byte here; only the four real filter types filter.
    if (type < kLowpass || type > kNotch) return;

    int32_t position = int32_t(params.filterStart) * 256;
    int32_t speed = int32_t(params.filterSpeed) * 128;
    const int32_t lower = int32_t(params.filterLower) * 256;
    const int32_t upper = int32_t(params.filterUpper) * 256;
    const int32_t resonance = params.resonance;

    FilterState state;
    for (int start = 0; start < length; start += kFilterBlock) {
        int32_t next = position + speed;
        if (speed <= 0) {
            if (position >= lower && next <= lower) {
                next = lower;
                if (upper != lower && speed < 0) speed = -speed;
            } else if (position >= 0 && next <= 0) {
                next = 0;
                if (speed < 0) speed = -speed;
            }
        } else {
            if (position <= upper && next >= upper) {
                next = upper;
                if (upper != lower) speed = -speed;
            } else if (position <= kSweepTop && next >= kSweepTop) {
                next = kSweepTop;
                speed = -speed;
            }
        }
        position = next;
        const int32_t cutoff = 255 - (position >> 8);
        const int count = length - start < kFilterBlock ? length - start : kFilterBlock;
        FilterBlock(state, type, cutoff, resonance, out + start, count);
    }
}

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
