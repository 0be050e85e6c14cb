// The sound device and playback control: the audio callback that plays one
// 50 Hz tick per 960-frame buffer, the play and stop commands with the
// cursor marks, playing a single row, and note preview.
//
// Locking: the callback holds audioMutex for its whole run; main-thread code
// that changes what it reads holds the same (recursive) mutex. Note preview
// locks the device instead, which keeps the callback from running.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/app.h"
#include "engine/playback.h"

namespace qn {

// The longest PlayOneRow waits for the audio thread, beyond the row's own
// length: a device that stops calling back must not hang the program.
constexpr uint32_t kRowWaitSlackMs = 2000;

void App::AudioCallback(void* userData, Uint8* stream, int length) {
    App* app = static_cast<App*>(userData);
    if (length <= 0) return;
    if (app->exportBusy.load(std::memory_order_acquire)) {
        std::memset(stream, 0, size_t(length));
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
    app->RenderAudioTick();
    // The device buffer is always one tick; the byte count only limits the
    // copy should a device ever ask for less.
    size_t bytes = sizeof(app->audioBuffer);
    if (size_t(length) < bytes) bytes = size_t(length);
    std::memcpy(stream, app->audioBuffer, bytes);
    if (size_t(length) > bytes) std::memset(stream + bytes, 0, size_t(length) - bytes);
}

void App::RenderAudioTick() {
    RunAudioTick(*replayer, mixer, audioBuffer, StereoWidthForMode(prefs->stereoMode));
    int64_t counter = scopeCounter;
    for (int frame = 0; frame < kFramesPerTick; ++frame) {
        int sum = int(audioBuffer[2 * frame]) + int(audioBuffer[2 * frame + 1]);
        scopeHistory[counter % kScopeHistorySize] = int16_t(sum / 2);
        ++counter;
    }
    scopeCounter = counter;
}

void App::CopyScopeHistory(int16_t* out, int count, int64_t* newestCounter) {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    if (count > kScopeHistorySize) count = kScopeHistorySize;
    int64_t start = scopeCounter - count;
    for (int i = 0; i < count; ++i) {
        int64_t index = start + i;
        out[i] = index < 0 ? 0 : scopeHistory[index % kScopeHistorySize];
    }
    if (newestCounter) *newestCounter = scopeCounter;
}

void App::OpenAudio() {
    SDL_AudioSpec desired;
    SDL_zero(desired);
    desired.freq = kSampleRate;
    desired.format = AUDIO_S16LSB;
    desired.channels = 2;
    desired.samples = kFramesPerTick;  // one 50 Hz tick per buffer
    desired.callback = AudioCallback;
    desired.userdata = this;
    audioDevice = SDL_OpenAudioDevice(nullptr, 0, &desired, &audioSpec, 0);
    if (audioDevice == 0) {
        std::printf("Failed to open audio: %s\n", SDL_GetError());
    } else if (audioSpec.format == desired.format) {
        SDL_PauseAudioDevice(audioDevice, 0);
    } else {
        std::printf("Audio format 0x%04x instead of 0x%04x: sound stays off\n", audioSpec.format, desired.format);
    }
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    replayer->ResetReplayer(true);
}

bool App::AudioRunning() const {
    return audioDevice != 0 && SDL_GetAudioDeviceStatus(audioDevice) == SDL_AUDIO_PLAYING;
}

bool App::IsPlaying() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    return replayer->playing != 0;
}

void App::InitReplayerForSong(Song* wavesFrom) {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    // The waves are precalculated from `wavesFrom` (a loaded file's own
    // records); from then on the Replayer plays the editable song.
    replayer->InitReplayer(wavesFrom, waveMemory.get());
    replayer->song = &document->song;
    replayer->ResetReplayer(true);
    mixer.Reset();
    // Records the wave editor put aside belong to the song that is gone.
    waveCloneStore.Reset();
}

float App::PrepareSongForWriting() {
    // Recursive: the WAV export calls this with the mutex already held.
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    songDuration = PrepareSongForWrite(*replayer);
    return songDuration;
}

void App::UnmuteVoices() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    for (VoiceState& voice : replayer->voices) voice.muted = 0;
}

void App::UnsetCursorMarks() {
    cursorMarkRow = -1;
    cursorMarkPosition = -1;
}

void App::StartPlayback(bool patternLoop, bool fromCursor) {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    replayer->patternLoop = patternLoop ? 1 : 0;
    if (fromCursor) {
        cursorMarkRow = replayer->row;
        cursorMarkPosition = int(document->song.currentPosition);
    }
    songDuration = PreparePlayback(*replayer, mixer, !fromCursor);
    playTime = 0.0f;
}

void App::PlaySong() { StartPlayback(false, false); }
void App::PlayPattern() { StartPlayback(true, false); }
void App::PlaySongFromCursor() { StartPlayback(false, true); }
void App::PlayPatternFromCursor() { StartPlayback(true, true); }

void App::StopPlayback() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    if (cursorMarkRow >= 0 && cursorMarkPosition >= 0) {
        replayer->SetRow(cursorMarkRow);
        replayer->SetPosition(cursorMarkPosition);
    }
    UnsetCursorMarks();
    replayer->ResetReplayer(true);
}

void App::StopKeepingCursor() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    UnsetCursorMarks();
    replayer->ResetReplayer(true);
}

void App::PlayOneRow() {
    int row = 0;
    uint32_t rowTicks = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        row = replayer->row;
        FastForward(*replayer, SongDurationTicks(*replayer));
        replayer->stopAfterRow = 1;
        replayer->StartPlaying();
        rowTicks = replayer->tickCounter == 0 ? 256u : replayer->tickCounter;
    }
    // Waits without the lock: the audio thread needs it to play the row. An
    // F00 on the row stops playback without clearing the flag; a silent
    // program (no device, or a paused one) plays the row's ticks here.
    uint32_t limitMs = rowTicks * (1000u / kTicksPerSecond) + kRowWaitSlackMs;
    uint32_t waited = 0;
    for (;;) {
        {
            std::lock_guard<std::recursive_mutex> lock(audioMutex);
            if (!replayer->stopAfterRow || !replayer->playing) break;
            if (waited >= limitMs) {
                replayer->ResetReplayer(true);
                break;
            }
            if (!AudioRunning()) {
                RenderAudioTick();
                waited += 1000u / kTicksPerSecond;
                continue;
            }
        }
        SDL_Delay(1);
        ++waited;
    }
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    replayer->stopAfterRow = 0;
    replayer->SetRow(row + 1);
}

void App::PreviewNote(int note) {
    if (audioDevice) SDL_LockAudioDevice(audioDevice);
    Song& song = document->song;
    VoiceState& voice = replayer->voices[size_t(currentVoice & 3)];
    replayer->StartInstrument(currentVoice & 3, currentInstrument);
    int pitch = note;
    if (currentWindow == kMainWindow && song.currentPosition < song.sequenceLength)
        pitch += song.Position(int(song.currentPosition))[currentVoice & 3].transpose;
    voice.notePitch = int16_t(uint16_t(uint32_t(pitch * 16) & 0xffffu));
    if (currentWindow == kWaveWindow && replayer->song)
        StartWavePreview(voice, *replayer->song, currentWave - 1);
    if (audioDevice) SDL_UnlockAudioDevice(audioDevice);
}

}  // namespace qn
