// The command table. Subcommands live in their own files (one per concern)
// and are listed here.
#include "cli/cli.h"
#include "cli/engine_commands.h"
#include "cli/optimize_command.h"
#include "cli/song_commands.h"
#include "cli/wave_commands.h"

namespace qn::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
        {"new", "OUT.qnt", "write a new empty song", RunNew},
        {"info", "SONG", "show what a song file holds", RunInfo},
        {"convert", "IN OUT.qnt", "load a song of any version, or import a .mod or .qxm module, and write it as version 27", RunConvert},
        {"optimize", "IN.qnt OUT.qnt", "run the song optimizer and print its summary", RunOptimize},
        {"waves", "SONG DIR [--raw]", "write each precalculated wave as DIR/waveNN.wav, or with its octave copies as .raw", RunWaves},
        {"render", "SONG OUT.wav [--stereo mono|half|full]", "render the song as Export Wav does (default full)", RunRender},
        {"trace", "SONG TICKS", "print the voice registers tick by tick from the start", RunTrace},
    };
    return table;
}

}  // namespace qn::cli
