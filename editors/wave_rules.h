// What the wave editor's fields do to a wave record beyond storing a value:
// the clone and mix searches, the loop setters and the loop snap, and the
// regeneration of every wave after an edit. Plain functions on the Song and
// the wave memory, so the rules are checked without a window.
#pragma once

#include "editors/editor_host.h"
#include "engine/wave_synth.h"
#include "song/song.h"
#include "song/wave_references.h"

namespace qn {

// Whether following the mix references from `wave` (1..24) meets a wave
// twice; 0 ends a chain. Reads only the 24 records.
bool MixChainHasCycle(const Song& song, int wave);

// "Mix Wave": steps from the current value towards the request, one at a
// time within 0..24 (24 up gives 0, 0 down gives 24), until the chain from
// `wave` has no cycle; a value generated as the current one (24 after 23)
// is passed over. A request equal to the current value keeps it when
// it closes no cycle and steps upward otherwise.
void SetMixWave(Song& song, int wave, int request);

// "Clone from Wave": moves from the request in the direction of the change,
// skipping `wave` itself and waves that are clones, until a wave that is not
// a clone or 0; past 24 gives 0. Becoming a clone puts the wave's own record
// aside; ceasing to be one gives it back when one was put aside.
void SetCloneFrom(Song& song, WaveCloneStore& store, int wave, int request);

// The loop fields' setters (values in bytes of the wave).
void SetLoopStart(WaveParams& wave, int value);
void SetLoopEnd(WaveParams& wave, int value);
void SetSubloopLength(WaveParams& wave, int value);

// The cycle in samples of a wave's base note: 128 >> (Basenote / 12) (or
// shifted left for negative octaves), held at most the wave's length; 0 when
// the note lies eight octaves up or more.
int LoopCycleLength(const WaveParams& wave);
// The loop snap button: loop end to the wave's end, loop start and offset
// onto the cycle, subloop length and step one cycle.
void SnapLoopToCycle(WaveParams& wave);

// After the length changed: the length word follows the length byte and
// the loop points stay inside the wave, start <= end, and no difference of
// loop words goes below 0.
void FixLoopToLength(WaveParams& wave);

// Everything that follows an edit of wave `current` (1..24): the calculation
// order, the clone copy for the current wave, every wave generated in that
// order, and the loop fix-up. The caller holds the audio lock.
void RegenerateEditedWaves(Song& song, WaveMemory& memory, const WaveSynth& synth, int current);

}  // namespace qn
