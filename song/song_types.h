// The fixed-size records that make up a song: pattern steps, sequence
// entries, instrument parameters and steps, and wave parameter records.
// They are plain structs so the storage block and the undo history can
// treat the song as one piece of memory; file layouts are converted field
// by field elsewhere (song_image.cpp), never by casting a file buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qn {

constexpr int kVoices = 4;
constexpr int kMaxPositions = 255;
constexpr int kMaxPatterns = 255;
constexpr int kMaxRows = 128;          // rows stored per pattern slot in the editor
constexpr int kDefaultRows = 64;
constexpr int kInstrumentSlots = 32;   // slot 31 exists but no pattern step can name it
constexpr int kSelectableInstruments = 31;
constexpr int kInstrumentSteps = 32;
constexpr int kWaves = 24;
constexpr int kNameLength = 22;
constexpr int kTitleLength = 20;
constexpr int kReleaseNote = 61;
constexpr int kMaxNote = 60;

// Timing shared by the engine, the audio device and WAV export.
constexpr int kSampleRate = 48000;
constexpr int kTicksPerSecond = 50;
constexpr int kFramesPerTick = kSampleRate / kTicksPerSecond;  // 960

// One pattern step: note (bits 0-5), chord flag (bit 6), instrument bit 4
// (bit 7); instrument bits 0-3 in the high nibble of byte 1 with the command
// in the low nibble; the parameter in byte 2.
struct qntPatternStep {
    uint8_t b0;
    uint8_t b1;
    uint8_t b2;

    int Note() const { return b0 & 0x3f; }
    bool Chord() const { return (b0 & 0x40) != 0; }
    int Instrument() const { return ((b0 >> 3) & 16) + (b1 >> 4); }
    int Command() const { return b1 & 0x0f; }
    int Parameter() const { return b2; }
    bool IsEmpty() const { return b0 == 0 && b1 == 0 && b2 == 0; }

    void SetNote(int note) { b0 = uint8_t((b0 & 0xc0) | (note & 0x3f)); }
    void SetChord(bool on) { b0 = uint8_t(on ? (b0 | 0x40) : (b0 & ~0x40)); }
    void SetInstrument(int instrument) {
        b0 = uint8_t((b0 & 0x7f) | ((instrument & 16) << 3));
        b1 = uint8_t((b1 & 0x0f) | ((instrument & 15) << 4));
    }
    void SetCommand(int command) { b1 = uint8_t((b1 & 0xf0) | (command & 0x0f)); }
    void SetParameter(int parameter) { b2 = uint8_t(parameter); }
};
static_assert(sizeof(qntPatternStep) == 3);

struct SequenceEntry {
    uint8_t pattern;   // 0 = no pattern, 1..255
    int8_t transpose;  // semitones
};
static_assert(sizeof(SequenceEntry) == 2);

// Seven parameters edited in 0..15, then the step count (32 in the editable
// song; the number of stored steps inside a song image).
struct InstrumentParams {
    uint8_t vibratoDelay;
    uint8_t vibratoDepth;
    uint8_t vibratoSpeed;
    uint8_t attack;
    uint8_t decay;
    uint8_t sustain;
    uint8_t release;
    uint8_t stepCount;
};
static_assert(sizeof(InstrumentParams) == 8);

// One instrument step: note (bits 0-5), note-mode/fixed pitch (bit 6),
// link flag (bit 7); command in the low nibble of byte 1; parameter byte 2.
struct InstrumentStep {
    uint8_t b0;
    uint8_t b1;
    uint8_t b2;

    int Note() const { return b0 & 0x3f; }
    bool FixedNote() const { return (b0 & 0x40) != 0; }
    bool Linked() const { return (b0 & 0x80) != 0; }
    int Command() const { return b1 & 0x0f; }
    int Parameter() const { return b2; }
    bool IsEmpty() const { return b0 == 0 && b1 == 0 && b2 == 0; }
    // The one test every wave collector uses: command 0 or 4 with 1..24.
    int SelectedWave() const {
        int command = Command();
        return ((command == 0 || command == 4) && b2 >= 1 && b2 <= kWaves) ? b2 : 0;
    }
};
static_assert(sizeof(InstrumentStep) == 3);

