// The oscillators of the wave synthesizer: single-cycle table oscillators
// with pitch ramp and phase distortion, and a xorshift noise generator with
// a sample-and-hold rate.
//
// Positions, steps and ramp accumulators are 64-bit: a ramp of 127 squared,
// times the linear-pitch factor and 1024, already needs 35 bits, and the
// start position of a high chord note needs 36.
#include <cstdint>

#include "engine/wave_math.h"
#include "engine/wave_simd.h"
#include "engine/wave_stages.h"

namespace qn::wave {

namespace {

// Table position units per table entry.
constexpr int64_t kEntryUnits = 32768;

// The per-sample ramp increment r of the pitch ramp (before accumulation),
// already shifted left by 10: a positive ramp is squared; "Pitch Linear"
// scales it with the octave (2 << octave as a signed word, 0 below octave 0).
int64_t RampIncrement(const WaveParams& params, int octave) {
    int64_t ramp = params.pitchRamp;
    if (ramp > 0) ramp = ramp * ramp;
    if ((params.flags & kWavePitchLinear) != 0) {
        int64_t factor = octave >= 0 ? wrap16(int64_t(2) << octave) : 0;
        ramp *= factor;
    }
    return ramp * 1024;
}

// The linear-pitch ramp decays by 1/128 per sample (arithmetic shift).
int64_t DecayRamp(int64_t ramp) { return ramp - (ramp >> 7); }

}  // namespace

void AddTableOscillator(const WaveParams& params, const OscillatorTable& tables, int note,
                        int noteIndex, bool chordless, int pass, int8_t* out, int length) {
    const OctaveSemitone split = SplitNote(note);
    const int octave = split.octave;
    const OscillatorBlock& block = tables[size_t(split.semitone)];
    const int oscType = params.OscType();
    const int8_t* table = oscType == 0 ? block.saw : (oscType == 1 ? block.triangle : block.square);
    const int64_t cycle = int64_t(block.length) * kEntryUnits;  // W

    const int64_t baseStep = octave >= 0 ? (kEntryUnits << octave) : (kEntryUnits >> -octave);
    int64_t step = baseStep;
    if (pass == 1) step = baseStep + (baseStep >> (9 - params.Unisono()));

    int64_t ramp = RampIncrement(params, octave);
    int64_t rampAccumulator = 0;
    const bool pitchLinear = (params.flags & kWavePitchLinear) != 0;

    // Phase distortion: the read index stays at entry 0 while the position
    // is below `phase`, which bounces between the two limits once per cycle.
    const int64_t phaseScale = int64_t(15 - octave) * 8;
    const int64_t phaseFrom = (int64_t(params.phaseMin) * 16384 * phaseScale) >> 8;
    const int64_t phaseTo = (int64_t(params.phaseMax) * 16384 * phaseScale) >> 8;
    const int64_t phaseLow = phaseFrom < phaseTo ? phaseFrom : phaseTo;
    const int64_t phaseHigh = phaseFrom < phaseTo ? phaseTo : phaseFrom;
    int64_t phase = phaseFrom;
    int64_t phaseVelocity = int64_t(params.phaseSpeed) * 2048;
    if (phaseFrom > phaseTo) phaseVelocity = -phaseVelocity;

    const int64_t startUnits =
        int64_t(params.shift) * ((chordless ? 1 : 0) + noteIndex) + params.phaseMin;
    int64_t position = (startUnits * baseStep) % cycle;

    // The table scaled by the gain once per note; each sample then adds one entry.
    int16_t scaled[128];
    for (int e = 0; e < 128; ++e) scaled[e] = int16_t((int32_t(table[e]) * params.gain) >> 7);

    // Entries are collected per block and added into the wave with saturation
    // in one vector pass; the position walk itself is sequential.
    constexpr int kBlock = 1024;
    int16_t contribution[kBlock];
    for (int blockStart = 0; blockStart < length; blockStart += kBlock) {
        const int count = length - blockStart < kBlock ? length - blockStart : kBlock;
        int k = 0;
        while (k < count) {
            bool wrapped;
            if (ramp == 0) {
                // Constant step: every sample up to the next wrap reads inside the cycle.
                int run = count - k;
                if (step != 0) {
                    // Below 2^27: a 32-bit division is enough.
                    const int32_t toWrap = int32_t(cycle - position + step - 1) / int32_t(step);
                    if (toWrap < run) run = toWrap;
                }
                // position + run * step stays below 2^27 here, phase below 2^22.
                const int32_t stride = int32_t(step);
                int32_t distance = int32_t(position - phase);
                int16_t* target = contribution + k;
                int m = 0;
                if (distance < 0) {
                    // Below the phase the read holds at entry 0.
                    int held = run;
                    if (stride > 0) {
                        const int32_t toPhase = (-distance + stride - 1) / stride;
                        if (toPhase < held) held = int(toPhase);
                    }
                    FillWords(target, scaled[0], held);
                    m = held;
                    distance += held * stride;
                }
                // Four independent reads per round keep the loop short.
                int64_t at = distance;
                const int64_t stride64 = stride;
                for (; m + 4 <= run; m += 4) {
                    target[m] = scaled[at >> 15];
                    target[m + 1] = scaled[(at + stride64) >> 15];
                    target[m + 2] = scaled[(at + 2 * stride64) >> 15];
                    target[m + 3] = scaled[(at + 3 * stride64) >> 15];
                    at += 4 * stride64;
                }
                for (; m < run; ++m) {
                    target[m] = scaled[at >> 15];
                    at += stride64;
                }
                k += run;
                position = at + phase;
                wrapped = position >= cycle;
            } else {
                const int64_t distance = position - phase;
                contribution[k] = scaled[distance < 0 ? 0 : distance >> 15];
                ++k;
                position += step;
                wrapped = position >= cycle;
            }
            if (wrapped) {
                // A step longer than the cycle (notes from about 84 up) wraps
                // more than once; the remainder keeps the read inside the table.
                position -= cycle;
                if (position >= cycle) position %= cycle;
                const int64_t moved = phase + phaseVelocity;
                phase = moved < phaseHigh ? moved : phaseHigh;
                if (moved >= phaseHigh) phaseVelocity = -phaseVelocity;
                if (phase <= phaseLow) {
                    phase = phaseLow;
                    phaseVelocity = -phaseVelocity;
                }
            }
            if (ramp != 0) {
                rampAccumulator += ramp;
                step = (rampAccumulator >> 10) + baseStep;
                if (pitchLinear) ramp = DecayRamp(ramp);
                if (step < 0 || step >= cycle) {
                    step = 0;
                    ramp = 0;
                }
            }
        }
        SaturatingAdd(out + blockStart, contribution, count);
    }
}

void AddNoiseOscillator(const WaveParams& params, int note, int8_t* out, int length) {
    const int octave = SplitNote(note).octave;
    int64_t rate = 32768;
    if (note < 0) {
        const int shift = 1 - note / 12;  // quotient truncated toward zero
        rate = int64_t(32768) >> shift;
        rate = rate + (12 - (-note) % 12) * (rate / 12);
    }

    int64_t ramp = RampIncrement(params, octave);
    int64_t rampAccumulator = 0;
    const bool pitchLinear = (params.flags & kWavePitchLinear) != 0;

    uint16_t seed = uint16_t(params.shift + params.phaseMin + 1);
    int64_t counter = 32768;
    int64_t increment = rate;
    int8_t held = 0;
    const int32_t gain = params.gain;
    for (int i = 0; i < length; ++i) {
        if (counter >= 32768) {
            uint16_t t = uint16_t(seed ^ uint16_t(seed << 13));
            t = uint16_t(t ^ (t >> 9));
            seed = uint16_t(t ^ uint16_t(t << 7));
            const int32_t random = int8_t(uint8_t(seed & 0xff));
            if (counter > 32768) counter = ((counter - 32769) % 32768) + 1;
            // The held value adds onto the wave in byte arithmetic, unclipped.
            held = wrap8(int32_t(out[i]) + saturate8((random * gain) >> 7));
        }
        out[i] = held;
        counter += increment;
        if (ramp != 0) {
            rampAccumulator += ramp;
            increment = (rampAccumulator >> 10) + rate;
            if (pitchLinear) ramp = DecayRamp(ramp);
            if (increment < 512) {
                increment = 512;
                ramp = 0;
                counter = 0;
            }
        }
    }
}

}  // namespace qn::wave
