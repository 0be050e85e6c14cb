// The Replayer steps a Song through its positions and rows at 50 ticks per
// second, decodes each voice's pattern step (note, instrument, command) and
// runs the four voices, leaving one VoiceRegisters block per voice for the
// mixer. It reads the Song in place, so edits are heard at once; the same
// code plays the editable song and a song parsed from a song image.
//
// Tick order of one audio buffer: TickRows() while playing, then
// TickVoices(), then the caller copies voices[v].registers to the mixer and
// clears their trigger flags.
//
// The state is plain and public: the editors read the row and the voices,
// the duration pass saves a copy of the whole Replayer and restores it.
// Callers hold the audio mutex.
#pragma once

#include <array>
#include <cstdint>

#include "engine/voice.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace qn {

constexpr uint8_t kNoTarget = 255;   // no pattern break / position jump
constexpr uint8_t kDefaultSpeed = 6;

class Replayer {
public:
    Song* song = nullptr;             // not owned
    WaveMemory* waveMemory = nullptr; // not owned
    WaveSynth synth;                  // oscillator tables; precalculates the waves

    uint8_t row = 0;
    uint8_t speed = kDefaultSpeed;    // ticks per row; above 47 a shuffle pair
    uint8_t tickCounter = 0;          // ticks left in the current row
    uint8_t breakTarget = kNoTarget;  // row of the next position (Dxx)
    uint8_t jumpTarget = kNoTarget;   // position (Bxx)
    uint8_t playing = 0;
    uint8_t stopAfterRow = 0;
    uint8_t patternLoop = 0;          // the current pattern repeats
    uint8_t simulation = 0;           // set while the duration pass runs
    uint32_t rowsEnded = 0;           // counts row ends (wraps); tells a caller a row ended
    std::array<VoiceState, kVoices> voices{};

    // Zeroes the state, clears the silent sample, marks the "Mix Wave"
    // sources for octave copies, precalculates all waves and starts playing.
    void InitReplayer(Song* song, WaveMemory* waveMemory);
    // Arms playback from the current position and row with silent voices.
    void StartPlaying();
    // Stops playback and silences every voice; envelopes and arpeggio
    // offsets are cleared too when `clearEnvelopes` is set.
    void ResetReplayer(bool clearEnvelopes);
    // One tick of song stepping; call only while `playing` is set.
    void TickRows();
    // One tick of every voice; call every tick, playing or not.
    void TickVoices();
    // A negative row counts from the end; a row past the pattern becomes 0.
    void SetRow(int row);
    // A negative position counts from the end; one past the song becomes the
    // restart position (or 0 when that too lies past the song).
    void SetPosition(int position);
    int Position() const { return song ? int(song->currentPosition) : 0; }
    // The step of one track at one row, or null when the row lies past the
    // pattern or the entry names no pattern.
    const qntPatternStep* PatternStepAt(const SequenceEntry& entry, int row) const;
    // Largest pattern number in the position table, 0 when none.
    int HighestPatternUsed() const;
    // Ticks the row `row` lasts at the current speed (0 stands for 256).
    uint8_t TicksForRow(int row) const;

    // Voice operations for note preview and the editors.
    void StartInstrument(int voice, int instrument);
    void SelectWave(int voice, int wave, bool restart);
    void ReleaseVoice(int voice);

private:
    void TickRowsForVoice(int voice);
    void DecodeStep(int voice, const qntPatternStep& step, int transpose);
    void ApplyCommand(int voice, int command, int parameter);
    void EndOfTick();
    uint32_t WrapPosition(uint32_t position) const;
};

// Largest pattern number used at positions 0..sequence length - 1.
int HighestPatternUsed(const Song& song);
// Sets the octave-copies flag of every wave that one of the song's waves in
// use (the first waveCount) names as "Mix Wave", when that source is in use
// too, from the last wave down: the rule song loading applies. Whoever
// clears the flags (playback preparation, the song writer) calls this
// afterwards, as InitReplayer does.
void MarkMixSourcesForOctaveCopies(Song& song);

}  // namespace qn
