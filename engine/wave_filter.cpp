// The swept resonant filter of the wave synthesizer: four cascaded one-pole
// stages in 16-bit words, the first with resonance feedback, whose cutoff
// moves between two limits once per 64 samples.
//
// Each sample depends on the one before through a chain of multiplies, so
// one filter cannot run faster than that chain. Different waves' filters are
// independent: ApplyFilterSweepGroup runs up to eight of them side by side,
// one per 16-bit lane of a vector, which gives the same words because every
// value the filter keeps is a 16-bit word anyway.
#include <cstdint>

#include "engine/wave_math.h"
#include "engine/wave_stages.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qn::wave {

namespace {

constexpr int kFilterBlock = 64;      // the sweep moves once per 64 samples
constexpr int32_t kSweepTop = 65280;  // highest sweep position, 255 * 256

enum FilterType { kLowpass = 1, kHighpass = 2, kBandpass = 3, kNotch = 4 };

// One wave's filter: sweep position, the block's coefficients and the four
// state words.
struct SweptFilter {
    SweptFilter() = default;
    explicit SweptFilter(const WaveParams& params)
        : type(params.filterType),
          resonance(params.resonance),
          position(int32_t(params.filterStart) * 256),
          speed(int32_t(params.filterSpeed) * 128),
          lower(int32_t(params.filterLower) * 256),
          upper(int32_t(params.filterUpper) * 256) {}

    // Moves the sweep (bouncing at the limits) and sets the block's coefficients.
    void NextBlock() {
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
        f = (type == kLowpass || type == kBandpass) ? cutoff : 255 - cutoff;
        int32_t feedback;
        if (resonance == 0) {
            feedback = f + f;
        } else {
            int32_t divisor = wrap16(182 - 2 * resonance);
            if (divisor < 54) divisor = 54;
            feedback = f + (f * 256) / divisor;
        }
        k = wrap16(feedback);
    }

    // Every difference and sum is cut to a word before it is multiplied, as
    // the 68000 code does with word registers. Returns the output word
    // before the byte clip.
    template <int kType>
    [[gnu::always_inline]] inline int16_t Filter(int32_t x) {
        const int32_t drive = x - s0;
        const int32_t resonant = (int32_t(wrap16(s0 - s1)) * k) >> 8;
        s0 = wrap16(s0 + ((int32_t(wrap16(resonant + drive)) * f) >> 8));
        s1 = wrap16(s1 + ((int32_t(wrap16(s0 - s1)) * f) >> 8));
        s2 = wrap16(s2 + ((int32_t(wrap16(s1 - s2)) * f) >> 8));
        s3 = wrap16(s3 + ((int32_t(wrap16(s2 - s3)) * f) >> 8));
        if constexpr (kType == kLowpass) {
            return s3;
        } else if constexpr (kType == kHighpass) {
            return wrap16(s3 - x);
        } else if constexpr (kType == kBandpass) {
            return wrap16((int32_t(s3) - s2 - s1 - s0) >> 1);
        } else {
            return wrap16(s0 - s3);  // notch
        }
    }

    int type = kLowpass;
    int32_t resonance = 0;
    int32_t position = 0;
    int32_t speed = 0;
    int32_t lower = 0;
    int32_t upper = 0;
    int32_t f = 0;
    int32_t k = 0;
    int16_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
};

// The loop works on a local copy of the filter: the wave bytes it writes
// could alias the filter state as far as the compiler knows, which would
// keep the state in memory and lengthen every sample's chain.
template <int kType>
void FilterWave(const WaveParams& params, int8_t* out, int length) {
    SweptFilter filter(params);
    for (int start = 0; start < length; start += kFilterBlock) {
        filter.NextBlock();
        const int count = length - start < kFilterBlock ? length - start : kFilterBlock;
        int8_t* samples = out + start;
        for (int i = 0; i < count; ++i) samples[i] = saturate8(filter.Filter<kType>(samples[i]));
    }
}

#if defined(__SSE2__)

// Bits 8..23 of each lane's 32-bit product a * b: (a * b) >> 8 cut to a word.
inline __m128i MulShift8(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(a, b), 8), _mm_srli_epi16(_mm_mullo_epi16(a, b), 8));
}

// (s3 - s2 - s1 - s0) >> 1 worked in 32 bits, then cut to a word. The
// multiply-add of word pairs gives s3 - s2 and -s1 - s0 as 32-bit lanes.
inline __m128i BandpassLanes(__m128i s0, __m128i s1, __m128i s2, __m128i s3) {
    const __m128i plusMinus = _mm_set1_epi32(0xffff0001);  // words (1, -1)
    const __m128i minusMinus = _mm_set1_epi32(-1);         // words (-1, -1)
    const auto half = [&](__m128i s32, __m128i s10) {
        const __m128i sum = _mm_add_epi32(_mm_madd_epi16(s32, plusMinus), _mm_madd_epi16(s10, minusMinus));
        return _mm_srai_epi32(_mm_slli_epi32(_mm_srai_epi32(sum, 1), 16), 16);  // low word, sign-extended
    };
    const __m128i low = half(_mm_unpacklo_epi16(s3, s2), _mm_unpacklo_epi16(s1, s0));
    const __m128i high = half(_mm_unpackhi_epi16(s3, s2), _mm_unpackhi_epi16(s1, s0));
    return _mm_packs_epi32(low, high);
}

