// The song image: the Song serialized in the module layout that ".qnt" files
// hold and the player on the Amiga reads. Big-endian numbers, patterns packed
// without gaps, only the used instrument steps and only the needed waves.
//
//   0  "QNT", version            20 title            60 restart, P, L, R, I, W
//   4  four section offsets (BE)  40 author           66 wave calculation order
//   91 sequence (L x 8), patterns (P x R x 3), 32 instrument names, I records
//      of 8 bytes (byte 7 = stored steps S), the steps, 24 wave names, a pad
//      byte to an even position, W wave records of 42 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "song/song.h"

namespace qn {

constexpr int kSongFormatVersion = 27;
constexpr size_t kSongHeaderSize = 91;
constexpr size_t kSongImageBufferSize = 1048576;  // the writer's buffer when saving
constexpr size_t kLargestSongImage = 105572;      // every count and name at its maximum

// Header fields of an image, read without changing it (offsets big-endian).
struct SongImageHeader {
    uint8_t version = 0;
    uint32_t sequenceOffset = 0;
    uint32_t patternOffset = 0;
    uint32_t instrumentOffset = 0;  // first instrument name
    uint32_t waveOffset = 0;        // first wave name
    uint8_t restartPosition = 0;
    uint8_t patternCount = 0;   // P
    uint8_t sequenceLength = 0; // L
    uint8_t rowsPerPattern = 0; // R
    uint8_t instrumentCount = 0;// I
    uint8_t waveCount = 0;      // W
};

// Where the sections of a checked image lie.
struct SongImageLayout {
    SongImageHeader header;
    size_t instrumentRecordOffset = 0;
    size_t stepOffset = 0;
    size_t waveRecordOffset = 0;
};

// Reads the header: at least a full header, magic "QNT" and version <= 27.
bool ReadSongImageHeader(const uint8_t* image, size_t size, SongImageHeader* header);

// Checks a whole image against its size without changing it: every section,
// name scan and count must fit, rows per pattern 1..128, sequence length at
// least 1, at most 32 instruments, 24 waves and 32 stored steps each, every
// sequence entry names a stored pattern, and (version 26 on) every wave
// calculation order entry names a wave slot. Version 20 and older store
// 41-byte wave records. `packedInstruments` reads the stored step count from
// byte 4 of each instrument record, as in the packed records of versions
// below 22 before they are expanded.
bool ValidateSongImage(const uint8_t* image, size_t size, bool packedInstruments,
                       SongImageLayout* layout = nullptr);

// Validates the image and, only when it is good, converts it in place (the
// four section offsets to host order, the 16-bit fields of the W wave
// records to host order) and points `song` into it: row stride = rows per
// pattern, pattern pointers 1..P (the rest null), the step tables of
// instruments 1..I (the rest null), names and the calculation order (the
// identity before version 26). An image is parsed once: a second parse sees
// converted offsets. `image` must be 2-byte aligned (wave records hold
// 16-bit fields). Returns false and changes nothing when the image is bad.
bool ParseSongImage(Song& song, uint8_t* image, size_t size);

struct SongImageResult {
    size_t size = 0;    // bytes of the image, 0 when the target was too small
    int waveCount = 0;  // W, the waves the image holds
};

// Serializes the editable song. With a target, writes the image there and
// returns its size, or 0 when it does not fit in `capacity` (the target is
// never written past `capacity`). With no target (measuring mode) nothing is
// written and the size is still returned. Sets the step count of all 32
// instrument records back to 32. Diagnostics go to `log` (null: silent).
//
// Callers run the engine's writer preparation first (clear the octave-copies
// flags and run the song-duration pass, which sets them again on the waves
// that need them): the flags are part of the wave records written here.
size_t WriteSongImage(SongDocument& doc, uint8_t* target, size_t capacity,
                      SongImageResult* result = nullptr, FILE* log = stdout);

}  // namespace qn
