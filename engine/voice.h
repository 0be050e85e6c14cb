// One voice of the player: the instrument step program, the volume envelope,
// vibrato, slides and portamento, the wave window (sub-loop) and the pitch,
// worked out once per tick into a VoiceRegisters block, the only thing the
// voice mixer reads. The pattern side (notes, commands) is the Replayer's;
// it fills the pattern-side fields of VoiceState and calls these functions.
//
// All arithmetic is integer and follows the Amiga player: widths, shifts and
// clamps are part of the sound.
#pragma once

#include <array>
#include <cstdint>

#include "song/song.h"
#include "song/song_types.h"

namespace qn {

// Loop offset meaning "play the length once, then fall silent".
constexpr uint16_t kPlayOnce = 65535;
// Highest index of the period table (16 entries per semitone).
constexpr int kPeriodTableSize = 577;
// Pitch indexes from here on lie above the period range and are played from
// the wave's octave copies.
constexpr int kOctaveCopyIndex = 538;
constexpr int kEchoRingSize = 32;
constexpr uint8_t kNoWave = 255;
constexpr uint8_t kStepHalted = 255;     // step speed that stops the step program
constexpr uint8_t kNoStepJump = 255;
constexpr uint8_t kRowDelayArmed = 0;    // row not read yet
constexpr uint8_t kRowDelayDone = 255;   // row read; disarmed until the next row

enum EnvelopeStage : uint8_t {
    kEnvelopeAttack = 0,
    kEnvelopeDecay = 1,
    kEnvelopeSustain = 2,
    kEnvelopeRelease = 3,  // also "off"
};

// What the mixer reads for one voice each tick.
struct VoiceRegisters {
    uint32_t sampleStart = 0;   // byte offset into wave memory; 0 = the two silent bytes
    uint16_t length = 2;        // bytes
    uint16_t loopOffset = 0;    // from the (new) sample start; kPlayOnce = no loop
    uint16_t period = 123;      // Amiga clock ticks per sample
    uint8_t volume = 0;         // 0..64
    uint8_t trigger = 0;        // 1 = restart the sample now; the caller clears it
};

// Every field 0: start, length, loop offset, period, volume and trigger.
constexpr VoiceRegisters kZeroRegisters{0, 0, 0, 0, 0, 0};

constexpr std::array<VoiceRegisters, kEchoRingSize> ZeroRegisterRing() {
    std::array<VoiceRegisters, kEchoRingSize> ring{};
    for (VoiceRegisters& entry : ring) entry = kZeroRegisters;
    return ring;
}

struct VoiceState {
    // Pattern side (written by the Replayer's row decoding).
    uint8_t channelVolume = 0;        // 0..64
    int16_t notePitch = 0;            // 16 per semitone
    int16_t patternSlide = 0;         // pitch change per tick from 1xx/2xx
    uint16_t portamentoTarget = 0;    // 0 = none
    uint8_t portamentoSpeed = 0;
    int8_t volumeRamp = 0;            // Axy, per tick
    uint8_t delayedInstrument = 0;    // 0xy: the row's instrument, started later
    uint8_t delayedInstrumentTicks = 0;
    uint8_t pendingSubloopOffset = 0; // 9xx parameter, 0 = none
    uint8_t rowDelay = kRowDelayArmed;
    uint8_t noteCut = 0;              // EAx ticks left
    uint8_t arpeggio[3] = {};         // chord-row offsets, semitones
    uint8_t muted = 0;                // set by the editors

    // Instrument side.
    uint8_t instrument = 0;           // 1..32, 0 = none
    InstrumentParams params{};        // copy taken at the instrument start
    uint8_t instrumentStartVolume = 64;
    uint8_t pendingStart = 0;         // instrument whose envelope/vibrato start this tick
    uint8_t stepIndex = 0;
    uint8_t stepSpeed = 1;            // ticks per step; kStepHalted stops the program
    uint8_t stepTicks = 0;            // ticks until the next run
    uint8_t stepVolume = 64;          // 0..64
    int16_t stepVolumeSlide = 0;
    int16_t stepNotePitch = 0;
    int16_t stepSlide = 0;
    int16_t slideAccumulator = 16;
    uint8_t fixedPitch = 0;           // note-mode flag of the last step that set a note
    uint8_t arpeggioTranspose = 0;    // semitones
    uint8_t pendingStepJump = kNoStepJump;
    uint8_t releaseCountdown = 0;     // ticks until an automatic release, 0 = none

