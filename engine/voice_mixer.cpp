#include "engine/voice_mixer.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Pending taps of an edge ring laid out linearly from its read index: tap
// j of the ring is taps[j]. An edge at frame f adds to taps[f .. f + 7];
// frame f takes taps[f] while the ring has pending taps. Where it has none,
// every tap is 0, so adding taps[f] unconditionally gives the same sum
// (x + 0 is x for every sample value the mixer sees).
static void LoadTaps(const EdgeRing& ring, float* taps) {
    for (int j = 0; j < 8; ++j) taps[j] = ring.taps[(ring.readIndex + j) & 7];
}

// Writes the linear taps back after `taken` takes (frames with pending taps)
// with `pending` taps left, `next` pointing at the first tap not taken.
static void StoreTaps(EdgeRing& ring, const float* next, int taken, int pending) {
    ring.readIndex = uint8_t((ring.readIndex + taken) & 7);
    for (int j = 0; j < 8; ++j) ring.taps[(ring.readIndex + j) & 7] = next[j];
    ring.pending = uint8_t(pending);
}

// target[j] += coefficient[j] * delta for j = 0..7.
static inline void AddEdge(float* target, const float* coefficient, float delta) {
#if defined(__SSE2__)
    const __m128 d = _mm_set1_ps(delta);
    _mm_storeu_ps(target, _mm_add_ps(_mm_loadu_ps(target), _mm_mul_ps(_mm_loadu_ps(coefficient), d)));
    _mm_storeu_ps(target + 4,
                  _mm_add_ps(_mm_loadu_ps(target + 4), _mm_mul_ps(_mm_loadu_ps(coefficient + 4), d)));
#else
    for (int j = 0; j < 8; ++j) target[j] += coefficient[j] * delta;
#endif
}

// target[j] += (base[j] + slope[j] * t) * delta for j = 0..7: an edge
// between two kernel phases.
static inline void AddInterpolatedEdge(float* target, const float* base, const float* slope, float t,
                                       float delta) {
#if defined(__SSE2__)
    const __m128 d = _mm_set1_ps(delta);
    const __m128 tt = _mm_set1_ps(t);
    for (int h = 0; h < 8; h += 4) {
        const __m128 coefficient = _mm_add_ps(_mm_loadu_ps(base + h), _mm_mul_ps(_mm_loadu_ps(slope + h), tt));
        _mm_storeu_ps(target + h, _mm_add_ps(_mm_loadu_ps(target + h), _mm_mul_ps(coefficient, d)));
    }
#else
    for (int j = 0; j < 8; ++j) target[j] += (base[j] + slope[j] * t) * delta;
#endif
}

// The volume of one call is constant, so a volume edge can only start on
// its first frame and its taps end within the first eight. Fills
// `volumes[f]` for the frames that take a tap and returns how many do.
static int VolumeFrames(EdgeRing& ring, float volume, int frames, float volumes[8]) {
    float taps[8];
    LoadTaps(ring, taps);
    int pending = ring.pending;
    if (frames > 0 && volume != ring.last) {
        AddEdge(taps, kPhaseKernels.volume, ring.last - volume);
        pending = 8;
        ring.last = volume;
    }
    const int taken = std::min(pending, frames);
    for (int f = 0; f < taken; ++f) volumes[f] = volume + taps[f];
    float next[8] = {};
    for (int j = taken; j < 8; ++j) next[j - taken] = taps[j];
    StoreTaps(ring, next, taken, pending - taken);
    return taken;
}

void VoiceMixer::MixVoices(const VoiceRegisters registers[kMixerVoices], const int8_t* waveMemory,
                           size_t waveMemorySize, int16_t* output, int frames, int rate,
                           float stereoWidth) {
    double steps[kMixerVoices] = {};
    for (int index = 0; index < kMixerVoices; ++index) {
        const VoiceRegisters& regs = registers[index];
        MixerVoice& voice = voices_[index];
        if (regs.trigger) StartVoice(index, regs);
        double step = 0.0;
        if (regs.period != 0 && rate > 0) step = (kPalClock / rate) / regs.period;
        voice.step = float(step);
        if (voice.crossingStep == 0.0f) voice.crossingStep = voice.step;
        steps[index] = step;
    }
    for (int done = 0; done < frames; done += kBlockFrames) {
        const int count = std::min(kBlockFrames, frames - done);
        alignas(16) int32_t mixed[kMixerVoices][kBlockFrames];
        for (int index = 0; index < kMixerVoices; ++index)
            MixVoice(index, steps[index], registers[index], waveMemory, waveMemorySize, mixed[index], count);
        AddVoices(output + 2 * done, mixed, count);
    }
    ApplyStereoWidth(output, frames, stereoWidth);
}

