// One regeneration as the wave editor runs it after an edit: the calculation
// order, the clone copy, all 24 waves at the longest length with every stage
// on, and the loop fix-up. It has to fit a 60 Hz frame (target: under 8 ms).
#include <benchmark/benchmark.h>

#include "bench/heaviest_wave.h"
#include "editors/wave_rules.h"

namespace {

void BM_WaveEditorRegeneration(benchmark::State& state) {
    qn::SongDocument document;
    qn::Song& song = document.song;
    for (int i = 0; i < qn::kWaves; ++i) song.waves[i] = qn::bench::HeaviestWave(i);
    song.waves[5].cloneFrom = 4;  // the edited wave is a clone
    qn::WaveSynth synth;
    qn::WaveMemory memory;
    for (auto _ : state) {
        qn::RegenerateEditedWaves(song, memory, synth, 6);
        benchmark::DoNotOptimize(memory.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * qn::kWaves);
}
BENCHMARK(BM_WaveEditorRegeneration)->Unit(benchmark::kMillisecond);

}  // namespace
