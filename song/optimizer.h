// "Optimize Song" and the song-wide wave commands ("Clear unused waves",
// "Normalize Waves", "Waves volume -10%" / "+10%").
//
// The optimizer shrinks the song before it goes to the Amiga: it clears
// patterns the sequence does not name, drops empty patterns from the
// sequence, closes gaps in the pattern numbering, folds identical patterns,
// moves instruments down into free numbers, deletes unused instruments and
// removes unused waves, renumbering every reference as it goes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "song/song.h"

namespace qn {

// Gives the size in bytes of the song image the song would be saved as (the
// module writer's measuring mode, after the writer preparation).
using SongMeasure = std::function<size_t(SongDocument&)>;

struct OptimizeReport {
    int patternsRemoved = 0;    // highest pattern number before minus after
    int instrumentsMoved = 0;
    int wavesRemoved = 0;
    int sequenceEntriesChanged = 0;
    long long bytesSaved = 0;   // image size before minus after
    // The waves were renumbered or cleared: the caller precalculates them
    // again (the engine's job) before the song is played.
    bool wavesChanged = false;
    // "Removed %d Pat., %d Ins. %d Waves Saved: %db"
    std::string summary;
};

// Runs the eight passes on the song in place. `measure` is called before and
// after the passes; diagnostics go to `log` (null: silent). The wave
// calculation order is rebuilt when waves moved.
OptimizeReport OptimizeSong(SongDocument& doc, const SongMeasure& measure, FILE* log = stdout);

// "Clear unused waves": every wave that no step of the 32 instruments
// selects, directly or as a "Mix Wave" or "Clone from Wave" source (followed
// transitively), gets the default record and an empty name. Returns the
// number of waves that changed; the caller precalculates when it is not 0.
int ClearUnusedWaves(Song& song);

// "Normalize Waves": scales every "Gain" by 255 / the highest gain (32-bit
// float, truncated, at most 255). Returns false, changing nothing, when the
// highest gain is already 255 or every gain is 0. On true the caller
// precalculates the waves.
bool NormalizeWaves(Song& song);

// "Waves volume -10%" / "+10%": every gain times 0.9 or 1.1 (32-bit float,
// truncated, at most 255). Returns true when a gain changed; the caller then
// precalculates the waves so the change is heard at once.
bool ScaleWaveVolumes(Song& song, bool louder);

}  // namespace qn
