#include "engine/wav_file.h"

#include <algorithm>
#include <bit>
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

static void FillWavHeader(uint8_t* header, size_t frameCount) {
    std::memcpy(header, "RIFF----WAVEfmt ", 16);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);
    PutLe16(header + 22, 2);
    PutLe32(header + 24, 48000);
    PutLe32(header + 28, ((48000 * 16) / 8) * 2);
    PutLe16(header + 32, 4);
    PutLe16(header + 34, 16);
    std::memcpy(header + 36, "data----", 8);
    // The sizes are known before the samples go out: the data chunk and the
    // RIFF chunk both run to the end of the file.
    const size_t end = kWavHeaderSize + frameCount * 4;
    PutLe32(header + 40, uint32_t(end - 36 - 8));
    PutLe32(header + 4, uint32_t(end - 8));
}

// Interleaved samples as little-endian bytes.
static void PutSamples(uint8_t* out, const int16_t* samples, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, samples, count * 2);
    } else {
        for (size_t i = 0; i < count; ++i) PutLe16(out + 2 * i, uint16_t(samples[i]));
    }
}

std::vector<uint8_t> BuildWavImage(const int16_t* frames, size_t frameCount) {
    if (frameCount > kWavMaxFrames) return {};
    std::vector<uint8_t> image(kWavHeaderSize + frameCount * 4);
    FillWavHeader(image.data(), frameCount);
    PutSamples(image.data() + kWavHeaderSize, frames, frameCount * 2);
    return image;
}

bool WriteWav(const std::string& path, const int16_t* frames, size_t frameCount) {
    if (path.empty() || frameCount > kWavMaxFrames) return false;
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    uint8_t header[kWavHeaderSize];
    FillWavHeader(header, frameCount);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    // The samples go out in blocks, so a long song needs no second copy.
    constexpr size_t kBlockSamples = 65536;
    std::vector<uint8_t> block(kBlockSamples * 2);
    for (size_t done = 0; ok && done < frameCount * 2; done += kBlockSamples) {
        const size_t count = std::min(kBlockSamples, frameCount * 2 - done);
        PutSamples(block.data(), frames + done, count);
        ok = std::fwrite(block.data(), 1, count * 2, file) == count * 2;
    }
    ok = std::fflush(file) == 0 && ok;
    ok = fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

}  // namespace qn
