#include "engine/replayer.h"

#include <algorithm>

#include "song/song_loader.h"

namespace qn {

namespace {

constexpr int16_t wrap16(int32_t value) { return int16_t(uint16_t(uint32_t(value) & 0xffffu)); }

void SilenceRegisters(VoiceRegisters& regs) {
    regs.sampleStart = 0;
    regs.length = 2;
    regs.loopOffset = 0;
    regs.period = 123;
    regs.volume = 0;
}

int SequenceLength(const Song& song) {
    return int(std::min<uint32_t>(song.sequenceLength, kMaxPositions));
}

}  // namespace

int HighestPatternUsed(const Song& song) {
    if (song.sequence == nullptr)
        return 0;
    int highest = 0;
    const int length = SequenceLength(song);
    for (int position = 0; position < length; ++position)
        for (int voice = 0; voice < kVoices; ++voice)
            highest = std::max<int>(highest, song.sequence[position * kVoices + voice].pattern);
    return highest;
}

void MarkMixSourcesForOctaveCopies(Song& song) {
    if (song.waves == nullptr)
        return;
    // The same rule as loading a song: the waves in use, and sources among
    // them, so saving does not grow the wave count with a default record.
    MarkMixWaveSources(song, std::min<int>(song.waveCount, song.waveRecordCount));
}

void Replayer::InitReplayer(Song* newSong, WaveMemory* memory) {
    song = newSong;
    waveMemory = memory;
    synth.BuildOscillatorTables();
    if (waveMemory != nullptr) {
        waveMemory->Data()[0] = 0;
        waveMemory->Data()[1] = 0;
    }
    row = 0;
    speed = kDefaultSpeed;
    tickCounter = 0;
    breakTarget = kNoTarget;
    jumpTarget = kNoTarget;
    playing = 0;
    stopAfterRow = 0;
    patternLoop = 0;
    simulation = 0;
    for (VoiceState& voice : voices) {
        voice = VoiceState{};
        voice.channelVolume = 64;
        voice.waveIndex = 0;
        voice.envelopeLevel = 0;
        voice.envelopeStage = kEnvelopeRelease;
        voice.muted = 0;
    }
    if (song == nullptr)
        return;
    MarkMixSourcesForOctaveCopies(*song);
    if (waveMemory != nullptr)
        synth.PrecalcAllWaves(*song, *waveMemory);
    StartPlaying();
}

void Replayer::StartPlaying() {
    playing = 1;
    tickCounter = TicksForRow(row);
    for (VoiceState& voice : voices) {
        SilenceRegisters(voice.registers);
        voice.channelVolume = 64;
        voice.delayedInstrument = 0;
        voice.delayedInstrumentTicks = 0;
        voice.pendingSubloopOffset = 0;
        voice.volumeRamp = 0;
        voice.echoDelay = 0;
        voice.envelopeLevel = 0;
        voice.envelopeStage = kEnvelopeRelease;
        voice.arpeggio[0] = voice.arpeggio[1] = voice.arpeggio[2] = 0;
        voice.portamentoTarget = 0;
        voice.patternSlide = 0;
        voice.rowDelay = kRowDelayArmed;
    }
}

void Replayer::ResetReplayer(bool clearEnvelopes) {
    playing = 0;
    breakTarget = kNoTarget;
    jumpTarget = kNoTarget;
    for (VoiceState& voice : voices) {
        voice.channelVolume = 0;
        voice.subloopPosition = 0;
        voice.subloopDirection = 1;
        voice.subloopWait = 65535;
        SilenceRegisters(voice.registers);
        voice.registers.trigger = 1;
        if (clearEnvelopes) {
            voice.arpeggio[0] = voice.arpeggio[1] = voice.arpeggio[2] = 0;
            voice.envelopeLevel = 0;
            voice.envelopeStage = kEnvelopeRelease;
        }
    }
}

uint8_t Replayer::TicksForRow(int forRow) const {
    if (speed <= 47)
        return speed;
    return (forRow & 1) ? uint8_t(speed & 15) : uint8_t(speed >> 4);
}

uint32_t Replayer::WrapPosition(uint32_t position) const {
    const uint32_t length = song->sequenceLength;
    if (position >= length)
        position = song->restartPosition;
    // A restart position past the song (a file can hold any) starts over.
    if (position >= length)
        position = 0;
    return position;
}

void Replayer::SetRow(int newRow) {
    const int rows = song ? std::max<int>(song->rowsPerPattern, 1) : 1;
    if (newRow < 0)
        newRow += rows;
    if (newRow < 0 || newRow >= rows)
        newRow = 0;
    row = uint8_t(newRow);
}

void Replayer::SetPosition(int position) {
    if (song == nullptr)
        return;
    const int length = int(std::min<uint32_t>(song->sequenceLength, kMaxPositions));
    if (position < 0)
        position += length;
    if (position < 0)
        position = 0;
    song->currentPosition = WrapPosition(uint32_t(position));
}

const qntPatternStep* Replayer::PatternStepAt(const SequenceEntry& entry, int atRow) const {
    if (song == nullptr || entry.pattern == 0 || atRow < 0 || atRow >= song->rowsPerPattern ||
        atRow >= song->rowStride)
        return nullptr;
    const qntPatternStep* pattern = song->Pattern(entry.pattern);
    return pattern ? pattern + atRow : nullptr;
}

int Replayer::HighestPatternUsed() const { return song ? qn::HighestPatternUsed(*song) : 0; }

void Replayer::StartInstrument(int voice, int instrument) {
    if (song && voice >= 0 && voice < kVoices)
        qn::StartInstrument(voices[size_t(voice)], *song, instrument);
}

void Replayer::SelectWave(int voice, int wave, bool restart) {
    if (song && voice >= 0 && voice < kVoices)
        qn::SelectWave(voices[size_t(voice)], *song, wave, restart);
}

void Replayer::ReleaseVoice(int voice) {
    if (voice >= 0 && voice < kVoices)
        qn::ReleaseVoice(voices[size_t(voice)]);
}

void Replayer::TickRows() {
    if (song == nullptr)
        return;
    for (int voice = 0; voice < kVoices; ++voice) {
        TickRowsForVoice(voice);
        // The next voice serves as this one's echo: its rows are not read.
        if (voice < kVoices - 1 && voices[size_t(voice)].echoDelay != 0)
            ++voice;
    }
    EndOfTick();
}

void Replayer::TickVoices() {
    if (song == nullptr)
        return;
    for (int voice = 0; voice < kVoices; ++voice) {
        VoiceState& state = voices[size_t(voice)];
        TickVoice(state, *song);
        if (voice < kVoices - 1 && state.echoDelay != 0) {
            EchoVoice(state, voices[size_t(voice) + 1]);
            ++voice;
        }
    }
}

void Replayer::TickRowsForVoice(int voice) {
    VoiceState& state = voices[size_t(voice)];

    if (state.delayedInstrument != 0) {
        if (state.delayedInstrumentTicks == 0) {
            int16_t pitch = state.notePitch;
            qn::StartInstrument(state, *song, state.delayedInstrument);
            state.notePitch = pitch;
            state.delayedInstrument = 0;
        } else {
            state.delayedInstrumentTicks = uint8_t(state.delayedInstrumentTicks - 1);
        }
    }

    if (state.portamentoTarget != 0) {
        const int32_t target = state.portamentoTarget;
        int32_t pitch = state.notePitch;
        if (pitch < target) {
            pitch += state.portamentoSpeed;
            if (pitch >= target) {
                pitch = target;
                state.portamentoTarget = 0;
            }
        } else {
            pitch -= state.portamentoSpeed;
            if (pitch <= target) {
                pitch = target;
                state.portamentoTarget = 0;
            }
        }
        state.notePitch = wrap16(pitch);
    }

    state.channelVolume = uint8_t(std::clamp(int(state.channelVolume) + state.volumeRamp, 0, 64));

    // Row read: on the row's first tick, or x ticks later after EDx.
    if (state.rowDelay == kRowDelayDone)
        return;
    bool delayed = false;
    if (state.rowDelay != kRowDelayArmed) {
        state.rowDelay = uint8_t(state.rowDelay - 1);
        if (state.rowDelay != 0)
            return;
        delayed = true;
    }
    const uint32_t position = song->currentPosition;
    const qntPatternStep* step = nullptr;
    if (song->sequence != nullptr && position < song->sequenceLength && position < uint32_t(kMaxPositions)) {
        const SequenceEntry& entry = song->sequence[position * kVoices + uint32_t(voice)];
        step = PatternStepAt(entry, row);
        if (step != nullptr) {
            if (!delayed && step->Command() == 0xE && (step->Parameter() >> 4) == 0xD &&
                (step->Parameter() & 15) != 0) {
                state.rowDelay = uint8_t(step->Parameter() & 15);
                return;
            }
            if (step->Command() == 0xE && (step->Parameter() >> 4) == 0xA)
                state.noteCut = uint8_t(step->Parameter() & 15);
            DecodeStep(voice, *step, entry.transpose);
        }
    }
    state.rowDelay = kRowDelayDone;
}

void Replayer::DecodeStep(int voice, const qntPatternStep& step, int transpose) {
    VoiceState& state = voices[size_t(voice)];
    int note = state.muted ? 0 : step.Note();
    const int instrument = state.muted ? 0 : step.Instrument();
    const bool chord = step.Chord();
    const int command = step.Command();
    const int parameter = step.Parameter();

    if (instrument != 0 && note == 0) {
        state.channelVolume = state.instrumentStartVolume;
        if (instrument == state.instrument)
            RestartEnvelope(state);
    }

    if (chord && (command != 0 || parameter != 0)) {
        state.arpeggio[0] = uint8_t(command);
        state.arpeggio[1] = uint8_t(parameter >> 4);
        state.arpeggio[2] = uint8_t(parameter & 15);
    }

    // 0xy: instrument y now, the row's own instrument x ticks later. A muted
    // voice starts nothing this way.
    int startNow = instrument;
    bool secondInstrument = false;
    if (!chord && command == 0 && parameter != 0) {
        startNow = 0;
        if (!state.muted) {
            secondInstrument = true;
            startNow = parameter & 15;
            if (instrument != 0) {
                state.delayedInstrument = uint8_t(instrument);
                state.delayedInstrumentTicks = uint8_t(parameter >> 4);
            }
            if (note == 0)
                note = 1;
        }
    }

    if (note == kReleaseNote) {
        qn::ReleaseVoice(state);
    } else if (note >= 1 && note <= kMaxNote) {
        const bool portamento = !chord && command == 3;
        if (!portamento && startNow != 0) {
            // Starting y must not cancel the delayed instrument this row set.
            const uint8_t delayedInstrument = state.delayedInstrument;
            const uint8_t delayedTicks = state.delayedInstrumentTicks;
            qn::StartInstrument(state, *song, startNow);
            if (secondInstrument && instrument != 0) {
                state.delayedInstrument = delayedInstrument;
                state.delayedInstrumentTicks = delayedTicks;
            }
        }
        if (!chord)
            state.arpeggio[0] = state.arpeggio[1] = state.arpeggio[2] = 0;
        const int pitch = (note + transpose) * 16;
        if (portamento) {
            state.portamentoTarget = uint16_t(pitch + 16);
            state.notePitch = wrap16(int32_t(state.notePitch) + state.slideAccumulator);
            state.slideAccumulator = 0;
            if (parameter != 0)
                state.portamentoSpeed = uint8_t(parameter);
        } else {
            state.notePitch = wrap16(pitch);
            state.slideAccumulator = 16;
            state.portamentoTarget = 0;
        }
        ++state.notesStarted;
    }

    state.volumeRamp = 0;
    state.patternSlide = 0;
    if (!chord)
        ApplyCommand(voice, command, parameter);
}

void Replayer::ApplyCommand(int voice, int command, int parameter) {
    VoiceState& state = voices[size_t(voice)];
    const int x = parameter >> 4;
    const int y = parameter & 15;
    switch (command) {
    case 0x1:
        state.patternSlide = int16_t(parameter);
        break;
    case 0x2:
        state.patternSlide = int16_t(-parameter);
        break;
    case 0x4:
        state.vibratoSpeed = kVibratoSpeedTable[x];
        state.vibratoDepth = kVibratoDepthTable[y];
        // Delay counter 1: this tick's voice step counts it down to 0 and
        // scales the speed by the depth (vibrato still 0); the offset moves
        // from the next tick on.
        state.vibratoDelay = 1;
        break;
    case 0x5: {
        if (voice >= kVoices - 1)
            break;
        VoiceState& echo = voices[size_t(voice) + 1];
        if (parameter == 0) {
            state.echoDelay = 255;
        } else if (y == 0) {
            // Off for good: the echo voice stops being an echo, so it cannot
            // go on overwriting the voice after it.
            if (state.echoDelay != 0)
                echo.echoDelay = 0;
            state.echoDelay = 0;
        } else {
            state.echoDelay = uint8_t(2 * y);
            state.echoVolume = uint8_t(x);
        }
        for (VoiceRegisters& entry : echo.echoRing)
            entry.volume = 0;
        break;
    }
    case 0x9:
        state.pendingSubloopOffset = uint8_t(parameter);
        break;
    case 0xA:
        // The ramp is a signed byte: the Amiga player negates the whole
        // parameter byte.
        state.volumeRamp = int8_t(uint8_t(uint32_t(y != 0 ? -parameter : x) & 0xffu));
        break;
    case 0xB:
        if (parameter < 128)
            jumpTarget = uint8_t(parameter);
        break;
    case 0xC:
        state.channelVolume = uint8_t(std::min(parameter, 64));
        break;
    case 0xD:
        if (parameter < 128)
            breakTarget = uint8_t(parameter);
        break;
    case 0xF:
        speed = uint8_t(parameter);
        tickCounter = TicksForRow(row);
        break;
    default:
        break;
    }
}

void Replayer::EndOfTick() {
    if (speed == 0) {  // F00: the song stops here, the voices sound on
        playing = 0;
        return;
    }
    tickCounter = uint8_t(tickCounter - 1);
    if (tickCounter != 0)
        return;

    ++rowsEnded;
    if (stopAfterRow) {
        playing = 0;
        stopAfterRow = 0;
    }
    for (VoiceState& voice : voices)
        voice.rowDelay = kRowDelayArmed;

    const int rows = std::max<int>(song->rowsPerPattern, 1);
    bool moved = false;
    if (breakTarget < 128) {
        if (!patternLoop) {
            row = uint8_t(std::min<int>(breakTarget, rows - 1));
            song->currentPosition = WrapPosition(song->currentPosition + 1);
        } else {
            row = 0;
        }
        breakTarget = kNoTarget;
        moved = true;
    }
    if (jumpTarget < 128) {
        row = 0;
        if (!patternLoop)
            song->currentPosition = WrapPosition(jumpTarget);
        jumpTarget = kNoTarget;
        moved = true;
    }
    if (!moved) {
        if (row >= rows - 1) {
            row = 0;
            if (!patternLoop)
                song->currentPosition = WrapPosition(song->currentPosition + 1);
        } else {
            row = uint8_t(row + 1);
        }
    }
    tickCounter = TicksForRow(row);
}

}  // namespace qn
