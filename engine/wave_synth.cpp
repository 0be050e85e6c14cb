// The wave synthesizer: oscillator tables, wave generation in stage order,
// precalculation into wave memory with mixing and octave copies, and the
// Amiga 500 cost estimates.
#include "engine/wave_synth.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/wave_math.h"
#include "engine/wave_simd.h"
#include "engine/wave_stages.h"
#include "song/wave_references.h"

namespace qn {

WaveMemory::WaveMemory() : bytes_(static_cast<int8_t*>(std::calloc(kWaveMemoryBytes, 1))) {
    if (!bytes_) throw std::bad_alloc();
}

void WaveMemory::Free::operator()(int8_t* bytes) const { std::free(bytes); }

void WaveMemory::Clear() { std::memset(bytes_.get(), 0, kWaveMemoryBytes); }

namespace {

// 4194304 / constant gives the cycle length of each semitone's table.
constexpr int32_t kSemitoneConstants[12] = {32768, 34589, 36655, 38839, 40900, 43486,
                                            46341, 48969, 52017, 54853, 57877, 61856};

// Writes the 1/2, 1/4 and 1/8 copies behind a wave of `length` bytes; each
// takes every second byte of the one before.
void WriteOctaveCopies(int8_t* wave, int length) {
    int8_t* source = wave;
    int sourceLength = length;
    for (int copy = 0; copy < 3; ++copy) {
        int8_t* target = source + sourceLength;
        const int targetLength = sourceLength / 2;
        wave::TakeEvenBytes(target, source, targetLength);
        source = target;
        sourceLength = targetLength;
    }
}

}  // namespace

WaveSynth::WaveSynth() { BuildOscillatorTables(); }

void WaveSynth::BuildOscillatorTables() {
    for (int semitone = 0; semitone < 12; ++semitone) {
        OscillatorBlock& block = tables_[size_t(semitone)];
        std::memset(&block, 0, sizeof(block));
        const int32_t cycle = 4194304 / kSemitoneConstants[semitone];
        const int32_t increment = 65280 / cycle;
        block.length = uint8_t(cycle);
        for (int32_t i = 0; i < cycle; ++i) {
            const int32_t ramp = i * increment;
            block.saw[i] = wave::wrap8(127 - (ramp >> 8));
            block.square[i] = int8_t(i < cycle / 2 ? 127 : -128);
            const int32_t v = ramp >> 7;
            const int32_t triangle = i <= cycle / 2 ? (v | 1) + 127 : 127 - (v & 254);
            // Rotated by a quarter cycle so the stored triangle starts near 0 and rises.
            const int32_t index = ((i - cycle / 4) % cycle + cycle) % cycle;
            block.triangle[index] = wave::wrap8(triangle);
        }
    }
}

namespace {

// Steps 1-5: clears the wave and adds every oscillator note of every pass.
void AddOscillators(const OscillatorTable& tables, const WaveParams& params, int8_t* out) {
    const int length = WaveLength(params);
    std::memset(out, 0, size_t(length));

    const int8_t baseNote = params.baseNote;
    int8_t notes[4] = {baseNote, 0, 0, 0};
    for (int j = 0; j < 3; ++j) notes[j + 1] = wave::wrap8(int32_t(baseNote) + params.chord[j]);
    const bool chordless = params.chord[0] == 0 && params.chord[1] == 0 && params.chord[2] == 0;
    const bool noise = params.OscType() == 3;
    // The unisono layer is a second, slightly sharper pass; noise has none.
    const int passes = (params.Unisono() != 0 && !noise) ? 2 : 1;

    for (int pass = 0; pass < passes; ++pass) {
        for (int j = 0; j < 4; ++j) {
            if (j >= 1 && notes[j] == baseNote) continue;
            if (noise) {
                wave::AddNoiseOscillator(params, notes[j], out, length);
            } else {
                wave::AddTableOscillator(params, tables, notes[j], j, chordless, pass, out, length);
            }
        }
    }
}

// The stages after the filter: the modulator runs before the envelope
// unless its sync bit puts it after.
void ApplyModulatorAndEnvelope(const WaveParams& params, int8_t* out) {
    const int length = WaveLength(params);
    if (params.ModulatorSync()) {
        wave::ApplyEnvelope(params, out, length);
        wave::ApplyModulator(params, out, length);
    } else {
        wave::ApplyModulator(params, out, length);
        wave::ApplyEnvelope(params, out, length);
    }
}

// The wave number a record mixes in, 0 for none (values of 24 and above mix 23).
int MixSource(const WaveParams& params) { return MixedWave(params.mixWave); }

// The records a song holds: all 24 in the editable song, fewer in a packed one.
int RecordCount(const Song& song) { return song.waveRecordCount < kWaves ? song.waveRecordCount : kWaves; }

// After generation: "Mix Wave" with the source slot's current contents, then the copies.
void MixAndWriteCopies(Song& song, WaveMemory& memory, int index) {
    WaveParams& params = song.waves[index];
    int8_t* wave = memory.Slot(index);
    const int length = WaveLength(params);

    params.mixWave = uint8_t(MixSource(params));
    const int mix = params.mixWave;
    // A packed song holds fewer records than slots: a source it does not
    // hold mixes in nothing.
    if (mix != 0 && mix - 1 != index && mix <= RecordCount(song)) {
        const int8_t* source = memory.Slot(mix - 1);
        const int sourceLength = WaveLength(song.waves[mix - 1]);
        const int count = length < sourceLength ? length : sourceLength;
        wave::SaturatingAddBytes(wave, source, count);
    }

    WriteOctaveCopies(wave, length);
}

}  // namespace

void WaveSynth::GenerateWave(const WaveParams& params, int8_t* out) const {
    AddOscillators(tables_, params, out);
    wave::ApplyFilterSweep(params, out, WaveLength(params));
    ApplyModulatorAndEnvelope(params, out);
}

void WaveSynth::PrecalcWave(Song& song, WaveMemory& memory, int index) const {
    if (index < 0 || index >= RecordCount(song) || song.waves == nullptr) return;
    GenerateWave(song.waves[index], memory.Slot(index));
    MixAndWriteCopies(song, memory, index);
}

void WaveSynth::PrecalcAllWaves(Song& song, WaveMemory& memory) const {
    PrecalcWavesInOrder(song, memory, song.waveCount);
}

void WaveSynth::PrecalcWavesInOrder(Song& song, WaveMemory& memory, int requested) const {
    if (song.waves == nullptr) return;
    const int count = requested < kWaves ? (requested < 0 ? 0 : requested) : kWaves;
    int i = 0;
    while (i < count) {
        const int first = song.waveCalcOrder[i];
        if (first >= RecordCount(song) || !wave::HasFilter(song.waves[first])) {
            if (first < kWaves) PrecalcWave(song, memory, first);
            ++i;
            continue;
        }
        // Filtered waves that follow each other in the order are generated
        // together, their filters side by side. A wave joins the group only
        // when no earlier member mixes it in: that member must see its
        // previous contents, so it may not be made early.
        int group[wave::kMaxFilterGroup] = {first};
        int size = 1;
        while (size < wave::kMaxFilterGroup && i + size < count) {
            const int next = song.waveCalcOrder[i + size];
            if (next >= RecordCount(song) || !wave::HasFilter(song.waves[next])) break;
            bool joins = true;
            for (int m = 0; m < size; ++m) {
                if (group[m] == next || MixSource(song.waves[group[m]]) == next + 1) joins = false;
            }
            if (!joins) break;
            group[size++] = next;
        }

        const WaveParams* params[wave::kMaxFilterGroup];
        int8_t* outs[wave::kMaxFilterGroup];
        int lengths[wave::kMaxFilterGroup];
        for (int m = 0; m < size; ++m) {
            params[m] = &song.waves[group[m]];
            outs[m] = memory.Slot(group[m]);
            lengths[m] = WaveLength(*params[m]);
            AddOscillators(tables_, *params[m], outs[m]);
        }
        wave::ApplyFilterSweepGroup(params, outs, lengths, size);
        for (int m = 0; m < size; ++m) ApplyModulatorAndEnvelope(*params[m], outs[m]);
        for (int m = 0; m < size; ++m) MixAndWriteCopies(song, memory, group[m]);
        i += size;
    }
}

float WaveSynth::EstimatePrecalcSeconds(const WaveParams& params) {
    int64_t cycles = params.OscType() == 3 ? 2800 : 4000;
    if (params.pitchRamp != 0) cycles += 1200;
    int notes = 1;
    for (int j = 0; j < 3; ++j) notes += params.chord[j] != 0 ? 1 : 0;
    cycles *= notes;
    if (params.Unisono() != 0) cycles *= 2;
    if (params.filterType != 0) cycles += 6700;
    if (params.attack != 0 || params.sustain != 255) cycles += 3500;
    if (params.wetness != 0) cycles += 4400 * (params.Density() + 1);
    const double seconds = double(cycles) * (int(params.lengthIndex) + 1) / 709379.0;
    return float(seconds);
}

uint32_t WaveSynth::ChipMemoryNeeded(const Song& song) {
    const int count = song.waves == nullptr ? 0 : (song.waveCount < kWaves ? song.waveCount : kWaves);
    uint32_t total = kSilentSampleBytes;
    for (int i = 0; i < count; ++i) {
        const WaveParams& params = song.waves[i];
        const int length = WaveLength(params);
        const bool copies = (params.flags & kWaveOctaveCopies) != 0;
        total += uint32_t(copies ? WaveLengthWithOctaveCopies(length) : length);
    }
    return total;
}

}  // namespace qn
