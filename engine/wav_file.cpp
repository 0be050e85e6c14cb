#include "engine/wav_file.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace qn {

static void PutLe16(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

static void PutLe32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
    at[2] = uint8_t(value >> 16);
    at[3] = uint8_t(value >> 24);
}

std::vector<uint8_t> BuildWavImage(const int16_t* frames, size_t frameCount) {
    if (frameCount > kWavMaxFrames) return {};
    const size_t dataSize = frameCount * 4;
    std::vector<uint8_t> image(kWavHeaderSize + dataSize);
    uint8_t* header = image.data();
    std::memcpy(header, "RIFF----WAVEfmt ", 16);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);
    PutLe16(header + 22, 2);
    PutLe32(header + 24, 48000);
    PutLe32(header + 28, ((48000 * 16) / 8) * 2);
    PutLe16(header + 32, 4);
    PutLe16(header + 34, 16);
    std::memcpy(header + 36, "data----", 8);
    uint8_t* out = header + kWavHeaderSize;
    for (size_t i = 0; i < frameCount * 2; ++i) PutLe16(out + 2 * i, uint16_t(frames[i]));
    // The sizes are known once the samples are in: the data chunk and the
    // RIFF chunk both run to the end of the file.
    const size_t end = image.size();
    PutLe32(header + 40, uint32_t(end - 36 - 8));
    PutLe32(header + 4, uint32_t(end - 8));
    return image;
}

// Writes `bytes` to a temporary file beside `path` and renames it over the
// target once it is complete.
static bool WriteWholeFileAtomically(const std::string& path, const uint8_t* bytes, size_t size) {
    if (path.empty()) return false;
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    bool ok = size == 0 || std::fwrite(bytes, 1, size, file) == size;
    ok = std::fflush(file) == 0 && ok;
    ok = fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

bool WriteWav(const std::string& path, const int16_t* frames, size_t frameCount) {
    if (frameCount > kWavMaxFrames) return false;
    const std::vector<uint8_t> image = BuildWavImage(frames, frameCount);
    return WriteWholeFileAtomically(path, image.data(), image.size());
}

}  // namespace qn
