#include <gtest/gtest.h>

#include <vector>

#include "engine/voice_mixer.h"

namespace qn {
namespace {

// At an output rate of 3546895 Hz a period of 1 advances exactly one source
// sample per frame, so each frame reads the next byte and the expected
// output can be worked out by hand.
constexpr int kOneSamplePerFrame = 3546895;

class MixerTest : public ::testing::Test {
protected:
    MixerTest() : memory(4096, 0) { mixer.Reset(); }

    void Fill(size_t from, size_t to, int8_t value) {
        for (size_t i = from; i < to; ++i) memory[i] = value;
    }
    std::vector<int16_t> Mix(int frames, float width = 1.0f, int rate = kOneSamplePerFrame) {
        std::vector<int16_t> out(size_t(frames) * 2, 0);
        mixer.MixVoices(regs, memory.data(), memory.size(), out.data(), frames, rate, width);
        for (VoiceRegisters& r : regs) r.trigger = 0;
        return out;
    }
    void Start(int voice, uint32_t start, uint16_t length, uint16_t loop, uint16_t period = 1,
               uint8_t volume = 64) {
        regs[voice] = VoiceRegisters{start, length, loop, period, volume, 1};
    }

    std::vector<int8_t> memory;
    VoiceRegisters regs[kMixerVoices] = {};
    VoiceMixer mixer;
};

// After eight frames the smoothing taps of an edge are used up and the output
// is the plain product: byte / 128 * volume / 64 * 16384, truncated.
TEST_F(MixerTest, SettledOutputIsPlainProductOnTheVoicesSide) {
    Fill(0, 256, 64);                 // x = 0.5
    Start(1, 0, 256, 0, 1, 32);       // v = 0.5, right side
    std::vector<int16_t> out = Mix(64);
    for (int frame = 8; frame < 64; ++frame) {
        EXPECT_EQ(out[2 * frame], 0) << frame;
        EXPECT_EQ(out[2 * frame + 1], 4096) << frame;  // 0.25 * 16384
    }
    // Frame 0 carries both edges: 0.5 and 0.5 each reduced by the first kernel tap.
    EXPECT_LT(out[1], 100);
}

TEST_F(MixerTest, VoicesZeroAndThreeAreLeftOneAndTwoRight) {
    Fill(0, 256, 64);
    Start(0, 0, 256, 0);
    Start(2, 0, 256, 0, 1, 16);
    Start(3, 0, 256, 0, 1, 32);
    std::vector<int16_t> out = Mix(32);
    EXPECT_EQ(out[2 * 20], 8192 + 4096);  // voices 0 and 3
    EXPECT_EQ(out[2 * 20 + 1], 2048);     // voice 2 at a quarter volume
}

TEST_F(MixerTest, TwoFullScaleVoicesClipAtTheAsymmetricLimits) {
    Fill(0, 256, -128);
    Start(0, 0, 256, 0);
    Start(3, 0, 256, 0);
    std::vector<int16_t> out = Mix(32);
    // -16384 twice is -32768, held at -32766 rather than the type's minimum.
    for (int frame = 8; frame < 32; ++frame) EXPECT_EQ(out[2 * frame], -32766) << frame;
}

TEST_F(MixerTest, AdditionToExistingSamplesClipsAtTheTop) {
    Fill(0, 256, 127);
    Start(1, 0, 256, 0);
    std::vector<int16_t> out(64 * 2, 20000);
    mixer.MixVoices(regs, memory.data(), memory.size(), out.data(), 64, kOneSamplePerFrame, 1.0f);
    // 127/128 * 16384 = 16256; 20000 + 16256 is held at 32767.
    for (int frame = 8; frame < 64; ++frame) {
        EXPECT_EQ(out[2 * frame + 1], 32767);
        EXPECT_EQ(out[2 * frame], 20000);
    }
}

TEST_F(MixerTest, StereoWidthZeroGivesTheSameMonoMixOnBothSides) {
    Fill(0, 256, -128);
    Start(0, 0, 256, 0);
    std::vector<int16_t> out = Mix(64, 0.0f);
    for (int frame = 0; frame < 64; ++frame) EXPECT_EQ(out[2 * frame], out[2 * frame + 1]);
    EXPECT_EQ(out[2 * 20], -8192);  // (-16384 + 0) / 2
}

TEST_F(MixerTest, HalfStereoFeedsAQuarterAcrossAndTruncatesTowardZero) {
    Fill(0, 256, -128);
    Start(0, 0, 256, 0);
    std::vector<int16_t> out = Mix(32, 0.75f);
    // L' = -16384 / 1.25 = -13107.2, R' = -16384 * 0.25 / 1.25 = -3276.8.
    EXPECT_EQ(out[2 * 20], -13107);
    EXPECT_EQ(out[2 * 20 + 1], -3276);
    EXPECT_FLOAT_EQ(StereoWidthForMode(0), 0.0f);
    EXPECT_FLOAT_EQ(StereoWidthForMode(1), 0.75f);
    EXPECT_FLOAT_EQ(StereoWidthForMode(2), 1.0f);
    EXPECT_FLOAT_EQ(StereoWidthForMode(7), 1.0f);
}

// A loop continues at the loop offset for a whole register length: with
// length 32 and loop offset 16 the second pass reads bytes 16..47.
TEST_F(MixerTest, LoopRestartsAtTheLoopOffsetForTheRegisterLength) {
    Fill(0, 16, 32);
    Fill(16, 32, 96);
    Start(0, 0, 32, 16);
    std::vector<int16_t> out = Mix(96);
    EXPECT_EQ(out[2 * 12], 4096);    // first pass, bytes 0..15
    EXPECT_EQ(out[2 * 28], 12288);   // first pass, bytes 16..31
    EXPECT_EQ(out[2 * 44], 12288);   // second pass starts at byte 16
    EXPECT_EQ(out[2 * 60], 0);       // ...and runs on into bytes 32..47
    EXPECT_EQ(out[2 * 76], 12288);   // third pass the same
    EXPECT_EQ(out[2 * 92], 0);
}

TEST_F(MixerTest, NewSampleStartTakesEffectAtTheNextLoopTurn) {
    Fill(0, 64, 32);
    Fill(1024, 1088, 96);
    Start(0, 0, 64, 0);
    Mix(16);
    regs[0].sampleStart = 1024;  // no trigger: the running pass goes on
    std::vector<int16_t> out = Mix(112);
    EXPECT_EQ(out[2 * 30], 4096);    // frame 46 overall, still the old sample
    EXPECT_EQ(out[2 * 60], 12288);   // frame 76: the loop turned at frame 64
}

TEST_F(MixerTest, PlayOnceFallsSilentAfterOneLastSmoothedEdge) {
    Fill(0, 32, 64);
    Fill(32, 256, 100);  // must never be heard
    Start(0, 0, 32, kPlayOnce);
    std::vector<int16_t> out = Mix(128);
    EXPECT_EQ(out[2 * 31], 8192);
    EXPECT_NE(out[2 * 32], 0);   // the drop to silence is smoothed, not a step
    for (int frame = 40; frame < 128; ++frame) EXPECT_EQ(out[2 * frame], 0) << frame;
    // It stays silent across calls until the next trigger.
    out = Mix(64);
    for (int frame = 0; frame < 64; ++frame) EXPECT_EQ(out[2 * frame], 0);
    Start(0, 0, 32, kPlayOnce);
    out = Mix(16);
    EXPECT_EQ(out[2 * 12], 8192);
}

TEST_F(MixerTest, PeriodZeroHoldsTheCurrentSample) {
    Fill(0, 1, 64);
    Fill(1, 256, -128);
    Start(0, 0, 256, 0, 0);
    std::vector<int16_t> out = Mix(64);
    for (int frame = 8; frame < 64; ++frame) EXPECT_EQ(out[2 * frame], 8192);
}

// A pass that runs over the end of wave memory reads silence there instead
// of whatever lies beyond (ASan would flag the read otherwise).
TEST_F(MixerTest, ReadsPastTheEndOfWaveMemoryAreSilent) {
    const size_t size = memory.size();
    Fill(size - 16, size, 64);
    Start(0, uint32_t(size - 16), 256, 0);
    Start(1, uint32_t(size + 1000), 256, 0);  // wholly outside
    std::vector<int16_t> out = Mix(256);
    EXPECT_EQ(out[2 * 10], 8192);
    for (int frame = 24; frame < 256; ++frame) {
        EXPECT_EQ(out[2 * frame], 0) << frame;
        EXPECT_EQ(out[2 * frame + 1], 0) << frame;
    }
}

// The volume is read every frame; a drop from 64 to 0 follows the kernel's
// phase-0 taps for eight frames: v = kernel[5j] and y = trunc(v * 0.5 * 16384).
TEST_F(MixerTest, VolumeDropDecaysAlongTheKernel) {
    Fill(0, 1024, 64);
    Start(0, 0, 1024, 0);
    Mix(32);
    regs[0].volume = 0;
    std::vector<int16_t> out = Mix(16);
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(out[2 * j], int(double(kStepKernel[5 * j] * 0.5f) * 16384.0)) << j;
    EXPECT_EQ(out[0], 8164);  // 0.99660218 * 8192 = 8164.17, truncated
    for (int frame = 8; frame < 16; ++frame) EXPECT_EQ(out[2 * frame], 0);
}

TEST_F(MixerTest, ResetForgetsPlayingVoicesAndPendingEdges) {
    Fill(0, 256, 64);
    Start(0, 0, 256, 0);
    Mix(4);
    mixer.Reset();
    regs[0].trigger = 0;
    regs[0].volume = 0;
    std::vector<int16_t> out = Mix(16);
    for (int16_t value : out) EXPECT_EQ(value, 0);
    EXPECT_FALSE(mixer.Voice(0).playing);
}

}  // namespace
}  // namespace qn
