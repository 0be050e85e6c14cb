// What the song subcommands share: reading an input file of any supported
// kind into the editable song, the hook for the engine's writer preparation,
// and the facts `info` prints.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "song/song.h"
#include "song/song_image.h"

namespace qn::cli {

// Runs before every song write (`new`, `convert`). The engine's writer
// preparation belongs here: clear the octave-copies flags and run the
// song-duration pass, which sets them again on the waves that need them.
void PrepareForWrite(SongDocument& doc);

enum class InputKind { Song, ProTracker, Qxm, Unknown };

// "ProTracker module", "Qxm module" or "song".
const char* InputKindName(InputKind kind);

// Decides what a file is, from its name and its first bytes. Every input
// dispatch goes through here.
InputKind DetectInputKind(const std::string& path, const std::vector<uint8_t>& bytes);

struct LoadedInput {
    InputKind kind = InputKind::Unknown;
    size_t fileSize = 0;
    SongImageHeader header;       // of a song file, as stored; of an imported
                                  // module, as the converted song would be saved
    std::vector<uint8_t> image;   // the migrated image; imageSong points into it
    Song imageSong;
};

// Reads `path` and loads it into `doc`: a song file through the loader, a
// ProTracker or Qxm module through its importer into the (new) song. On failure `error` receives a
// one-line message and `doc` is unchanged.
bool LoadInput(const std::string& path, SongDocument& doc, LoadedInput& input, std::string* error);

// The facts `info` prints, gathered in one place so more can be added.
struct SongInfo {
    std::string title;
    std::string author;
    int version = 0;
    int positions = 0;
    int highestPattern = 0;
    int rowsPerPattern = 0;
    int instruments = 0;
    int waves = 0;
    size_t imageBytes = 0;
};

SongInfo GatherSongInfo(const SongDocument& doc, const LoadedInput& input);
void PrintSongInfo(const SongInfo& info, FILE* out);

}  // namespace qn::cli
