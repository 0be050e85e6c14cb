#include "song/import_protracker.h"

#include <algorithm>
#include <cstring>

namespace qn {

namespace {

constexpr size_t kMinimumSize = 2048;
constexpr size_t kSongLengthOffset = 950;
constexpr size_t kOrderOffset = 952;
constexpr int kOrderEntries = 128;
constexpr size_t kTagOffset = 1080;
constexpr size_t kPatternDataOffset = 1084;
constexpr size_t kModulePatternBytes = 64 * 4 * 4;
constexpr int kModuleRows = 64;
constexpr int kMaxSongLength = 128;

// Finetune-0 periods of three octaves; index i is note i + 1.
constexpr uint16_t kPeriods[36] = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

int NoteForPeriod(int period) {
    for (int index = 0; index < 36; ++index)
        if (kPeriods[index] == period) return index + 1;
    return 0;
}

bool TagAccepted(const uint8_t* data) {
    const uint8_t* tag = data + kTagOffset;
    return tag[0] == 'M' || tag[2] == 'K' || tag[0] == 'F' || tag[1] == 'L' || tag[2] == 'T';
}

int SampleCount(const uint8_t* data) {
    const uint8_t* tag = data + kTagOffset;
    if (tag[0] == 'M') return 31;
    return tag[2] == 'K' ? 31 : 15;
}

// One module cell (4 bytes) as a song pattern step.
qntPatternStep ConvertCell(const uint8_t* cell) {
    qntPatternStep step{};
    step.SetNote(NoteForPeriod((cell[0] & 0x0f) * 256 + cell[1]));
    step.SetInstrument((cell[0] & 0xf0) | (cell[2] >> 4));
    const int effect = cell[2] & 0x0f;
    const int parameter = cell[3];
    int command = effect;
    int value = parameter;
    switch (effect) {
        case 4: case 5: case 6: case 7: case 8: case 9:
            // Vibrato, portamento combinations, panning and sample offset
            // have no counterpart in the song format.
            command = 0;
            value = 0;
            break;
        case 0xD:
            // The module stores the break row as two decimal digits.
            value = 10 * (parameter >> 4) + (parameter & 0x0f);
            break;
        case 0xE:
            switch (parameter >> 4) {
                case 10: command = 0xA; value = 0x01; break;  // fine volume up -> slide
                case 11: command = 0xA; value = 0x10; break;  // fine volume down -> slide
                case 1: case 2: case 5: case 6: case 8: case 13: break;
                default: command = 0; value = 0; break;
            }
            break;
        case 0:
            // An arpeggio becomes a chord on the step.
            if (parameter != 0) step.SetChord(true);
            break;
        default:
            break;
    }
    step.SetCommand(command);
    step.SetParameter(value);
    return step;
}

}  // namespace

bool ImportProTracker(const uint8_t* data, size_t size, SongDocument& doc) {
    if (data == nullptr || size < kMinimumSize) return false;
    if (!TagAccepted(data)) return false;

    int highestOrder = 0;
    for (int entry = 0; entry < kOrderEntries; ++entry)
        highestOrder = std::max<int>(highestOrder, data[kOrderOffset + entry]);
    // Four song patterns per module pattern within 255 slots: at most 63.
    const int converted = std::min(4 * (highestOrder + 1), kMaxPatterns) / 4;
    if (kPatternDataOffset + size_t(converted) * kModulePatternBytes > size) return false;

    // The file is complete: from here on the song is changed.
    Song& song = doc.song;
    std::memcpy(doc.title, data, kTitleLength);
    song.SetRowsPerPattern(kModuleRows);
    const int length = std::clamp<int>(data[kSongLengthOffset], 1, kMaxSongLength);
    song.SetSequenceLength(length);
    for (int position = 0; position < length; ++position) {
        const int order = data[kOrderOffset + position];
        SequenceEntry* entries = song.Position(position);
        for (int voice = 0; voice < kVoices; ++voice) {
            entries[voice].pattern = uint8_t(order < converted ? order * 4 + 1 + voice : 0);
            entries[voice].transpose = 0;
        }
    }

    for (int modulePattern = 0; modulePattern < converted; ++modulePattern) {
        const uint8_t* cells = data + kPatternDataOffset + size_t(modulePattern) * kModulePatternBytes;
        for (int row = 0; row < kModuleRows; ++row) {
            for (int voice = 0; voice < kVoices; ++voice) {
                qntPatternStep* pattern = song.Pattern(modulePattern * 4 + voice + 1);
                pattern[row] = ConvertCell(cells + (row * kVoices + voice) * 4);
            }
        }
    }

    const InstrumentParams defaults = DefaultInstrumentParams();
    const int samples = SampleCount(data);
    for (int slot = 0; slot < samples; ++slot) {
        std::memcpy(song.instrumentNames[slot], data + 20 + 30 * slot, kNameLength);
        InstrumentParams& params = song.instruments[slot];
        const uint8_t stepCount = params.stepCount;
        params = defaults;
        params.stepCount = stepCount;
    }
    return true;
}

}  // namespace qn