// Flags in WaveParams::flags (byte 20).
constexpr uint8_t kWaveOscTypeMask = 0x03;
constexpr uint8_t kWaveOctaveCopies = 0x04;
constexpr uint8_t kWaveBoost = 0x08;
constexpr uint8_t kWavePitchLinear = 0x10;
constexpr uint8_t kWaveEnvelopeSync = 0x20;

// The 42-byte wave parameter record, held in host byte order in memory.
struct WaveParams {
    uint16_t loopStart;      // 0  "Loop Start"
    uint16_t loopEnd;        // 2  "Loop End"
    uint16_t subloopLen;     // 4  "Subloop Len"
    uint8_t allow9xx;        // 6  "Allow 9xx"
    uint8_t subloopWait;     // 7  "Subloop Wait"
    uint16_t subloopStep;    // 8  "Subloop Step"
    uint16_t waveLength;     // 10 (lengthIndex + 1) * 128
    uint16_t loopOffset;     // 12 "Loop Offset"
    int8_t chord[3];         // 14..16 "Note 2", "Note 3", "Note 4"
    uint8_t shift;           // 17 "Shift"
    uint8_t cloneFrom;       // 18 "Clone from Wave"
    uint8_t phaseSpeed;      // 19 "Phase Spd"
    uint8_t flags;           // 20 OscType, octave copies, Boost, Pitch Linear, envelope sync
    uint8_t phaseMin;        // 21 "Phase Min"
    uint8_t phaseMax;        // 22 "Phase Max"
    int8_t baseNote;         // 23 "Basenote"
    uint8_t gain;            // 24 "Gain"
    uint8_t lengthIndex;     // 25 "Len:128*"
    uint8_t mixWave;         // 26 "Mix Wave"
    uint8_t attack;          // 27 "Attack"
    uint8_t delay;           // 28 "Delay"
    uint8_t decay;           // 29 "Decay"
    uint8_t sustain;         // 30 "Sustain"
    uint8_t filterType;      // 31 "FilterType"
    uint8_t resonance;       // 32 "Resonance"
    int8_t pitchRamp;        // 33 "Pitch Ramp"
    uint8_t filterStart;     // 34 filter sweep "Start"
    uint8_t filterLower;     // 35 lower limit
    uint8_t filterUpper;     // 36 upper limit
    int8_t filterSpeed;      // 37 "Speed"
    uint8_t wetness;         // 38 "Wetness"
    uint8_t modLength;       // 39 modulator "Length"
    uint8_t preDelay;        // 40 "PreDelay"
    uint8_t modFlags;        // 41 Density (0-2), Unisono (3-4), modulator sync (5)

    int OscType() const { return flags & kWaveOscTypeMask; }
    int Density() const { return modFlags & 7; }
    int Unisono() const { return (modFlags >> 3) & 3; }
    bool ModulatorSync() const { return (modFlags & 0x20) != 0; }
};
static_assert(sizeof(WaveParams) == 42);
static_assert(offsetof(WaveParams, loopOffset) == 12);
static_assert(offsetof(WaveParams, chord) == 14);
static_assert(offsetof(WaveParams, flags) == 20);
static_assert(offsetof(WaveParams, mixWave) == 26);
static_assert(offsetof(WaveParams, filterType) == 31);
static_assert(offsetof(WaveParams, modFlags) == 41);

// Byte offsets of the six 16-bit fields, which files store big-endian.
constexpr int kWaveWordOffsets[6] = {0, 2, 4, 8, 10, 12};

InstrumentParams DefaultInstrumentParams();
WaveParams DefaultWaveParams();
bool IsWaveEmpty(const WaveParams& wave);

}  // namespace qn
