#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/wav_file.h"

namespace qn {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The 44 header bytes for two frames, written out by hand from the layout:
// RIFF, 44 + 8 - 8 = 44, WAVEfmt , 16, PCM 1, 2 channels, 48000 (0xbb80),
// 192000 (0x02ee00) bytes per second, 4 bytes per frame, 16 bits, data, 8.
TEST(WavFile, HeaderAndSamplesAreLittleEndian) {
    const int16_t frames[4] = {1, -2, 0x1234, -32766};
    const std::vector<uint8_t> image = BuildWavImage(frames, 2);
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xbb, 0, 0, 0x00, 0xee, 0x02, 0,
        4, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0,
        1, 0, 0xfe, 0xff, 0x34, 0x12, 0x02, 0x80};
    EXPECT_EQ(image, expected);
}

TEST(WavFile, SizesFollowTheFrameCount) {
    std::vector<int16_t> frames(288000 * 2, 0);
    const std::vector<uint8_t> image = BuildWavImage(frames.data(), 288000);
    ASSERT_EQ(image.size(), 44u + 288000u * 4u);
    const uint32_t riff = image[4] | image[5] << 8 | image[6] << 16 | uint32_t(image[7]) << 24;
    const uint32_t data = image[40] | image[41] << 8 | image[42] << 16 | uint32_t(image[43]) << 24;
    EXPECT_EQ(riff, image.size() - 8);
    EXPECT_EQ(data, 288000u * 4u);
}

TEST(WavFile, WriteReplacesTheTargetAndLeavesNoTemporaryFile) {
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "wav_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path target = dir / "out.wav";
    { std::ofstream(target) << "old contents"; }
    const int16_t frames[2] = {5, 6};
    ASSERT_TRUE(WriteWav(target.string(), frames, 1));
    EXPECT_EQ(ReadFile(target), BuildWavImage(frames, 1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
}

TEST(WavFile, UnwritablePathReportsFailure) {
    const int16_t frames[2] = {0, 0};
    EXPECT_FALSE(WriteWav("/nonexistent-dir/sub/out.wav", frames, 1));
    EXPECT_FALSE(WriteWav("", frames, 1));
}

}  // namespace
}  // namespace qn
