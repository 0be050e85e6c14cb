// The wave synthesizer: stage outputs worked by hand, golden hashes of whole waves from wave_reference.py (an
// independent sample-by-sample model: run it to reprint them), precalculation into wave memory, and random
// records alone and as whole songs (sanitizers catch reads past tables and overflow; checks catch stray writes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "engine/wave_stages.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace qn {
namespace {

std::vector<int8_t> Generate(const WaveParams& params) {
    static const WaveSynth synth;
    std::vector<int8_t> out(size_t(kMaxWaveLength), 0);
    synth.GenerateWave(params, out.data());
    out.resize(size_t(WaveLength(params)));
    return out;
}

// FNV-1a over the bytes, as tests/engine/wave_reference.py computes it.
uint32_t Fnv1a(const std::vector<int8_t>& bytes, uint32_t hash = 0x811C9DC5u) {
    for (int8_t byte : bytes) hash = (hash ^ uint8_t(byte)) * 0x01000193u;
    return hash;
}

// A square at gain 128: 127 for samples 0..63 of each 128, -128 for 64..127.
void FullSquare(WaveParams& p) { p.flags = 2, p.gain = 128; }
// Saw entry `entry` of semitone 0 at gain 64, as one table oscillator adds it.
int Saw(int entry) { return (WaveSynth().Tables()[0].saw[entry] * 64) >> 7; }

TEST(WaveStages, HandWorkedSamples) {
    // What it shows, how the record differs from the default one, and (sample index, expected value) pairs.
    struct Sample { const char* what; std::function<void(WaveParams&)> set; std::vector<std::pair<int, int>> bytes; };
    const Sample samples[] = {
        // The saw table steps by 65280 / 128 = 510 from 127: entry 127 is 127 - (64770 >> 8) = -126.
        {"default: one saw cycle at half amplitude, (127 * 64) >> 7 and (-126 * 64) >> 7",
         [](WaveParams&) {}, {{0, 63}, {127, -63}}},
        // Noise: seed 1 ^ 0x2000 = 0x2001, ^ >> 9 = 0x2011, ^ (<< 7 & 0xffff) = 0x2891 -> 0x91 = -111,
        // (-111 * 64) >> 7 = -56; then 0x4215 -> 21 -> 10; 0xd064 -> 100 -> 50.
        {"noise: the sixteen-bit xorshift", [](WaveParams& p) { p.flags = 3; }, {{0, -56}, {1, 10}, {2, 50}}},
        // Open lowpass: f = 255, k = 510; x = 127: s0 = 126, s1 = 125, s2 = 124, s3 = 123; next
        // s0 += ((1 * 510 >> 8) - 126 + 127) * 255 >> 8 = 1 -> 127, s1..s3 each gain 1 -> 124.
        {"open lowpass", [](WaveParams& p) { FullSquare(p), p.filterType = 1; }, {{0, 123}, {1, 124}}},
        // A zero-delay tap adds the sample to itself: 63 + (63 * 255 >> 8) = 125; the odd tap is inverted.
        {"odd taps are inverted: 125 + (-125 * 255 >> 8) = 0, -126 + 125 = -1",
         [](WaveParams& p) { p.wetness = 255, p.modLength = 0, p.modFlags = 2; }, {{0, 0}, {127, -1}}},
        {"a 64-sample tap ((77 >> 2) + 64 x 64 = 4115 >> 6) feeds back on itself: 0 + 31, 63 + 15",
         [](WaveParams& p) { p.wetness = 128, p.preDelay = 64, p.lengthIndex = 1; },
         {{63, Saw(63)}, {64, 31}, {128, 78}}},
        // 131072 / 128 = 1024 per sample, 16384 with sync: sample i scales by (i + 1) / 4; the attack
        // ends at 1023, one hold sample at 255, then sustain 128 halves.
        {"synced attack is sixteen times faster",
         [](WaveParams& p) {
             FullSquare(p), p.attack = 128, p.sustain = 128, p.flags |= kWaveEnvelopeSync, p.lengthIndex = 15;
         },
         {{3, 0}, {511, -64}, {1023, -128}, {1024, 126}, {1025, 63}, {1088, -64}}},
        // Fall rates 896, 768, 638, 512: levels 64639 -> 252, 63871 -> 249, 63233 -> 247, 62721 -> 245.
        {"synced decay walks the fall-rate table",
         [](WaveParams& p) { FullSquare(p), p.flags |= kWaveEnvelopeSync, p.decay = 255, p.sustain = 0; },
         {{2, 125}, {3, 123}, {4, 122}, {5, 121}}},
    };
    for (const Sample& s : samples) {
        WaveParams params = DefaultWaveParams();
        s.set(params);
        const std::vector<int8_t> out = Generate(params);
        for (auto [index, value] : s.bytes) EXPECT_EQ(out[size_t(index)], value) << s.what << ", sample " << index;
    }
}

// The benchmark's record: every stage on at the longest length (bench_record in the script).
void LongestEveryStage(WaveParams& p, int oscType, int baseNote) {
    p.flags = uint8_t(oscType | kWavePitchLinear), p.baseNote = int8_t(baseNote), p.lengthIndex = 255;
    p.chord[0] = 3, p.chord[1] = 7, p.chord[2] = 12, p.modFlags = uint8_t(7 | (3 << 3)), p.pitchRamp = -2;
    p.phaseMin = 20, p.phaseMax = 180, p.phaseSpeed = 30, p.shift = 5, p.filterType = uint8_t(1 + oscType);
    p.resonance = 60, p.filterStart = 30, p.filterLower = 10, p.filterUpper = 240, p.filterSpeed = 40;
    p.wetness = 120, p.modLength = 2, p.preDelay = 3, p.attack = 20, p.delay = 1, p.decay = 30, p.sustain = 120;
}

TEST(WaveGolden, CraftedRecordsCombiningStages) {
    struct Golden { const char* what; std::function<void(WaveParams&)> set; uint32_t hash; };
    const Golden goldens[] = {
        {"chord saw with ramp and filter",
         [](WaveParams& p) {
             p.chord[0] = 4, p.chord[1] = 7, p.chord[2] = 12, p.shift = 9, p.pitchRamp = -3, p.filterType = 1;
             p.resonance = 40, p.filterStart = 200, p.filterLower = 40, p.filterUpper = 220, p.filterSpeed = -20;
             p.lengthIndex = 3;
         },
         0x0d3a7e40u},
        {"unisono triangle phase sweep",
         [](WaveParams& p) {
             p.flags = 1, p.modFlags = uint8_t(1 | (2 << 3)), p.phaseMin = 10, p.phaseMax = 200, p.phaseSpeed = 90;
             p.baseNote = -5, p.gain = 150, p.lengthIndex = 1;
         },
         0xb323f4f1u},
        {"noise, linear ramp, envelope",
         [](WaveParams& p) {
             p.flags = uint8_t(3 | kWavePitchLinear | kWaveBoost), p.baseNote = -20, p.pitchRamp = 50, p.shift = 3;
             p.phaseMin = 7, p.attack = 30, p.delay = 2, p.decay = 40, p.sustain = 90, p.lengthIndex = 5;
         },
         0x97fce5ccu},
        {"square, modulator, sync, bandpass",
         [](WaveParams& p) {
             p.flags = uint8_t(2 | kWaveEnvelopeSync), p.chord[0] = -12, p.chord[1] = 3, p.baseNote = 30;
             p.filterType = 3, p.resonance = 200, p.filterStart = 10, p.filterSpeed = 127, p.wetness = 180;
             p.modLength = 3, p.preDelay = 5, p.modFlags = uint8_t(7 | 0x20), p.attack = 4, p.decay = 200;
             p.sustain = 0, p.lengthIndex = 7;
         },
         0xffde964eu},
        {"high notes, notch",
         [](WaveParams& p) {
             p.baseNote = 100, p.chord[0] = 20, p.chord[1] = 27, p.chord[2] = -100, p.modFlags = uint8_t(1 | (3 << 3));
             p.filterType = 4, p.filterStart = 128, p.filterSpeed = -128, p.filterLower = 100, p.filterUpper = 100;
             p.shift = 77;
         },
         0x30635c33u},
        {"longest, every stage, saw", [](WaveParams& p) { LongestEveryStage(p, 0, -12); }, 0x12b459e0u},
        {"longest, every stage, triangle", [](WaveParams& p) { LongestEveryStage(p, 1, 0); }, 0x77d7bf4eu},
        {"longest, every stage, square", [](WaveParams& p) { LongestEveryStage(p, 2, 9); }, 0x3fd73a66u},
        {"longest, every stage, noise", [](WaveParams& p) { LongestEveryStage(p, 3, -30); }, 0xbfd86b3bu},
    };
    for (const Golden& golden : goldens) {
        WaveParams params = DefaultWaveParams();
        golden.set(params);
        EXPECT_EQ(Fnv1a(Generate(params)), golden.hash) << golden.what;
    }
}

// 300 records of random bytes (length index cut to 0..7), one hash over all outputs.
TEST(WaveGolden, RandomRecordSweepMatchesTheReferenceModel) {
    uint32_t state = 2463534242u;
    uint32_t hash = 0x811C9DC5u;
    for (int n = 0; n < 300; ++n) {
        uint8_t raw[42];
        for (uint8_t& byte : raw)
            state ^= state << 13, state ^= state >> 17, state ^= state << 5, byte = uint8_t(state & 0xff);
        raw[25] &= 7;
        WaveParams p;
        std::memcpy(&p, raw, sizeof(p));  // host-order fields; the synth reads only bytes 14..41
        hash = Fnv1a(Generate(p), hash);
    }
    EXPECT_EQ(hash, 0xae5e334eu);
}

// A wave's slot holds it and its 1/2, 1/4 and 1/8 copies (every 2nd, 4th, 8th byte); a mix adds the other slot
// with saturation over the shorter wave, before the copies are taken.
TEST(WavePrecalc, SlotsOctaveCopiesAndMixing) {
    SongDocument document;
    Song& song = document.song;
    WaveSynth synth;
    WaveMemory memory;
    EXPECT_EQ(memory.Slot(23) - memory.Data(), 2 + 23 * 65536);  // two silent bytes, then one 64K slot per wave
    for (int length : {1, 255}) {
        song.waves[3].lengthIndex = uint8_t(length);
        std::memset(memory.Data(), 0x77, WaveMemory::Size());
        synth.PrecalcWave(song, memory, 3);
        const int8_t* slot = memory.Slot(3);
        const std::vector<int8_t> wave = Generate(song.waves[3]);
        const int n = int(wave.size());
        for (int copy = 0, at = 0; copy < 4; at += n >> copy, ++copy)
            for (int k = 0; k < n >> copy; ++k) ASSERT_EQ(slot[at + k], wave[size_t(k << copy)]) << copy << " " << k;
        EXPECT_EQ(WaveLengthWithOctaveCopies(n), n * 15 / 8);
        EXPECT_EQ(slot[-1], 0x77);  // nothing written before the slot (nor past it: see the random songs)
    }
    Song empty;  // no storage laid out: `waves` is null
    synth.PrecalcAllWaves(empty, memory), synth.PrecalcWave(empty, memory, 0);
    synth.PrecalcWave(song, memory, -1), synth.PrecalcWave(song, memory, 24);  // outside the slots: ignored
    EXPECT_EQ(std::make_pair(memory.Slot(0)[0], memory.Slot(23)[0]), std::make_pair(int8_t(0x77), int8_t(0x77)));
    EXPECT_EQ(WaveSynth::ChipMemoryNeeded(empty), 2u);

    song.waves[1].flags = 2;  // wave 2: square, +-63 at gain 64
    synth.PrecalcWave(song, memory, 1);
    song.waves[0].mixWave = 2, song.waves[0].gain = 128, song.waves[0].lengthIndex = 1;  // 256 bytes, saw 127..-126
    synth.PrecalcWave(song, memory, 0);
    const int8_t* slot = memory.Slot(0);
    const std::vector<int8_t> alone = Generate(song.waves[0]);
    EXPECT_EQ((std::vector<int>{slot[0], slot[1], slot[64], slot[127]}), (std::vector<int>{127, 127, -64, -128}));
    // Past wave 2's 128 bytes (its slot holds its 1/2 copy there) nothing is mixed in.
    EXPECT_EQ(std::vector<int8_t>(slot + 128, slot + 256), std::vector<int8_t>(alone.begin() + 128, alone.end()));
    EXPECT_EQ(slot[256 + 32], slot[64]);  // the copies are taken after the mix
    song.waves[5].mixWave = 6;  // a wave mixing itself mixes nothing
    synth.PrecalcWave(song, memory, 5);
    EXPECT_EQ(std::memcmp(memory.Slot(5), Generate(song.waves[5]).data(), 128), 0);
    song.waves[22].flags = 2;  // "Mix Wave" 24 and above is rewritten to 23, as the Amiga player does
    synth.PrecalcWave(song, memory, 22);
    for (int mix : {24, 200}) {
        song.waves[2].mixWave = uint8_t(mix);
        synth.PrecalcWave(song, memory, 2);
        EXPECT_EQ(std::make_pair(int(song.waves[2].mixWave), int(memory.Slot(2)[64])), std::make_pair(23, -64)) << mix;
    }
}

// Costs in source clock cycles, summed by hand: noise 2800 + ramp 1200 = 4000,
// x 3 chord notes = 12000, x 2 unisono = 24000, + filter 6700 + envelope 3500,
// + modulator 4400 x density 4 = 51800, for each of the 4 x 128 bytes / 128.
TEST(PrecalcEstimate, EveryStageAddsItsCost) {
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(DefaultWaveParams()), float(4000 / 709379.0));
    WaveParams p = DefaultWaveParams();
    p.flags = 3, p.pitchRamp = -1, p.chord[0] = 5, p.chord[2] = -3, p.modFlags = uint8_t(3 | (1 << 3));
    p.filterType = 9, p.attack = 1, p.wetness = 1, p.lengthIndex = 3;  // any non-zero filter type
    EXPECT_FLOAT_EQ(WaveSynth::EstimatePrecalcSeconds(p), float(51800.0 * 4 / 709379.0));
}

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
    std::vector<int8_t> buffer(size_t(kMaxWaveLength) + 64), again(kMaxWaveLength);
    for (int n = 0; n < 4000; ++n) {
        const WaveParams params = RandomRecord(random, n % 100 == 0 ? 255 : 7);  // every 100th up to the longest
        const size_t length = size_t(WaveLength(params));
        std::memset(buffer.data(), 0x5a, buffer.size());
        synth.GenerateWave(params, buffer.data());
        for (size_t i = length; i < length + 64; ++i) ASSERT_EQ(buffer[i], 0x5a) << "record " << n;
        synth.GenerateWave(params, again.data());
        ASSERT_EQ(std::memcmp(buffer.data(), again.data(), length), 0) << "record " << n;
    }
}

