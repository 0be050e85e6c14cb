// Small vector kernels for the wave synthesizer's hot loops. Each has a
// plain scalar twin that gives the same bytes; SSE2 (always present on
// x86-64) is used where available.
#pragma once

#include <cstdint>

#include "engine/wave_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qn::wave {

// out[k] = saturate8(out[k] + add[k]) for k < count, with |add[k]| <= 32640.
inline void SaturatingAdd(int8_t* out, const int16_t* add, int count) {
    int k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= count; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
        const __m128i low = _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
        const __m128i high = _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8);
        const __m128i addLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + k));
        const __m128i addHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + k + 8));
        // Saturating 16-bit adds cannot change the result: the byte pack clips anyway.
        const __m128i sum = _mm_packs_epi16(_mm_adds_epi16(low, addLow), _mm_adds_epi16(high, addHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), sum);
    }
#endif
    for (; k < count; ++k) out[k] = saturate8(int32_t(out[k]) + add[k]);
}

// One modulator tap over 16 samples: dst[k] = saturate8(in[k] + ((delayed[k] * weight) >> 8)).
// |weight| <= 255. Reads and writes 16 bytes; `delayed` may overlap `dst`
// (it lies before it), so all loads happen before the store.
inline void ModulatorLanes16(const int8_t* in, const int8_t* delayed, int8_t* dst, int32_t weight) {
#if defined(__SSE2__)
    const __m128i factor = _mm_set1_epi16(int16_t(weight));
    const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(delayed));
    const __m128i dry = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    // |source * weight| <= 128 * 255 fits a word; the arithmetic shift matches >> 8.
    const __m128i wetLow = _mm_srai_epi16(
        _mm_mullo_epi16(_mm_srai_epi16(_mm_unpacklo_epi8(source, source), 8), factor), 8);
    const __m128i wetHigh = _mm_srai_epi16(
        _mm_mullo_epi16(_mm_srai_epi16(_mm_unpackhi_epi8(source, source), 8), factor), 8);
    const __m128i dryLow = _mm_srai_epi16(_mm_unpacklo_epi8(dry, dry), 8);
    const __m128i dryHigh = _mm_srai_epi16(_mm_unpackhi_epi8(dry, dry), 8);
    const __m128i result =
        _mm_packs_epi16(_mm_add_epi16(dryLow, wetLow), _mm_add_epi16(dryHigh, wetHigh));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), result);
#else
    int8_t result[16];
    for (int k = 0; k < 16; ++k) result[k] = saturate8(int32_t(in[k]) + ((int32_t(delayed[k]) * weight) >> 8));
    for (int k = 0; k < 16; ++k) dst[k] = result[k];
#endif
}

}  // namespace qn::wave
