// Writes the demo song: make-demo-song [OUT.qnt [REPEATS]] (default
// songs/demo.qnt, the middle section played once).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/playback.h"
#include "song/song_file.h"
#include "tools/demo/demo_song.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "songs/demo.qnt";
    qn::SongDocument doc;
    qn::BuildDemoSong(doc, argc > 2 ? std::atoi(argv[2]) : 1);
    // The writer preparation marks the waves that need octave copies.
    qn::Replayer replayer;
    replayer.InitReplayer(&doc.song, nullptr);
    replayer.ResetReplayer(true);
    const float duration = qn::PrepareSongForWrite(replayer);
    std::string written;
    if (!qn::SaveSongFile(doc, path, &written, nullptr, nullptr)) {
        std::fprintf(stderr, "make-demo-song: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s (%.2f s)\n", written.c_str(), double(duration));
    return 0;
}
