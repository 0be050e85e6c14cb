// Qxm import: a refused module must leave the song as it was, and a
// converted instrument stays within its 32 steps and the editor's ranges.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/import_qxm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qn::SongDocument doc;
    doc.ResetToNewSong();
    const std::vector<uint8_t> before(doc.Storage(), doc.Storage() + qn::kStorageSize);
    if (!qn::ImportQxm(data, size, doc)) {
        if (std::memcmp(before.data(), doc.Storage(), qn::kStorageSize) != 0 || doc.title[0] != 0) std::abort();
        return 0;
    }
    for (int slot = 0; slot < qn::kInstrumentSlots; ++slot) {
        const qn::InstrumentParams& params = doc.song.instruments[slot];
        if (params.attack > 15 || params.decay > 15 || params.sustain > 15 || params.release > 15) std::abort();
    }
    return 0;
}
