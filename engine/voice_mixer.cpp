#include "engine/voice_mixer.h"

#include <cmath>

namespace qn {

// A band-limited step minus the ideal step: it starts near 1 and rings down
// to 0 over 8 output frames. Scaling it by the size of an edge and adding it
// to the following frames turns the hard edge into a band-limited one.
const float kStepKernel[kStepKernelSize] = {
    0.9966021776199341f,    0.9912060499191284f,    0.9796885848045349f,   0.9577502012252808f,
    0.9197313785552979f,    0.8593108057975769f,    0.7709494829177856f,   0.6519339084625244f,
    0.504528284072876f,     0.33746230602264404f,   0.16592566668987274f,  0.009528436698019505f,
    -0.11168651282787323f,  -0.18230444192886353f,  -0.1961626559495926f,  -0.15886494517326355f,
    -0.08700676262378693f,  -0.003988996148109436f, 0.0664445236325264f,   0.10686483234167099f,
    0.11073324829339981f,   0.0833132192492485f,    0.0386873260140419f,   -0.005892615299671888f,
    -0.036135584115982056f, -0.04507485404610634f,  -0.03425953909754753f, -0.011717688292264938f,
    0.012107806280255318f,  0.028606124222278595f,  0.03376945108175278f,  0.028672615066170692f,
    0.01790444925427437f,   0.006982322316616774f,  0.0f,                  0.0f,
    0.0f,                   0.0f,                   0.0f,                  0.0f,
    0.0f,                   0.0f,
};

float StereoWidthForMode(int stereoMode) {
    if (stereoMode == 0) return 0.0f;
    if (stereoMode == 1) return 0.75f;
    return 1.0f;
}

static int16_t ClampOutput(int value) {
    if (value > kMixerMax) return kMixerMax;
    if (value < kMixerMin) return kMixerMin;
    return int16_t(value);
}

void VoiceMixer::Reset() {
    for (MixerVoice& voice : voices_) voice = MixerVoice{};
}

void VoiceMixer::StartVoice(int index, const VoiceRegisters& registers) {
    if (index < 0 || index >= kMixerVoices) return;
    MixerVoice& voice = voices_[index];
    voice.playing = true;
    voice.position = 0.0;
    voice.sampleStart = registers.sampleStart;
    voice.length = registers.length;
    voice.remaining = registers.length;
    voice.fraction = 0.0f;
    voice.crossingStep = 0.0f;
    voice.overshoot = 0.0f;
    voice.step = 0.0f;
}

void VoiceMixer::MixVoices(const VoiceRegisters registers[kMixerVoices], const int8_t* waveMemory,
                           size_t waveMemorySize, int16_t* output, int frames, int rate,
                           float stereoWidth) {
    for (int index = 0; index < kMixerVoices; ++index)
        MixVoice(index, registers[index], waveMemory, waveMemorySize, output, frames, rate);
    ApplyStereoWidth(output, frames, stereoWidth);
}

void VoiceMixer::MixVoice(int index, const VoiceRegisters& registers, const int8_t* waveMemory,
                          size_t waveMemorySize, int16_t* output, int frames, int rate) {
    MixerVoice& voice = voices_[index];
    if (registers.trigger) StartVoice(index, registers);
    double step = 0.0;
    if (registers.period != 0 && rate > 0) step = (kPalClock / rate) / registers.period;
    voice.step = float(step);
    if (voice.crossingStep == 0.0f) voice.crossingStep = voice.step;

    // Voices 0 and 3 are the Amiga's left channels, 1 and 2 the right ones.
    const int side = (index == 0 || index == 3) ? 0 : 1;
    const float volume = float(registers.volume) * 0.015625f;
    EdgeRing& sampleEdges = voice.sampleEdges;
    EdgeRing& volumeEdges = voice.volumeEdges;

    for (int frame = 0; frame < frames; ++frame) {
        int sample = 0;
        if (voice.playing && voice.remaining > 0.0) {
            // The pass can run past the end of wave memory when a window or a
            // loop sits in the last slot; what lies beyond reads as silence.
            const double offset = double(voice.sampleStart) + std::trunc(voice.position);
            if (offset < double(waveMemorySize)) sample = waveMemory[size_t(offset)];
        }
        voice.position += step;
        voice.remaining -= step;
        if (voice.remaining <= 0.0 && voice.playing) {
            voice.position = registers.loopOffset - voice.remaining;
            voice.remaining += registers.length;
            voice.sampleStart = registers.sampleStart;
            if (registers.loopOffset == kPlayOnce) voice.playing = false;
        }

        float x = float(sample) * 0.0078125f;
        float v = volume;

        if (x != sampleEdges.last) {
            // The edge happened `overshoot` of a source sample before this
            // frame: pick the kernel phase that matches that sub-frame offset.
            if (voice.crossingStep > 0.0f && voice.overshoot < voice.crossingStep) {
                const float f = voice.overshoot / voice.crossingStep;
                if (f >= 0.0f && f <= 1.0f) {
                    const float scaled = 5.0f * f;
                    const int k = int(std::floor(scaled));
                    const float t = scaled - float(k);
                    const float delta = sampleEdges.last - x;
                    for (int j = 0; j < 8; ++j) {
                        const float a = kStepKernel[5 * j + k];
                        const float b = kStepKernel[5 * j + k + 1];
                        sampleEdges.taps[(sampleEdges.readIndex + j) & 7] += (a + (b - a) * t) * delta;
                    }
                    sampleEdges.pending = 8;
                }
            }
            sampleEdges.last = x;
        }
        if (v != volumeEdges.last) {
            const float delta = volumeEdges.last - v;
            for (int j = 0; j < 8; ++j)
                volumeEdges.taps[(volumeEdges.readIndex + j) & 7] += kStepKernel[5 * j] * delta;
            volumeEdges.pending = 8;
            volumeEdges.last = v;
        }
        if (sampleEdges.pending > 0) {
            x += sampleEdges.taps[sampleEdges.readIndex];
            sampleEdges.taps[sampleEdges.readIndex] = 0.0f;
            sampleEdges.readIndex = uint8_t((sampleEdges.readIndex + 1) & 7);
            --sampleEdges.pending;
        }
        if (volumeEdges.pending > 0) {
            v += volumeEdges.taps[volumeEdges.readIndex];
            volumeEdges.taps[volumeEdges.readIndex] = 0.0f;
            volumeEdges.readIndex = uint8_t((volumeEdges.readIndex + 1) & 7);
            --volumeEdges.pending;
        }

        voice.fraction += voice.step;
        if (voice.fraction >= 1.0f) {
            voice.fraction -= 1.0f;
            voice.crossingStep = voice.step;
            voice.overshoot = voice.fraction;
        }

        const int y = int(double(v * x) * 16384.0);
        int16_t& out = output[2 * frame + side];
        out = ClampOutput(int(float(out) + float(y)));
    }
}

void ApplyStereoWidth(int16_t* output, int frames, float stereoWidth) {
    const double s = stereoWidth;
    for (int frame = 0; frame < frames; ++frame) {
        const double left = output[2 * frame];
        const double right = output[2 * frame + 1];
        const double newLeft = (right * (1.0 - s) + left) / (2.0 - s);
        const double newRight = (left * (1.0 - s) + right) / (2.0 - s);
        output[2 * frame] = ClampOutput(int(newLeft));
        output[2 * frame + 1] = ClampOutput(int(newRight));
    }
}

}  // namespace qn
