// The offline render of the whole demo song (about 34.6 s plus the 6 s
// fade) as "Export Wav" and `quillnote-cli render` run it, without the file.
// Target: at least 1000x real time on one core.
#include <benchmark/benchmark.h>

#include "engine/wav_export.h"
#include "bench/demo_fixture.h"

namespace {

void BM_RenderDemoSong(benchmark::State& state) {
    qn::bench::DemoPlayback demo;
    auto& [doc, memory, replayer, mixer] = demo;
    double seconds = 0.0;
    for (auto _ : state) {
        qn::SongRender render;
        if (!render.Begin(replayer, mixer, 1.0f)) state.SkipWithError("render did not start");
        while (render.RenderTick()) {
        }
        render.Finish();
        seconds = double(render.FramesDone()) / qn::kSampleRate;
        benchmark::DoNotOptimize(render.Frames());
    }
    // Audio seconds rendered per second of run time: the real-time factor.
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderDemoSong)->Unit(benchmark::kMillisecond);

}  // namespace
