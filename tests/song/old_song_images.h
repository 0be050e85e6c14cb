// Builds song images of any format version byte by byte, independently of
// the program's writer, so loader tests can feed hand-made old files.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qn::test {

inline void PutBE32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

struct TestInstrument {
    // vibrato delay, depth, speed, attack, decay, sustain, release (0..15)
    std::array<uint8_t, 7> params = {0, 0, 0, 0, 0, 15, 1};
    std::vector<std::array<uint8_t, 3>> steps;  // the stored steps, S = size
};

struct TestImage {
    int version = 27;
    std::string title = {}, author = {};
    uint8_t restart = 0;
    uint8_t rows = 4;
    std::vector<std::array<uint8_t, 8>> positions = {{1, 0, 0, 0, 0, 0, 0, 0}};
    int patternCount = -1;  // -1: the number of patterns given
    std::vector<std::vector<uint8_t>> patterns = {std::vector<uint8_t>(12, 0)};  // rows * 3 bytes each
    std::vector<std::string> instrumentNames = {};  // up to 32, the rest empty
    std::vector<TestInstrument> instruments = {};    // I
    std::vector<std::string> waveNames = {};         // up to 24
    // Wave records as the file holds them: 42 bytes (41 for version 20 and older), 16-bit fields big-endian.
    std::vector<std::vector<uint8_t>> waves = {};
    std::array<uint8_t, 24> calcOrder = {};
    int waveCountOverride = -1;

    static void AppendNames(std::vector<uint8_t>& bytes, const std::vector<std::string>& names, size_t slots) {
        for (size_t slot = 0; slot < slots; ++slot) {
            if (slot < names.size()) bytes.insert(bytes.end(), names[slot].begin(), names[slot].end());
            bytes.push_back(0);
        }
    }
    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> bytes = {'Q', 'N', 'T', uint8_t(version)};
        bytes.resize(91);
        std::memcpy(&bytes[20], title.data(), std::min<size_t>(title.size(), 20));
        std::memcpy(&bytes[40], author.data(), std::min<size_t>(author.size(), 20));
        bytes[60] = restart;
        bytes[61] = uint8_t(patternCount >= 0 ? patternCount : int(patterns.size()));
        bytes[62] = uint8_t(positions.size());
        bytes[63] = rows;
        bytes[64] = uint8_t(instruments.size());
        bytes[65] = uint8_t(waveCountOverride >= 0 ? waveCountOverride : int(waves.size()));
        for (int i = 0; i < 24; ++i) bytes[66 + i] = calcOrder[i];

        PutBE32(bytes, 4, uint32_t(bytes.size()));
        for (const auto& position : positions) bytes.insert(bytes.end(), position.begin(), position.end());
        PutBE32(bytes, 8, uint32_t(bytes.size()));
        for (const auto& pattern : patterns) bytes.insert(bytes.end(), pattern.begin(), pattern.end());
        PutBE32(bytes, 12, uint32_t(bytes.size()));
        AppendNames(bytes, instrumentNames, 32);
        for (const TestInstrument& instrument : instruments) {
            const auto& p = instrument.params;
            const uint8_t stored = uint8_t(instrument.steps.size());
            if (version < 22) {  // two nibbles per byte, step count in byte 4
                uint8_t packed[8] = {uint8_t(p[0] | (p[1] << 4)), p[2], uint8_t(p[3] | (p[4] << 4)),
                                     uint8_t(p[5] | (p[6] << 4)), stored, 0, 0, 0};
                bytes.insert(bytes.end(), packed, packed + 8);
            } else {
                bytes.insert(bytes.end(), p.begin(), p.end());
                bytes.push_back(stored);
            }
        }
        for (const TestInstrument& instrument : instruments)
            for (const auto& step : instrument.steps) bytes.insert(bytes.end(), step.begin(), step.end());
        PutBE32(bytes, 16, uint32_t(bytes.size()));
        AppendNames(bytes, waveNames, 24);
        if (bytes.size() & 1) bytes.push_back(0);
        for (const auto& wave : waves) bytes.insert(bytes.end(), wave.begin(), wave.end());
        return bytes;
    }
};

// The default wave record as a file stores it (big-endian 16-bit fields).
inline std::vector<uint8_t> DefaultFileWave() {
    std::vector<uint8_t> wave(42, 0);
    wave[3] = wave[5] = wave[11] = 128;  // Loop End, Subloop Len, length
    wave[6] = wave[7] = wave[39] = wave[41] = 1;
    wave[9] = 2;  // Subloop Step
    wave[22] = wave[30] = wave[36] = 255;
    wave[24] = 64;
    return wave;
}

}  // namespace qn::test
