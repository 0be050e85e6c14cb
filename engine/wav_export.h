// The offline render of "Export Wav": the whole song from its first position
// through the same tick loop that plays it live, then six seconds of linear
// fade-out, as 16-bit stereo frames at 48000 Hz streamed into a WAV file.
//
// The program drives it tick by tick so that it can redraw its progress
// panel and honour "Abort"; it holds the audio mutex (with the callback kept
// out by the export-busy flag) from Begin to Finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/playback.h"
#include "engine/wav_file.h"

namespace qn {

constexpr float kFadeSeconds = 6.0f;

// Frames to render for a song of `durationSeconds`: 48000 x (d + 6.0)
// computed in float and truncated.
uint64_t ExportFrameCount(float durationSeconds);
// That count rounded up to whole ticks of 960 frames.
uint64_t ExportBufferFrames(float durationSeconds);

class SongRender {
public:
    // Stops the Replayer, moves to the first position, measures the song
    // (the one duration pass, which also refreshes the octave-copy flags)
    // and arms playback at row 0. With a `path`, the ticks stream to a
    // temporary file beside it through a fixed buffer of a few ticks, and
    // Finish completes the file; without one, the frames are kept in memory
    // (Frames()). Returns false, with the Replayer stopped and the position
    // put back, when the file cannot be created or the song is too long for
    // one WAV file.
    bool Begin(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path = {});

    // Renders the next tick of 960 frames. Returns false once all frames are
    // done (then it renders nothing) or the file could not take them.
    bool RenderTick();
    bool Done() const { return framesDone_ >= totalFrames_; }

    // Stops the Replayer and puts the Song's current position back (the
    // restart position when it is no longer valid). With a path, writes the
    // frames rendered so far (all of them, or what was done before an
    // abort) as a complete WAV file and returns whether it was written; the
    // target is untouched when it was not. Without a path the frames stay.
    bool Finish();

    float DurationSeconds() const { return duration_; }
    uint64_t TotalFrames() const { return totalFrames_; }
    // A whole number of ticks; after an abort, what was rendered so far.
    uint64_t FramesDone() const { return framesDone_; }
    float Progress() const { return totalFrames_ ? float(double(framesDone_) / double(totalFrames_)) : 1.0f; }
    // The frames kept in memory (a render without a path).
    const int16_t* Frames() const { return kept_.data(); }

private:
    bool FlushChunk();

    static constexpr int kChunkTicks = 32;

    Replayer* replayer_ = nullptr;
    MixerState* mixer_ = nullptr;
    float stereoWidth_ = 1.0f;
    float duration_ = 0.0f;
    float remaining_ = 0.0f;  // song time left; below 0 the fade runs
    uint64_t totalFrames_ = 0;
    uint64_t framesDone_ = 0;
    uint32_t savedPosition_ = 0;
    bool streaming_ = false;
    bool failed_ = false;
    int chunkTicks_ = 0;  // ticks waiting in chunk_
    std::unique_ptr<int16_t[]> chunk_;
    std::vector<int16_t> kept_;
    WavStream stream_;
};

// Renders the whole song and streams it to `path` (SongRender). `progress`
// (may be null) is called after every tick with the fraction done; it
// returns false to abort, which still writes the whole ticks rendered so
// far as a valid WAV file. Returns whether the file was written.
bool ExportWav(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path,
               bool (*progress)(float fraction, void* context) = nullptr, void* context = nullptr);

}  // namespace qn
