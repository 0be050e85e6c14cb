#include "cli/song_input.h"

#include <cctype>

#include "engine/playback.h"
#include "song/file_io.h"
#include "song/import_protracker.h"
#include "song/import_qxm.h"
#include "song/song_loader.h"

namespace qn::cli {

void PrepareForWrite(SongDocument& doc) {
    Replayer replayer;
    replayer.InitReplayer(&doc.song, nullptr);  // the duration pass needs no waves
    replayer.ResetReplayer(true);
    PrepareSongForWrite(replayer);
}

// Modules carry their samples, so they may be far larger than any song.
constexpr size_t kMaxModuleSize = 64u << 20;

static bool HasExtension(const std::string& path, const char* extension) {
    const size_t length = std::char_traits<char>::length(extension);
    if (path.size() <= length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - length + i])) != extension[i]) return false;
    return true;
}

InputKind DetectInputKind(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 'Q' && bytes[1] == 'N' && bytes[2] == 'T') return InputKind::Song;
    if (bytes.size() >= 3 && bytes[0] == 'Q' && bytes[1] == 'M' && bytes[2] == 'V') return InputKind::Qxm;
    // ProTracker modules have no magic at the start; the name says it, or
    // the usual tag at 1080.
    if (HasExtension(path, ".mod")) return InputKind::ProTracker;
    if (bytes.size() >= 1084 && bytes[1080] == 'M' && bytes[1081] == '.' && bytes[1082] == 'K' && bytes[1083] == '.')
        return InputKind::ProTracker;
    return InputKind::Unknown;
}

const char* InputKindName(InputKind kind) {
    switch (kind) {
    case InputKind::ProTracker: return "ProTracker module";
    case InputKind::Qxm: return "Qxm module";
    case InputKind::Song:
    case InputKind::Unknown: break;
    }
    return "song";
}

// The header an imported song would be saved with, for `info` and `convert`.
static void MeasureImportedSong(SongDocument& doc, LoadedInput& input) {
    std::vector<uint8_t> image(kSongImageBufferSize);
    PrepareForWrite(doc);
    image.resize(WriteSongImage(doc, image.data(), image.size(), nullptr, nullptr));
    ReadSongImageHeader(image.data(), image.size(), &input.header);
}

bool LoadInput(const std::string& path, SongDocument& doc, LoadedInput& input, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxModuleSize)) {
        *error = "cannot read " + path;
        return false;
    }
    input.fileSize = bytes.size();
    input.kind = DetectInputKind(path, bytes);
    switch (input.kind) {
    case InputKind::Song:
        if (bytes.size() <= kSongImageBufferSize && ReadSongImageHeader(bytes.data(), bytes.size(), &input.header)) {
            input.image.swap(bytes);
            if (LoadSong(doc, input.image, &input.imageSong, nullptr)) return true;
        }
        break;
    case InputKind::ProTracker:
        if (ImportProTracker(bytes.data(), bytes.size(), doc)) {
            MeasureImportedSong(doc, input);
            return true;
        }
        *error = path + ": Protracker Import failed.";
        return false;
    case InputKind::Qxm:
        if (ImportQxm(bytes.data(), bytes.size(), doc)) {
            MeasureImportedSong(doc, input);
            return true;
        }
        *error = path + ": QXM Import failed.";
        return false;
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
