// The heaviest wave record the synthesizer knows, shared by the wave
// generation benchmarks.
#pragma once

#include "song/song.h"

namespace qn::bench {

// Chord, unisono, linear pitch ramp, phase sweep, filter sweep with
// resonance, a seven-tap modulator, a full envelope and a mix source.
inline qn::WaveParams HeaviestWave(int index) {
    qn::WaveParams wave = qn::DefaultWaveParams();
    wave.lengthIndex = 255;
    wave.waveLength = 32768;
    wave.flags = uint8_t((index % 3) | qn::kWavePitchLinear);
    wave.baseNote = int8_t(index - 12);
    wave.chord[0] = 3;
    wave.chord[1] = 7;
    wave.chord[2] = 12;
    wave.shift = 5;
    wave.phaseMin = 20;
    wave.phaseMax = 180;
    wave.phaseSpeed = 30;
    wave.pitchRamp = -2;
    wave.filterType = uint8_t(1 + index % 4);
    wave.resonance = 60;
    wave.filterStart = 30;
    wave.filterLower = 10;
    wave.filterUpper = 240;
    wave.filterSpeed = 40;
    wave.wetness = 120;
    wave.modLength = 2;
    wave.preDelay = 3;
    wave.modFlags = uint8_t(7 | (3 << 3));
    wave.attack = 20;
    wave.delay = 1;
    wave.decay = 30;
    wave.sustain = 120;
    wave.mixWave = uint8_t(index == 0 ? 24 : index);  // the wave before it (wave 1 takes wave 24)
    return wave;
}

}  // namespace qn::bench
