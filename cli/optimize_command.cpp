#include "cli/optimize_command.h"

#include <cstdio>

#include "song/optimizer.h"
#include "song/song_file.h"
#include "song/song_image.h"
#include "cli/cli.h"
#include "cli/song_input.h"

namespace qn::cli {

int RunOptimize(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("optimize");
    SongDocument doc;
    LoadedInput input;
    std::string error;
    if (!LoadInput(args[0], doc, input, &error)) return Fail(error);
    // The byte counts are those of the image the song is saved as.
    const SongMeasure measure = [](SongDocument& song) {
        PrepareForWrite(song);
        return WriteSongImage(song, nullptr, 0, nullptr, nullptr);
    };
    const OptimizeReport report = OptimizeSong(doc, measure, nullptr);
    PrepareForWrite(doc);
    std::string finalPath;
    if (!SaveSongFile(doc, args[1], &finalPath, nullptr, nullptr)) return Fail("cannot write " + finalPath);
    std::printf("%s\n", report.summary.c_str());
    return kExitOk;
}

}  // namespace qn::cli
