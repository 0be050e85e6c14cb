// The four-voice mixer: turns the voices' register blocks into interleaved
// signed 16-bit stereo, the way the Amiga's sound chip plays 8-bit samples
// from chip memory at a period-controlled rate, with every change of sample
// value and of volume smoothed by a band-limited step so that it does not
// alias. Voices 0 and 3 play on the left, 1 and 2 on the right; an optional
// cross-feed narrows the image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/voice.h"

namespace qn {

constexpr int kMixerVoices = 4;
constexpr double kPalClock = 3546895.0;
constexpr int16_t kMixerMax = 32767;
constexpr int16_t kMixerMin = -32766;

// Stereo width for the "Prefs" stereo setting: 0 "Mono" 0.0, 1 "Half
// Stereo" 0.75, anything else (2 "Full Stereo (like AMIGA)") 1.0.
float StereoWidthForMode(int stereoMode);

// A band-limited step minus the ideal step, 8 taps by 5 phases (tap j,
// phase k at 5j + k): it starts near 1 and rings down to 0 over 8 output
// frames. Scaling it by the size of an edge and adding it to the following
// frames turns the hard edge into a band-limited one. Indexes 40 and 41 are
// zero so that the interpolation between neighbouring phases (up to k = 5
// when the edge lies exactly one sample back) never leaves the table.
constexpr int kStepKernelSize = 42;
inline constexpr float kStepKernel[kStepKernelSize] = {
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

// A ring of pending smoothing taps (one for sample edges, one for volume).
struct EdgeRing {
    float taps[8] = {};
    uint8_t readIndex = 0;
    uint8_t pending = 0;
    float last = 0.0f;
};

struct MixerVoice {
    bool playing = false;         // a sample start is set
    uint32_t sampleStart = 0;     // offset into wave memory
    uint16_t length = 0;
    double position = 0.0;        // within the current pass, in samples
    double remaining = 0.0;       // samples left in the current pass
    float fraction = 0.0f;        // accumulates the step to find whole-sample crossings
    float crossingStep = 0.0f;    // step at the last crossing
    float overshoot = 0.0f;       // how far past the crossing the frame ended
    float step = 0.0f;
    EdgeRing sampleEdges;
    EdgeRing volumeEdges;
};

class VoiceMixer {
public:
    // Zeroes the four voice states and both smoothing rings.
    void Reset();

    // Adds `frames` stereo frames of the four voices into `output` (which the
    // caller has zeroed), then applies the stereo width. Reads the registers
    // and never writes them; the caller clears the triggers. Every read stays
    // inside wave memory: a byte past its end reads as silence.
    void MixVoices(const VoiceRegisters registers[kMixerVoices], const int8_t* waveMemory,
                   size_t waveMemorySize, int16_t* output, int frames, int rate,
                   float stereoWidth);

    // Restarts voice `index` from the registers' sample start, as a set
    // trigger does at the start of a mix.
    void StartVoice(int index, const VoiceRegisters& registers);

    const MixerVoice& Voice(int index) const { return voices_[index]; }

private:
    // Frames mixed per block: each voice's share of a block is worked out
    // into a local buffer, then the four are added into the output.
    static constexpr int kBlockFrames = 480;

    // `step`: source samples per output frame at this call's period.
    void MixVoice(int index, double step, const VoiceRegisters& registers, const int8_t* waveMemory,
                  size_t waveMemorySize, int32_t* mixed, int frames);
    static void AddVoices(int16_t* output, const int32_t (*mixed)[kBlockFrames], int frames);

    MixerVoice voices_[kMixerVoices];
};

}  // namespace qn
