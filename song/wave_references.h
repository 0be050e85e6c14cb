// How wave records name other waves, as the wave synthesizer reads them.
#pragma once

#include "song/song_types.h"

namespace qn {

// The wave a "Mix Wave" value mixes in, 0 for none. Values of 24 and above
// mix wave 23: the synthesizer (like the Amiga player) lowers them so when it
// generates the wave, so wave 24 is never mixed in.
inline int MixedWave(int mixWave) { return mixWave >= kWaves ? kWaves - 1 : mixWave; }

// Rewrites the "Mix Wave" fields of `count` records to the wave they mix in,
// as generating them would; the sound does not change.
inline void LowerMixWaves(WaveParams* waves, int count) {
    for (int index = 0; index < count; ++index) waves[index].mixWave = uint8_t(MixedWave(waves[index].mixWave));
}

}  // namespace qn
