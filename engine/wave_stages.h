// The stages of wave generation, in the order GenerateWave runs them:
// oscillators add into the cleared wave, then the filter sweep, the
// delay-line modulator and the volume envelope rewrite it in place.
// Internal to the wave synthesizer.
#pragma once

#include <cstdint>

#include "engine/wave_synth.h"

namespace qn::wave {

// Adds one table-oscillator note (saw, triangle or square) into out[0..length-1].
// `noteIndex` is the chord position 0..3, `pass` 0 or 1 (the unisono layer).
void AddTableOscillator(const WaveParams& params, const OscillatorTable& tables, int note,
                        int noteIndex, bool chordless, int pass, int8_t* out, int length);

// Runs the noise oscillator for one note over out[0..length-1].
void AddNoiseOscillator(const WaveParams& params, int note, int8_t* out, int length);

// True when "FilterType" names one of the four filters (1..4).
bool HasFilter(const WaveParams& params);

// The swept resonant filter; does nothing unless "FilterType" is 1..4.
void ApplyFilterSweep(const WaveParams& params, int8_t* out, int length);

// Waves whose filters ApplyFilterSweepGroup can run side by side.
constexpr int kMaxFilterGroup = 8;

// The filter sweep for `count` (up to kMaxFilterGroup) independent waves at
// once: the same bytes as one ApplyFilterSweep call per wave.
void ApplyFilterSweepGroup(const WaveParams* const* params, int8_t* const* outs, const int* lengths,
                           int count);

// The delay-line modulator; does nothing when "Wetness" or "Density" is 0.
void ApplyModulator(const WaveParams& params, int8_t* out, int length);

// The volume envelope; does nothing for attack 0 with sustain 255.
void ApplyEnvelope(const WaveParams& params, int8_t* out, int length);

}  // namespace qn::wave
