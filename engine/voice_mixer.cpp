#include "engine/voice_mixer.h"


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

// A voice that is not playing and whose last sample edge has died away
// outputs exactly 0 whatever its volume does, and its position, remaining
// count and fraction are not read again before the next trigger resets
// them. Only the volume smoothing has to go on (its ring must end the call
// as the full loop would leave it) and the side is clamped as an addition
// of 0 would clamp it.
static void MixSilentVoice(EdgeRing& volumeEdges, float volume, int16_t* out, int frames) {
    for (int frame = 0; frame < frames; ++frame) {
        float v = volume;
        if (v != volumeEdges.last) {
            const float delta = volumeEdges.last - v;
            for (int j = 0; j < 8; ++j)
                volumeEdges.taps[(volumeEdges.readIndex + j) & 7] += kStepKernel[5 * j] * delta;
            volumeEdges.pending = 8;
            volumeEdges.last = v;
        }
        if (volumeEdges.pending == 0) break;
        volumeEdges.taps[volumeEdges.readIndex] = 0.0f;
        volumeEdges.readIndex = uint8_t((volumeEdges.readIndex + 1) & 7);
        --volumeEdges.pending;
    }
    for (int frame = 0; frame < frames; ++frame) out[2 * frame] = ClampOutput(out[2 * frame]);
}

void VoiceMixer::MixVoice(int index, const VoiceRegisters& registers, const int8_t* waveMemory,
                          size_t waveMemorySize, int16_t* output, int frames, int rate) {
    MixerVoice& voice = voices_[index];
    if (registers.trigger) StartVoice(index, registers);
    double step = 0.0;
    if (registers.period != 0 && rate > 0) step = (kPalClock / rate) / registers.period;
    const float currentStep = float(step);
    voice.step = currentStep;
    if (voice.crossingStep == 0.0f) voice.crossingStep = currentStep;

    // Voices 0 and 3 are the Amiga's left channels, 1 and 2 the right ones.
    int16_t* out = output + ((index == 0 || index == 3) ? 0 : 1);
    const float volume = float(registers.volume) * 0.015625f;
    EdgeRing& sampleEdges = voice.sampleEdges;
    EdgeRing& volumeEdges = voice.volumeEdges;

    if (!voice.playing && sampleEdges.pending == 0 && sampleEdges.last == 0.0f) {
        MixSilentVoice(volumeEdges, volume, out, frames);
        return;
    }

    // The per-frame state lives in locals; it is written back at the end.
    bool playing = voice.playing;
    uint32_t sampleStart = voice.sampleStart;
    double position = voice.position;
    double remaining = voice.remaining;
    float fraction = voice.fraction;
    float crossingStep = voice.crossingStep;
    float overshoot = voice.overshoot;
    const double loopOffset = registers.loopOffset;
    const double length = registers.length;
    const bool playOnce = registers.loopOffset == kPlayOnce;

    for (int frame = 0; frame < frames; ++frame) {
        int sample = 0;
        if (playing && remaining > 0.0) {
            // The pass can run past the end of wave memory when a window or a
            // loop sits in the last slot; what lies beyond reads as silence.
            // The position is never negative, so the conversion truncates
            // toward zero as the sound chip's address counter does.
            const uint64_t offset = uint64_t(sampleStart) + uint64_t(position);
            if (offset < waveMemorySize) sample = waveMemory[offset];
        }
        position += step;
        remaining -= step;
        if (remaining <= 0.0 && playing) {
            position = loopOffset - remaining;
            remaining += length;
            sampleStart = registers.sampleStart;
            if (playOnce) playing = false;
        }

        float x = float(sample) * 0.0078125f;
        float v = volume;

        if (x != sampleEdges.last) {
            // The edge happened `overshoot` of a source sample before this
            // frame: pick the kernel phase that matches that sub-frame offset.
            if (crossingStep > 0.0f && overshoot < crossingStep) {
                const float f = overshoot / crossingStep;
                if (f >= 0.0f && f <= 1.0f) {
                    const float scaled = 5.0f * f;
                    const int k = int(scaled);  // f >= 0: truncation is the floor
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

        fraction += currentStep;
        if (fraction >= 1.0f) {
            fraction -= 1.0f;
            crossingStep = currentStep;
            overshoot = fraction;
        }

        // Scaling by 16384 is exact in float as in double, and the 16-bit
        // sum is exact in float, so integer arithmetic gives the same result.
        const int y = int(v * x * 16384.0f);
        out[2 * frame] = ClampOutput(out[2 * frame] + y);
    }

    voice.playing = playing;
    voice.sampleStart = sampleStart;
    voice.position = position;
    voice.remaining = remaining;
    voice.fraction = fraction;
    voice.crossingStep = crossingStep;
    voice.overshoot = overshoot;
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
