// Regenerating every wave of a song at the longest length with every stage
// on: the wave editor does this after each edit and should finish within
// one 60 Hz frame (target: under 8 ms for all 24 waves).
#include <benchmark/benchmark.h>

#include "engine/wave_synth.h"
#include "song/song.h"

namespace {

// Chord, unisono, linear pitch ramp, phase sweep, filter sweep with
// resonance, a seven-tap modulator, a full envelope and a mix source.
qn::WaveParams HeaviestWave(int index) {
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

void BM_PrecalcAllWavesLongestEveryStage(benchmark::State& state) {
    qn::SongDocument document;
    qn::Song& song = document.song;
    for (int i = 0; i < qn::kWaves; ++i) song.waves[i] = HeaviestWave(i);
    song.waveCount = qn::kWaves;
    qn::WaveSynth synth;
    qn::WaveMemory memory;
    for (auto _ : state) {
        synth.PrecalcAllWaves(song, memory);
        benchmark::DoNotOptimize(memory.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * qn::kWaves);
}
BENCHMARK(BM_PrecalcAllWavesLongestEveryStage)->Unit(benchmark::kMillisecond);

void BM_GenerateOneWaveLongestEveryStage(benchmark::State& state) {
    const qn::WaveParams wave = HeaviestWave(static_cast<int>(state.range(0)));
    qn::WaveSynth synth;
    qn::WaveMemory memory;
    for (auto _ : state) {
        synth.GenerateWave(wave, memory.Slot(0));
        benchmark::DoNotOptimize(memory.Data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GenerateOneWaveLongestEveryStage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
