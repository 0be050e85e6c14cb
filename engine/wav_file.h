// Writing 16-bit stereo PCM WAV files at 48000 Hz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qn {

constexpr size_t kWavHeaderSize = 44;
// The RIFF size field is 32 bits: file size - 8 must fit.
constexpr uint64_t kWavMaxFrames = (0xffffffffull - (kWavHeaderSize - 8)) / 4;

// The whole file in memory: the 44-byte header ("RIFF", size, "WAVEfmt ",
// 16, PCM, 2 channels, 48000 Hz, 192000 bytes per second, 4 bytes per frame,
// 16 bits, "data", data size) followed by the frames, left then right,
// little-endian. Empty when there are more frames than a WAV file can hold.
std::vector<uint8_t> BuildWavImage(const int16_t* frames, size_t frameCount);

// A WAV file written as its frames arrive: Open writes the header with
// "----" in both size fields to a temporary file beside the target, Append
// adds frames, Commit fills in the sizes, flushes to disk and renames the
// temporary file over the target. Until Commit succeeds the target is
// untouched; a stream dropped without Commit removes its temporary file.
class WavStream {
public:
    WavStream() = default;
    WavStream(const WavStream&) = delete;
    WavStream& operator=(const WavStream&) = delete;
    ~WavStream() { Abandon(); }

    bool Open(const std::string& path);
    // Fails (and the stream is then lost) when the disk refuses the bytes
    // or the file would outgrow what a WAV file can hold.
    bool Append(const int16_t* frames, size_t frameCount);
    bool Commit();
    // Closes and removes the temporary file; the target stays as it was.
    void Abandon();


private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string temp_;
    uint64_t frames_ = 0;
    bool ok_ = false;
};

// Writes `frameCount` interleaved stereo frames to `path` through a
// WavStream, so a failed write never leaves a truncated file. Returns false
// when nothing was written.
bool WriteWav(const std::string& path, const int16_t* frames, size_t frameCount);

}  // namespace qn
