// The module writer runs in measuring mode after every undo snapshot, and
// loading rebuilds the whole storage block: both on the largest song.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "song/song_image.h"
#include "song/song_loader.h"

namespace {

void FillLargestSong(qn::SongDocument& doc) {
    qn::Song& song = doc.song;
    song.SetSequenceLength(255);
    song.SetRowsPerPattern(128);
    for (int position = 0; position < 255; ++position)
        for (int voice = 0; voice < qn::kVoices; ++voice) song.Position(position)[voice] = {uint8_t(255 - position), 0};
    for (int slot = 0; slot < qn::kMaxPatterns; ++slot)
        for (int row = 0; row < qn::kMaxRows; ++row) song.patternPointers[slot][row].SetInstrument(1 + row % 31);
    for (int k = 0; k < qn::kInstrumentSlots; ++k) {
        std::memset(song.instrumentNames[k], 'a', qn::kNameLength);
        for (int step = 0; step < qn::kInstrumentSteps; ++step) song.instrumentSteps[k][step] = {1, 1, uint8_t(step)};
    }
    for (int w = 0; w < qn::kWaves; ++w) song.waves[w].gain = uint8_t(w);
}

void BM_MeasureLargestSong(benchmark::State& state) {
    qn::SongDocument doc;
    FillLargestSong(doc);
    for (auto _ : state) benchmark::DoNotOptimize(qn::WriteSongImage(doc, nullptr, 0, nullptr, nullptr));
}
BENCHMARK(BM_MeasureLargestSong);

void BM_LoadLargestSong(benchmark::State& state) {
    qn::SongDocument doc;
    FillLargestSong(doc);
    std::vector<uint8_t> image(qn::kSongImageBufferSize);
    image.resize(qn::WriteSongImage(doc, image.data(), image.size(), nullptr, nullptr));
    qn::SongDocument target;
    for (auto _ : state) {
        std::vector<uint8_t> copy = image;
        benchmark::DoNotOptimize(qn::LoadSong(target, copy, nullptr, nullptr));
    }
}
BENCHMARK(BM_LoadLargestSong);

}  // namespace
