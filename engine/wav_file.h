// Writing 16-bit stereo PCM WAV files at 48000 Hz.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Writes `frameCount` interleaved stereo frames to `path`: a temporary file
// beside it is written completely and then renamed over it, so a failed
// write never leaves a truncated file. Returns false when nothing was written.
bool WriteWav(const std::string& path, const int16_t* frames, size_t frameCount);

}  // namespace qn
