#include "cli/song_commands.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "song/song_file.h"
#include "cli/cli.h"
#include "cli/engine_commands.h"
#include "cli/song_input.h"

namespace qn::cli {

// Writes the song with the ".qnt" rule of the program's own save and
// reports where it went.
static int WriteSong(SongDocument& doc, const std::string& path, std::string* finalPath) {
    PrepareForWrite(doc);
    if (!SaveSongFile(doc, path, finalPath, nullptr, nullptr)) return Fail("cannot write " + *finalPath);
    return kExitOk;
}

static uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

int RunNew(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("new");
    SongDocument doc;
    std::string finalPath;
    if (int status = WriteSong(doc, args[0], &finalPath)) return status;
    std::printf("wrote %s (%ju bytes)\n", finalPath.c_str(), FileSize(finalPath));
    return kExitOk;
}

int RunInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("info");
    SongDocument doc;
    LoadedInput input;
    std::string error;
    if (!LoadInput(args[0], doc, input, &error)) return Fail(error);
    PrintSongInfo(GatherSongInfo(doc, input), stdout);
    PrintEngineInfo(GatherEngineInfo(doc), stdout);
    return kExitOk;
}

int RunConvert(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("convert");
    SongDocument doc;
    LoadedInput input;
    std::string error;
    if (!LoadInput(args[0], doc, input, &error)) return Fail(error);
    std::string finalPath;
    if (int status = WriteSong(doc, args[1], &finalPath)) return status;
    if (input.kind == InputKind::Song)
        std::printf("converted %s (version %d) to %s (version %d, %ju bytes)\n", args[0].c_str(),
                    input.header.version, finalPath.c_str(), kSongFormatVersion, FileSize(finalPath));
    else
        std::printf("converted %s (%s) to %s (version %d, %ju bytes)\n", args[0].c_str(), InputKindName(input.kind),
                    finalPath.c_str(), kSongFormatVersion, FileSize(finalPath));
    return kExitOk;
}

}  // namespace qn::cli
