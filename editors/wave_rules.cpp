#include "editors/wave_rules.h"

#include <algorithm>

namespace qn {

bool MixChainHasCycle(const Song& song, int wave) {
    bool met[kWaves + 1] = {};
    for (int w = wave; w >= 1 && w <= kWaves; w = MixedWave(song.waves[w - 1].mixWave)) {
        if (met[w]) return true;
        met[w] = true;
    }
    return false;
}

void SetMixWave(Song& song, int wave, int request) {
    WaveParams* params = song.Wave(wave);
    if (!params) return;
    const int current = params->mixWave;
    // A value above 24 names no wave: it counts as what generation makes of it.
    int value = current > kWaves ? kWaves - 1 : current;
    int direction = request > current ? 1 : (request < current ? -1 : 0);
    params->mixWave = uint8_t(value);
    if (direction == 0) {
        if (!MixChainHasCycle(song, wave)) return;
        direction = 1;
    }
    // 24 is generated as 23: stepping up from 23 passes over it, or the
    // field could never leave 23 upward. 0 closes no cycle, so the search
    // ends within one round.
    const int from = MixedWave(value);
    for (int tries = 0; tries <= kWaves; ++tries) {
        value += direction;
        if (value > kWaves) value = 0;
        if (value < 0) value = kWaves;
        if (value != 0 && MixedWave(value) == from) continue;
        params->mixWave = uint8_t(value);
        if (!MixChainHasCycle(song, wave)) return;
    }
    params->mixWave = 0;
}

void SetCloneFrom(Song& song, WaveCloneStore& store, int wave, int request) {
    WaveParams* params = song.Wave(wave);
    if (!params) return;
    const int current = params->cloneFrom;
    int value = std::clamp(request, 0, 255);
    if (value != current) {
        const int direction = value > current ? 1 : -1;
        while (value != 0) {
            if (value > kWaves || value < 0) {
                value = 0;
                break;
            }
            if (value != wave && song.waves[value - 1].cloneFrom == 0) break;
            value += direction;
        }
    }
    const int slot = wave - 1;
    if (current == 0 && value != 0) {
        store.saved[slot] = *params;
        store.valid[slot] = true;
    } else if (current != 0 && value == 0 && store.valid[slot]) {
        *params = store.saved[slot];
        store.valid[slot] = false;
    }
    params->cloneFrom = uint8_t(value);
}

void SetLoopStart(WaveParams& wave, int value) {
    wave.loopStart = uint16_t(std::clamp(value, 0, int(wave.waveLength)));
    wave.loopEnd = std::max(wave.loopEnd, wave.loopStart);
}

void SetLoopEnd(WaveParams& wave, int value) {
    wave.loopEnd = uint16_t(std::clamp(value, 0, 65535));
    wave.loopStart = std::min(wave.loopStart, wave.loopEnd);
}

void SetSubloopLength(WaveParams& wave, int value) {
    wave.subloopLen = uint16_t(std::clamp(value, 0, int(wave.waveLength)));
}

int LoopCycleLength(const WaveParams& wave) {
    const int octave = int(wave.baseNote) / 6 / 2;  // each division truncates toward zero
    if (octave >= 8) return 0;
    const int cycle = octave >= 0 ? 128 >> octave : 128 << -octave;
    // A note far down would give a cycle longer than the wave (65536 and
    // more would not even fit the loop words).
    return std::min(cycle, WaveLength(wave));
}

void SnapLoopToCycle(WaveParams& wave) {
    wave.loopEnd = wave.waveLength;
    const int cycle = LoopCycleLength(wave);
    if (cycle == 0) {
        wave.subloopLen = 0;
        wave.subloopStep = 0;
        return;
    }
    wave.loopStart = uint16_t(wave.loopStart / cycle * cycle);
    const int offset = (int(wave.loopOffset) + cycle / 2) / cycle * cycle;
    wave.loopOffset = uint16_t(std::min(offset, 65535 / cycle * cycle));
    wave.subloopLen = uint16_t(cycle);
    wave.subloopStep = uint16_t(cycle);
}

void FixLoopToLength(WaveParams& wave) {
    wave.waveLength = uint16_t(WaveLength(wave));
    wave.loopEnd = std::min(wave.loopEnd, wave.waveLength);
    wave.loopStart = std::min(wave.loopStart, wave.loopEnd);
    wave.subloopStep = uint16_t(std::min(int(wave.subloopStep), wave.waveLength - wave.loopStart));
    wave.subloopLen = uint16_t(std::min(int(wave.subloopLen), wave.loopEnd - wave.loopStart));
}

void RegenerateEditedWaves(Song& song, WaveMemory& memory, const WaveSynth& synth, int current) {
    BuildWaveCalcOrder(song);
    if (WaveParams* params = song.Wave(current)) {
        const int source = params->cloneFrom;
        if (source >= 1 && source <= kWaves) CloneWaveParams(*params, song.waves[source - 1]);
    }
    synth.PrecalcWavesInOrder(song, memory, kWaves);
    if (WaveParams* params = song.Wave(current)) FixLoopToLength(*params);
}

}  // namespace qn
