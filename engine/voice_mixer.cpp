#include "engine/voice_mixer.h"

#include <algorithm>
#include <cstring>


namespace qn {


// The kernel rearranged for the edge loops: per phase k the eight taps
// kernel[5j + k] and the differences kernel[5j + k + 1] - kernel[5j + k]
// (the same float subtraction the interpolation makes), contiguous in j.
struct PhaseKernels {
    float base[6][8];
    float slope[6][8];
    float volume[8];  // phase 0, for volume edges
    constexpr PhaseKernels() : base{}, slope{}, volume{} {
        for (int k = 0; k < 6; ++k)
            for (int j = 0; j < 8; ++j) {
                base[k][j] = kStepKernel[5 * j + k];
                slope[k][j] = kStepKernel[5 * j + k + 1] - kStepKernel[5 * j + k];
            }
        for (int j = 0; j < 8; ++j) volume[j] = kStepKernel[5 * j];
    }
};
// Built by the compiler, so no static initializer can see it unfilled.
static constexpr PhaseKernels kPhaseKernels{};

// An EdgeRing laid out from its read index onward in a 16-float window, so
// that the eight taps of an edge land in one contiguous run. It holds the
// same values in the same order as the ring; Store() writes it back.
class TapWindow {
public:
    explicit TapWindow(const EdgeRing& ring)
        : readIndex_(ring.readIndex), pending_(ring.pending), last_(ring.last) {
        for (int j = 0; j < 8; ++j) {
            slots_[j] = ring.taps[(ring.readIndex + j) & 7];
            slots_[8 + j] = 0.0f;
        }
    }
    float Last() const { return last_; }
    void SetLast(float value) { last_ = value; }
    bool Pending() const { return pending_ > 0; }
    // ring[(read + j) mod 8] += coefficient[j] * delta for j = 0..7.
    void AddEdge(const float* coefficient, float delta) {
        float* window = slots_ + base_;
        for (int j = 0; j < 8; ++j) window[j] += coefficient[j] * delta;
        pending_ = 8;
    }
    // The sampled edge: coefficient[j] = base[j] + slope[j] * t.
    void AddInterpolatedEdge(const float* base, const float* slope, float t, float delta) {
        float* window = slots_ + base_;
        for (int j = 0; j < 8; ++j) window[j] += (base[j] + slope[j] * t) * delta;
        pending_ = 8;
    }
    // ring[read], which then becomes 0; read + 1.
    float Take() {
        const float value = slots_[base_];
        if (++base_ == 8) {
            std::memcpy(slots_, slots_ + 8, 8 * sizeof(float));
            std::memset(slots_ + 8, 0, 8 * sizeof(float));
            base_ = 0;
        }
        ++taken_;
        --pending_;
        return value;
    }
    void Store(EdgeRing& ring) const {
        const int readIndex = (readIndex_ + taken_) & 7;
        for (int j = 0; j < 8; ++j) ring.taps[(readIndex + j) & 7] = slots_[base_ + j];
        ring.readIndex = uint8_t(readIndex);
        ring.pending = pending_;
        ring.last = last_;
    }

private:
    float slots_[16];
    int base_ = 0;
    unsigned taken_ = 0;  // the read index advances by one per take
    uint8_t readIndex_;
    uint8_t pending_;
    float last_;
};

float StereoWidthForMode(int stereoMode) {
    if (stereoMode == 0) return 0.0f;
    if (stereoMode == 1) return 0.75f;
    return 1.0f;
}

static int16_t ClampOutput(int value) {
    return int16_t(std::min<int>(std::max<int>(value, kMixerMin), kMixerMax));
}

// Cross-feeds left and right: L' = (R(1 - s) + L) / (2 - s) and the mirror.
static void ApplyStereoWidth(int16_t* output, int frames, float stereoWidth) {
    // Full width: L' = (R * 0 + L) / 1 = L exactly, and every sample is
    // already within the clamp range once a voice of its side has been mixed.
    if (stereoWidth == 1.0f) return;
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
    if (!voice.playing && voice.sampleEdges.pending == 0 && voice.sampleEdges.last == 0.0f) {
        MixSilentVoice(voice.volumeEdges, volume, out, frames);
        return;
    }
    TapWindow sampleEdges(voice.sampleEdges);
    TapWindow volumeEdges(voice.volumeEdges);

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
            // The position is never negative (and stays below the pass
            // length), so the conversion truncates toward zero as the sound
            // chip's address counter does.
            const uint64_t offset = uint64_t(sampleStart) + uint64_t(int64_t(position));
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

        if (x != sampleEdges.Last()) {
            // The edge happened `overshoot` of a source sample before this
            // frame: pick the kernel phase that matches that sub-frame offset.
            if (crossingStep > 0.0f && overshoot < crossingStep) {
                const float f = overshoot / crossingStep;
                if (f >= 0.0f && f <= 1.0f) {
                    const float scaled = 5.0f * f;
                    const int k = int(scaled);  // f >= 0: truncation is the floor
                    const float t = scaled - float(k);
                    sampleEdges.AddInterpolatedEdge(kPhaseKernels.base[k], kPhaseKernels.slope[k], t,
                                                    sampleEdges.Last() - x);
                }
            }
            sampleEdges.SetLast(x);
        }
        if (v != volumeEdges.Last()) {
            volumeEdges.AddEdge(kPhaseKernels.volume, volumeEdges.Last() - v);
            volumeEdges.SetLast(v);
        }
        if (sampleEdges.Pending()) x += sampleEdges.Take();
        if (volumeEdges.Pending()) v += volumeEdges.Take();

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

    sampleEdges.Store(voice.sampleEdges);
    volumeEdges.Store(voice.volumeEdges);
    voice.playing = playing;
    voice.sampleStart = sampleStart;
    voice.position = position;
    voice.remaining = remaining;
    voice.fraction = fraction;
    voice.crossingStep = crossingStep;
    voice.overshoot = overshoot;
}

}  // namespace qn
