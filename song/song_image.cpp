#include "song/song_image.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "song/byte_order.h"

namespace qn {

namespace {

constexpr size_t kInstrumentRecordBytes = 8;
constexpr size_t kOldWaveRecordBytes = 41;  // versions 20 and older
constexpr int kCalcOrderOffset = 66;
constexpr uint64_t kHeaderFieldBytes = 90;  // byte 90 is reserved and never read

// A stored name is its characters up to a NUL (at most 22) and the NUL. A
// run of 23 bytes without a NUL is an empty name and is skipped whole. The
// scan never reads past the image: a name cut off by the end is an error.
bool ReadName(ByteReader& reader, char* name) {
    if (name) std::memset(name, 0, kNameLength);
    const size_t window = std::min<size_t>(kNameLength + 1, reader.Remaining());
    const uint8_t* bytes = reader.Peek();
    for (size_t n = 0; n < window; ++n) {
        if (bytes[n] == 0) {
            if (name) std::memcpy(name, bytes, n);
            return reader.Skip(n + 1);
        }
    }
    return window == kNameLength + 1 && reader.Skip(window);
}

bool ReadNames(ByteReader& reader, int count, char (*names)[kNameLength]) {
    for (int i = 0; i < count; ++i)
        if (!ReadName(reader, names ? names[i] : nullptr)) return false;
    return true;
}

}  // namespace

bool ReadSongImageHeader(const uint8_t* image, size_t size, SongImageHeader* header) {
    if (!image || size < kSongHeaderSize) return false;
    if (image[0] != 'Q' || image[1] != 'N' || image[2] != 'T' || image[3] > kSongFormatVersion) return false;
    SongImageHeader h;
    h.version = image[3];
    h.sequenceOffset = ReadBE32(image + 4);
    h.patternOffset = ReadBE32(image + 8);
    h.instrumentOffset = ReadBE32(image + 12);
    h.waveOffset = ReadBE32(image + 16);
    h.restartPosition = image[60];
    h.patternCount = image[61];
    h.sequenceLength = image[62];
    h.rowsPerPattern = image[63];
    h.instrumentCount = image[64];
    h.waveCount = image[65];
    if (header) *header = h;
    return true;
}

bool ValidateSongImage(const uint8_t* image, size_t size, bool packedInstruments, SongImageLayout* layoutOut) {
    SongImageLayout layout;
    if (!ReadSongImageHeader(image, size, &layout.header)) return false;
    const SongImageHeader& h = layout.header;
    if (h.rowsPerPattern == 0 || h.rowsPerPattern > kMaxRows) return false;
    if (h.sequenceLength == 0) return false;
    if (h.instrumentCount > kInstrumentSlots || h.waveCount > kWaves) return false;

    ByteReader reader(image, size);
    if (!reader.Seek(h.sequenceOffset)) return false;
    const uint8_t* sequence = reader.Take(uint64_t(h.sequenceLength) * kVoices * sizeof(SequenceEntry));
    if (!sequence) return false;
    for (int entry = 0; entry < h.sequenceLength * kVoices; ++entry)
        if (sequence[entry * 2] > h.patternCount) return false;

    if (!reader.Seek(h.patternOffset)) return false;
    if (!reader.Take(uint64_t(h.patternCount) * h.rowsPerPattern * sizeof(qntPatternStep))) return false;

    if (!reader.Seek(h.instrumentOffset) || !ReadNames(reader, kInstrumentSlots, nullptr)) return false;
    layout.instrumentRecordOffset = reader.Position();
    const uint8_t* records = reader.Take(uint64_t(h.instrumentCount) * kInstrumentRecordBytes);
    if (!records) return false;
    const size_t stepCountByte = packedInstruments ? 4 : 7;
    uint64_t storedSteps = 0;
    for (int k = 0; k < h.instrumentCount; ++k) {
        const uint8_t steps = records[k * kInstrumentRecordBytes + stepCountByte];
        if (steps > kInstrumentSteps) return false;
        storedSteps += steps;
    }
    layout.stepOffset = reader.Position();
    if (!reader.Take(storedSteps * sizeof(InstrumentStep))) return false;

    if (!reader.Seek(h.waveOffset) || !ReadNames(reader, kWaves, nullptr)) return false;
    if ((reader.Position() & 1) && !reader.Skip(1)) return false;
    layout.waveRecordOffset = reader.Position();
    const size_t waveRecordBytes = h.version <= 20 ? kOldWaveRecordBytes : sizeof(WaveParams);
    if (!reader.Take(uint64_t(h.waveCount) * waveRecordBytes)) return false;

    // The sections may not overlap each other or the header fields: the
    // loader converts and migrates them in place, which must not change a
    // count or an entry that was checked here.
    struct Range {
        uint64_t begin, end;
    } ranges[5] = {
        {0, kHeaderFieldBytes},
        {h.sequenceOffset, h.sequenceOffset + uint64_t(h.sequenceLength) * kVoices * sizeof(SequenceEntry)},
        {h.patternOffset, h.patternOffset + uint64_t(h.patternCount) * h.rowsPerPattern * sizeof(qntPatternStep)},
        {h.instrumentOffset, layout.stepOffset + storedSteps * sizeof(InstrumentStep)},
        {h.waveOffset, reader.Position()},
    };
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b) {
            const bool empty = ranges[a].begin == ranges[a].end || ranges[b].begin == ranges[b].end;
            if (!empty && ranges[a].begin < ranges[b].end && ranges[b].begin < ranges[a].end) return false;
        }

