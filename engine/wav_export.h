// The offline render of "Export Wav": the whole song from its first position
// through the same tick loop that plays it live, then six seconds of linear
// fade-out, into one buffer of 16-bit stereo frames at 48000 Hz.
//
// The program drives it tick by tick so that it can redraw its progress
// panel and honour "Abort"; it holds the audio mutex (with the callback kept
// out by the export-busy flag) from Begin to Finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/playback.h"

namespace qn {

constexpr float kFadeSeconds = 6.0f;

// Frames to render for a song of `durationSeconds`: 48000 x (d + 6.0)
// computed in float and truncated.
uint64_t ExportFrameCount(float durationSeconds);
// That count rounded up to whole ticks of 960 frames.
uint64_t ExportBufferFrames(float durationSeconds);

class SongRender {
public:
    // Stops the Replayer, measures the song, moves to the first position,
    // allocates the buffer and arms playback at row 0. Returns false (and
    // changes nothing) when the song is too long for one WAV file or the
    // buffer cannot be had.
    bool Begin(Replayer& replayer, MixerState& mixer, float stereoWidth);

    // Renders the next tick of 960 frames. Returns false once all frames are
    // done (then it renders nothing).
    bool RenderTick();
    bool Done() const { return framesDone_ >= totalFrames_; }

    // Stops the Replayer and puts the Song's current position back (the
    // restart position when it is no longer valid). Rendered frames stay.
    void Finish();

    float DurationSeconds() const { return duration_; }
    uint64_t TotalFrames() const { return totalFrames_; }
    // A whole number of ticks; after an abort, what was rendered so far.
    uint64_t FramesDone() const { return framesDone_; }
    float Progress() const { return totalFrames_ ? float(double(framesDone_) / double(totalFrames_)) : 1.0f; }
    const int16_t* Frames() const { return buffer_.get(); }

private:
    Replayer* replayer_ = nullptr;
    MixerState* mixer_ = nullptr;
    float stereoWidth_ = 1.0f;
    float duration_ = 0.0f;
    float remaining_ = 0.0f;  // song time left; below 0 the fade runs
    uint64_t totalFrames_ = 0;
    uint64_t bufferFrames_ = 0;
    uint64_t framesDone_ = 0;
    uint32_t savedPosition_ = 0;
    std::unique_ptr<int16_t[]> buffer_;
};

// Renders the whole song and writes it to `path` with WriteWav. `progress`
// (may be null) is called after every tick with the fraction done; it
// returns false to abort, which still writes the frames rendered so far.
// Returns whether the file was written.
bool ExportWav(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path,
               bool (*progress)(float fraction, void* context) = nullptr, void* context = nullptr);

}  // namespace qn
