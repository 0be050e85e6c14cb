// The Song record and the editable song that owns its storage block.
//
// The Song record is shared by two kinds of song: the editable one, whose
// pointers lead into a 256 KiB storage block (so the undo history can
// snapshot everything in one piece), and a song parsed straight from a song
// image, whose pointers lead into the image.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "song/song_types.h"

namespace qn {

struct Song {
    uint8_t waveCount = 1;           // waves in use, 1..24
    uint8_t rowsPerPattern = kDefaultRows;
    uint16_t rowStride = kMaxRows;   // rows stored per pattern slot
    qntPatternStep* patterns = nullptr;
    InstrumentStep* instrumentSteps[kInstrumentSlots] = {};
    uint32_t currentPosition = 0;
    uint32_t sequenceLength = 4;
    uint32_t restartPosition = 0;
    SequenceEntry* sequence = nullptr;  // kVoices entries per position
    InstrumentParams* instruments = nullptr;
    WaveParams* waves = nullptr;
    qntPatternStep* patternPointers[kMaxPatterns] = {};
    char instrumentNames[kInstrumentSlots][kNameLength] = {};
    char waveNames[kWaves][kNameLength] = {};
    uint8_t waveCalcOrder[kWaves] = {};
    // WaveParams records `waves` points at: 24 in the editable song; a song
    // parsed straight from an image holds only its wave count.
    uint8_t waveRecordCount = kWaves;

    // Accessors by user-visible number; 0 or out of range gives null.
    qntPatternStep* Pattern(int number) const {
        return (number >= 1 && number <= kMaxPatterns) ? patternPointers[number - 1] : nullptr;
    }
    InstrumentParams* Instrument(int number) const {
        return (number >= 1 && number <= kInstrumentSlots) ? &instruments[number - 1] : nullptr;
    }
    WaveParams* Wave(int number) const {
        return (number >= 1 && number <= kWaves) ? &waves[number - 1] : nullptr;
    }
    SequenceEntry* Position(int position) const { return &sequence[position * kVoices]; }

    // Clamped setters used by every editor.
    void SetRowsPerPattern(int rows);
    void SetSequenceLength(int length);
    void SetRestartPosition(int position);
    int RestartPositionForDisplay() const { return restartPosition > 255 ? 255 : int(restartPosition); }
};

// Layout of the 256 KiB storage block of the editable song.
constexpr size_t kStorageSize = 262144;
constexpr size_t kSequenceBytes = size_t(kMaxPositions) * kVoices * sizeof(SequenceEntry);
constexpr size_t kPatternSlotBytes = size_t(kMaxRows) * sizeof(qntPatternStep);
constexpr size_t kPatternBytes = size_t(kMaxPatterns) * kPatternSlotBytes;
constexpr size_t kWaveBytes = size_t(kWaves) * sizeof(WaveParams);
constexpr size_t kInstrumentBytes = size_t(kInstrumentSlots) * sizeof(InstrumentParams);
constexpr size_t kStepTableBytes = size_t(kInstrumentSteps) * sizeof(InstrumentStep);
constexpr size_t kSequenceOffset = 0;
constexpr size_t kPatternOffset = kSequenceOffset + kSequenceBytes;
constexpr size_t kWaveOffset = kPatternOffset + kPatternBytes;
constexpr size_t kInstrumentOffset = kWaveOffset + kWaveBytes;
constexpr size_t kStepTableOffset = kInstrumentOffset + kInstrumentBytes;
constexpr size_t kStorageUsed = kStepTableOffset + kInstrumentSlots * kStepTableBytes;
static_assert(kPatternBytes == 97920);
static_assert(kWaveOffset % alignof(WaveParams) == 0);
static_assert(kStorageUsed <= kStorageSize);

// The editable song: the Song record, the storage block it points into,
// and the title and author that live beside it.
class SongDocument {
public:
    SongDocument();
    SongDocument(const SongDocument&) = delete;
    SongDocument& operator=(const SongDocument&) = delete;

    Song song;
    char title[kTitleLength] = {};   // NUL-padded; 20 characters fill it
    char author[kTitleLength] = {};

    uint8_t* Storage() { return storage_.get(); }
    const uint8_t* Storage() const { return storage_.get(); }

    // Points every Song pointer into the storage block with a row stride of 128.
    void LayOutStorage();
    // "New Song": zeroes the block, default instruments and waves, empty
    // names, identity calculation order, restart 0, then the song defaults.
    // Title and author are cleared too.
    void ResetToNewSong();
    // "New Song (keep Instruments)": patterns and sequence only.
    void ResetKeepingInstruments();

private:
    void ApplySongDefaults();
    std::unique_ptr<uint8_t[]> storage_;
};

// Clone rule: wave `target` (slot index) takes all 42 bytes of wave `source`
// (slot index) except its chord notes (14..16) and its own clone field (18).
void CloneWaveParams(WaveParams& target, const WaveParams& source);
// After loading: for waves 1..24 in order, lower a clone field above 24 to 24
// and apply the clone rule, so chains resolve front to back.
void ApplyCloneRuleAfterLoad(Song& song);
// Rebuilds the wave calculation order: every "Mix Wave" source comes before
// the wave that mixes it in; cycles are cut; every slot appears once.
void BuildWaveCalcOrder(Song& song);

// Sets/clears fixed-size, NUL-padded text fields (names, title, author).
void SetFixedText(char* field, size_t fieldSize, const char* text);
// Reads a fixed field that may lack a terminator when it is full.
std::string FixedText(const char* field, size_t fieldSize);

}  // namespace qn
