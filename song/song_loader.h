// Loading a song image into the editable song, with the migrations of every
// older format version (0..26) to the current one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "song/song.h"

namespace qn {

// Validates the whole image first; a rejected image logs "wrong file format"
// and leaves `doc` exactly as it was (and `image` unchanged). A good image is
// migrated in place and rebuilt into `doc`: patterns at a stride of 128 rows,
// instrument and wave records with their defaults where the file has none,
// the clone rule applied, title and author copied.
//
// `image` is grown by room for 24 wave records after its bytes. When
// `imageSong` is given it receives the parsed song pointing into the migrated
// image, as it was before the clone rule: the caller precalculates the waves
// from it (the engine's replayer initialization) and must keep `image` alive
// and unresized while it uses it. Its `waves` points at 24 records: the W
// loaded ones, then zero records for version 20 and older (the old-record
// rebuild leaves them so) or default records. The "Mix Wave" sources of the
// loaded waves already carry the octave-copies flag, as the replayer
// initialization sets it, so the rebuilt song has it too.
bool LoadSong(SongDocument& doc, std::vector<uint8_t>& image, Song* imageSong = nullptr, FILE* log = stdout);

// Sets the octave-copies flag on every wave that one of the first
// `recordCount` waves names as "Mix Wave", from the last wave down to the
// first. A source beyond `recordCount` is skipped: a parsed image holds only
// that many records, and a larger value names no wave.
void MarkMixWaveSources(Song& song, int recordCount);

}  // namespace qn
