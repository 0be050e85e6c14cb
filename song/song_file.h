// Saving the editable song as a ".qnt" file.
#pragma once

#include <cstdio>
#include <string>

#include "song/file_io.h"
#include "song/song.h"

namespace qn {

// The path a song is saved to: ".qnt" is appended unless the path is longer
// than four characters and already ends in ".qnt" (case-sensitive, so
// "SONG.QNT" becomes "SONG.QNT.qnt").
std::string SongFilePath(const std::string& path);

// Writes the song image (through a 1 MiB buffer) to SongFilePath(path),
// atomically: a failed save returns false and leaves an existing file as it
// was. `finalPath` receives the path written to. Run the engine's writer
// preparation before calling, as for WriteSongImage. `writeBytes` replaces
// the low-level write (tests inject failures through it).
bool SaveSongFile(SongDocument& doc, const std::string& path, std::string* finalPath = nullptr,
                  WriteBytesFunction writeBytes = nullptr, FILE* log = stdout);

}  // namespace qn
