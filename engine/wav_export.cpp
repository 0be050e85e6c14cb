#include "engine/wav_export.h"

#include <cstring>
#include <new>

#include "engine/wav_file.h"

namespace qn {

uint64_t ExportFrameCount(float durationSeconds) {
    const float frames = float(kSampleRate) * (durationSeconds + kFadeSeconds);
    return frames > 0.0f ? uint64_t(frames) : 0;
}

uint64_t ExportBufferFrames(float durationSeconds) {
    const uint64_t frames = ExportFrameCount(durationSeconds);
    return (frames + kFramesPerTick - 1) / kFramesPerTick * kFramesPerTick;
}

bool SongRender::Begin(Replayer& replayer, MixerState& mixer, float stereoWidth) {
    if (!replayer.song) return false;
    replayer.ResetReplayer(true);
    const float duration = SongDurationSeconds(replayer);
    const uint64_t total = ExportFrameCount(duration);
    const uint64_t bufferFrames = ExportBufferFrames(duration);
    if (bufferFrames > kWavMaxFrames) return false;
    std::unique_ptr<int16_t[]> buffer(new (std::nothrow) int16_t[size_t(bufferFrames) * 2]);
    if (!buffer) return false;

    replayer.ResetReplayer(true);
    mixer.Reset();
    Song& song = *replayer.song;
    replayer_ = &replayer;
    mixer_ = &mixer;
    stereoWidth_ = stereoWidth;
    duration_ = duration;
    remaining_ = duration;
    totalFrames_ = total;
    bufferFrames_ = bufferFrames;
    framesDone_ = 0;
    buffer_ = std::move(buffer);
    savedPosition_ = song.currentPosition;
    song.currentPosition = song.sequenceLength == 0 ? song.restartPosition : 0;
    PreparePlayback(replayer, mixer, true);
    return true;
}

bool SongRender::RenderTick() {
    if (!replayer_ || framesDone_ >= totalFrames_ || framesDone_ + kFramesPerTick > bufferFrames_)
        return false;
    int16_t* frames = buffer_.get() + framesDone_ * 2;
    RunAudioTick(*replayer_, *mixer_, frames, stereoWidth_);
    if (remaining_ < 0.0f) {
        // Linear fade over the six seconds after the song's end.
        const float gain = 1.0f + remaining_ / kFadeSeconds;
        for (int i = 0; i < 2 * kFramesPerTick; ++i) frames[i] = int16_t(float(frames[i]) * gain);
    }
    framesDone_ += kFramesPerTick;
    remaining_ -= 1.0f / float(kTicksPerSecond);
    return true;
}

void SongRender::Finish() {
    if (!replayer_) return;
    replayer_->ResetReplayer(true);
    replayer_->SetPosition(int(savedPosition_));
    replayer_ = nullptr;
    mixer_ = nullptr;
}

bool ExportWav(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path,
               bool (*progress)(float fraction, void* context), void* context) {
    SongRender render;
    if (!render.Begin(replayer, mixer, stereoWidth)) return false;
    while (render.RenderTick()) {
        if (progress && !progress(render.Progress(), context)) break;
    }
    render.Finish();
    return WriteWav(path, render.Frames(), size_t(render.FramesDone()));
}

}  // namespace qn
