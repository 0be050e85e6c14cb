// One audio tick of the demo song: TickRows + TickVoices + copying the
// registers + MixVoices of 960 frames with four voices sounding. The live
// callback has 20 ms per tick; the target is under 100 us.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/demo_fixture.h"

namespace {

void BM_AudioTick(benchmark::State& state) {
    qn::bench::DemoPlayback demo;
    auto& [doc, memory, replayer, mixer] = demo;
    doc.song.currentPosition = 1;  // all four voices busy from here on
    qn::PreparePlayback(replayer, mixer, true);
    replayer.patternLoop = 1;
    std::vector<int16_t> buffer(2 * qn::kFramesPerTick);
    for (auto _ : state) {
        qn::RunAudioTick(replayer, mixer, buffer.data(), 1.0f);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * qn::kFramesPerTick);
}
BENCHMARK(BM_AudioTick)->Unit(benchmark::kMicrosecond);

void BM_MixVoicesOnly(benchmark::State& state) {
    qn::bench::DemoPlayback demo;
    auto& [doc, memory, replayer, mixer] = demo;
    doc.song.currentPosition = 1;
    qn::PreparePlayback(replayer, mixer, true);
    std::vector<int16_t> buffer(2 * qn::kFramesPerTick);
    for (int tick = 0; tick < 10; ++tick) qn::RunAudioTick(replayer, mixer, buffer.data(), 1.0f);
    for (auto _ : state) {
        std::fill(buffer.begin(), buffer.end(), 0);
        mixer.mixer.MixVoices(mixer.registers, memory.Data(), memory.Size(), buffer.data(),
                              qn::kFramesPerTick, qn::kSampleRate, 1.0f);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_MixVoicesOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
