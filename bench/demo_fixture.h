// The demo song loaded into a replayer, as the engine benchmarks play it.
#pragma once

#include "engine/playback.h"
#include "tools/demo/demo_song.h"

namespace qn::bench {

struct DemoPlayback {
    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
    DemoPlayback() {
        BuildDemoSong(doc);
        replayer.InitReplayer(&doc.song, &memory);
    }
};

}  // namespace qn::bench