// output: left = clamp(clamp(left + voice 0) + voice 3), right =
// clamp(clamp(right + voice 1) + voice 2): the Amiga's left and right
// channels, each addition clamped to -32766..32767 in voice order.
void VoiceMixer::AddVoices(int16_t* output, const int32_t (*mixed)[kBlockFrames], int frames) {
    int frame = 0;
#if defined(__SSE2__)
    const __m128i floor = _mm_set1_epi16(kMixerMin);
    // The pack saturates to -32768..32767; raising the floor gives the clamp.
    auto clamp = [&floor](__m128i low, __m128i high) { return _mm_max_epi16(_mm_packs_epi32(low, high), floor); };
    auto widenLow = [](__m128i words) { return _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16); };
    auto widenHigh = [](__m128i words) { return _mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16); };
    auto load = [](const int32_t* at) { return _mm_load_si128(reinterpret_cast<const __m128i*>(at)); };
    for (; frame + 8 <= frames; frame += 8) {
        __m128i* out = reinterpret_cast<__m128i*>(output + 2 * frame);
        const __m128i a = _mm_loadu_si128(out);      // frames 0..3, left and right
        const __m128i b = _mm_loadu_si128(out + 1);  // frames 4..7
        const __m128i leftA = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
        const __m128i leftB = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
        const __m128i rightA = _mm_srai_epi32(a, 16);
        const __m128i rightB = _mm_srai_epi32(b, 16);
        __m128i left = clamp(_mm_add_epi32(leftA, load(mixed[0] + frame)),
                             _mm_add_epi32(leftB, load(mixed[0] + frame + 4)));
        left = clamp(_mm_add_epi32(widenLow(left), load(mixed[3] + frame)),
                     _mm_add_epi32(widenHigh(left), load(mixed[3] + frame + 4)));
        __m128i right = clamp(_mm_add_epi32(rightA, load(mixed[1] + frame)),
                              _mm_add_epi32(rightB, load(mixed[1] + frame + 4)));
        right = clamp(_mm_add_epi32(widenLow(right), load(mixed[2] + frame)),
                      _mm_add_epi32(widenHigh(right), load(mixed[2] + frame + 4)));
        _mm_storeu_si128(out, _mm_unpacklo_epi16(left, right));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(left, right));
    }
#endif
    for (; frame < frames; ++frame) {
        int16_t& left = output[2 * frame];
        int16_t& right = output[2 * frame + 1];
        left = ClampOutput(ClampOutput(left + mixed[0][frame]) + mixed[3][frame]);
        right = ClampOutput(ClampOutput(right + mixed[1][frame]) + mixed[2][frame]);
    }
}

// One block of one voice into `mixed` (the value each frame adds to its
// side). The frame loop follows the source samples and finds the edges;
// the products are formed afterwards over the whole block.
void VoiceMixer::MixVoice(int index, double step, const VoiceRegisters& registers, const int8_t* waveMemory,
                          size_t waveMemorySize, int32_t* mixed, int frames) {
    MixerVoice& voice = voices_[index];
    const float volume = float(registers.volume) * 0.015625f;
    float volumes[8];
    const int volumeFrames = VolumeFrames(voice.volumeEdges, volume, frames, volumes);

    // A voice that is not playing and whose last sample edge has died away
    // outputs exactly 0 whatever its volume does, and its position,
    // remaining count and fraction are not read again before the next
    // trigger resets them.
    if (!voice.playing && voice.sampleEdges.pending == 0 && voice.sampleEdges.last == 0.0f) {
        std::memset(mixed, 0, sizeof(int32_t) * size_t(frames));
        return;
    }

    alignas(16) float samples[kBlockFrames];
    alignas(16) float taps[kBlockFrames + 8];
    LoadTaps(voice.sampleEdges, taps);
    std::memset(taps + 8, 0, sizeof(float) * size_t(frames));
    int pending = voice.sampleEdges.pending;
    int taken = 0;
    float last = voice.sampleEdges.last;

    // The per-frame state lives in locals; it is written back at the end.
    const float currentStep = voice.step;
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

        const float x = float(sample) * 0.0078125f;
        samples[frame] = x;
        if (x != last) {
            // The edge happened `overshoot` of a source sample before this
            // frame: pick the kernel phase that matches that sub-frame offset.
            if (crossingStep > 0.0f && overshoot < crossingStep) {
                const float f = overshoot / crossingStep;
                if (f >= 0.0f && f <= 1.0f) {
                    const float scaled = 5.0f * f;
                    const int k = int(scaled);  // f >= 0: truncation is the floor
                    const float t = scaled - float(k);
                    AddInterpolatedEdge(taps + frame, kPhaseKernels.base[k], kPhaseKernels.slope[k], t,
                                        last - x);
                    pending = 8;
                }
            }
            last = x;
        }
        if (pending > 0) {
            --pending;
            ++taken;
        }

        fraction += currentStep;
        if (fraction >= 1.0f) {
            fraction -= 1.0f;
            crossingStep = currentStep;
            overshoot = fraction;
        }
    }

    // Scaling by 16384 is exact in float as in double, and the 16-bit sum
    // is exact in float, so integer arithmetic gives the same result.
    int frame = 0;
    for (; frame < volumeFrames; ++frame)
        mixed[frame] = int(volumes[frame] * (samples[frame] + taps[frame]) * 16384.0f);
#if defined(__SSE2__)
    const __m128 v = _mm_set1_ps(volume);
    const __m128 scale = _mm_set1_ps(16384.0f);
    for (; frame + 4 <= frames; frame += 4) {
        const __m128 x = _mm_add_ps(_mm_loadu_ps(samples + frame), _mm_loadu_ps(taps + frame));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mixed + frame),
                         _mm_cvttps_epi32(_mm_mul_ps(_mm_mul_ps(v, x), scale)));
    }
#endif
    for (; frame < frames; ++frame) mixed[frame] = int(volume * (samples[frame] + taps[frame]) * 16384.0f);

    voice.sampleEdges.last = last;
    StoreTaps(voice.sampleEdges, taps + frames, taken, pending);
    voice.playing = playing;
    voice.sampleStart = sampleStart;
    voice.position = position;
    voice.remaining = remaining;
    voice.fraction = fraction;
    voice.crossingStep = crossingStep;
    voice.overshoot = overshoot;
}

}  // namespace qn
