// The delay-line modulator: up to seven taps, each adding a delayed copy of
// its own output (odd taps inverted) with a delay that sweeps slowly.
//
// A tap feeds back on itself, so sample i needs the tap's result D samples
// back. The delay only changes every 2048 / (8 + tap) samples, so a tap is
// walked in runs of constant D. Within a run, 16-lane vectors take
// min(D, 16) samples at a time: up to 16 the previous chunk's result is the
// next source, up to 31 the last 32 results stay in registers (byte shifts
// by a constant D, one instantiation per delay), and longer delays read
// back from memory.
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "engine/wave_math.h"
#include "engine/wave_stages.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qn::wave {

namespace {

// Delay of each modulator tap, in units that the "Length" field scales.
constexpr int32_t kTapDelays[8] = {77, 293, 539, 1079, 1337, 1877, 2413, 3031};

// One period of the slow delay sweep: 0..15 and back.
constexpr int32_t kModulatorSweep[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                         11, 12, 13, 14, 15, 15, 14, 13, 12, 11, 10,
                                         9,  8,  7,  6,  5,  4,  3,  2,  1,  0};

inline int8_t ModulateSample(int32_t dry, int32_t source, int32_t weight) {
    return saturate8(dry + ((source * weight) >> 8));
}

#if defined(__SSE2__)

inline __m128i Load16(const int8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}
inline void Store16(int8_t* bytes, __m128i value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), value);
}

// Sixteen lanes of saturate8(dry + ((source * weight) >> 8)). |weight| <= 255,
// so source * weight fits a word and the arithmetic word shift matches >> 8;
// the saturating byte pack is the clip.
inline __m128i ModulateLanes(__m128i dry, __m128i source, __m128i factor) {
    const __m128i wetLow = _mm_srai_epi16(
        _mm_mullo_epi16(_mm_srai_epi16(_mm_unpacklo_epi8(source, source), 8), factor), 8);
    const __m128i wetHigh = _mm_srai_epi16(
        _mm_mullo_epi16(_mm_srai_epi16(_mm_unpackhi_epi8(source, source), 8), factor), 8);
    const __m128i dryLow = _mm_srai_epi16(_mm_unpacklo_epi8(dry, dry), 8);
    const __m128i dryHigh = _mm_srai_epi16(_mm_unpackhi_epi8(dry, dry), 8);
    return _mm_packs_epi16(_mm_add_epi16(dryLow, wetLow), _mm_add_epi16(dryHigh, wetHigh));
}

inline __m128i SignExtendLow(__m128i bytes) { return _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8); }
inline __m128i SignExtendHigh(__m128i bytes) { return _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8); }

// Delay 1..16 from sample j (>= delay) to `end`, while 16 lanes fit before
// `length`. Each chunk of `delay` samples reads exactly the results of the
// chunk before it, so that result, kept as words, is the next source: the
// chain from one chunk to the next is one multiply, shift, add and clip.
// Lanes past the chunk width are stored too; later chunks overwrite them.
// Returns the new j.
int RunDelayUpTo16(const int8_t* in, int8_t* dst, int j, int end, int length, int delay, int32_t weight) {
    if (j >= end || j + 16 > length) return j;
    const __m128i factor = _mm_set1_epi16(int16_t(weight));
    const __m128i lowest = _mm_set1_epi16(-128);
    const __m128i highest = _mm_set1_epi16(127);
    const __m128i first = Load16(dst + j - delay);
    __m128i sourceLow = SignExtendLow(first);
    __m128i sourceHigh = SignExtendHigh(first);
    while (j < end && j + 16 <= length) {
        const __m128i dry = Load16(in + j);
        // |source * weight| <= 128 * 255 fits a word; the clip is saturate8.
        const __m128i low = _mm_max_epi16(
            _mm_min_epi16(_mm_add_epi16(SignExtendLow(dry), _mm_srai_epi16(_mm_mullo_epi16(sourceLow, factor), 8)),
                          highest),
            lowest);
        const __m128i high = _mm_max_epi16(
            _mm_min_epi16(_mm_add_epi16(SignExtendHigh(dry), _mm_srai_epi16(_mm_mullo_epi16(sourceHigh, factor), 8)),
                          highest),
            lowest);
        Store16(dst + j, _mm_packs_epi16(low, high));
        sourceLow = low;
        sourceHigh = high;
        j += end - j < delay ? end - j : delay;
    }
    return j;
}

// Delay kDelay (17..31) from sample j (>= 32) to `end`, while 16 lanes fit
// before `length`. Keeps dst[j - 32 .. j) in two registers and shifts the
// source out of them. Returns the new j.
template <int kDelay>
int RunDelayUpTo31(const int8_t* in, int8_t* dst, int j, int end, int length, int32_t weight) {
    const __m128i factor = _mm_set1_epi16(int16_t(weight));
    __m128i recent = Load16(dst + j - 16);
    __m128i older = Load16(dst + j - 32);
    while (j < end && j + 16 <= length) {
        const __m128i source =
            _mm_or_si128(_mm_srli_si128(older, 32 - kDelay), _mm_slli_si128(recent, kDelay - 16));
        const __m128i result = ModulateLanes(Load16(in + j), source, factor);
        Store16(dst + j, result);
        older = recent;
        recent = result;
        j += end - j < 16 ? end - j : 16;
    }
    return j;
}

using DelayRun = int (*)(const int8_t*, int8_t*, int, int, int, int32_t);

