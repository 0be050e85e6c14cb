// The wave synthesizer: turns 42-byte WaveParams records into the 8-bit
// waves that the voices play, and estimates what those waves cost on an
// Amiga 500 (chip memory and precalculation time).
//
// Wave memory convention: one byte area of kWaveMemoryBytes. Its first two
// bytes are zero (the silent sample that stopped voices point at); wave slot
// `index` (0..23) starts at WaveSlotOffset(index) and is 65536 bytes long.
// A wave of length N occupies N bytes of its slot, followed by its octave
// copies of N/2, N/4 and N/8 bytes (every second byte of the previous copy).
// The longest wave (32768 bytes) with its copies needs 61440 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "song/song.h"
#include "song/song_types.h"

namespace qn {

constexpr size_t kSilentSampleBytes = 2;
constexpr size_t kWaveSlotBytes = 65536;
constexpr size_t kWaveMemoryBytes = kSilentSampleBytes + size_t(kWaves) * kWaveSlotBytes;
constexpr int kMaxWaveLength = 256 * 128;  // length index 255

// Byte offset of wave slot `index` (0..23) inside wave memory.
constexpr size_t WaveSlotOffset(int index) {
    return kSilentSampleBytes + size_t(index) * kWaveSlotBytes;
}

// Length N in bytes of the wave a record describes: (length index + 1) * 128.
constexpr int WaveLength(const WaveParams& params) { return (int(params.lengthIndex) + 1) * 128; }

// Bytes a wave of length N takes with its three octave copies: N + N/2 + N/4 + N/8.
constexpr int WaveLengthWithOctaveCopies(int length) {
    return length + length / 2 + length / 4 + length / 8;
}

// The wave memory: owns kWaveMemoryBytes signed bytes, zeroed on creation
// (zeroed pages from calloc: untouched slots cost nothing).
class WaveMemory {
public:
    WaveMemory();
    WaveMemory(const WaveMemory&) = delete;
    WaveMemory& operator=(const WaveMemory&) = delete;

    int8_t* Data() { return bytes_.get(); }
    const int8_t* Data() const { return bytes_.get(); }
    static constexpr size_t Size() { return kWaveMemoryBytes; }
    // First byte of wave slot `index` (0..23).
    int8_t* Slot(int index) { return bytes_.get() + WaveSlotOffset(index); }
    const int8_t* Slot(int index) const { return bytes_.get() + WaveSlotOffset(index); }
    // Zeroes the whole area, silent sample included.
    void Clear();

private:
    struct Free {
        void operator()(int8_t* bytes) const;
    };
    std::unique_ptr<int8_t, Free> bytes_;
};

// One semitone's single-cycle tables: saw, square and triangle, each 128
// bytes of which the first `length` are used (the rest stay 0), then the
// cycle length itself.
struct OscillatorBlock {
    int8_t saw[128];
    int8_t square[128];
    int8_t triangle[128];
    uint8_t length;
};
static_assert(sizeof(OscillatorBlock) == 385);

using OscillatorTable = std::array<OscillatorBlock, 12>;

class WaveSynth {
public:
    // Builds the oscillator tables, so a new synth is ready to generate.
    WaveSynth();

    // Fills the twelve semitone blocks of the oscillator table. Idempotent.
    void BuildOscillatorTables();
    const OscillatorTable& Tables() const { return tables_; }

    // Writes exactly WaveLength(params) bytes to `out` and touches nothing
    // else (up to kMaxWaveLength bytes for any record).
    void GenerateWave(const WaveParams& params, int8_t* out) const;

    // Generates wave slot `index` (0..23) of `song` into its slot of `memory`,
    // mixes in its "Mix Wave" (with that wave's current slot contents) and
    // writes the octave copies. A "Mix Wave" of 24 or more is lowered to 23 in the
    // record. An index outside 0..23 does nothing.
    void PrecalcWave(Song& song, WaveMemory& memory, int index) const;

    // Precalculates waves order[0] .. order[waveCount - 1] of the song's wave
    // calculation order (at most 24; order entries above 23 are skipped).
    void PrecalcAllWaves(Song& song, WaveMemory& memory) const;
    // The same for the first `count` entries of the order (at most 24): the
    // wave editor generates all 24 waves, whatever the song's wave count.
    void PrecalcWavesInOrder(Song& song, WaveMemory& memory, int count) const;

    // Seconds an Amiga 500 needs to precalculate one wave.
    static float EstimatePrecalcSeconds(const WaveParams& params);

    // Chip memory the song's first waveCount waves need on the Amiga: 2 bytes
    // for the silent sample, plus each wave's length, plus its octave copies
    // when its octave-copies flag is set.
    static uint32_t ChipMemoryNeeded(const Song& song);

private:
    OscillatorTable tables_{};
};

}  // namespace qn
