// Start-up to the first presented frame: App construction (preferences),
// Init (SDL, window, renderer, fonts, icon sheet, song, audio device, main
// window) and the first Update, which paces to 1/60 s and presents.
#include <benchmark/benchmark.h>

#include "bench/bench_gui_app.h"

namespace qn::bench {
namespace {

void BM_StartupToFirstFrame(benchmark::State& state) {
    HeadlessScope scope;
    for (auto _ : state) {
        App* app = new App();
        gApp = app;
        app->Init();
        app->Update();
        state.PauseTiming();
        app->Shutdown();
        delete app;
        gApp = nullptr;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace qn::bench
