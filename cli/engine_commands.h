// Subcommands that play a song through the engine: render to WAV, trace the
// voice registers tick by tick, and the engine's lines of `info`.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/playback.h"
#include "engine/wave_synth.h"
#include "cli/song_input.h"

namespace qn::cli {

// A song loaded as the program loads one: the waves precalculated from the
// file's records, the Replayer stopped and playing the editable song, and
// the duration pass run once (it sets the octave-copies flags).
struct SongPlayer {
    SongDocument doc;
    LoadedInput input;
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
    float duration = 0.0f;
};

bool LoadSongForPlayback(const std::string& path, SongPlayer& player, std::string* error);

// The figures of the song information panel.
struct EngineInfo {
    float durationSeconds = 0.0f;
    uint32_t chipMemory = 0;
    float precalcSeconds = 0.0f;
};
// Runs the writer preparation (the duration pass) on `doc` and measures it
// as the panel does: chip memory and precalculation time over the waves a
// song image of it would hold.
EngineInfo GatherEngineInfo(SongDocument& doc);
// "duration: MM:SS", "chip memory needed: N bytes", "A500 precalc time: SS.SSs".
void PrintEngineInfo(const EngineInfo& info, FILE* out);

int RunRender(const std::vector<std::string>& args);
int RunTrace(const std::vector<std::string>& args);

}  // namespace qn::cli
