// Fixed-width helpers for the bit-exact wave synthesizer: the Amiga code it
// models works on bytes and 16-bit words, so every truncation and clip is
// spelled out instead of left to implicit conversions.
#pragma once

#include <cstdint>

namespace qn::wave {

// Keeps the low 8 bits as a two's-complement byte.
constexpr int8_t wrap8(int64_t value) { return int8_t(uint8_t(uint64_t(value) & 0xffu)); }

// Keeps the low 16 bits as a two's-complement word.
constexpr int16_t wrap16(int64_t value) { return int16_t(uint16_t(uint64_t(value) & 0xffffu)); }

// Clips to -128..127.
constexpr int8_t saturate8(int64_t value) {
    return int8_t(value < -128 ? -128 : (value > 127 ? 127 : value));
}

// Splits a note into octave and semitone by floor division, so that
// note = 12 * octave + semitone with 0 <= semitone <= 11 also for negative notes.
struct OctaveSemitone {
    int octave;
    int semitone;
};
constexpr OctaveSemitone SplitNote(int note) {
    int octave = note >= 0 ? note / 12 : -((-note + 11) / 12);
    return {octave, note - 12 * octave};
}

}  // namespace qn::wave
