// Fuzz target for the song loader: any bytes may be offered as a song file.
// A rejected image must leave the song untouched; an accepted one must write
// back out and load again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/song_image.h"
#include "song/song_loader.h"

using namespace qn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SongDocument doc;
    static std::vector<uint8_t> before(kStorageSize);
    doc.ResetToNewSong();
    std::memcpy(before.data(), doc.Storage(), kStorageSize);

    std::vector<uint8_t> image(data, data + size);
    Song imageSong;
    if (!LoadSong(doc, image, &imageSong, nullptr)) {
        if (std::memcmp(before.data(), doc.Storage(), kStorageSize) != 0) std::abort();
        if (image.size() != size || (size && std::memcmp(image.data(), data, size) != 0)) std::abort();
        return 0;
    }
    // Touch what the precalculation reads through the image song.
    unsigned sum = 0;
    for (int i = 0; i < imageSong.waveCount; ++i) {
        const int slot = imageSong.waveCalcOrder[i];
        if (slot >= kWaves) std::abort();
        sum += imageSong.waves[slot].waveLength + imageSong.waves[slot].mixWave;
    }
    for (int w = 0; w < kWaves; ++w) sum += imageSong.waves[w].flags;

    static std::vector<uint8_t> written(kSongImageBufferSize);
    const size_t length = WriteSongImage(doc, written.data(), written.size(), nullptr, nullptr);
    if (length == 0 || length > kLargestSongImage) std::abort();
    std::vector<uint8_t> again(written.begin(), written.begin() + long(length));
    static SongDocument reloaded;
    if (!LoadSong(reloaded, again, nullptr, nullptr)) std::abort();
    return int(sum & 0);
}