    // Envelope. Level 1024 is full volume.
    uint8_t envelopeStage = kEnvelopeRelease;
    int32_t envelopeLevel = 0;
    uint8_t fallIndex = 0;
    uint16_t releaseStep = 0;
    uint16_t releaseAccumulator = 0;
    uint8_t attack = 0;               // indexes taken from the instrument at its start
    uint8_t decay = 0;
    uint8_t sustain = 0;              // 0..15, 16 = held at full level
    uint8_t release = 0;

    // Vibrato.
    int16_t vibratoOffset = 0;
    uint16_t vibratoDepth = 0;
    int16_t vibratoSpeed = 0;
    uint16_t vibratoDelay = 0;

    // Wave and its window.
    uint8_t waveIndex = kNoWave;      // 0..23
    int32_t subloopPosition = 0;
    int8_t subloopDirection = 1;      // +1 forward, -1 backward
    uint16_t subloopWait = 0;
    uint16_t lastLength = 0;

    // Echo (track delay). The ring and its index are used when this voice
    // serves as the echo of the voice before it.
    uint8_t echoDelay = 0;            // ticks; 255 = end the echo; 0 = none
    uint8_t echoVolume = 0;           // x/16
    uint8_t echoRingIndex = 255;      // 255 until the first write
    // Zero-filled like the rest of the player's state: an echo that reads an
    // entry before it was written plays all-zero registers (period 0, silent).
    std::array<VoiceRegisters, kEchoRingSize> echoRing = ZeroRegisterRing();

    // Counts the notes the pattern started on this voice (the editors flash
    // on a change); wraps.
    uint32_t notesStarted = 0;

    VoiceRegisters registers{};
};

// Tables shared by every voice.
const std::array<uint16_t, kPeriodTableSize>& PeriodTable();
extern const uint8_t kVibratoDelayTable[16];
extern const uint8_t kVibratoDepthTable[16];
extern const uint8_t kVibratoSpeedTable[16];
extern const uint16_t kAttackRateTable[16];
extern const uint8_t kFallStartTable[16];

// The record of wave `index` (0..23), or null when the song holds no such
// record (a song parsed straight from an image holds only its wave count).
inline WaveParams* WaveRecord(const Song& song, int index) {
    const int records = song.waveRecordCount < kWaves ? song.waveRecordCount : kWaves;
    return (song.waves != nullptr && index >= 0 && index < records) ? &song.waves[index] : nullptr;
}

// Instrument parameter bytes index 16-entry tables; files can hold anything,
// so values above 15 are held at 15.
inline int ParamIndex(uint8_t value) { return value > 15 ? 15 : value; }

// Starts `instrument` (1..32) on the voice: clears slides, pending starts and
// the step program state; the envelope and vibrato start on the next voice
// tick. Out-of-range numbers do nothing.
void StartInstrument(VoiceState& voice, const Song& song, int instrument);
// Makes wave `wave` (0..23) current and points the registers at it; with
// `restart` the sub-loop window starts again from "Loop Offset".
void SelectWave(VoiceState& voice, const Song& song, int wave, bool restart);
// Wave preview of the wave editor: wave `wave` (0..23) sounds plainly at
// full sustain, with no envelope, vibrato or step program shaping it.
void StartWavePreview(VoiceState& voice, const Song& song, int wave);
// Note off: the envelope enters release, falling more slowly from a lower level.
void ReleaseVoice(VoiceState& voice);
// Envelope back to attack from level 0.
void RestartEnvelope(VoiceState& voice);
// One tick of one voice: step program, instrument start, envelope, note cut,
// volume, wave window, pitch and period. The echo is separate (EchoVoice)
// because it writes the next voice. Sets the octave-copies flag of a wave
// played above the period range, so the song is not const.
void TickVoice(VoiceState& voice, Song& song);
// The echo (track delay) of `source` played on `echo`, the next voice.
void EchoVoice(VoiceState& source, VoiceState& echo);

}  // namespace qn
