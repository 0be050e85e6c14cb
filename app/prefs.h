// The 13-byte preferences record kept in "prefs.bin" in the working directory.
#pragma once

#include <cstdint>
#include <string>

namespace qn {

struct Prefs {
    uint8_t magic[4];
    uint8_t stepsInHex;   // row numbers and step counts in hexadecimal
    uint8_t guiSize;      // 0 = 1.0, 1 = 1.5, 2 = 2.0
    uint8_t reserved;
    uint8_t stereoMode;   // 2 full, 1 half, 0 mono
    uint8_t wideGui;      // logical width 896 instead of 640
    uint8_t background[4];  // red, green, blue, alpha
};
static_assert(sizeof(Prefs) == 13);

struct Colour {
    uint8_t r, g, b, a;
};

// The background the program starts with when "prefs.bin" is too long to be
// a preferences file at all.
constexpr Colour kBuiltInBackground = {177, 126, 116, 255};

// Sets every field to its default: magic "QNT\0", all flags 0, background
// (92, 126 * 0.8, 150 * 0.8, 255) truncated, which is 92, 100, 120, 255.
void ResetPrefs(Prefs& prefs);
Prefs DefaultPrefs();

// Reads `path` over a record that holds the defaults. A file longer than 13
// bytes is ignored and the background becomes the built-in start value; a
// short read or a wrong magic resets the record. Returns the background
// colour the program should use.
Colour LoadPrefs(Prefs& prefs, const std::string& path = "prefs.bin");
// Writes the 13 bytes; returns whether the file could be written.
bool SavePrefs(const Prefs& prefs, const std::string& path = "prefs.bin");

}  // namespace qn
