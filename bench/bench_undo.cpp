// The recording rule checksums the whole 256 KiB song block in every frame
// that handled a key, and stores a snapshot when it changed: both must stay
// far below a 60 Hz frame (16.7 ms).
#include <benchmark/benchmark.h>

#include "song/undo.h"

namespace {

void BM_StorageChecksum(benchmark::State& state) {
    qn::SongDocument doc;
    for (auto _ : state) benchmark::DoNotOptimize(qn::StorageChecksum(doc.Storage()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(qn::kStorageSize));
}
BENCHMARK(BM_StorageChecksum);

void BM_UndoStore(benchmark::State& state) {
    qn::SongDocument doc;
    qn::Undo history;
    history.log = nullptr;
    for (auto _ : state) history.store(doc.Storage());
}
BENCHMARK(BM_UndoStore);

}  // namespace
