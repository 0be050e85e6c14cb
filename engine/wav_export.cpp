#include "engine/wav_export.h"

#include <cstring>
#include <new>
#include <vector>

namespace qn {

uint64_t ExportFrameCount(float durationSeconds) {
    const float frames = float(kSampleRate) * (durationSeconds + kFadeSeconds);
    return frames > 0.0f ? uint64_t(frames) : 0;
}

uint64_t ExportBufferFrames(float durationSeconds) {
    const uint64_t frames = ExportFrameCount(durationSeconds);
    return (frames + kFramesPerTick - 1) / kFramesPerTick * kFramesPerTick;
}

bool SongRender::Begin(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path) {
    if (!replayer.song) return false;
    replayer_ = nullptr;
    duration_ = 0.0f;
    framesDone_ = 0;
    failed_ = false;
    chunkTicks_ = 0;
    kept_.clear();
    streaming_ = !path.empty();
    if (streaming_) {
        if (!chunk_) chunk_.reset(new (std::nothrow) int16_t[size_t(kChunkTicks) * 2 * kFramesPerTick]);
        if (!chunk_ || !stream_.Open(path)) {
            stream_.Abandon();
            streaming_ = false;
            return false;
        }
    }

    replayer.ResetReplayer(true);
    Song& song = *replayer.song;
    const uint32_t savedPosition = song.currentPosition;
    song.currentPosition = song.sequenceLength == 0 ? song.restartPosition : 0;
    // Armed at position 0, row 0; its duration pass is the song's measure.
    const float duration = PreparePlayback(replayer, mixer, true);
    duration_ = duration;
    const uint64_t bufferFrames = ExportBufferFrames(duration);
    bool ok = bufferFrames <= kWavMaxFrames;
    if (ok && !streaming_) {
        try {
            kept_.reserve(size_t(bufferFrames) * 2);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (!ok) {
        replayer.ResetReplayer(true);
        replayer.SetPosition(int(savedPosition));
        stream_.Abandon();
        streaming_ = false;
        return false;
    }

    replayer_ = &replayer;
    mixer_ = &mixer;
    stereoWidth_ = stereoWidth;
    remaining_ = duration;
    totalFrames_ = ExportFrameCount(duration);
    savedPosition_ = savedPosition;
    return true;
}

bool SongRender::RenderTick() {
    if (!replayer_ || failed_ || framesDone_ >= totalFrames_) return false;
    constexpr size_t kTickSamples = 2 * kFramesPerTick;
    int16_t* frames;
    if (streaming_) {
        frames = chunk_.get() + size_t(chunkTicks_) * kTickSamples;
    } else {
        kept_.resize(kept_.size() + kTickSamples);
        frames = kept_.data() + kept_.size() - kTickSamples;
    }
    RunAudioTick(*replayer_, *mixer_, frames, stereoWidth_);
    if (remaining_ < 0.0f) {
        // Linear fade over the six seconds after the song's end.
        const float gain = 1.0f + remaining_ / kFadeSeconds;
        for (size_t i = 0; i < kTickSamples; ++i) frames[i] = int16_t(float(frames[i]) * gain);
    }
    framesDone_ += kFramesPerTick;
    remaining_ -= 1.0f / float(kTicksPerSecond);
    if (streaming_ && ++chunkTicks_ == kChunkTicks && !FlushChunk()) failed_ = true;
    return true;
}

bool SongRender::FlushChunk() {
    const size_t frames = size_t(chunkTicks_) * kFramesPerTick;
    chunkTicks_ = 0;
    return stream_.Append(chunk_.get(), frames);
}

bool SongRender::Finish() {
    if (!replayer_) return false;
    replayer_->ResetReplayer(true);
    replayer_->SetPosition(int(savedPosition_));
    replayer_ = nullptr;
    mixer_ = nullptr;
    if (!streaming_) return true;
    streaming_ = false;
    const bool written = !failed_ && FlushChunk() && stream_.Commit();
    if (!written) stream_.Abandon();
    return written;
}

bool ExportWav(Replayer& replayer, MixerState& mixer, float stereoWidth, const std::string& path,
               bool (*progress)(float fraction, void* context), void* context) {
    SongRender render;
    if (!render.Begin(replayer, mixer, stereoWidth, path)) return false;
    while (render.RenderTick()) {
        if (progress && !progress(render.Progress(), context)) break;
    }
    return render.Finish();
}

}  // namespace qn