#endif

}  // namespace

bool HasFilter(const WaveParams& params) {
    // A file can hold any byte here; only the four real filter types filter.
    return params.filterType >= kLowpass && params.filterType <= kNotch;
}

void ApplyFilterSweep(const WaveParams& params, int8_t* out, int length) {
    switch (params.filterType) {
        case kLowpass: FilterWave<kLowpass>(params, out, length); break;
        case kHighpass: FilterWave<kHighpass>(params, out, length); break;
        case kBandpass: FilterWave<kBandpass>(params, out, length); break;
        case kNotch: FilterWave<kNotch>(params, out, length); break;
        default: break;
    }
}

void ApplyFilterSweepGroup(const WaveParams* const* params, int8_t* const* outs, const int* lengths,
                           int count) {
#if defined(__SSE2__)
    if (count >= 2 && count <= kMaxFilterGroup) {
        bool anyBandpass = false;
        for (int w = 0; w < count; ++w) {
            if (!HasFilter(*params[w])) {
                // Only filtered waves share lanes; run the group one by one.
                for (int v = 0; v < count; ++v) ApplyFilterSweep(*params[v], outs[v], lengths[v]);
                return;
            }
            anyBandpass = anyBandpass || params[w]->filterType == kBandpass;
        }

        SweptFilter filters[kMaxFilterGroup];
        for (int w = 0; w < count; ++w) filters[w] = SweptFilter(*params[w]);
        alignas(16) int16_t typeMask[4][8] = {};
        int longest = 0;
        for (int w = 0; w < count; ++w) {
            typeMask[filters[w].type - 1][w] = -1;
            if (lengths[w] > longest) longest = lengths[w];
        }
        const __m128i lowMask = _mm_load_si128(reinterpret_cast<const __m128i*>(typeMask[0]));
        const __m128i highMask = _mm_load_si128(reinterpret_cast<const __m128i*>(typeMask[1]));
        const __m128i bandMask = _mm_load_si128(reinterpret_cast<const __m128i*>(typeMask[2]));
        const __m128i notchMask = _mm_load_si128(reinterpret_cast<const __m128i*>(typeMask[3]));

        __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        // One block of samples, transposed: lane w of row i is sample i of wave w.
        alignas(16) int16_t rows[kFilterBlock][8];
        alignas(16) int8_t clipped[kFilterBlock][8];  // the rows' outputs, clipped to bytes
        alignas(16) int16_t fLanes[8];
        alignas(16) int16_t kLanes[8];
        for (int start = 0; start < longest; start += kFilterBlock) {
            for (int w = 0; w < 8; ++w) {
                fLanes[w] = 0;
                kLanes[w] = 0;
            }
            // Lengths are multiples of 128: a wave is in a block whole or not at all.
            for (int w = 0; w < count; ++w) {
                if (start >= lengths[w]) continue;
                filters[w].NextBlock();
                fLanes[w] = int16_t(filters[w].f);
                kLanes[w] = int16_t(filters[w].k);
                const int8_t* samples = outs[w] + start;
                for (int i = 0; i < kFilterBlock; ++i) rows[i][w] = samples[i];
            }
            const __m128i f = _mm_load_si128(reinterpret_cast<const __m128i*>(fLanes));
            const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanes));
            for (int i = 0; i < kFilterBlock; ++i) {
                const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(rows[i]));
                const __m128i drive = _mm_sub_epi16(x, s0);
                const __m128i resonant = MulShift8(_mm_sub_epi16(s0, s1), k);
                s0 = _mm_add_epi16(s0, MulShift8(_mm_add_epi16(resonant, drive), f));
                s1 = _mm_add_epi16(s1, MulShift8(_mm_sub_epi16(s0, s1), f));
                s2 = _mm_add_epi16(s2, MulShift8(_mm_sub_epi16(s1, s2), f));
                s3 = _mm_add_epi16(s3, MulShift8(_mm_sub_epi16(s2, s3), f));
                __m128i output = _mm_or_si128(
                    _mm_or_si128(_mm_and_si128(lowMask, s3), _mm_and_si128(highMask, _mm_sub_epi16(s3, x))),
                    _mm_and_si128(notchMask, _mm_sub_epi16(s0, s3)));
                if (anyBandpass) output = _mm_or_si128(output, _mm_and_si128(bandMask, BandpassLanes(s0, s1, s2, s3)));
                // The saturating pack is the byte clip of every lane.
                _mm_storel_epi64(reinterpret_cast<__m128i*>(clipped[i]), _mm_packs_epi16(output, output));
            }
            for (int w = 0; w < count; ++w) {
                if (start >= lengths[w]) continue;
                int8_t* samples = outs[w] + start;
                for (int i = 0; i < kFilterBlock; ++i) samples[i] = clipped[i][w];
            }
        }
        return;
    }
#endif
    for (int w = 0; w < count; ++w) ApplyFilterSweep(*params[w], outs[w], lengths[w]);
}

}  // namespace qn::wave
