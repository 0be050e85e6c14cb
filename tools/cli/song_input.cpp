#include "tools/cli/song_input.h"

#include "engine/playback.h"
#include "song/file_io.h"
#include "song/song_loader.h"

namespace qn::cli {

void PrepareForWrite(SongDocument& doc) {
    Replayer replayer;
    replayer.InitReplayer(&doc.song, nullptr);  // the duration pass needs no waves
    replayer.ResetReplayer(true);
    PrepareSongForWrite(replayer);
}

InputKind DetectInputKind(const std::string& path, const std::vector<uint8_t>& bytes) {
    (void)path;
    if (bytes.size() >= 3 && bytes[0] == 'Q' && bytes[1] == 'N' && bytes[2] == 'T') return InputKind::Song;
    return InputKind::Unknown;
}

bool LoadInput(const std::string& path, SongDocument& doc, LoadedInput& input, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kSongImageBufferSize)) {
        *error = "cannot read " + path;
        return false;
    }
    input.fileSize = bytes.size();
    input.kind = DetectInputKind(path, bytes);
    switch (input.kind) {
    case InputKind::Song:
        if (ReadSongImageHeader(bytes.data(), bytes.size(), &input.header)) {
            input.image.swap(bytes);
            if (LoadSong(doc, input.image, &input.imageSong, nullptr)) return true;
        }
        break;
    case InputKind::Unknown:
        break;
    }
    *error = path + " is not a song";
    return false;
}

SongInfo GatherSongInfo(const SongDocument& doc, const LoadedInput& input) {
    SongInfo info;
    info.title = FixedText(doc.title, kTitleLength);
    info.author = FixedText(doc.author, kTitleLength);
    info.version = input.header.version;
    info.positions = input.header.sequenceLength;
    info.highestPattern = input.header.patternCount;
    info.rowsPerPattern = input.header.rowsPerPattern;
    info.instruments = input.header.instrumentCount;
    info.waves = input.header.waveCount;
    info.imageBytes = input.fileSize;
    return info;
}

void PrintSongInfo(const SongInfo& info, FILE* out) {
    std::fprintf(out, "title: %s\n", info.title.c_str());
    std::fprintf(out, "author: %s\n", info.author.c_str());
    std::fprintf(out, "version: %d\n", info.version);
    std::fprintf(out, "positions: %d\n", info.positions);
    std::fprintf(out, "highest pattern: %d\n", info.highestPattern);
    std::fprintf(out, "rows per pattern: %d\n", info.rowsPerPattern);
    std::fprintf(out, "instruments: %d\n", info.instruments);
    std::fprintf(out, "waves: %d\n", info.waves);
    std::fprintf(out, "image size: %zu bytes\n", info.imageBytes);
}

}  // namespace qn::cli
