// The swept resonant filter of the wave synthesizer: four cascaded one-pole
// stages in 16-bit words, the first with resonance feedback, whose cutoff
// moves between two limits once per 64 samples.
//
// Each sample depends on the one before through a chain of multiplies, so
// one filter cannot run faster than that chain; two waves' filters are
// independent, and ApplyFilterSweepPair runs them side by side.
#include <cstdint>

#include "engine/wave_math.h"
#include "engine/wave_stages.h"

namespace qn::wave {

namespace {

constexpr int kFilterBlock = 64;      // the sweep moves once per 64 samples
constexpr int32_t kSweepTop = 65280;  // highest sweep position, 255 * 256

enum FilterType { kLowpass = 1, kHighpass = 2, kBandpass = 3, kNotch = 4 };

// One wave's filter: sweep position and the four state words.
struct SweptFilter {
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
    // the 68000 code does with word registers. The type is a template
    // argument so the pair loop keeps both filters' state in registers.
    template <int kType>
    [[gnu::always_inline]] inline int8_t Filter(int32_t x) {
        const int32_t drive = x - s0;
        const int32_t resonant = (int32_t(wrap16(s0 - s1)) * k) >> 8;
        s0 = wrap16(s0 + ((int32_t(wrap16(resonant + drive)) * f) >> 8));
        s1 = wrap16(s1 + ((int32_t(wrap16(s0 - s1)) * f) >> 8));
        s2 = wrap16(s2 + ((int32_t(wrap16(s1 - s2)) * f) >> 8));
        s3 = wrap16(s3 + ((int32_t(wrap16(s2 - s3)) * f) >> 8));
        int32_t output;
        if constexpr (kType == kLowpass) {
            output = s3;
        } else if constexpr (kType == kHighpass) {
            output = s3 - x;
        } else if constexpr (kType == kBandpass) {
            output = (int32_t(s3) - s2 - s1 - s0) >> 1;
        } else {
            output = s0 - s3;  // notch
        }
        return saturate8(wrap16(output));
    }

    const int type;
    const int32_t resonance;
    int32_t position;
    int32_t speed;
    const int32_t lower;
    const int32_t upper;
    int32_t f = 0;
    int32_t k = 0;
    int16_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
};

template <int kType>
void FilterAloneOf(SweptFilter& filter, int8_t* out, int start, int length) {
    for (; start < length; start += kFilterBlock) {
        filter.NextBlock();
        const int count = length - start < kFilterBlock ? length - start : kFilterBlock;
        int8_t* samples = out + start;
        for (int i = 0; i < count; ++i) samples[i] = filter.Filter<kType>(samples[i]);
    }
}

void FilterAlone(SweptFilter& filter, int8_t* out, int start, int length) {
    switch (filter.type) {
        case kLowpass: FilterAloneOf<kLowpass>(filter, out, start, length); break;
        case kHighpass: FilterAloneOf<kHighpass>(filter, out, start, length); break;
        case kBandpass: FilterAloneOf<kBandpass>(filter, out, start, length); break;
        default: FilterAloneOf<kNotch>(filter, out, start, length); break;
    }
}

// Both filters over the first `common` samples, interleaved sample by sample.
template <int kTypeA, int kTypeB>
void FilterPairOf(SweptFilter& a, int8_t* outA, SweptFilter& b, int8_t* outB, int common) {
    for (int start = 0; start < common; start += kFilterBlock) {
        a.NextBlock();
        b.NextBlock();
        int8_t* samplesA = outA + start;
        int8_t* samplesB = outB + start;
        for (int i = 0; i < kFilterBlock; ++i) {
            samplesA[i] = a.Filter<kTypeA>(samplesA[i]);
            samplesB[i] = b.Filter<kTypeB>(samplesB[i]);
        }
    }
}

template <int kTypeA>
void FilterPairWithA(SweptFilter& a, int8_t* outA, SweptFilter& b, int8_t* outB, int common) {
    switch (b.type) {
        case kLowpass: FilterPairOf<kTypeA, kLowpass>(a, outA, b, outB, common); break;
        case kHighpass: FilterPairOf<kTypeA, kHighpass>(a, outA, b, outB, common); break;
        case kBandpass: FilterPairOf<kTypeA, kBandpass>(a, outA, b, outB, common); break;
        default: FilterPairOf<kTypeA, kNotch>(a, outA, b, outB, common); break;
    }
}

void FilterPair(SweptFilter& a, int8_t* outA, SweptFilter& b, int8_t* outB, int common) {
    switch (a.type) {
        case kLowpass: FilterPairWithA<kLowpass>(a, outA, b, outB, common); break;
        case kHighpass: FilterPairWithA<kHighpass>(a, outA, b, outB, common); break;
        case kBandpass: FilterPairWithA<kBandpass>(a, outA, b, outB, common); break;
        default: FilterPairWithA<kNotch>(a, outA, b, outB, common); break;
    }
}

}  // namespace

bool HasFilter(const WaveParams& params) {
    // A file can hold any byte here; only the four real filter types filter.
    return params.filterType >= kLowpass && params.filterType <= kNotch;
}

void ApplyFilterSweep(const WaveParams& params, int8_t* out, int length) {
    if (!HasFilter(params)) return;
    SweptFilter filter(params);
    FilterAlone(filter, out, 0, length);
}

void ApplyFilterSweepPair(const WaveParams& paramsA, int8_t* outA, int lengthA,
                          const WaveParams& paramsB, int8_t* outB, int lengthB) {
    if (!HasFilter(paramsA) || !HasFilter(paramsB)) {
        ApplyFilterSweep(paramsA, outA, lengthA);
        ApplyFilterSweep(paramsB, outB, lengthB);
        return;
    }
    SweptFilter a(paramsA);
    SweptFilter b(paramsB);
    // Lengths are multiples of 128, so the shorter one ends on a block boundary.
    const int common = lengthA < lengthB ? lengthA : lengthB;
    FilterPair(a, outA, b, outB, common);
    FilterAlone(a, outA, common, lengthA);
    FilterAlone(b, outB, common, lengthB);
}

}  // namespace qn::wave
