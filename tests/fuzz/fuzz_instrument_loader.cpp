// Instrument file loader: any input must load or be refused without
// touching the song, and never read or write out of bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/instrument_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qn::SongDocument doc;
    doc.ResetToNewSong();
    // A few occupied waves so duplicates and the room check both happen.
    for (int wave = 0; wave < 20; wave += 3) {
        doc.song.waves[wave].phaseSpeed = uint8_t(wave);
        doc.song.waves[wave].mixWave = uint8_t(wave > 0 ? wave : 0);
    }
    const std::vector<uint8_t> before(doc.Storage(), doc.Storage() + qn::kStorageSize);
    if (!qn::LoadInstrument(data, size, doc.song, 1, nullptr, nullptr)) {
        if (std::memcmp(before.data(), doc.Storage(), qn::kStorageSize) != 0) std::abort();
    }
    return 0;
}
