#include "song/song.h"

#include <algorithm>
#include <new>

namespace qn {

InstrumentParams DefaultInstrumentParams() {
    InstrumentParams params{};
    params.sustain = 15;
    params.release = 1;
    params.stepCount = kInstrumentSteps;
    return params;
}

WaveParams DefaultWaveParams() {
    WaveParams wave{};
    wave.allow9xx = 1;
    wave.subloopWait = 1;
    wave.subloopStep = 2;
    wave.loopEnd = 128;
    wave.subloopLen = 128;
    wave.waveLength = 128;
    wave.phaseMax = 255;
    wave.gain = 64;
    wave.sustain = 255;
    wave.filterUpper = 255;
    wave.modLength = 1;
    wave.modFlags = 1;
    return wave;
}

bool IsWaveEmpty(const WaveParams& wave) {
    const WaveParams empty = DefaultWaveParams();
    return std::memcmp(&wave, &empty, sizeof(WaveParams)) == 0;
}

void Song::SetRowsPerPattern(int rows) {
    rowsPerPattern = uint8_t(std::clamp(rows, 1, kMaxRows));
}

void Song::SetSequenceLength(int length) {
    sequenceLength = uint32_t(std::clamp(length, 1, kMaxPositions));
}

void Song::SetRestartPosition(int position) {
    restartPosition = uint32_t(std::max(position, 0));
}

SongDocument::SongDocument() : storage_(new uint8_t[kStorageSize]) {
    ResetToNewSong();
}

void SongDocument::LayOutStorage() {
    uint8_t* block = storage_.get();
    song.rowStride = kMaxRows;
    song.waveRecordCount = kWaves;
    song.sequence = new (block + kSequenceOffset) SequenceEntry[kMaxPositions * kVoices];
    song.patterns = new (block + kPatternOffset) qntPatternStep[kMaxPatterns * kMaxRows];
    song.waves = new (block + kWaveOffset) WaveParams[kWaves];
    song.instruments = new (block + kInstrumentOffset) InstrumentParams[kInstrumentSlots];
    for (int slot = 0; slot < kMaxPatterns; ++slot)
        song.patternPointers[slot] = song.patterns + size_t(slot) * kMaxRows;
    auto* steps = new (block + kStepTableOffset) InstrumentStep[kInstrumentSlots * kInstrumentSteps];
    for (int slot = 0; slot < kInstrumentSlots; ++slot)
        song.instrumentSteps[slot] = steps + size_t(slot) * kInstrumentSteps;
}

void SongDocument::ResetToNewSong() {
    std::memset(storage_.get(), 0, kStorageSize);
    LayOutStorage();
    for (int slot = 0; slot < kInstrumentSlots; ++slot) {
        song.instruments[slot] = DefaultInstrumentParams();
        std::memset(song.instrumentNames[slot], 0, kNameLength);
    }
    for (int slot = 0; slot < kWaves; ++slot) {
        song.waves[slot] = DefaultWaveParams();
        std::memset(song.waveNames[slot], 0, kNameLength);
        song.waveCalcOrder[slot] = uint8_t(slot);
    }
    song.restartPosition = 0;
    song.currentPosition = 0;
    song.waveCount = 1;
    std::memset(title, 0, sizeof(title));
    std::memset(author, 0, sizeof(author));
    ApplySongDefaults();
}

void SongDocument::ResetKeepingInstruments() {
    std::memset(storage_.get() + kPatternOffset, 0, kPatternBytes);
    std::memset(storage_.get() + kSequenceOffset, 0, kSequenceBytes);
    std::memset(title, 0, sizeof(title));
    std::memset(author, 0, sizeof(author));
    ApplySongDefaults();
}

void SongDocument::ApplySongDefaults() {
    song.rowsPerPattern = kDefaultRows;
    song.sequenceLength = 4;
    song.currentPosition = 0;
    for (int voice = 0; voice < kVoices; ++voice) {
        song.sequence[voice].pattern = uint8_t(voice + 1);
        song.sequence[voice].transpose = 0;
    }
}

void CloneWaveParams(WaveParams& target, const WaveParams& source) {
    if (&target == &source) return;
    uint8_t kept[4] = {uint8_t(target.chord[0]), uint8_t(target.chord[1]),
                       uint8_t(target.chord[2]), target.cloneFrom};
    target = source;
    target.chord[0] = int8_t(kept[0]);
    target.chord[1] = int8_t(kept[1]);
    target.chord[2] = int8_t(kept[2]);
    target.cloneFrom = kept[3];
}

void ApplyCloneRuleAfterLoad(Song& song) {
    for (int slot = 0; slot < kWaves; ++slot) {
        WaveParams& wave = song.waves[slot];
        if (wave.cloneFrom > kWaves) wave.cloneFrom = kWaves;
        if (wave.cloneFrom != 0) CloneWaveParams(wave, song.waves[wave.cloneFrom - 1]);
    }
}

void BuildWaveCalcOrder(Song& song) {
    bool placed[kWaves] = {};
    bool onWalk[kWaves] = {};
    int count = 0;
    std::memset(song.waveCalcOrder, 0, sizeof(song.waveCalcOrder));

    // Each wave has at most one mix source, so the walk is a chain: follow it
    // to its root (or to a cycle or a placed wave), then append back up.
    for (int start = 0; start < kWaves; ++start) {
        int chain[kWaves];
        int length = 0;
        int slot = start;
        while (slot >= 0 && !placed[slot] && !onWalk[slot]) {
            onWalk[slot] = true;
            chain[length++] = slot;
            int mix = song.waves[slot].mixWave;
            slot = (mix >= 1 && mix <= kWaves) ? mix - 1 : -1;
        }
        for (int i = length - 1; i >= 0; --i) {
            placed[chain[i]] = true;
            onWalk[chain[i]] = false;
            song.waveCalcOrder[count++] = uint8_t(chain[i]);
        }
    }
}

void SetFixedText(char* field, size_t fieldSize, const char* text) {
    std::memset(field, 0, fieldSize);
    if (text) std::strncpy(field, text, fieldSize);
}

std::string FixedText(const char* field, size_t fieldSize) {
    size_t length = 0;
    while (length < fieldSize && field[length] != 0) ++length;
    return std::string(field, length);
}

}  // namespace qn
