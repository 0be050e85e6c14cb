#include "engine/wav_file.h"

#include <algorithm>
#include <bit>
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

// The header with "----" in the two size fields.
static void FillWavHeader(uint8_t* header) {
    std::memcpy(header, "RIFF----WAVEfmt ", 16);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);
    PutLe16(header + 22, 2);
    PutLe32(header + 24, 48000);
    PutLe32(header + 28, ((48000 * 16) / 8) * 2);
    PutLe16(header + 32, 4);
    PutLe16(header + 34, 16);
    std::memcpy(header + 36, "data----", 8);
}

// The data size (end - data chunk start - 8) and the RIFF size (end - 8).
static void FillWavSizes(uint8_t* header, uint64_t frameCount) {
    const uint64_t end = kWavHeaderSize + frameCount * 4;
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
    FillWavHeader(image.data());
    FillWavSizes(image.data(), frameCount);
    PutSamples(image.data() + kWavHeaderSize, frames, frameCount * 2);
    return image;
}

bool WavStream::Open(const std::string& path) {
    Abandon();
    if (path.empty()) return false;
    path_ = path;
    temp_ = path + ".tmp" + std::to_string(getpid());
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) return false;
    frames_ = 0;
    uint8_t header[kWavHeaderSize];
    FillWavHeader(header);
    ok_ = std::fwrite(header, 1, sizeof header, file_) == sizeof header;
    return ok_;
}

bool WavStream::Append(const int16_t* frames, size_t frameCount) {
    if (!file_ || !ok_) return false;
    if (frameCount > kWavMaxFrames - frames_) return ok_ = false;
    if constexpr (std::endian::native == std::endian::little) {
        ok_ = std::fwrite(frames, 4, frameCount, file_) == frameCount;
    } else {
        // In blocks, so a long stretch needs no second copy.
        constexpr size_t kBlockFrames = 16384;
        uint8_t block[kBlockFrames * 4];
        for (size_t done = 0; ok_ && done < frameCount; done += kBlockFrames) {
            const size_t count = std::min(kBlockFrames, frameCount - done);
            PutSamples(block, frames + 2 * done, 2 * count);
            ok_ = std::fwrite(block, 4, count, file_) == count;
        }
    }
    if (ok_) frames_ += frameCount;
    return ok_;
}

bool WavStream::Commit() {
    if (!file_) return false;
    uint8_t header[kWavHeaderSize];
    FillWavHeader(header);
    FillWavSizes(header, frames_);
    bool ok = ok_ && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(header + 4, 1, 4, file_) == 4 &&
              std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(header + 40, 1, 4, file_) == 4;
    ok = std::fflush(file_) == 0 && ok;
    ok = fsync(fileno(file_)) == 0 && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(temp_.c_str(), path_.c_str()) == 0) return true;
    std::remove(temp_.c_str());
    return false;
}

void WavStream::Abandon() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

bool WriteWav(const std::string& path, const int16_t* frames, size_t frameCount) {
    if (frameCount > kWavMaxFrames) return false;
    WavStream stream;
    return stream.Open(path) && stream.Append(frames, frameCount) && stream.Commit();
}

}  // namespace qn
