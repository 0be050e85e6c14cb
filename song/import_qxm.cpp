#include "song/import_qxm.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qn {

namespace {

constexpr size_t kMinimumSize = 100;
constexpr int kMaxPositionsInFile = 999;
constexpr int kMaxTrackLength = 64;
constexpr size_t kInstrumentHeaderBytes = 22;
constexpr int kMaxConvertedSteps = 31;
constexpr uint8_t kLinkFlag = 0x80;

// Bounds-checked reading of the file.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
    uint8_t Byte(size_t offset) const { return data_[offset]; }
    int Word(size_t offset) const { return (data_[offset] << 8) | data_[offset + 1]; }
    const uint8_t* At(size_t offset) const { return data_ + offset; }
    // Length of the NUL-terminated string at `offset`; false when it runs
    // past the end of the file.
    bool StringLength(size_t offset, size_t& length) const {
        for (size_t at = offset; at < size_; ++at)
            if (data_[at] == 0) {
                length = at - offset;
                return true;
            }
        return false;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

struct StepCommand {
    int command;
    int parameter;
};

// Playlist effect commands as instrument step commands.
StepCommand ConvertPlaylistCommand(int command, int parameter) {
    switch (command) {
        case 1: case 2: case 3: return {command, parameter};
        case 5: return {0xB, parameter};  // jump to playlist entry
        case 6:
            // Volume 0..64; the step volume saturates at 64 anyway, and
            // saturating here keeps 64 from wrapping round to silence.
            if (parameter > 64) return {0, 0};
            return {0xC, std::min(parameter * 4, 255)};
        case 7: return {0xF, parameter};
        default: return {0, 0};
    }
}

// Track rows as pattern steps.
qntPatternStep ConvertTrackRow(const uint8_t* row) {
    qntPatternStep step{};
    step.SetNote(row[0] >> 2);
    const int instrument = (row[0] & 3) * 16 + (row[1] >> 4);
    step.SetInstrument(instrument < 32 ? instrument : 0);
    int command = row[1] & 0x0f;
    int parameter = row[2];
    switch (command) {
        case 4: case 5: case 6: case 7: case 8: case 9:
            command = 0;
            parameter = 0;
            break;
        case 0xC:
            parameter = (parameter * 2) & 0xff;
            break;
        case 0xE:
            switch (parameter >> 4) {
                case 10: command = 0xA; parameter = 0x01; break;
                case 11: command = 0xA; parameter = 0x10; break;
                case 0: case 3: case 4: case 7: case 9: case 12: case 14: case 15:
                    command = 0;
                    parameter = 0;
                    break;
                default: break;
            }
            break;
        default:
            break;
    }
    step.SetCommand(command);
    step.SetParameter(parameter);
    return step;
}

// Step index at which `groups` unlinked steps lie before it: the first step
// of the tick group that a playlist jump to entry `groups` lands on.
int JumpTarget(const InstrumentStep* steps, int groups) {
    int count = 0;
    for (int index = 0; index < kInstrumentSteps; ++index) {
        if (count == groups) return index;
        if (!steps[index].Linked()) ++count;
    }
    return 0;
}

struct ConvertedInstrument {
    InstrumentParams params;
    InstrumentStep steps[kInstrumentSteps];
};

// Maps the Qxm envelope onto the instrument editor's 0..15 indexes.
void ConvertEnvelope(const uint8_t* header, InstrumentParams& params) {
    params.vibratoDelay = 0;
    params.vibratoDepth = 0;
    params.vibratoSpeed = 0;
    params.attack = uint8_t(std::min(std::min((header[7] >> 4) * 2, 15) + std::min(header[3] >> 4, 15), 15));
    params.decay = uint8_t(std::min(header[2] >> 4, 15));
    params.sustain = 15;
    params.release = uint8_t(std::min(header[8] >> 2, 15));
}

// Converts one playlist into a step program. Each playlist entry becomes one
// tick group: a first step, then linked steps for a second effect and a
// waveform change, so a playlist jump can find its entry by counting groups.
void ConvertPlaylist(const uint8_t* header, const uint8_t* entries, int length, ConvertedInstrument& out) {
    std::memset(out.steps, 0, sizeof(out.steps));
    InstrumentStep* steps = out.steps;
    int next = 0;
    // The playlist runs at its own speed: a linked Fxx step sets it before
    // the first entry. Speed 0 is taken as 1, since F00 would halt the program.
    const int speed = header[20];
    if (speed > 1) {
        steps[next].b0 = kLinkFlag;
        steps[next].b1 = 0x0F;
        steps[next].b2 = uint8_t(speed);
        ++next;
    }
    int noiseOffset = 0;
    bool jumpPending = false;
    int jumpTarget = 0;
    const int lengthCode = header[1] & 7;

    // Appends a step linked to the entry's previous one, if it has one.
    auto append = [&](const InstrumentStep& step, bool entryHasStep) {
        if (next >= kMaxConvertedSteps) return false;
        if (entryHasStep) steps[next - 1].b0 |= kLinkFlag;
        steps[next++] = step;
        return true;
    };

    for (int index = 0; index < length && next < kMaxConvertedSteps; ++index) {
        const uint8_t* entry = entries + size_t(index) * 4;
        const int effect2 = entry[0] >> 5;
        const int effect1 = (entry[0] >> 2) & 7;
        // Waveforms 1..4 exist; the codes 5..7 are taken as no change.
        int waveform = (entry[0] & 3) * 2 + (entry[1] >> 7);
        if (waveform > 4) waveform = 0;
        const bool fixedNote = (entry[1] & 0x40) != 0;
        const int note = entry[1] & 0x3f;
        if (waveform != 0) noiseOffset = waveform == 4 ? 2 : 0;
        if (jumpPending) break;

        const StepCommand first = ConvertPlaylistCommand(effect1, entry[2]);
        if (note == 0 && first.command == 0 && ConvertPlaylistCommand(effect2, entry[3]).command == 0) continue;

        StepCommand main = first;
        if (first.command == 0xB) {
            jumpTarget = JumpTarget(steps, first.parameter);
            jumpPending = true;
            main = {0, 0};
        }
        bool entryHasStep = false;
        InstrumentStep step{};
        if (note != 0) step.b0 = uint8_t((note + 12 * (noiseOffset - lengthCode + 5)) & 0x3f);
        if (fixedNote) step.b0 |= 0x40;
        step.b1 = uint8_t(main.command);
        step.b2 = uint8_t(main.parameter);
        if (!(main.command == 0 && step.Note() == 0 && main.parameter == 0)) {
            steps[next++] = step;
            entryHasStep = true;
        }

        const StepCommand second = ConvertPlaylistCommand(effect2, entry[3]);
        if ((second.command != 0 && second.parameter != 0) || second.command == 0xB || second.command == 0xC ||
            second.command == 0xF) {
            if (second.command == 0xB) {
                jumpTarget = JumpTarget(steps, second.parameter);
                jumpPending = true;
            } else {
                InstrumentStep effectStep{0, uint8_t(second.command), uint8_t(second.parameter)};
                if (!effectStep.IsEmpty() && append(effectStep, entryHasStep)) entryHasStep = true;
            }
        }

        if (waveform != 0) {
            static constexpr uint8_t kWaveOfWaveform[5] = {0, 1, 2, 4, 8};
            InstrumentStep select{0, 0, kWaveOfWaveform[waveform]};
            if (append(select, entryHasStep)) entryHasStep = true;
        }
    }
    // A jump becomes its own step after the entry that asked for it; run as
    // the first step of a tick it goes back at once.
    if (jumpPending && next < kMaxConvertedSteps) steps[next++] = InstrumentStep{0, 0x0B, uint8_t(jumpTarget)};
}

}  // namespace

bool ImportQxm(const uint8_t* data, size_t size, SongDocument& doc) {
    if (data == nullptr || size < kMinimumSize) return false;
    const Reader file(data, size);
    if (std::memcmp(data, "QMV", 3) != 0 || file.Byte(3) > 1) return false;
    const int nameOffset = file.Word(4);
    const int positionWord = file.Word(6);
    const bool trackZeroAbsent = (positionWord & 0x8000) != 0;
    const int positionCount = positionWord & 0x0fff;
    const int restart = file.Word(8) & 0x0fff;
    const int trackLength = file.Byte(10);
    const int instrumentCount = file.Byte(12);
    const int subsongCount = file.Byte(13);
    if (positionCount == 0 || positionCount > kMaxPositionsInFile) return false;
    if (restart > positionCount - 1) return false;
    if (trackLength == 0 || trackLength > kMaxTrackLength) return false;

    // Names: the title, then one per instrument.
    size_t at = size_t(nameOffset);
    size_t length = 0;
    if (!file.StringLength(at, length)) return false;
    const size_t titleOffset = at;
    const size_t titleLength = std::min<size_t>(length, kTitleLength);
    at += length + 1;
    std::vector<std::pair<size_t, size_t>> names;
    for (int instrument = 0; instrument < instrumentCount; ++instrument) {
        if (!file.StringLength(at, length)) return false;
        names.emplace_back(at, std::min<size_t>(length, kNameLength));
        at += length + 1;
    }

    // Positions. The song holds 255; the rest are still read, since the
    // highest track number says how many tracks the file stores.
    const size_t positionOffset = 14 + 2 * size_t(subsongCount);
    if (!file.Has(positionOffset, 8 * size_t(positionCount))) return false;
    int highestPattern = 0;
    for (int position = 0; position < positionCount; ++position)
        for (int voice = 0; voice < kVoices; ++voice) {
            const int track = file.Byte(positionOffset + size_t(position) * 8 + size_t(voice) * 2);
            const int pattern = trackZeroAbsent ? track : track + 1;
            if (pattern > kMaxPatterns) return false;  // no song pattern can hold it
            highestPattern = std::max(highestPattern, pattern);
        }

    const size_t trackBytes = 3 * size_t(trackLength);
    const size_t trackOffset = positionOffset + 8 * size_t(positionCount);
    if (!file.Has(trackOffset, trackBytes * size_t(highestPattern))) return false;

    // Instruments: only 32 slots exist in the song.
    const int converted = std::min(instrumentCount, kInstrumentSlots);
    std::vector<ConvertedInstrument> instruments(static_cast<size_t>(converted));
    at = trackOffset + trackBytes * size_t(highestPattern);
    for (int instrument = 0; instrument < converted; ++instrument) {
        if (!file.Has(at, kInstrumentHeaderBytes)) return false;
        const uint8_t* header = file.At(at);
        const int playlistLength = header[21];
        if (!file.Has(at + kInstrumentHeaderBytes, 4 * size_t(playlistLength))) return false;
        ConvertedInstrument& out = instruments[size_t(instrument)];
        out.params = doc.song.instruments[instrument];
        ConvertEnvelope(header, out.params);
        ConvertPlaylist(header, file.At(at + kInstrumentHeaderBytes), playlistLength, out);
        at += kInstrumentHeaderBytes + 4 * size_t(playlistLength);
    }

    // Everything was read: now change the song.
    Song& song = doc.song;
    std::memset(doc.title, 0, sizeof(doc.title));
    std::memcpy(doc.title, file.At(titleOffset), titleLength);
    for (int instrument = 0; instrument < std::min(instrumentCount, kInstrumentSlots); ++instrument) {
        std::memset(song.instrumentNames[instrument], 0, kNameLength);
        std::memcpy(song.instrumentNames[instrument], file.At(names[size_t(instrument)].first),
                    names[size_t(instrument)].second);
    }
    const int kept = std::min(positionCount, kMaxPositions);
    for (int position = 0; position < kept; ++position)
        for (int voice = 0; voice < kVoices; ++voice) {
            const uint8_t* stored = file.At(positionOffset + size_t(position) * 8 + size_t(voice) * 2);
            SequenceEntry& entry = song.Position(position)[voice];
            entry.pattern = uint8_t(trackZeroAbsent ? stored[0] : stored[0] + 1);
            entry.transpose = int8_t(uint8_t(stored[1] - 12));
        }
    song.SetRowsPerPattern(trackLength);
    song.SetSequenceLength(kept);
    for (int pattern = 0; pattern < highestPattern; ++pattern) {
        const uint8_t* rows = file.At(trackOffset + trackBytes * size_t(pattern));
        qntPatternStep* steps = song.Pattern(pattern + 1);
        for (int row = 0; row < trackLength; ++row) steps[row] = ConvertTrackRow(rows + 3 * size_t(row));
    }
    for (int instrument = 0; instrument < converted; ++instrument) {
        song.instruments[instrument] = instruments[size_t(instrument)].params;
        std::memcpy(song.instrumentSteps[instrument], instruments[size_t(instrument)].steps, kStepTableBytes);
    }
    return true;
}

}  // namespace qn
