// Import of Qxm modules: a four-voice format whose instruments are small
// playlists over built-in waveforms. Converts the title, instrument names,
// positions, tracks (as patterns), envelopes and playlists (as instrument
// step programs). Waves are not created: the converted programs select
// waves 1 (triangle), 2 (saw), 4 (square) and 8 (noise), which the song must
// supply. Everything the import does not write stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "song/song.h"

namespace qn {

// Converts the module in `data` into `doc`. The whole file is read and
// checked first; a rejected file leaves `doc` untouched. Waves are not
// changed, so nothing needs regenerating.
bool ImportQxm(const uint8_t* data, size_t size, SongDocument& doc);

}  // namespace qn
