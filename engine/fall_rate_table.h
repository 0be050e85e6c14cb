// The envelope fall-rate table shared by the wave synthesizer's decay and
// the voices' ADSR: how far the level drops per step at each stage of a
// decay, fast at first and then ever slower.
#pragma once

#include <cstdint>

namespace qn {

constexpr int kFallRateCount = 143;

inline constexpr uint16_t kFallRateTable[kFallRateCount] = {
    1024, 512, 384, 320, 256, 192, 160, 128, 120, 116, 110, 105, 100, 90, 70, 64, 56, 48, 40, 32,
    31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 13,
    12, 12, 11, 11, 10, 10, 9, 9, 8, 8, 8, 8, 7, 7, 7, 7, 6, 6, 6, 6,
    5, 5, 5, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 4, 4, 3, 4, 4,
    3, 4, 3, 4, 3, 4, 3, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 3, 3,
    3, 2, 3, 3, 2, 3, 3, 2, 3, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3,
    2, 2, 2, 2, 2, 2, 2, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 1, 2, 1,
    1, 1, 2};

}  // namespace qn
