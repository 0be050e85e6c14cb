// Random records of any byte values through the synthesizer. Run under
// AddressSanitizer and UndefinedBehaviorSanitizer these catch reads past
// the oscillator tables or wave memory and signed overflow in the wide
// accumulators; the checks here catch writes outside a wave's bytes, and
// compare the batched paths (filter groups, paired precalculation) with
// one wave at a time.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/wave_stages.h"
#include "engine/wave_synth.h"
#include "song/song.h"
#include "tests/engine/wave_test_util.h"

namespace qn {
namespace {

WaveParams RandomRecord(std::mt19937& random, int maxLengthIndex) {
    uint8_t raw[sizeof(WaveParams)];
    for (uint8_t& byte : raw) byte = uint8_t(random());
    WaveParams params;
    std::memcpy(&params, raw, sizeof(params));
    params.lengthIndex = uint8_t(params.lengthIndex % (maxLengthIndex + 1));
    return params;
}

TEST(WaveSynthProperty, RandomRecordsWriteExactlyTheirLengthAndRepeat) {
    std::mt19937 random(20261206u);
    WaveSynth synth;
    std::vector<int8_t> buffer(static_cast<size_t>(kMaxWaveLength) + 64);
    std::vector<int8_t> again(static_cast<size_t>(kMaxWaveLength));
    for (int n = 0; n < 4000; ++n) {
        // Mostly short waves; every 100th may be up to the longest.
        const WaveParams params = RandomRecord(random, n % 100 == 0 ? 255 : 7);
        const size_t length = size_t(WaveLength(params));
        std::memset(buffer.data(), 0x5a, buffer.size());
        synth.GenerateWave(params, buffer.data());
        for (size_t i = length; i < length + 64; ++i) ASSERT_EQ(buffer[i], 0x5a) << "record " << n;
        synth.GenerateWave(params, again.data());
        ASSERT_EQ(std::memcmp(buffer.data(), again.data(), length), 0) << "record " << n;
    }
}

TEST(WaveSynthProperty, RandomSongsStayInsideWaveMemory) {
    std::mt19937 random(7u);
    WaveSynth synth;
    WaveMemory memory;
    SongDocument document;
    Song& song = document.song;
    for (int n = 0; n < 150; ++n) {
        for (int w = 0; w < kWaves; ++w) song.waves[w] = RandomRecord(random, 15);
        // Mostly valid slot numbers, some far outside.
        for (int w = 0; w < kWaves; ++w) song.waveCalcOrder[w] = uint8_t(random() % 32);
        song.waveCount = uint8_t(random());
        std::memset(memory.Data(), 0x5a, WaveMemory::Size());
        synth.PrecalcAllWaves(song, memory);
        ASSERT_EQ(memory.Data()[0], 0x5a);
        ASSERT_EQ(memory.Data()[1], 0x5a);
        for (int w = 0; w < kWaves; ++w) {
            // Nothing past the wave and its three copies.
            const int used = WaveLengthWithOctaveCopies(WaveLength(song.waves[w]));
            ASSERT_EQ(memory.Slot(w)[used], 0x5a) << "song " << n << " wave " << w;
        }
        const uint32_t chip = WaveSynth::ChipMemoryNeeded(song);
        ASSERT_GE(chip, 2u);
        ASSERT_LE(chip, 2u + 24u * 61440u);
    }
}

// PrecalcAllWaves makes two filtered waves at once when it can; the bytes must
// be those of PrecalcWave called for each wave of the order in turn, including
// the mix of a source that comes later in the order (its old contents).
TEST(WaveSynthProperty, AllWavesEqualsOneWaveAtATimeInOrder) {
    std::mt19937 random(4242u);
    WaveSynth synth;
    WaveMemory together, oneByOne;
    SongDocument document;
    Song& song = document.song;
    for (int n = 0; n < 60; ++n) {
        for (int w = 0; w < kWaves; ++w) {
            WaveParams params = RandomRecord(random, 7);
            params.filterType = uint8_t(random() % 6);  // mostly real filters, so pairs form
            params.mixWave = uint8_t(random() % 4 == 0 ? random() % 26 : 0);
            song.waves[w] = params;
        }
        for (int w = 0; w < kWaves; ++w) song.waveCalcOrder[w] = uint8_t(random() % 25);
        // Some songs: each wave mixes the next one in the order (the unpairable case).
        for (int i = 0; n % 3 == 0 && i + 1 < kWaves; ++i)
            if (song.waveCalcOrder[i] < kWaves)
                song.waves[song.waveCalcOrder[i]].mixWave = uint8_t(song.waveCalcOrder[i + 1] + 1);
        song.waveCount = uint8_t(1 + random() % 24);
        // The same previous contents in both memories, so late mix sources matter.
        for (size_t i = 0; i < WaveMemory::Size(); ++i) together.Data()[i] = int8_t(i * 7);
        std::memcpy(oneByOne.Data(), together.Data(), WaveMemory::Size());
        WaveParams saved[kWaves];
        std::memcpy(saved, song.waves, sizeof(saved));

        synth.PrecalcAllWaves(song, together);
        WaveParams afterTogether[kWaves];
        std::memcpy(afterTogether, song.waves, sizeof(afterTogether));
        std::memcpy(song.waves, saved, sizeof(saved));
        for (int i = 0; i < song.waveCount; ++i) synth.PrecalcWave(song, oneByOne, song.waveCalcOrder[i]);

        ASSERT_EQ(std::memcmp(together.Data(), oneByOne.Data(), WaveMemory::Size()), 0) << "song " << n;
        ASSERT_EQ(std::memcmp(afterTogether, song.waves, sizeof(saved)), 0) << "song " << n;
    }
}

// Up to eight filters run side by side must give the bytes of separate runs,
// whatever the types, lengths and group size.
TEST(WaveSynthProperty, FilterGroupEqualsSeparateRuns) {
    std::mt19937 random(11u);
    for (int n = 0; n < 300; ++n) {
        const int count = 1 + int(random() % wave::kMaxFilterGroup);
        WaveParams params[wave::kMaxFilterGroup];
        std::vector<int8_t> alone[wave::kMaxFilterGroup], grouped[wave::kMaxFilterGroup];
        const WaveParams* pointers[wave::kMaxFilterGroup];
        int8_t* outs[wave::kMaxFilterGroup];
        int lengths[wave::kMaxFilterGroup];
        for (int w = 0; w < count; ++w) {
            WaveParams& p = params[w];
            p = DefaultWaveParams();
            p.flags = uint8_t(random() % 3);
            p.baseNote = int8_t(random() % 40 - 20);
            p.gain = uint8_t(random());
            p.lengthIndex = uint8_t(random() % 6);
            p.filterType = uint8_t(n % 10 == 0 ? random() % 6 : 1 + random() % 4);
            p.resonance = uint8_t(random());
            p.filterStart = uint8_t(random());
            p.filterLower = uint8_t(random());
            p.filterUpper = uint8_t(random());
            p.filterSpeed = int8_t(random());
            // Unfiltered oscillator output, then filtered both ways.
            WaveParams raw = p;
            raw.filterType = 0;
            alone[w] = grouped[w] = test::Generate(raw);
            wave::ApplyFilterSweep(p, alone[w].data(), int(alone[w].size()));
            pointers[w] = &params[w];
            outs[w] = grouped[w].data();
            lengths[w] = int(grouped[w].size());
        }
        wave::ApplyFilterSweepGroup(pointers, outs, lengths, count);
        for (int w = 0; w < count; ++w) ASSERT_EQ(grouped[w], alone[w]) << "group " << n << " wave " << w;
    }
}

}  // namespace
}  // namespace qn
