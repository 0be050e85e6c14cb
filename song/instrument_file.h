// Instrument files (".ins"): one instrument together with every wave of the
// song it was saved from, so it can move between songs; and the clipboard
// operations on single instruments and waves.
//
// File layout (1670 bytes, multi-byte numbers little-endian):
//   0 "QNI", version (27 written, 12..127 read)   4 reserved (0)
//   8 InstrumentParams   16 32 steps (96 bytes)   112 24 wave records (42 each)
//   1120 24 wave names (22 each)                  1648 instrument name (22)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "song/song.h"

namespace qn {

constexpr size_t kInstrumentFileSize = 1670;
constexpr int kInstrumentFileVersion = 27;
constexpr size_t kInstrumentFileMaxRead = 16384;  // larger files are refused

// An instrument file's content, in host order.
struct InstrumentFile {
    InstrumentParams params;
    InstrumentStep steps[kInstrumentSteps];
    WaveParams waves[kWaves];
    char waveNames[kWaves][kNameLength];
    char name[kNameLength];
};

// Serializes instrument `instrument` (1..32) of the song with all its waves.
std::array<uint8_t, kInstrumentFileSize> BuildInstrumentFile(const Song& song, int instrument);
// Checks size (at least 1670 bytes), magic and version and reads the fields.
bool ParseInstrumentFile(const uint8_t* data, size_t size, InstrumentFile& file);
// The ".ins" file name rule: appended unless the path is longer than four
// characters and already ends in ".ins" (case-sensitive).
std::string InstrumentFilePath(const std::string& path);
// "Save Instrument": writes the file atomically to `path` as given (apply
// InstrumentFilePath first); false when it could not be written, leaving any
// file already there untouched ("Failed. Could not save instrument.").
bool SaveInstrument(const std::string& path, const Song& song, int instrument);

struct InstrumentLoadResult {
    int wavesCopied = 0;  // song waves that received a wave of the file
};

// "Load Instrument" into instrument `instrument` (1..31). Works out which
// file waves the instrument needs (its steps and their "Mix Wave" chains),
// reuses identical song waves, copies the rest into empty wave slots and
// renumbers the steps and the copies' "Mix Wave" fields. All or nothing: a
// bad file, too few empty slots or a missing remap change nothing. When
// waves were copied the calculation order is rebuilt; the caller then
// precalculates all waves (the engine's job), as after every successful load.
bool LoadInstrument(const uint8_t* data, size_t size, Song& song, int instrument,
                    InstrumentLoadResult* result = nullptr, FILE* log = stdout);

// The clipboards of the instrument and wave commands. The name clipboard is
// shared: pasting uses whichever name was copied last. They start as a
// cleared wave and a cleared instrument.
struct Clipboards {
    Clipboards();
    WaveParams wave;
    InstrumentParams instrument;
    InstrumentStep steps[kInstrumentSteps];
    char name[kNameLength];
};

// Waves and instruments by their 1-based numbers. The wave operations
// rebuild the calculation order; the caller precalculates the waves.
void CopyWave(const Song& song, int wave, Clipboards& clipboards);
// A wave may only mix in a lower-numbered wave: a pasted "Mix Wave" at or
// above `wave` becomes 0.
void PasteWave(Song& song, int wave, const Clipboards& clipboards);
void ClearWave(Song& song, int wave);
void CopyInstrument(const Song& song, int instrument, Clipboards& clipboards);
void PasteInstrument(Song& song, int instrument, const Clipboards& clipboards);
void ClearInstrument(Song& song, int instrument);

}  // namespace qn
