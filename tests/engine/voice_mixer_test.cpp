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

}  // namespace
}  // namespace qn
