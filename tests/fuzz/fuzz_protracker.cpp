// ProTracker import: a refused module must leave the song as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/import_protracker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qn::SongDocument doc;
    doc.ResetToNewSong();
    const std::vector<uint8_t> before(doc.Storage(), doc.Storage() + qn::kStorageSize);
    if (!qn::ImportProTracker(data, size, doc)) {
        if (std::memcmp(before.data(), doc.Storage(), qn::kStorageSize) != 0 || doc.title[0] != 0) std::abort();
    } else if (doc.song.sequenceLength < 1 || doc.song.sequenceLength > 128) {
        std::abort();
    }
    return 0;
}
