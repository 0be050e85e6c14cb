// Rendering a song to frames and to a WAV file, and the optimizer checked
// by rendering: renumbering may not change a single frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/wav_export.h"
#include "engine/wav_file.h"
#include "song/optimizer.h"
#include "tests/engine/replayer_fixture.h"

namespace qn {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<int16_t> Render(Replayer& replayer, MixerState& mixer) {
    SongRender render;
    EXPECT_TRUE(render.Begin(replayer, mixer, 1.0f));
    while (render.RenderTick()) {
    }
    render.Finish();
    EXPECT_EQ(replayer.playing, 0);
    return std::vector<int16_t>(render.Frames(), render.Frames() + 2 * render.FramesDone());
}
std::vector<int16_t> Render(SongDocument& doc) {
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
    replayer.InitReplayer(&doc.song, &memory);
    replayer.ResetReplayer(true);
    return Render(replayer, mixer);
}

int Peak(const std::vector<int16_t>& frames, size_t fromTick, size_t toTick) {
    int peak = 0;
    for (size_t i = fromTick * 2 * kFramesPerTick; i < toTick * 2 * kFramesPerTick; ++i)
        peak = std::max(peak, std::abs(int(frames[i])));
    return peak;
}

// The 44 header bytes for two frames, written out by hand from the layout:
// RIFF, 44 + 8 - 8 = 44, WAVEfmt , 16, PCM 1, 2 channels, 48000 (0xbb80),
// 192000 (0x02ee00) bytes per second, 4 bytes per frame, 16 bits, data, 8.
TEST(WavFile, HeaderAndSamplesAreLittleEndianAndSizesFollowTheFrames) {
    const int16_t frames[4] = {1, -2, 0x1234, -32766};
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xbb, 0, 0, 0x00, 0xee, 0x02, 0,
        4, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0,
        1, 0, 0xfe, 0xff, 0x34, 0x12, 0x02, 0x80};
    EXPECT_EQ(BuildWavImage(frames, 2), expected);
    // 288000 frames: 1152000 (0x119400) data bytes, 1152036 (0x119424) in the RIFF chunk.
    const std::vector<int16_t> silence(288000 * 2, 0);
    const std::vector<uint8_t> image = BuildWavImage(silence.data(), 288000);
    ASSERT_EQ(image.size(), 44u + 1152000u);
    EXPECT_EQ((std::vector<uint8_t>{image[4], image[5], image[6], image[7], image[40], image[41], image[42], image[43]}),
              (std::vector<uint8_t>{0x24, 0x94, 0x11, 0, 0x00, 0x94, 0x11, 0}));
}

TEST(WavFile, WriteReplacesTheTargetLeavesNoTemporaryFileAndReportsFailure) {
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
    EXPECT_FALSE(WriteWav("/nonexistent-dir/sub/out.wav", frames, 1));
    EXPECT_FALSE(WriteWav("", frames, 1));
}

TEST(ExportLength, SixSecondsOfFadeRoundedUpToWholeTicks) {
    // 48000 x 13.68 is 684 ticks exactly; 0.01 s is half a tick: 288480 frames become 301 ticks.
    EXPECT_EQ((std::vector<uint64_t>{ExportFrameCount(0.0f), ExportFrameCount(7.68f), ExportFrameCount(0.01f)}),
              (std::vector<uint64_t>{288000, 656640, 288480}));
    EXPECT_EQ((std::vector<uint64_t>{ExportBufferFrames(0.0f), ExportBufferFrames(7.68f), ExportBufferFrames(0.01f)}),
              (std::vector<uint64_t>{288000, 656640, 288960}));
}

// One position of 64 rows at speed 6 (384 ticks, 7.68 seconds) with a held note.
class RenderTest : public test::ReplayerFixture {
protected:
    void SetUp() override {
        doc.song.SetSequenceLength(1);
        SetRow(1, 0, 25, 1);
        ReplayerFixture::SetUp();
        replayer.ResetReplayer(true);
    }
    MixerState mixer;
};
using OptimizerRender = RenderTest;

// The held note sounds at a steady level until the song ends at 7.68 s
// (tick 384); from tick 385 on each tick is scaled by 1 + r / 6, r the time
// past the end at that tick (-0.02 s at tick 385). The peak of one tick
// varies by some 10% with the wave's phase, so windows of ten ticks are
// compared: from tick 434 (r = -1) about 5/6 of the level, from tick 534
// (r = -3) about half, and the last tick (r = -5.98) almost nothing.
TEST_F(RenderTest, FadeIsLinearOverTheSixSecondsAfterTheEnd) {
    const std::vector<int16_t> frames = Render(replayer, mixer);
    const int full = Peak(frames, 374, 384);
    ASSERT_GT(full, 4000);
    EXPECT_GE(Peak(frames, 384, 385), full * 9 / 10);  // not faded yet
    EXPECT_NEAR(Peak(frames, 434, 444), full * 5 / 6, full / 16);
    EXPECT_NEAR(Peak(frames, 534, 544), full / 2, full / 16);
    EXPECT_LE(Peak(frames, 683, 684), full / 250 + 1);
}

