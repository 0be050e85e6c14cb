#include "song/song_file.h"

#include <vector>

#include "song/song_image.h"

namespace qn {

std::string SongFilePath(const std::string& path) {
    const std::string extension = ".qnt";
    if (path.size() > extension.size() && path.compare(path.size() - extension.size(), extension.size(), extension) == 0)
        return path;
    return path + extension;
}

bool SaveSongFile(SongDocument& doc, const std::string& path, std::string* finalPath,
                  WriteBytesFunction writeBytes, FILE* log) {
    const std::string target = SongFilePath(path);
    if (finalPath) *finalPath = target;
    std::vector<uint8_t> buffer(kSongImageBufferSize);
    const size_t size = WriteSongImage(doc, buffer.data(), buffer.size(), nullptr, log);
    if (size == 0) return false;
    return WriteFileAtomically(target, buffer.data(), size, writeBytes);
}

}  // namespace qn
