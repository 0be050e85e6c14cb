// The demo song: a short four-voice piece in A minor (bass and drums on the
// left voices, lead and pad on the right), built entirely through the song
// API so that songs/demo.qnt can be regenerated at any time.
#pragma once

#include "song/song.h"

namespace qn {

// Replaces `doc` with the demo song: six waves, seven instruments, five
// positions of 64 rows at speed 6 (34.56 seconds) ending in F00 on a held
// chord. `repeats` plays the three middle positions that many times (1..84),
// which makes a longer song for timing renders.
void BuildDemoSong(SongDocument& doc, int repeats = 1);

}  // namespace qn
