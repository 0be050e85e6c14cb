// Import of four-channel ProTracker modules: title, order list, pattern
// notes, sample numbers and effects, and the sample names as instrument
// names. Samples are not imported; everything the import does not write
// stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "song/song.h"

namespace qn {

// Converts the module in `data` into `doc`. The whole file is checked first
// (size, format tag, every pattern the order table needs); a rejected file
// leaves `doc` untouched, title included. Each module pattern t becomes the
// four song patterns 4t+1..4t+4, one per channel; at most 63 module patterns
// fit, and order entries naming a higher pattern give positions with no
// pattern. Waves are untouched, so nothing needs regenerating.
bool ImportProTracker(const uint8_t* data, size_t size, SongDocument& doc);

}  // namespace qn
