#include "song/song_loader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "song/song_image.h"

namespace qn {

// Old-version migrations work on the bytes of a little-endian host, as the
// files were always loaded (the old wave records are rebuilt after the
// 16-bit swap of the parser).
static_assert(std::endian::native == std::endian::little);

namespace {

// Versions below 22 packed the seven instrument parameters in four bytes
// (two nibbles each) and the step count in the fifth; the record was 8 bytes
// long already.
void ExpandPackedInstruments(uint8_t* records, int count) {
    for (int k = 0; k < count; ++k) {
        uint8_t* r = records + size_t(k) * sizeof(InstrumentParams);
        const uint8_t b0 = r[0], b1 = r[1], b2 = r[2], b3 = r[3], b4 = r[4];
        r[0] = b0 & 15;
        r[1] = b0 >> 4;
        r[2] = b1 & 15;
        r[3] = b2 & 15;
        r[4] = b2 >> 4;
        r[5] = b3 & 15;
        r[6] = b3 >> 4;
        r[7] = b4;
    }
}

// Version 20 and older: 41-byte wave records in another field order. They
// are read at a stride of 41 after the parser swapped 16-bit fields at a
// stride of 42, exactly as old files were always loaded.
void RebuildOldWaveRecords(const uint8_t* old, int count, WaveParams* records) {
    std::memset(static_cast<void*>(records), 0, kWaves * sizeof(WaveParams));
    for (int w = 0; w < count; ++w) {
        const uint8_t* o = old + size_t(w) * 41;
        uint8_t n[sizeof(WaveParams)] = {};
        std::memcpy(n + 0, o + 23, 8);
        std::memcpy(n + 8, o + 31, 4);
        std::memcpy(n + 12, o + 35, 2);
        std::memcpy(n + 14, o + 0, 5);
        n[19] = 0;
        std::memcpy(n + 20, o + 5, 16);
        std::memcpy(n + 36, o + 21, 2);
        std::memcpy(n + 38, o + 37, 4);
        std::memcpy(static_cast<void*>(&records[w]), n, sizeof(n));
    }
}

// Before version 27 the envelope's attack and decay had other scales. The
// decay sum is 8-bit (values above 172 wrap), as old files were loaded.
void ReencodeEnvelope(WaveParams& wave) {
    if (wave.attack != 0) wave.attack = uint8_t(wave.attack / 81 + 1);
    switch (wave.decay) {
    case 0: wave.decay = 116; wave.flags |= kWaveEnvelopeSync; break;
    case 1: wave.decay = 130; wave.flags |= kWaveEnvelopeSync; break;
    case 2: wave.decay = 79; break;
    case 3: wave.decay = 83; break;
    case 4: wave.decay = 85; break;
    case 5: wave.decay = 87; break;
    default: wave.decay = uint8_t(wave.decay + 83); break;
    }
}

void MigrateImage(Song& image, int version, int patternCount, WaveParams* waveArea) {
    const int waveCount = image.waveCount;
    if (version <= 20) {
        RebuildOldWaveRecords(reinterpret_cast<const uint8_t*>(image.waves), waveCount, waveArea);
    } else {
        std::memcpy(static_cast<void*>(waveArea), image.waves, size_t(waveCount) * sizeof(WaveParams));
        for (int w = waveCount; w < kWaves; ++w) waveArea[w] = DefaultWaveParams();
    }
    image.waves = waveArea;
    image.waveRecordCount = kWaves;

    if (version < 23)
        for (int w = 0; w < waveCount; ++w) image.waves[w].phaseSpeed = 255;
    if (version < 24) {
        // Note 37 was the release marker; bits 6 and 7 stay.
        for (int slot = 0; slot < patternCount; ++slot)
            for (int row = 0; row < image.rowsPerPattern; ++row) {
                qntPatternStep& step = image.patternPointers[slot][row];
                if (step.Note() == 37) step.SetNote(kReleaseNote);
            }
    }
    if (version < 27)
        for (int w = 0; w < waveCount; ++w) ReencodeEnvelope(image.waves[w]);
}

void RebuildEditableSong(SongDocument& doc, const Song& image, const uint8_t* bytes, const SongImageHeader& header) {
    std::memset(doc.Storage(), 0, kStorageSize);
    doc.LayOutStorage();
    Song& song = doc.song;
    const int rows = image.rowsPerPattern;
    const int length = int(image.sequenceLength);
    const int instrumentCount = header.instrumentCount;
    const int version = header.version;
    const int waveCount = image.waveCount;

    std::memcpy(doc.title, bytes + 20, kTitleLength);
    std::memcpy(doc.author, bytes + 40, kTitleLength);
    song.waveCount = image.waveCount;
    song.rowsPerPattern = image.rowsPerPattern;
    song.sequenceLength = image.sequenceLength;
    song.restartPosition = image.restartPosition;
    song.currentPosition = 0;
    std::memcpy(song.instrumentNames, image.instrumentNames, sizeof(song.instrumentNames));
    std::memcpy(song.waveNames, image.waveNames, sizeof(song.waveNames));
    std::memcpy(song.waveCalcOrder, image.waveCalcOrder, sizeof(song.waveCalcOrder));

    // Patterns up to the highest one the sequence names, 128 rows per slot.
    int patternCount = 0;
    for (int entry = 0; entry < length * kVoices; ++entry)
        patternCount = std::max<int>(patternCount, image.sequence[entry].pattern);
    for (int slot = 0; slot < patternCount; ++slot)
        std::memcpy(song.patternPointers[slot], image.patternPointers[slot], size_t(rows) * sizeof(qntPatternStep));

    // Instruments: the stored records, defaults up to slot 30; the 32nd slot
    // is written only when the file stores it.
    for (int k = 0; k < instrumentCount; ++k) {
        song.instruments[k] = image.instruments[k];
        if (version < 25 && song.instruments[k].vibratoDepth <= 4) song.instruments[k].vibratoDepth = 0;
    }
    for (int k = instrumentCount; k < kSelectableInstruments; ++k) song.instruments[k] = DefaultInstrumentParams();
    for (int k = 0; k < kInstrumentSlots; ++k) song.instruments[k].stepCount = kInstrumentSteps;
    for (int k = 0; k < instrumentCount; ++k)
        std::memcpy(song.instrumentSteps[k], image.instrumentSteps[k],
                    size_t(image.instruments[k].stepCount) * sizeof(InstrumentStep));

    std::memcpy(static_cast<void*>(song.waves), image.waves, size_t(waveCount) * sizeof(WaveParams));
    for (int w = waveCount; w < kWaves; ++w) song.waves[w] = DefaultWaveParams();
    ApplyCloneRuleAfterLoad(song);

    std::memcpy(song.sequence, image.sequence, size_t(length) * kVoices * sizeof(SequenceEntry));
}

}  // namespace

void MarkMixWaveSources(Song& song, int recordCount) {
    recordCount = std::clamp(recordCount, 0, kWaves);
    for (int w = recordCount - 1; w >= 0; --w) {
        const int source = song.waves[w].mixWave;
        if (source >= 1 && source <= recordCount) song.waves[source - 1].flags |= kWaveOctaveCopies;
    }
}

bool LoadSong(SongDocument& doc, std::vector<uint8_t>& image, Song* imageSong, FILE* log) {
    const size_t fileSize = image.size();
    SongImageHeader header;
    SongImageLayout layout;
    // The packed instrument records of versions below 22 are expanded in
    // place, so the whole image is checked first, with their step counts
    // read from where the packed form keeps them.
    if (!ReadSongImageHeader(image.data(), fileSize, &header) ||
        !ValidateSongImage(image.data(), fileSize, header.version < 22, &layout)) {
        if (log) std::fprintf(log, "wrong file format\n");
        return false;
    }

    // Room for the 24 migrated wave records after the file's bytes, at an
    // even position so the records' 16-bit fields are aligned.
    const size_t waveAreaOffset = (fileSize + 1) & ~size_t(1);
    image.resize(waveAreaOffset + kWaves * sizeof(WaveParams));
    uint8_t* bytes = image.data();
    if (header.version < 22) ExpandPackedInstruments(bytes + layout.instrumentRecordOffset, header.instrumentCount);

    Song parsed;
    if (!ParseSongImage(parsed, bytes, fileSize)) {
        // Cannot happen after the checks above; kept so a future check in the
        // parser cannot leave a half-loaded song behind.
        image.resize(fileSize);
        if (log) std::fprintf(log, "wrong file format\n");
        return false;
    }
    auto* waveArea = reinterpret_cast<WaveParams*>(bytes + waveAreaOffset);
    MigrateImage(parsed, header.version, header.patternCount, waveArea);
    MarkMixWaveSources(parsed, parsed.waveCount);

    RebuildEditableSong(doc, parsed, bytes, header);
    if (imageSong) *imageSong = parsed;
    return true;
}

}  // namespace qn
