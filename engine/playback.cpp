#include "engine/playback.h"

#include <cstring>

namespace qn {

namespace {

// Upper bound for a silent pass: position and row only move forward, a row
// lasts at most 256 ticks, and at most one row end in a row may leave them
// unchanged. Only a broken invariant could reach it.
constexpr uint32_t kMaxPassTicks = 2u * kMaxPositions * kMaxRows * 256u;

uint32_t StartPosition(const Song& song) {
    return song.sequenceLength == 0 ? song.restartPosition : 0;
}

void ClearTriggers(Replayer& replayer) {
    for (VoiceState& voice : replayer.voices) voice.registers.trigger = 0;
}

// One silent tick as the audio callback runs it, triggers cleared after it:
// a one-shot played above the period range would otherwise be shifted into
// its octave copies again on every simulated tick.
void SilentTick(Replayer& replayer) {
    if (replayer.playing) replayer.TickRows();
    replayer.TickVoices();
    ClearTriggers(replayer);
}

size_t WaveMemorySize(const Replayer& replayer) {
    return replayer.waveMemory ? WaveMemory::Size() : 0;
}

VoiceRegisters ClampedRegisters(const Replayer& replayer, const VoiceRegisters& registers) {
    VoiceRegisters copy = registers;
    const size_t size = WaveMemorySize(replayer);
    if (copy.sampleStart > size) copy.sampleStart = uint32_t(size);
    return copy;
}

uint32_t RefreshOctaveCopyFlagsTicks(Replayer& replayer) {
    if (!replayer.song) return 0;
    Song& song = *replayer.song;
    for (int slot = 0; slot < kWaves; ++slot)
        if (WaveParams* wave = WaveRecord(song, slot)) wave->flags = uint8_t(wave->flags & ~kWaveOctaveCopies);
    const uint32_t ticks = SongDurationTicks(replayer);
    // The mix sources need their copies whether or not they are played high.
    MarkMixSourcesForOctaveCopies(song);
    return ticks;
}

}  // namespace

void MixerState::Reset() {
    mixer.Reset();
    for (VoiceRegisters& block : registers) block = VoiceRegisters{};
}

void TickAndCopyRegisters(Replayer& replayer, VoiceRegisters registers[kVoices]) {
    if (replayer.playing) replayer.TickRows();
    replayer.TickVoices();
    for (int voice = 0; voice < kVoices; ++voice) {
        VoiceRegisters& source = replayer.voices[voice].registers;
        registers[voice] = ClampedRegisters(replayer, source);
        source.trigger = 0;
    }
}

void RunAudioTick(Replayer& replayer, MixerState& mixer, int16_t* output, float stereoWidth) {
    std::memset(output, 0, sizeof(int16_t) * 2 * kFramesPerTick);
    TickAndCopyRegisters(replayer, mixer.registers);
    const int8_t* memory = replayer.waveMemory ? replayer.waveMemory->Data() : nullptr;
    mixer.mixer.MixVoices(mixer.registers, memory, WaveMemorySize(replayer), output, kFramesPerTick,
                          kSampleRate, stereoWidth);
}

uint32_t SongDurationTicks(Replayer& replayer) {
    if (!replayer.song) return 0;
    Song& song = *replayer.song;
    const Replayer saved = replayer;
    const uint32_t savedPosition = song.currentPosition;

    replayer.ResetReplayer(true);
    song.currentPosition = StartPosition(song);
    replayer.row = 0;
    replayer.patternLoop = 0;
    replayer.stopAfterRow = 0;
    replayer.simulation = 1;
    replayer.ResetReplayer(true);
    // Every pass starts as a freshly initialised replayer does, whatever
    // speed an earlier Fxx left behind.
    replayer.speed = kDefaultSpeed;
    replayer.StartPlaying();

    uint32_t ticks = 0;
    bool havePrevious = false;
    uint32_t previousPosition = 0;
    int previousRow = 0;
    int unchangedRowEnds = 0;
    while (ticks < kMaxPassTicks && replayer.playing) {
        const uint32_t position = song.currentPosition;
        const int row = replayer.row;
        if (havePrevious &&
            (position < previousPosition || (position == previousPosition && row < previousRow)))
            break;
        previousPosition = position;
        previousRow = row;
        havePrevious = true;

        const uint32_t rowsEnded = replayer.rowsEnded;
        SilentTick(replayer);
        if (replayer.speed == 0) break;  // F00: this tick is not heard
        ++ticks;
        if (replayer.rowsEnded != rowsEnded) {
            if (song.currentPosition == position && replayer.row == row) {
                if (++unchangedRowEnds >= 2) break;  // a row that never advances
            } else {
                unchangedRowEnds = 0;
            }
        }
    }

    replayer.simulation = 0;
    replayer.ResetReplayer(false);
    replayer = saved;
    song.currentPosition = savedPosition;
    return ticks;
}

float SongDurationSeconds(Replayer& replayer) {
    return float(SongDurationTicks(replayer)) / float(kTicksPerSecond);
}

float RefreshOctaveCopyFlags(Replayer& replayer) {
    return float(RefreshOctaveCopyFlagsTicks(replayer)) / float(kTicksPerSecond);
}

bool FastForward(Replayer& replayer, uint32_t limitTicks) {
    if (!replayer.song) return false;
    Song& song = *replayer.song;
    const uint32_t targetPosition = song.currentPosition;
    const int targetRow = replayer.row;
    const uint8_t patternLoop = replayer.patternLoop;

    replayer.ResetReplayer(true);
    song.currentPosition = StartPosition(song);
    replayer.row = 0;
    replayer.speed = kDefaultSpeed;
    replayer.StartPlaying();
    replayer.patternLoop = 0;

    bool reached = false;
    uint32_t ticks = 0;
    while (true) {
        const uint32_t position = song.currentPosition;
        if (position == targetPosition && replayer.row == targetRow) {
            reached = true;
            break;
        }
        if (!replayer.playing || ticks >= limitTicks) break;
        SilentTick(replayer);
        ++ticks;
        if (song.currentPosition < position) break;
    }
    if (!reached) {
        // The target lies beyond an F00, behind a jump back or in a loop the
        // song never leaves: start there as from a fresh start instead.
        // A target past the song (it was shortened) wraps as SetPosition does.
        replayer.ResetReplayer(true);
        replayer.SetPosition(int(targetPosition));
        replayer.SetRow(targetRow);
        replayer.speed = kDefaultSpeed;
        replayer.StartPlaying();
    }
    replayer.patternLoop = patternLoop;
    return reached;
}

float PreparePlayback(Replayer& replayer, MixerState& mixer, bool fromRowZero) {
    mixer.Reset();
    if (!replayer.song) return 0.0f;
    const uint32_t ticks = RefreshOctaveCopyFlagsTicks(replayer);
    if (fromRowZero) replayer.row = 0;
    FastForward(replayer, ticks);
    // The fast-forward cleared the triggers tick by tick; notes still
    // sounding at the target start in the mixer now, as they would have
    // had the song played up to here.
    for (int voice = 0; voice < kVoices; ++voice)
        mixer.mixer.StartVoice(voice, ClampedRegisters(replayer, replayer.voices[voice].registers));
    return float(ticks) / float(kTicksPerSecond);
}

}  // namespace qn