bool StopAfter(float, void* context) {
    auto* ticks = static_cast<int*>(context);
    return ++ticks[0] < ticks[1];
}

// Rendering restores the song's position and the replayer, so the file
// streamed afterwards through the tick buffer holds the same frames as the
// render kept in memory: whole, or up to the tick an abort came after, in or
// past the first buffer of ticks.
TEST_F(RenderTest, RenderingRepeatsAndTheStreamedFileHoldsTheRenderedFramesWholeOrAborted) {
    SetRow(1, 16, 37, 1);
    SetRow(1, 32, 0, 0, 0x4, 0x35);
    doc.song.SetSequenceLength(2);
    doc.song.currentPosition = 1;
    const std::vector<int16_t> frames = Render(replayer, mixer);
    EXPECT_EQ(doc.song.currentPosition, 1u);
    EXPECT_GT(Peak(frames, 0, 50), 1000);
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "stream.wav";
    for (int stopAfter : {10, 45, 100000}) {
        int ticks[2] = {0, stopAfter};
        ASSERT_TRUE(ExportWav(replayer, mixer, 1.0f, path.string(), StopAfter, ticks));
        const size_t count = std::min<size_t>(size_t(stopAfter) * kFramesPerTick, frames.size() / 2);
        EXPECT_EQ(ReadFile(path), BuildWavImage(frames.data(), count)) << stopAfter;
        EXPECT_EQ(doc.song.currentPosition, 1u);
    }
    std::filesystem::remove(path);
}

// Several patterns (one a duplicate, one empty), instruments with a gap
// below them, and waves with a mix source and unused waves in between.
TEST_F(OptimizerRender, SongSoundsTheSameAfterOptimizing) {
    Song& song = doc.song;
    song.SetRowsPerPattern(16);
    song.SetSequenceLength(3);
    const int order[3][4] = {{1, 2, 3, 0}, {4, 5, 3, 0}, {2, 1, 6, 0}};
    for (int position = 0; position < 3; ++position)
        for (int voice = 0; voice < kVoices; ++voice)
            song.Position(position)[voice].pattern = uint8_t(order[position][voice]);
    for (int row = 0; row < 16; row += 4) {
        SetRow(1, row, 13 + row, 5);
        SetRow(2, row + 2, 25, 9, 0xC, 0x30);
        SetRow(4, row, 20, 9);
        SetRow(6, row + 1, 30, 5, 0, 0x19);  // plays instrument 9 after a delay
    }
    std::memcpy(song.Pattern(5), song.Pattern(2), 16 * 3);  // a duplicate of 2
    // Pattern 3 stays empty: voice 2 rests through positions 0 and 1.
    // Waves: 1 square, 2 and 3 unused but not empty, 4 saw mixing in 7.
    for (int wave : {0, 1, 2, 3, 6}) song.waves[wave] = DefaultWaveParams();
    song.waves[0].flags = 2;
    song.waves[1].gain = 10;
    song.waves[2].gain = 20;
    song.waves[3].flags = 1;
    song.waves[3].mixWave = 7;
    song.waves[6].flags = 3;
    song.waves[6].gain = 40;
    BuildWaveCalcOrder(song);
    song.instrumentSteps[4][0] = InstrumentStep{0, 0, 1};
    song.instrumentSteps[8][0] = InstrumentStep{0, 0, 4};
    song.instrumentSteps[8][1] = InstrumentStep{0, 0x0C, 0x20};
    song.instruments[8].attack = 3;
    song.instruments[8].sustain = 8;
    song.instruments[4].vibratoDepth = 6;
    song.instruments[4].vibratoSpeed = 4;

    const std::vector<int16_t> before = Render(doc);
    ASSERT_TRUE(std::any_of(before.begin(), before.end(), [](int16_t sample) { return sample != 0; }));
    const OptimizeReport report = OptimizeSong(doc, nullptr, nullptr);
    // Worked by hand: pattern 3 (empty) drops, 6 fills its number, 5 folds
    // into 2 and 4 fills 5's number: highest 6 -> 4. Instruments 9 and 5 move
    // to 1 and 2. Waves 2, 3, 5 and 6 go: old 4 becomes 2, its source 7 becomes 3.
    EXPECT_EQ(report.instrumentsMoved, 2);
    EXPECT_EQ(report.wavesRemoved, 4);
    EXPECT_EQ(report.patternsRemoved, 2);
    EXPECT_EQ(doc.song.instrumentSteps[0][0].Parameter(), 2);  // old instrument 9, old wave 4
    EXPECT_TRUE(Render(doc) == before);
}

}  // namespace
}  // namespace qn
