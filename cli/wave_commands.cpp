#include "cli/wave_commands.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/wave_synth.h"
#include "song/file_io.h"
#include "cli/cli.h"
#include "cli/song_input.h"

namespace qn::cli {

namespace {

// The rate at which the wave files play back: one wave byte per sample.
constexpr uint32_t kWaveFileRate = 16574;

void PutLittle16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void PutLittle32(std::vector<uint8_t>& out, uint32_t value) {
    PutLittle16(out, value & 0xffff);
    PutLittle16(out, value >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// An 8-bit mono PCM WAV file; WAV stores 8-bit samples unsigned, so each
// signed wave byte is offset by 128. Wave lengths are even: no pad byte.
std::vector<uint8_t> EncodeWav8(const int8_t* samples, size_t count) {
    std::vector<uint8_t> out;
    out.reserve(44 + count);
    PutTag(out, "RIFF");
    PutLittle32(out, uint32_t(36 + count));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLittle32(out, 16);
    PutLittle16(out, 1);  // PCM
    PutLittle16(out, 1);  // mono
    PutLittle32(out, kWaveFileRate);
    PutLittle32(out, kWaveFileRate);  // bytes per second
    PutLittle16(out, 1);              // bytes per frame
    PutLittle16(out, 8);              // bits per sample
    PutTag(out, "data");
    PutLittle32(out, uint32_t(count));
    for (size_t i = 0; i < count; ++i) out.push_back(uint8_t(samples[i] + 128));
    return out;
}

}  // namespace

int RunWaves(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    bool raw = false;
    for (const std::string& arg : args) {
        if (arg == "--raw") {
            raw = true;
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return UsageError("waves");

    SongDocument doc;
    LoadedInput input;
    std::string error;
    if (!LoadInput(paths[0], doc, input, &error)) return Fail(error);

    // As loading precalculates them: once, over zeroed wave memory, from the
    // song parsed from the image (before the clone rule).
    WaveSynth synth;
    WaveMemory memory;
    Song& song = input.imageSong;
    synth.PrecalcAllWaves(song, memory);

    const std::filesystem::path directory(paths[1]);
    std::error_code fileError;
    std::filesystem::create_directories(directory, fileError);
    if (!std::filesystem::is_directory(directory)) return Fail("cannot create " + paths[1]);

    const int count = song.waveCount < kWaves ? song.waveCount : kWaves;
    for (int number = 1; number <= count; ++number) {
        const int8_t* slot = memory.Slot(number - 1);
        const int length = WaveLength(song.waves[number - 1]);
        char name[32];
        std::snprintf(name, sizeof(name), "wave%02d.%s", number, raw ? "raw" : "wav");
        const std::string path = (directory / name).string();
        bool written;
        if (raw) {
            // The wave and its three octave copies, exactly as wave memory holds them.
            written = WriteFileAtomically(path, reinterpret_cast<const uint8_t*>(slot),
                                          size_t(WaveLengthWithOctaveCopies(length)));
        } else {
            const std::vector<uint8_t> file = EncodeWav8(slot, size_t(length));
            written = WriteFileAtomically(path, file.data(), file.size());
        }
        if (!written) return Fail("cannot write " + path);
    }
    std::printf("wrote %d wave%s to %s\n", count, count == 1 ? "" : "s", paths[1].c_str());
    return kExitOk;
}

}  // namespace qn::cli
