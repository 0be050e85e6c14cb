#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/wav_export.h"
#include "engine/wav_file.h"

namespace qn {
namespace {

// One position of 64 rows at speed 6: 384 ticks, 7.68 seconds.
class RenderTest : public ::testing::Test {
protected:
    RenderTest() {
        doc.song.SetSequenceLength(1);
        replayer.InitReplayer(&doc.song, &memory);
        replayer.ResetReplayer(true);
    }
    qntPatternStep& Step(int pattern, int row) { return doc.song.Pattern(pattern)[row]; }
    void HoldNote() {
        Step(1, 0).SetNote(25);
        Step(1, 0).SetInstrument(1);
    }
    std::vector<int16_t> Render(float width) {
        SongRender render;
        EXPECT_TRUE(render.Begin(replayer, mixer, width));
        while (render.RenderTick()) {
        }
        render.Finish();
        return std::vector<int16_t>(render.Frames(), render.Frames() + render.FramesDone() * 2);
    }
    static int Peak(const std::vector<int16_t>& frames, size_t fromFrame, size_t toFrame) {
        int peak = 0;
        for (size_t i = fromFrame * 2; i < toFrame * 2; ++i) peak = std::max(peak, std::abs(int(frames[i])));
        return peak;
    }

    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
};

TEST(ExportLength, SixSecondsOfFadeRoundedUpToWholeTicks) {
    EXPECT_EQ(ExportFrameCount(0.0f), 288000u);
    EXPECT_EQ(ExportBufferFrames(0.0f), 288000u);
    EXPECT_EQ(ExportFrameCount(7.68f), 656640u);   // 48000 x 13.68
    EXPECT_EQ(ExportBufferFrames(7.68f), 656640u); // 684 ticks exactly
    // 0.01 s is half a tick: 288480 frames become 301 ticks.
    EXPECT_EQ(ExportFrameCount(0.01f), 288480u);
    EXPECT_EQ(ExportBufferFrames(0.01f), 288960u);
}

TEST_F(RenderTest, RenderingTwiceGivesTheSameFramesAndRestoresThePosition) {
    HoldNote();
    Step(1, 16).SetNote(37);
    Step(1, 16).SetInstrument(1);
    Step(1, 32).SetCommand(0x4);
    Step(1, 32).SetParameter(0x35);
    doc.song.SetSequenceLength(2);
    doc.song.currentPosition = 1;
    const std::vector<int16_t> first = Render(1.0f);
    EXPECT_EQ(doc.song.currentPosition, 1u);
    EXPECT_EQ(replayer.playing, 0);
    const std::vector<int16_t> second = Render(1.0f);
    EXPECT_EQ(first, second);
    EXPECT_GT(Peak(first, 0, 48000), 1000);
}

// The held note sounds at a steady level until the song ends at 7.68 s
// (tick 384); from tick 385 on each tick is scaled by 1 + r / 6, r the time
// past the end at that tick (-0.02 s at tick 385). The peak of one tick
// varies by some 10% with the wave's phase, so windows of ten ticks are
// compared: from tick 434 (r = -1) about 5/6 of the level, from tick 534
// (r = -3) about half, and the last tick (r = -5.98) almost nothing.
TEST_F(RenderTest, FadeIsLinearOverTheSixSecondsAfterTheEnd) {
    HoldNote();
    const std::vector<int16_t> frames = Render(1.0f);
    const size_t tick = 960;
    const int full = Peak(frames, 374 * tick, 384 * tick);
    ASSERT_GT(full, 4000);
    EXPECT_GE(Peak(frames, 384 * tick, 385 * tick), full * 9 / 10);  // not faded yet
    EXPECT_NEAR(Peak(frames, 434 * tick, 444 * tick), full * 5 / 6, full / 16);
    EXPECT_NEAR(Peak(frames, 534 * tick, 544 * tick), full / 2, full / 16);
    EXPECT_LE(Peak(frames, 683 * tick, 684 * tick), full / 250 + 1);
}

bool StopAfter(float, void* context) {
    auto* ticks = static_cast<int*>(context);
    return ++ticks[0] < ticks[1];
}

// The file streamed through the tick buffer holds the same frames as the
// render kept in memory: whole, or up to the tick an abort came after, in
// or past the first buffer of ticks.
TEST_F(RenderTest, StreamedFileHoldsTheRenderedFramesWholeOrAborted) {
    HoldNote();
    const std::vector<int16_t> frames = Render(1.0f);
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "stream.wav";
    for (int stopAfter : {10, 45, 100000}) {
        int ticks[2] = {0, stopAfter};
        ASSERT_TRUE(ExportWav(replayer, mixer, 1.0f, path.string(), StopAfter, ticks));
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        const size_t count = std::min<size_t>(size_t(stopAfter) * 960, frames.size() / 2);
        EXPECT_EQ(bytes, BuildWavImage(frames.data(), count)) << stopAfter;
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace qn