template <size_t... kIndex>
constexpr std::array<DelayRun, 15> MakeDelayRuns(std::index_sequence<kIndex...>) {
    return {&RunDelayUpTo31<int(kIndex) + 17>...};
}
constexpr std::array<DelayRun, 15> kDelayRunsUpTo31 = MakeDelayRuns(std::make_index_sequence<15>{});

#endif

// One tap: dst[i] = saturate8(in[i] + ((src * weight) >> 8)) with src = dst[i - D]
// (this tap's own, already rewritten output) or 0 before the start; for D = 0
// the sample itself, before this tap rewrites it. `dst` and `in` are separate.
// Covers samples from..to-1 of a wave of `length`; vector chunks may also
// write up to 15 bytes past `to` (never past `length`), which later chunks
// of the same tap overwrite.
void ModulatorTap(const int8_t* in, int8_t* dst, int from, int to, int length, int32_t offset,
                  int32_t sweepStep, int32_t weight) {
#if defined(__SSE2__)
    const __m128i factor = _mm_set1_epi16(int16_t(weight));
#endif
    int i = from;
    while (i < to) {
        // The sweep accumulator reads sweepStep * (i + 1) at sample i.
        const int32_t level = (sweepStep * (i + 1)) >> 11;
        const int32_t nextLevelAt = ((level + 1) * 2048 + sweepStep - 1) / sweepStep - 1;
        const int end = nextLevelAt < to ? int(nextLevelAt) : to;
        const int32_t delay = wrap16((kModulatorSweep[level & 31] * 32 + offset) >> 6);

        int j = i;
        for (; j < end && j < delay; ++j) dst[j] = in[j];  // nothing to read before the start
        if (delay == 0) {
#if defined(__SSE2__)
            for (; j < end && j + 16 <= length; j += 16) {
                const __m128i dry = Load16(in + j);
                Store16(dst + j, ModulateLanes(dry, dry, factor));
            }
#endif
            for (; j < end; ++j) dst[j] = ModulateSample(in[j], in[j], weight);
            i = end;
            continue;
        }
#if defined(__SSE2__)
        if (delay <= 16) {
            if (j < end) j = RunDelayUpTo16(in, dst, j, end, length, delay, weight);
        } else if (delay < 32) {
            for (; j < end && j < 32; ++j) dst[j] = ModulateSample(in[j], dst[j - delay], weight);
            if (j < end) j = kDelayRunsUpTo31[size_t(delay - 17)](in, dst, j, end, length, weight);
        } else {
            // Reads come from at least two chunks back.
            while (j < end && j + 16 <= length) {
                Store16(dst + j, ModulateLanes(Load16(in + j), Load16(dst + j - delay), factor));
                j += end - j < 16 ? end - j : 16;
            }
        }
#endif
        for (; j < end; ++j) dst[j] = ModulateSample(in[j], dst[j - delay], weight);
        i = end;
    }
}

}  // namespace

// Taps run in stripes of kStripe samples, tap t one stripe behind tap t - 1,
// so that the chains of several taps are in flight together. Tap t + 2
// writes into the buffer that holds tap t's own output, two stripes behind
// it: that is safe while tap t looks back less than 2 * kStripe - 16 samples.
constexpr int kStripe = 128;

void ApplyModulator(const WaveParams& params, int8_t* out, int length) {
    const int32_t wetness = params.wetness;
    const int taps = params.Density();
    if (wetness == 0 || taps == 0) return;
    const bool sync = params.ModulatorSync();

    int32_t offsets[8];
    int32_t weights[8];
    bool striped = true;
    for (int tap = 0; tap < taps; ++tap) {
        int32_t base = kTapDelays[tap] * int32_t(params.modLength);
        if (!sync) base >>= 2;
        const int32_t preDelay = int32_t(params.preDelay) * (sync ? 256 : 64);
        offsets[tap] = base + preDelay;
        // Odd taps are inverted: (-src * w) >> 8 equals (src * -w) >> 8.
        weights[tap] = (tap & 1) != 0 ? -wetness : wetness;
        const int32_t longestDelay = (15 * 32 + offsets[tap]) >> 6;
        if (longestDelay + 16 > 2 * kStripe) striped = false;
    }

    // Each tap reads the previous tap's result and writes its own into the
    // other buffer.
    alignas(16) int8_t scratch[kMaxWaveLength];
    // Vector loads may take lanes this tap has not written yet (they are
    // discarded); zeroing keeps them from reading uninitialised bytes.
    std::memset(scratch, 0, size_t(length));
    int8_t* buffers[2] = {out, scratch};
    if (striped) {
        const int stripes = (length + kStripe - 1) / kStripe;
        for (int round = 0; round < stripes + taps - 1; ++round) {
            for (int tap = 0; tap < taps; ++tap) {
                const int stripe = round - tap;
                if (stripe < 0 || stripe >= stripes) continue;
                const int from = stripe * kStripe;
                const int to = from + kStripe < length ? from + kStripe : length;
                ModulatorTap(buffers[tap & 1], buffers[(tap + 1) & 1], from, to, length, offsets[tap], 8 + tap,
                             weights[tap]);
            }
        }
    } else {
        for (int tap = 0; tap < taps; ++tap) {
            ModulatorTap(buffers[tap & 1], buffers[(tap + 1) & 1], 0, length, length, offsets[tap], 8 + tap,
                         weights[tap]);
        }
    }
    if ((taps & 1) != 0) std::memcpy(out, scratch, size_t(length));
}

}  // namespace qn::wave
