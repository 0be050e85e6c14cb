#include "song/instrument_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "song/file_io.h"
#include "song/wave_references.h"

namespace qn {

namespace {

constexpr size_t kParamsOffset = 8;
constexpr size_t kStepsOffset = 16;
constexpr size_t kWavesOffset = 112;
constexpr size_t kWaveNamesOffset = 1120;
constexpr size_t kNameOffset = 1648;
constexpr int kMinimumVersion = 12;

// Wave records are stored in memory order with little-endian 16-bit fields,
// whatever the host: the six words are converted one by one.
void PutWave(uint8_t* out, const WaveParams& wave) {
    std::memcpy(out, &wave, sizeof(WaveParams));
    for (int offset : kWaveWordOffsets) {
        uint16_t value;
        std::memcpy(&value, reinterpret_cast<const uint8_t*>(&wave) + offset, 2);
        out[offset] = uint8_t(value);
        out[offset + 1] = uint8_t(value >> 8);
    }
}

WaveParams GetWave(const uint8_t* in) {
    WaveParams wave;
    std::memcpy(&wave, in, sizeof(WaveParams));
    for (int offset : kWaveWordOffsets) {
        const uint16_t value = uint16_t(in[offset] | (in[offset + 1] << 8));
        std::memcpy(reinterpret_cast<uint8_t*>(&wave) + offset, &value, 2);
    }
    return wave;
}

void PutParams(uint8_t* out, const InstrumentParams& params) {
    const uint8_t bytes[8] = {params.vibratoDelay, params.vibratoDepth, params.vibratoSpeed, params.attack,
                              params.decay, params.sustain, params.release, params.stepCount};
    std::memcpy(out, bytes, 8);
}

InstrumentParams GetParams(const uint8_t* in) {
    return InstrumentParams{in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7]};
}

bool ValidWave(int number) { return number >= 1 && number <= kWaves; }

// Two wave records sound alike when they are equal apart from the
// octave-copies flag (set by the player), the mix source number (the chains
// are compared separately) and the clone source (the record already holds
// what it cloned; a loaded copy may have lost that number).
bool RecordsMatch(const WaveParams& a, const WaveParams& b) {
    WaveParams left = a;
    WaveParams right = b;
    left.flags &= uint8_t(~kWaveOctaveCopies);
    right.flags &= uint8_t(~kWaveOctaveCopies);
    left.mixWave = 0;
    right.mixWave = 0;
    left.cloneFrom = 0;
    right.cloneFrom = 0;
    return std::memcmp(&left, &right, sizeof(WaveParams)) == 0;
}

// The wave that wave `number` mixes in, 0 when none.
int MixSource(const WaveParams* waves, int number) { return MixedWave(waves[number - 1].mixWave); }

// File wave `fileWave` duplicates song wave `songWave` when the records
// along both mix chains are equal step by step and both chains end together.
// Chains are at most 24 waves long unless they loop; equal loops compare
// equal after 24 steps.
bool ChainsMatch(const WaveParams* fileWaves, int fileWave, const WaveParams* songWaves, int songWave) {
    for (int step = 0; step <= kWaves; ++step) {
        if (fileWave == 0 || songWave == 0) return fileWave == 0 && songWave == 0;
        if (!RecordsMatch(fileWaves[fileWave - 1], songWaves[songWave - 1])) return false;
        fileWave = MixSource(fileWaves, fileWave);
        songWave = MixSource(songWaves, songWave);
    }
    return true;
}

}  // namespace

std::array<uint8_t, kInstrumentFileSize> BuildInstrumentFile(const Song& song, int instrument) {
    std::array<uint8_t, kInstrumentFileSize> bytes{};
    const int slot = std::clamp(instrument, 1, kInstrumentSlots) - 1;
    bytes[0] = 'Q';
    bytes[1] = 'N';
    bytes[2] = 'I';
    bytes[3] = kInstrumentFileVersion;
    PutParams(&bytes[kParamsOffset], song.instruments[slot]);
    for (int step = 0; step < kInstrumentSteps; ++step) {
        const InstrumentStep& source = song.instrumentSteps[slot][step];
        bytes[kStepsOffset + 3 * size_t(step)] = source.b0;
        bytes[kStepsOffset + 3 * size_t(step) + 1] = source.b1;
        bytes[kStepsOffset + 3 * size_t(step) + 2] = source.b2;
    }
    for (int wave = 0; wave < kWaves; ++wave) {
        PutWave(&bytes[kWavesOffset + sizeof(WaveParams) * size_t(wave)], song.waves[wave]);
        std::memcpy(&bytes[kWaveNamesOffset + kNameLength * size_t(wave)], song.waveNames[wave], kNameLength);
    }
    std::memcpy(&bytes[kNameOffset], song.instrumentNames[slot], kNameLength);
    return bytes;
}

