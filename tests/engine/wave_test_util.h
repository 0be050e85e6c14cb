// Helpers shared by the wave synthesizer tests.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/wave_synth.h"
#include "song/song_types.h"

namespace qn::test {

// Runs GenerateWave into a fresh buffer and returns the N bytes it wrote.
inline std::vector<int8_t> Generate(const WaveParams& params) {
    static const WaveSynth synth;
    std::vector<int8_t> out(size_t(kMaxWaveLength), 0);
    synth.GenerateWave(params, out.data());
    out.resize(size_t(WaveLength(params)));
    return out;
}

// FNV-1a over the bytes, as tests/engine/wave_reference.py computes it.
inline uint32_t Fnv1a(const std::vector<int8_t>& bytes, uint32_t hash = 0x811C9DC5u) {
    for (int8_t byte : bytes)
        hash = (hash ^ uint8_t(byte)) * 0x01000193u;
    return hash;
}

}  // namespace qn::test
