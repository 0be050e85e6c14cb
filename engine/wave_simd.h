// Vector kernels for the synthesizer's simple whole-wave loops, each with a
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

// target[k] = value for k < count.
inline void FillWords(int16_t* target, int16_t value, int count) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i words = _mm_set1_epi16(value);
    for (; k + 8 <= count; k += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k), words);
#endif
    for (; k < count; ++k) target[k] = value;
}

// out[k] = saturate8(out[k] + add[k]) for k < count, on bytes.
inline void SaturatingAddBytes(int8_t* out, const int8_t* add, int count) {
    int k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= count; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_adds_epi8(a, b));
    }
#endif
    for (; k < count; ++k) out[k] = saturate8(int32_t(out[k]) + add[k]);
}

// target[k] = source[2 k] for k < count (every second byte). The ranges do not overlap.
inline void TakeEvenBytes(int8_t* target, const int8_t* source, int count) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi16(0x00ff);
    for (; k + 16 <= count; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * k + 16));
        // Each word's low byte is the even sample; 0..255 packs unchanged.
        const __m128i even = _mm_packus_epi16(_mm_and_si128(a, lowBytes), _mm_and_si128(b, lowBytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k), even);
    }
#endif
    for (; k < count; ++k) target[k] = source[2 * k];
}

// The envelope's scaling at a constant level 0..255: (x * level) >> 8, or
// with boost saturate8((x * level) >> 6). |x * level| <= 32640 fits a word;
// >> 8 of it always fits a byte, so the pack only clips the boosted case.
inline void ScaleBytes(int8_t* out, int count, int32_t level, bool boost) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i factor = _mm_set1_epi16(int16_t(level));
    const __m128i shift = _mm_cvtsi32_si128(boost ? 6 : 8);
    for (; k + 16 <= count; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
        const __m128i low = _mm_sra_epi16(_mm_mullo_epi16(_mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8), factor), shift);
        const __m128i high = _mm_sra_epi16(_mm_mullo_epi16(_mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8), factor), shift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packs_epi16(low, high));
    }
#endif
    for (; k < count; ++k) {
        const int32_t product = int32_t(out[k]) * level;
        out[k] = boost ? saturate8(product >> 6) : wrap8(product >> 8);
    }
}

}  // namespace qn::wave
