// Playback control on top of the Replayer and the mixer: the audio tick that
// the live callback, the CLI trace and the WAV render all run, the
// fast-forward that arms playback at a position and row, the song-duration
// pass, and the preparation the song writer needs.
//
// Locking: none of these functions lock anything. The program calls them
// with the audio mutex held (the writer preparation with the mutex taken by
// a try-lock, released afterwards only if it was taken there).
#pragma once

#include <cstdint>

#include "engine/replayer.h"
#include "engine/voice_mixer.h"

namespace qn {

// The mixer side of playback: the mixer and the register blocks as last
// handed to it.
struct MixerState {
    VoiceMixer mixer;
    VoiceRegisters registers[kVoices];

    // Zeroes the mixer voices, their smoothing rings and the register copies.
    void Reset();
};

// One tick of the Replayer without mixing: TickRows while playing, then
// TickVoices, then the four register blocks are copied to `registers` (the
// sample start held inside wave memory) and the Replayer's triggers cleared.
void TickAndCopyRegisters(Replayer& replayer, VoiceRegisters registers[kVoices]);

// The audio callback's work for one buffer of kFramesPerTick frames: zeroes
// `output` (2 * kFramesPerTick samples), ticks the Replayer, copies the
// registers and mixes at 48000 Hz with `stereoWidth` (StereoWidthForMode).
void RunAudioTick(Replayer& replayer, MixerState& mixer, int16_t* output, float stereoWidth);

// Song duration in ticks (50 per second): plays the song silently from its
// first position at speed 6 until it stops (F00), jumps back, or a row stops
// advancing, then restores the Replayer and the current position. Waves that
// the song plays above the period range get their octave-copies flag.
uint32_t SongDurationTicks(Replayer& replayer);
// The same in seconds (ticks / 50).
float SongDurationSeconds(Replayer& replayer);

// Clears the octave-copies flag of every wave record, runs the duration pass
// (which sets it again on the waves played above the period range) and
// marks the "Mix Wave" sources again. Returns the duration in seconds.
float RefreshOctaveCopyFlags(Replayer& replayer);

// The writer preparation: the flags are part of the wave records a song
// image holds, so run this before WriteSongImage / SaveSongFile. Returns the
// song duration in seconds for the information panel.
inline float PrepareSongForWrite(Replayer& replayer) { return RefreshOctaveCopyFlags(replayer); }

// Plays silently from the song's first position, row 0, speed 6, to the
// Song's current position and the Replayer's row, so that playback goes on
// from there with every instrument, envelope and effect as if the song had
// played from its start. The pattern-loop flag is kept. Ends early when the
// song stops (F00), jumps back past its start, or has run longer than
// `limitTicks`; playback is then armed at the target as from a fresh start.
// Returns whether the target was reached by playing.
bool FastForward(Replayer& replayer, uint32_t limitTicks);

// Arms playback: resets the mixer, refreshes the octave-copy flags (the
// duration pass), moves to row 0 when `fromRowZero`, and fast-forwards from
// the song's start to the current position and row. Voices still sounding
// at the target start in the mixer at once. Returns the song duration in
// seconds.
float PreparePlayback(Replayer& replayer, MixerState& mixer, bool fromRowZero);

}  // namespace qn