    if (h.version >= 26)
        for (int i = 0; i < kWaves; ++i)
            if (image[kCalcOrderOffset + i] >= kWaves) return false;

    if (layoutOut) *layoutOut = layout;
    return true;
}

bool ParseSongImage(Song& song, uint8_t* image, size_t size) {
    SongImageLayout layout;
    if (!ValidateSongImage(image, size, false, &layout)) return false;
    if (reinterpret_cast<uintptr_t>(image + layout.waveRecordOffset) % alignof(WaveParams) != 0) return false;
    const SongImageHeader& h = layout.header;

    for (int field = 0; field < 4; ++field) {
        const uint32_t offset = ReadBE32(image + 4 + 4 * field);
        std::memcpy(image + 4 + 4 * field, &offset, sizeof(offset));
    }

    song.waveCount = h.waveCount;
    song.rowsPerPattern = h.rowsPerPattern;
    song.rowStride = h.rowsPerPattern;
    song.sequenceLength = h.sequenceLength;
    song.restartPosition = h.restartPosition;
    song.currentPosition = 0;
    song.sequence = reinterpret_cast<SequenceEntry*>(image + h.sequenceOffset);
    song.patterns = reinterpret_cast<qntPatternStep*>(image + h.patternOffset);
    for (int slot = 0; slot < kMaxPatterns; ++slot)
        song.patternPointers[slot] = slot < h.patternCount ? song.patterns + size_t(slot) * h.rowsPerPattern : nullptr;

    ByteReader names(image, size);
    names.Seek(h.instrumentOffset);
    ReadNames(names, kInstrumentSlots, song.instrumentNames);
    song.instruments = reinterpret_cast<InstrumentParams*>(image + layout.instrumentRecordOffset);
    size_t stepOffset = layout.stepOffset;
    for (int k = 0; k < kInstrumentSlots; ++k) {
        if (k < h.instrumentCount) {
            song.instrumentSteps[k] = reinterpret_cast<InstrumentStep*>(image + stepOffset);
            stepOffset += size_t(song.instruments[k].stepCount) * sizeof(InstrumentStep);
        } else {
            song.instrumentSteps[k] = nullptr;
        }
    }

    names.Seek(h.waveOffset);
    ReadNames(names, kWaves, song.waveNames);
    // The 16-bit fields are swapped at a stride of 42 bytes in every version.
    // Records of version 20 and older are 41 bytes long; for at most 24 of
    // them the last swapped byte (42 * 23 + 13) still lies inside the 41 * W
    // bytes that were checked above.
    uint8_t* waveRecords = image + layout.waveRecordOffset;
    for (int w = 0; w < h.waveCount; ++w) {
        for (int offset : kWaveWordOffsets) {
            uint8_t* field = waveRecords + size_t(w) * sizeof(WaveParams) + offset;
            const uint16_t value = ReadBE16(field);
            std::memcpy(field, &value, sizeof(value));
        }
    }
    song.waves = reinterpret_cast<WaveParams*>(waveRecords);
    song.waveRecordCount = h.waveCount;

    for (int i = 0; i < kWaves; ++i)
        song.waveCalcOrder[i] = h.version >= 26 ? image[kCalcOrderOffset + i] : uint8_t(i);
    return true;
}

namespace {

void PutName(ByteWriter& out, const char* name) {
    size_t length = 0;
    while (length < size_t(kNameLength) && name[length] != 0) ++length;
    out.Put(name, length);
    out.PutByte(0);
}

void PutWaveRecord(ByteWriter& out, const WaveParams& wave) {
    uint8_t bytes[sizeof(WaveParams)];
    std::memcpy(bytes, &wave, sizeof(bytes));
    for (int offset : kWaveWordOffsets) {
        uint16_t value;
        std::memcpy(&value, bytes + offset, sizeof(value));
        WriteBE16(bytes + offset, value);
    }
    out.Put(bytes, sizeof(bytes));
}

// Stored steps of an instrument: its last non-empty step plus one.
int StoredSteps(const InstrumentStep* steps) {
    for (int step = kInstrumentSteps - 1; step >= 0; --step)
        if (!steps[step].IsEmpty()) return step + 1;
    return 0;
}

__attribute__((format(printf, 2, 3))) void Log(FILE* log, const char* format, ...) {
    if (!log) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(log, format, arguments);
    va_end(arguments);
}

}  // namespace

