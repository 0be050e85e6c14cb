// The mixer against hand-worked settled output and a plain frame-by-frame transcription of its algorithm: its
// state in locals, smoothing rings as contiguous windows and skipped silent voices may not change a sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "engine/voice_mixer.h"

namespace qn {
namespace {

// At 3546895 Hz a period of 1 reads a byte a frame; past the eight smoothing taps of the start edge the output is
// byte / 128 * volume / 64 * 16384, truncated; voices 0 and 3 go left, 1 and 2 right; the sum stops at -32766.
TEST(Mixer, SettledOutputIsThePlainProductOnEachVoicesSide) {
    struct Case { int8_t byte; uint8_t volumes[kMixerVoices]; int left, right; };
    const Case cases[] = {
        {64, {0, 32, 0, 0}, 0, 4096}, {64, {64, 0, 16, 32}, 8192 + 4096, 2048}, {-128, {64, 0, 0, 64}, -32766, 0}};
    for (const Case& c : cases) {
        const std::vector<int8_t> bytes(256, c.byte);
        VoiceRegisters regs[kMixerVoices];
        for (int v = 0; v < kMixerVoices; ++v) regs[v] = VoiceRegisters{0, 256, 0, 1, c.volumes[v], 1};
        VoiceMixer mixer;
        mixer.Reset();
        std::vector<int16_t> out(2 * 32, 0);
        mixer.MixVoices(regs, bytes.data(), bytes.size(), out.data(), 32, 3546895, 1.0f);
        for (int frame = 8; frame < 32; ++frame)
            ASSERT_EQ(std::make_pair(int(out[2 * frame]), int(out[2 * frame + 1])), std::make_pair(c.left, c.right))
                << "byte " << int(c.byte) << ", frame " << frame;
    }
}

struct ReferenceVoice {
    bool playing = false;
    uint32_t sampleStart = 0;
    double position = 0, remaining = 0;
    float fraction = 0, crossingStep = 0, overshoot = 0, step = 0;
    float sampleTaps[8] = {}, volumeTaps[8] = {};
    int sampleRead = 0, volumeRead = 0, samplePending = 0, volumePending = 0;
    float lastSample = 0, lastVolume = 0;
};

int Clamp(int value) { return value > 32767 ? 32767 : (value < -32766 ? -32766 : value); }

// Adds the next pending smoothing tap to `value` and clears it.
void Drain(float taps[8], int& read, int& pending, float& value) {
    if (pending > 0) value += taps[read], taps[read] = 0, read = (read + 1) % 8, --pending;
}

void ReferenceMix(ReferenceVoice voices[4], const VoiceRegisters registers[4], const std::vector<int8_t>& memory,
                  int16_t* out, int frames, int rate, float width) {
    for (int index = 0; index < 4; ++index) {
        ReferenceVoice& voice = voices[index];
        const VoiceRegisters& regs = registers[index];
        if (regs.trigger) {
            voice.playing = true, voice.position = 0, voice.sampleStart = regs.sampleStart;
            voice.remaining = regs.length, voice.fraction = voice.crossingStep = voice.overshoot = voice.step = 0;
        }
        const double step = regs.period ? (3546895.0 / rate) / regs.period : 0.0;
        voice.step = float(step);
        if (voice.crossingStep == 0) voice.crossingStep = voice.step;
        const int side = (index == 0 || index == 3) ? 0 : 1;
        for (int frame = 0; frame < frames; ++frame) {
            int sample = 0;
            if (voice.playing && voice.remaining > 0) {
                const double offset = double(voice.sampleStart) + std::trunc(voice.position);
                if (offset < double(memory.size())) sample = memory[size_t(offset)];
            }
            voice.position += step;
            voice.remaining -= step;
            if (voice.remaining <= 0 && voice.playing) {
                voice.position = regs.loopOffset - voice.remaining;
                voice.remaining += regs.length;
                voice.sampleStart = regs.sampleStart;
                if (regs.loopOffset == 65535) voice.playing = false;
            }
            float x = float(sample) * 0.0078125f;
            float v = float(regs.volume) * 0.015625f;
            if (x != voice.lastSample) {
                if (voice.crossingStep > 0 && voice.overshoot < voice.crossingStep) {
                    const float f = voice.overshoot / voice.crossingStep;
                    if (f >= 0 && f <= 1) {
                        const int k = int(std::floor(5 * f));
                        const float t = 5 * f - float(k);
                        for (int j = 0; j < 8; ++j)
                            voice.sampleTaps[(voice.sampleRead + j) % 8] +=
                                (kStepKernel[5 * j + k] + (kStepKernel[5 * j + k + 1] - kStepKernel[5 * j + k]) * t) *
                                (voice.lastSample - x);
                        voice.samplePending = 8;
                    }
                }
                voice.lastSample = x;
            }
            if (v != voice.lastVolume) {
                for (int j = 0; j < 8; ++j)
                    voice.volumeTaps[(voice.volumeRead + j) % 8] += kStepKernel[5 * j] * (voice.lastVolume - v);
                voice.volumePending = 8;
                voice.lastVolume = v;
            }
            Drain(voice.sampleTaps, voice.sampleRead, voice.samplePending, x);
            Drain(voice.volumeTaps, voice.volumeRead, voice.volumePending, v);
            voice.fraction += voice.step;
            if (voice.fraction >= 1.0f) {
                voice.fraction -= 1.0f;
                voice.crossingStep = voice.step;
                voice.overshoot = voice.fraction;
            }
            const int y = int(double(v * x) * 16384.0);
            int16_t& target = out[2 * frame + side];
            target = int16_t(Clamp(int(float(target) + float(y))));
        }
    }
    for (int frame = 0; frame < frames; ++frame) {
        const double left = out[2 * frame], right = out[2 * frame + 1];
        out[2 * frame] = int16_t(Clamp(int((right * (1 - width) + left) / (2 - width))));
        out[2 * frame + 1] = int16_t(Clamp(int((left * (1 - width) + right) / (2 - width))));
    }
}

// Random registers between calls: short and long passes, loops and one-shots, periods 0 (hold), 1..15 and slow,
// starts near and past the end of memory, volume jumps, partial buffers, three widths, resets, filled buffers.
TEST(MixerReference, RandomRegistersGiveTheSameSamples) {
    std::mt19937 random(2024);
    std::vector<int8_t> memory(70000);
    for (int8_t& byte : memory) byte = int8_t(random());
    for (size_t i = 1000; i < 3000; ++i) memory[i] = 0;  // silence inside a sample
    VoiceMixer mixer;
    mixer.Reset();
    ReferenceVoice reference[4];
    VoiceRegisters registers[4];
    std::vector<int16_t> actual(2 * 960), expected(2 * 960);
    const float widths[3] = {1.0f, 0.75f, 0.0f};
    for (int call = 0; call < 3000; ++call) {
        for (VoiceRegisters& regs : registers) {
            if (random() % 6 == 0) {
                regs.sampleStart = uint32_t(random() % (memory.size() + 200));
                regs.length = uint16_t(random() % 3 == 0 ? random() % 8 : random() % 4000);
                const int loop = int(random() % 4);
                regs.loopOffset = uint16_t(loop == 0 ? 65535 : loop == 1 ? 0 : random() % 3000);
                regs.trigger = uint8_t(random() % 2);
            }
            if (random() % 4 == 0) regs.period = uint16_t(random() % 4 == 0 ? random() % 16 : random() % 1000);
            if (random() % 4 == 0) regs.volume = uint8_t(random() % 65);
        }
        const int frames = random() % 8 == 0 ? int(random() % 960) : 960;
        const float width = widths[(call / 200) % 3];
        // Now and then the mixer starts over, and now and then it adds to what the buffer holds.
        if (call % 500 == 499) mixer.Reset(), std::fill(reference, reference + 4, ReferenceVoice{});
        for (int16_t& sample : actual) sample = call % 5 == 0 ? int16_t(random()) : int16_t(0);
        expected = actual;
        mixer.MixVoices(registers, memory.data(), memory.size(), actual.data(), frames, 48000, width);
        ReferenceMix(reference, registers, memory, expected.data(), frames, 48000, width);
        for (VoiceRegisters& regs : registers) regs.trigger = 0;
        ASSERT_EQ(actual, expected) << "call " << call;
    }
}

}  // namespace
}  // namespace qn
