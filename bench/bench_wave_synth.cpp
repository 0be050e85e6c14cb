// Regenerating every wave of a song at the longest length with every stage
// on: the wave editor does this after each edit and should finish within
// one 60 Hz frame (target: under 8 ms for all 24 waves).
#include <benchmark/benchmark.h>

#include "bench/heaviest_wave.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace {

using qn::bench::HeaviestWave;

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