// PrecalcAllWaves runs up to eight filtered waves side by side; the bytes must be those of PrecalcWave for each wave
// of the order in turn, a mix source later in the order included. Entries and counts past 24 are ignored, and
// nothing is written into the two silent bytes or past a wave's three copies.
TEST(WaveSynthProperty, AllWavesEqualsOneWaveAtATimeInOrder) {
    std::mt19937 random(4242u);
    WaveSynth synth;
    WaveMemory together, oneByOne;
    SongDocument document;
    Song& song = document.song;
    for (int n = 0; n < 120; ++n) {
        for (int w = 0; w < kWaves; ++w) {
            WaveParams params = RandomRecord(random, n % 2 == 0 ? 7 : 15);
            params.filterType = uint8_t(n % 2 ? 1 + random() % 4 : random() % 6);  // filters, so groups form
            params.mixWave = uint8_t(random() % 4 == 0 ? random() % 26 : 0);
            song.waves[w] = params;
        }
        // Half the songs: a shuffled order of real slots, so groups of eight form.
        for (int w = 0; w < kWaves; ++w) song.waveCalcOrder[w] = uint8_t(n % 2 ? w : random() % 32);
        if (n % 2) std::shuffle(song.waveCalcOrder, song.waveCalcOrder + kWaves, random);
        // Some songs: each wave mixes the next one in the order (the ungroupable case).
        for (int i = 0; n % 3 == 0 && i + 1 < kWaves; ++i)
            if (song.waveCalcOrder[i] < kWaves)
                song.waves[song.waveCalcOrder[i]].mixWave = uint8_t(song.waveCalcOrder[i + 1] + 1);
        song.waveCount = uint8_t(n % 4 == 0 ? random() : 1 + random() % 24);
        // The same previous contents in both memories, so late mix sources matter.
        for (size_t i = 0; i < WaveMemory::Size(); ++i) together.Data()[i] = int8_t(i * 7);
        std::memcpy(oneByOne.Data(), together.Data(), WaveMemory::Size());
        const std::vector<WaveParams> saved(song.waves, song.waves + kWaves);
        synth.PrecalcAllWaves(song, together);
        const std::vector<WaveParams> afterTogether(song.waves, song.waves + kWaves);
        std::copy(saved.begin(), saved.end(), song.waves);
        for (int i = 0; i < std::min<int>(song.waveCount, kWaves); ++i)
            synth.PrecalcWave(song, oneByOne, song.waveCalcOrder[i]);

        ASSERT_EQ(std::memcmp(together.Data(), oneByOne.Data(), WaveMemory::Size()), 0) << "song " << n;
        ASSERT_EQ(std::memcmp(afterTogether.data(), song.waves, kWaves * sizeof(WaveParams)), 0) << "song " << n;
        // The silent bytes keep their (test) contents 0 * 7, 1 * 7.
        ASSERT_EQ(std::make_pair(together.Data()[0], together.Data()[1]), std::make_pair(int8_t(0), int8_t(7)));
        for (int w = 0; w < kWaves; ++w) {
            const int8_t* past = together.Slot(w) + WaveLengthWithOctaveCopies(WaveLength(song.waves[w]));
            ASSERT_EQ(*past, int8_t((past - together.Data()) * 7)) << "song " << n << " wave " << w;
        }
        const uint32_t chip = WaveSynth::ChipMemoryNeeded(song);
        ASSERT_GE(chip, 2u);
        ASSERT_LE(chip, 2u + 24u * 61440u);
    }
}

// Filters run side by side only when every wave of the group has one; otherwise one by one.
TEST(WaveSynthProperty, FilterGroupWithAnUnfilteredWaveRunsOneByOne) {
    WaveParams params[2] = {DefaultWaveParams(), DefaultWaveParams()};
    params[1].filterType = 2, params[1].filterStart = 90, params[1].resonance = 200;
    std::vector<int8_t> alone[2] = {Generate(params[0]), Generate(params[0])}, grouped[2] = {alone[0], alone[1]};
    wave::ApplyFilterSweep(params[1], alone[1].data(), int(alone[1].size()));
    const WaveParams* pointers[2] = {&params[0], &params[1]};
    int8_t* outs[2] = {grouped[0].data(), grouped[1].data()};
    const int lengths[2] = {int(alone[0].size()), int(alone[1].size())};
    wave::ApplyFilterSweepGroup(pointers, outs, lengths, 2);
    EXPECT_TRUE(grouped[0] == alone[0] && grouped[1] == alone[1]);
    EXPECT_NE(grouped[1], grouped[0]);
}

}  // namespace
}  // namespace qn