bool ParseInstrumentFile(const uint8_t* data, size_t size, InstrumentFile& file) {
    if (data == nullptr || size < kInstrumentFileSize) return false;
    if (data[0] != 'Q' || data[1] != 'N' || data[2] != 'I') return false;
    if (int8_t(data[3]) < kMinimumVersion) return false;
    file.params = GetParams(data + kParamsOffset);
    for (int step = 0; step < kInstrumentSteps; ++step) {
        const uint8_t* in = data + kStepsOffset + 3 * size_t(step);
        file.steps[step] = InstrumentStep{in[0], in[1], in[2]};
    }
    for (int wave = 0; wave < kWaves; ++wave) {
        file.waves[wave] = GetWave(data + kWavesOffset + sizeof(WaveParams) * size_t(wave));
        std::memcpy(file.waveNames[wave], data + kWaveNamesOffset + kNameLength * size_t(wave), kNameLength);
    }
    std::memcpy(file.name, data + kNameOffset, kNameLength);
    return true;
}

std::string InstrumentFilePath(const std::string& path) {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".ins") == 0) return path;
    return path + ".ins";
}

bool SaveInstrument(const std::string& path, const Song& song, int instrument) {
    const std::array<uint8_t, kInstrumentFileSize> bytes = BuildInstrumentFile(song, instrument);
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

bool LoadInstrument(const uint8_t* data, size_t size, Song& song, int instrument, InstrumentLoadResult* result,
                    FILE* log) {
    if (result) *result = InstrumentLoadResult{};
    if (instrument < 1 || instrument > kInstrumentSlots) return false;
    InstrumentFile file;
    if (!ParseInstrumentFile(data, size, file)) return false;
    // The file's mix fields as the synthesizer reads them (24 and above
    // mix wave 23), so chains, comparisons and copies agree with the sound.
    LowerMixWaves(file.waves, kWaves);

    // Waves the steps select, then their mix chains. Step parameters above
    // 24 name no wave: they are neither listed nor renumbered.
    std::vector<int> needed;
    auto listed = [&needed](int wave) { return std::find(needed.begin(), needed.end(), wave) != needed.end(); };
    for (int step = 0; step < kInstrumentSteps; ++step) {
        const int wave = file.steps[step].SelectedWave();
        if (wave != 0 && !listed(wave)) {
            needed.push_back(wave);
            if (log) std::fprintf(log, "Instrument step %d uses wave %d\n", step, wave);
        }
    }
    // A chain ends at a wave already listed, which also ends any loop.
    for (size_t index = 0, selected = needed.size(); index < selected; ++index) {
        int mix = MixSource(file.waves, needed[index]);
        while (mix != 0 && !listed(mix)) {
            needed.push_back(mix);
            mix = MixSource(file.waves, mix);
        }
    }
    if (log) {
        std::fprintf(log, "used waves:");
        for (int wave : needed) std::fprintf(log, " %d [$%x]", wave, wave);
        std::fprintf(log, "\n");
    }

    // A wave that a needed wave mixes in (itself included) must not end up in
    // slot 24: a "Mix Wave" of 24 mixes wave 23.
    bool mixedIn[kWaves + 1] = {};
    for (int wave : needed) mixedIn[MixSource(file.waves, wave)] = true;

    int duplicateOf[kWaves + 1] = {};
    bool duplicateTarget[kWaves + 1] = {};
    for (int wave : needed) {
        for (int songWave = 1; songWave <= kWaves; ++songWave) {
            if (mixedIn[wave] && songWave == kWaves) continue;
            if (ChainsMatch(file.waves, wave, song.waves, songWave)) {
                duplicateOf[wave] = songWave;
                duplicateTarget[songWave] = true;
                if (log) std::fprintf(log, "load wave %d is a duplicate of song wave %d. Remap\n", wave, songWave);
                break;
            }
        }
    }

    // Empty slots never include a wave that another needed wave reuses.
    std::vector<int> empty;
    for (int songWave = 1; songWave <= kWaves; ++songWave)
        if (IsWaveEmpty(song.waves[songWave - 1]) && !duplicateTarget[songWave]) empty.push_back(songWave);
    std::vector<int> toCopy;
    for (int wave : needed)
        if (duplicateOf[wave] == 0) toCopy.push_back(wave);
    if (empty.size() < toCopy.size()) {
        if (log) std::fprintf(log, "not enough empty waves: %zu needed, %zu free\n", toCopy.size(), empty.size());
        return false;
    }
    empty.resize(toCopy.size());
    // The first wave to copy gets the highest of the chosen slots.
    int copyTo[kWaves + 1] = {};
    for (int wave : toCopy) {
        copyTo[wave] = empty.back();
        empty.pop_back();
    }
    for (int wave : toCopy) {
        if (copyTo[wave] != kWaves || !mixedIn[wave]) continue;
        const auto other = std::find_if(toCopy.begin(), toCopy.end(), [&](int w) { return !mixedIn[w]; });
        if (other == toCopy.end()) {
            if (log) std::fprintf(log, "not enough empty waves: wave %d is mixed in and cannot take wave 24\n", wave);
            return false;
        }
        std::swap(copyTo[wave], copyTo[*other]);
    }
    auto target = [&](int wave) { return duplicateOf[wave] != 0 ? duplicateOf[wave] : copyTo[wave]; };
    for (int step = 0; step < kInstrumentSteps; ++step) {
        const int wave = file.steps[step].SelectedWave();
        if (wave != 0 && target(wave) == 0) {
            if (log) std::fprintf(log, "error. no remap found for wave %d\n", wave);
            return false;
        }
    }

    // Everything is worked out: change the song.
    for (int wave : toCopy) {
        const int slot = copyTo[wave];
        song.waves[slot - 1] = file.waves[wave - 1];
        std::memcpy(song.waveNames[slot - 1], file.waveNames[wave - 1], kNameLength);
        if (log) std::fprintf(log, "copy loaded wave %d to emptyWave %d\n", wave, slot);
    }
    // The copies' mix fields still hold file numbers; their sources were
    // either copied too or found as duplicates.
    for (int wave : toCopy) {
        WaveParams& copy = song.waves[copyTo[wave] - 1];
        const int mix = copy.mixWave;
        if (ValidWave(mix) && target(mix) != 0 && target(mix) != mix) {
            copy.mixWave = uint8_t(target(mix));
            if (log) std::fprintf(log, "wave '%d': remap mixwave '%d' to wave %d\n", wave, mix, copy.mixWave);
        }
        // The record already holds what it cloned. A clone source that came
        // along is renumbered; any other would name an unrelated song wave,
        // whose parameters the wave editor would pull in on the next edit.
        const int clone = copy.cloneFrom;
        if (ValidWave(clone)) copy.cloneFrom = uint8_t(target(clone));
    }
    const int slot = instrument - 1;
    song.instruments[slot] = file.params;
    song.instruments[slot].stepCount = kInstrumentSteps;  // the editable song always holds 32
    for (int step = 0; step < kInstrumentSteps; ++step) {
        InstrumentStep converted = file.steps[step];
        const int wave = converted.SelectedWave();
        if (wave != 0) {
            converted.b2 = uint8_t(target(wave));
            if (log) std::fprintf(log, "remap instrument wave %d to %d\n", wave, converted.b2);
        }
        song.instrumentSteps[slot][step] = converted;
    }
    std::memcpy(song.instrumentNames[slot], file.name, kNameLength);
    if (!toCopy.empty()) BuildWaveCalcOrder(song);
    if (result) result->wavesCopied = int(toCopy.size());
    return true;
}

Clipboards::Clipboards() : wave(DefaultWaveParams()), instrument(DefaultInstrumentParams()), steps{}, name{} {}

void CopyWave(const Song& song, int wave, Clipboards& clipboards) {
    if (!ValidWave(wave)) return;
    clipboards.wave = song.waves[wave - 1];
    std::memcpy(clipboards.name, song.waveNames[wave - 1], kNameLength);
}

void PasteWave(Song& song, int wave, const Clipboards& clipboards) {
    if (!ValidWave(wave)) return;
    WaveParams& target = song.waves[wave - 1];
    target = clipboards.wave;
    if (target.mixWave >= wave) target.mixWave = 0;
    std::memcpy(song.waveNames[wave - 1], clipboards.name, kNameLength);
    BuildWaveCalcOrder(song);
}

void ClearWave(Song& song, int wave) {
    if (!ValidWave(wave)) return;
    song.waves[wave - 1] = DefaultWaveParams();
    std::memset(song.waveNames[wave - 1], 0, kNameLength);
    BuildWaveCalcOrder(song);
}

void CopyInstrument(const Song& song, int instrument, Clipboards& clipboards) {
    if (instrument < 1 || instrument > kInstrumentSlots) return;
    clipboards.instrument = song.instruments[instrument - 1];
    std::memcpy(clipboards.steps, song.instrumentSteps[instrument - 1], kStepTableBytes);
    std::memcpy(clipboards.name, song.instrumentNames[instrument - 1], kNameLength);
}

void PasteInstrument(Song& song, int instrument, const Clipboards& clipboards) {
    if (instrument < 1 || instrument > kInstrumentSlots) return;
    song.instruments[instrument - 1] = clipboards.instrument;
    std::memcpy(song.instrumentSteps[instrument - 1], clipboards.steps, kStepTableBytes);
    std::memcpy(song.instrumentNames[instrument - 1], clipboards.name, kNameLength);
}

void ClearInstrument(Song& song, int instrument) {
    if (instrument < 1 || instrument > kInstrumentSlots) return;
    song.instruments[instrument - 1] = DefaultInstrumentParams();
    std::memset(song.instrumentSteps[instrument - 1], 0, kStepTableBytes);
    std::memset(song.instrumentNames[instrument - 1], 0, kNameLength);
}

}  // namespace qn
