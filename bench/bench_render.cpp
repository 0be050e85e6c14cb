// The offline render of the whole demo song (about 34.6 s plus the 6 s
// fade) as "Export Wav" and `quillnote-cli render` run it, streamed to a WAV
// file in /dev/shm (memory, so no disk time is counted).
// Target: at least 1000x real time on one core.
#include <benchmark/benchmark.h>

#include <string>

#include <unistd.h>

#include "engine/wav_export.h"
#include "bench/demo_fixture.h"

namespace {

void BM_RenderDemoSong(benchmark::State& state) {
    qn::bench::DemoPlayback demo;
    auto& [doc, memory, replayer, mixer] = demo;
    const std::string path = "/dev/shm/bench_render_" + std::to_string(getpid()) + ".wav";
    double seconds = 0.0;
    for (auto _ : state) {
        qn::SongRender render;
        if (!render.Begin(replayer, mixer, 1.0f, path)) state.SkipWithError("render did not start");
        while (render.RenderTick()) {
        }
        if (!render.Finish()) state.SkipWithError("file not written");
        seconds = double(render.FramesDone()) / qn::kSampleRate;
    }
    unlink(path.c_str());
    // Audio seconds rendered per second of run time: the real-time factor.
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderDemoSong)->Unit(benchmark::kMillisecond);

}  // namespace