size_t WriteSongImage(SongDocument& doc, uint8_t* target, size_t capacity, SongImageResult* result, FILE* log) {
    Song& song = doc.song;
    ByteWriter out(target, capacity);
    // The setters keep these in range; clamping here only guards the reads
    // of the storage block against a record changed by hand.
    const int length = std::clamp<int>(int(std::min<uint32_t>(song.sequenceLength, kMaxPositions)), 1, kMaxPositions);
    const int rows = std::clamp<int>(song.rowsPerPattern, 1, kMaxRows);

    uint8_t header[kSongHeaderSize] = {'Q', 'N', 'T', uint8_t(kSongFormatVersion)};
    std::memcpy(header + 20, doc.title, kTitleLength);
    std::memcpy(header + 40, doc.author, kTitleLength);
    header[60] = uint8_t(song.restartPosition);
    header[62] = uint8_t(length);
    header[63] = uint8_t(rows);
    out.Skip(kSongHeaderSize);

    // Sequence and calculation order.
    const uint32_t sequenceOffset = uint32_t(out.Position());
    out.Put(song.sequence, size_t(length) * kVoices * sizeof(SequenceEntry));
    std::memcpy(header + kCalcOrderOffset, song.waveCalcOrder, kWaves);
    Log(log, "sequence size: %d\n", length * kVoices * int(sizeof(SequenceEntry)));

    // Patterns 1..P, P being the highest pattern the sequence names.
    int patternCount = 0;
    for (int entry = 0; entry < length * kVoices; ++entry)
        patternCount = std::max<int>(patternCount, song.sequence[entry].pattern);
    header[61] = uint8_t(patternCount);
    const uint32_t patternOffset = uint32_t(out.Position());
    for (int slot = 0; slot < patternCount; ++slot)
        out.Put(song.patternPointers[slot], size_t(rows) * sizeof(qntPatternStep));
    Log(log, "pattern size: %d\n", patternCount * rows * int(sizeof(qntPatternStep)));

    // Instrument count: the highest instrument any pattern slot names, also
    // slots the sequence does not reach, or the highest with stored steps.
    int instrumentCount = 0;
    for (int slot = 0; slot < kMaxPatterns; ++slot) {
        const qntPatternStep* steps = song.patternPointers[slot];
        for (int row = 0; row < rows; ++row) {
            if (steps[row].Instrument() > instrumentCount) {
                instrumentCount = steps[row].Instrument();
                Log(log, "Instrument num %d used.\n", instrumentCount);
            }
        }
    }
    int storedSteps[kInstrumentSlots] = {};
    int highestSelectedWave = 1;
    for (int number = 1; number <= kSelectableInstruments; ++number) {
        const InstrumentStep* steps = song.instrumentSteps[number - 1];
        storedSteps[number - 1] = StoredSteps(steps);
        if (storedSteps[number - 1] > 0) instrumentCount = std::max(instrumentCount, number);
        for (int step = 0; step < kInstrumentSteps; ++step)
            highestSelectedWave = std::max(highestSelectedWave, steps[step].SelectedWave());
    }

    int waveCount = highestSelectedWave;
    for (int slot = 0; slot < kWaves; ++slot)
        if (!IsWaveEmpty(song.waves[slot])) waveCount = std::max(waveCount, slot + 1);

    // Instrument section.
    header[64] = uint8_t(instrumentCount);
    const uint32_t instrumentOffset = uint32_t(out.Position());
    for (int slot = 0; slot < kInstrumentSlots; ++slot) PutName(out, song.instrumentNames[slot]);
    for (int k = 0; k < instrumentCount; ++k) {
        const InstrumentParams& params = song.instruments[k];
        const uint8_t record[kInstrumentRecordBytes] = {
            params.vibratoDelay, params.vibratoDepth, params.vibratoSpeed, params.attack,
            params.decay,        params.sustain,      params.release,      uint8_t(storedSteps[k])};
        out.Put(record, sizeof(record));
    }
    for (int k = 0; k < instrumentCount; ++k) {
        Log(log, "Write ins %d used steps %d\n", k, storedSteps[k]);
        out.Put(song.instrumentSteps[k], size_t(storedSteps[k]) * sizeof(InstrumentStep));
    }
    for (int slot = 0; slot < kInstrumentSlots; ++slot) song.instruments[slot].stepCount = kInstrumentSteps;

    // Wave section: names, a pad byte to an even position, the records.
    const uint32_t waveOffset = uint32_t(out.Position());
    for (int slot = 0; slot < kWaves; ++slot) PutName(out, song.waveNames[slot]);
    if (out.Position() & 1) out.PutByte(0);
    header[65] = uint8_t(waveCount);
    for (int w = 0; w < waveCount; ++w) PutWaveRecord(out, song.waves[w]);

    WriteBE32(header + 4, sequenceOffset);
    WriteBE32(header + 8, patternOffset);
    WriteBE32(header + 12, instrumentOffset);
    WriteBE32(header + 16, waveOffset);
    out.PutAt(0, header, sizeof(header));

    const size_t size = out.Overflowed() ? 0 : out.Position();
    if (result) {
        result->size = size;
        result->waveCount = waveCount;
    }
    return size;
}

}  // namespace qn
