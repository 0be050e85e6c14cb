#include "engine/voice.h"

#include <algorithm>

#include "engine/fall_rate_table.h"
#include "engine/wave_synth.h"

namespace qn {

const uint8_t kVibratoDelayTable[16] = {0, 4, 8, 10, 12, 14, 16, 18, 20, 24, 32, 40, 56, 96, 150, 255};
const uint8_t kVibratoDepthTable[16] = {0, 8, 9, 10, 11, 12, 13, 14, 18, 20, 28, 40, 50, 70, 160, 255};
const uint8_t kVibratoSpeedTable[16] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20, 40, 80};
const uint16_t kAttackRateTable[16] = {1024, 512, 128, 100, 80, 64, 48, 32, 16, 14, 12, 10, 8, 4, 2, 1};
const uint8_t kFallStartTable[16] = {0, 1, 3, 6, 7, 9, 10, 11, 12, 13, 14, 16, 19, 35, 55, 143};

namespace {

constexpr int16_t wrap16(int32_t value) { return int16_t(uint16_t(uint32_t(value) & 0xffffu)); }

// Base periods one semitone apart; the 15 entries between two of them are
// interpolated in 16.16 fixed point as the Amiga player builds its table.
constexpr uint16_t kBasePeriods[37] = {
    848, 800, 754, 712, 672, 633, 598, 566, 534, 504, 476, 448,
    424, 400, 377, 356, 337, 318, 300, 283, 267, 252, 238, 224,
    212, 200, 189, 178, 168, 159, 150, 141, 134, 126, 120, 113, 113};

constexpr std::array<uint16_t, kPeriodTableSize> BuildPeriodTable() {
    std::array<uint16_t, kPeriodTableSize> table{};
    for (int semitone = 0; semitone < 36; ++semitone) {
        int32_t a = int32_t(kBasePeriods[semitone]) * 65536;
        int32_t d = (int32_t(kBasePeriods[semitone + 1]) * 65536 - a) >> 4;
        table[size_t(semitone) * 16] = kBasePeriods[semitone];
        for (int k = 1; k < 16; ++k)
            table[size_t(semitone) * 16 + size_t(k)] = uint16_t((a + k * d) >> 16);
    }
    table[576] = kBasePeriods[36];
    return table;
}

constexpr std::array<uint16_t, kPeriodTableSize> kPeriodTable = BuildPeriodTable();

const WaveParams* CurrentWave(const VoiceState& voice, const Song& song) {
    return voice.waveIndex == kNoWave ? nullptr : WaveRecord(song, voice.waveIndex);
}

const InstrumentStep* StepTable(const VoiceState& voice, const Song& song) {
    if (voice.instrument < 1 || voice.instrument > kInstrumentSlots)
        return nullptr;
    return song.instrumentSteps[voice.instrument - 1];
}

// Plays wave bytes from offset `offset` to the end of the wave, once.
void PlayOnceFrom(VoiceState& voice, uint32_t slot, int length, int offset) {
    int o = std::min(offset, length - 2);
    voice.registers.sampleStart = uint32_t(int64_t(slot) + o);
    voice.registers.length = uint16_t(length - o);
    voice.registers.loopOffset = kPlayOnce;
    voice.registers.trigger = 1;
}

// ---- Envelope --------------------------------------------------------------

void StepEnvelope(VoiceState& voice) {
    switch (voice.envelopeStage) {
    case kEnvelopeAttack:
        voice.envelopeLevel += kAttackRateTable[ParamIndex(voice.attack)];
        if (voice.envelopeLevel >= 1024) {
            voice.envelopeLevel = 1024;
            voice.envelopeStage = kEnvelopeDecay;
            voice.fallIndex = kFallStartTable[ParamIndex(voice.decay)];
            if (voice.sustain == 15)
                voice.sustain = 16;
        }
        break;
    case kEnvelopeDecay: {
        int i = std::min<int>(voice.fallIndex, kFallRateCount - 1);
        voice.fallIndex = uint8_t(i + 1);
        voice.envelopeLevel -= kFallRateTable[i];
        if (voice.envelopeLevel <= int32_t(voice.sustain) * 64) {
            voice.envelopeLevel = int32_t(voice.sustain) * 64;
            voice.envelopeStage = kEnvelopeSustain;
        }
        break;
    }
    case kEnvelopeSustain:
        break;
    default:
        voice.releaseAccumulator = uint16_t(voice.releaseAccumulator + voice.releaseStep);
        if (voice.releaseAccumulator > 15) {
            int i = std::min<int>(voice.fallIndex, kFallRateCount - 1);
            voice.fallIndex = uint8_t(i + 1);
            voice.envelopeLevel = std::max<int32_t>(voice.envelopeLevel - kFallRateTable[i], 0);
            voice.releaseAccumulator = uint16_t(voice.releaseAccumulator - 16);
        }
        break;
    }
}

// ---- Step program ----------------------------------------------------------

// E0x/E1x: the arpeggio transpose from one of the chord row's offsets.
// Returns true when the next step is to run at once.
bool ApplyArpeggioStep(VoiceState& voice, int parameter) {
    int kind = parameter >> 4;
    int number = parameter & 3;
    if (kind > 1)
        return false;
    if (number == 0) {
        voice.arpeggioTranspose = 0;
        return false;
    }
    uint8_t offset = voice.arpeggio[number - 1];
    if (offset != 0) {
        voice.arpeggioTranspose = offset;
        return false;
    }
    if (kind == 1) {
        voice.arpeggioTranspose = 0;
        return false;
    }
    return true;  // E0x on an empty offset skips on to the next step
}

void RunStepProgram(VoiceState& voice, const Song& song) {
    voice.slideAccumulator =
        wrap16(std::min(int32_t(voice.slideAccumulator) + voice.stepSlide + voice.patternSlide, 576));
    voice.stepVolume = uint8_t(std::clamp(int32_t(voice.stepVolume) + voice.stepVolumeSlide, 0, 64));

    if (voice.stepTicks == 0) {
        voice.stepSlide = 0;
        voice.stepVolumeSlide = 0;
        if (voice.pendingStepJump != kNoStepJump) {
            voice.stepIndex = std::min<uint8_t>(voice.pendingStepJump, kInstrumentSteps);
            voice.pendingStepJump = kNoStepJump;
        }
        const InstrumentStep* steps = StepTable(voice, song);
        int count = steps ? std::min<int>(voice.params.stepCount, kInstrumentSteps) : 0;
        const int runStart = voice.stepIndex;
        bool first = true;           // no step has run yet in this tick
        bool previousLinked = false; // the step run just before had its link flag
        while (voice.stepIndex < count) {
            const InstrumentStep& step = steps[voice.stepIndex];
            if (step.Note() != 0 && !previousLinked) {
                voice.stepNotePitch = wrap16(step.Note() * 16 - 16);
                voice.fixedPitch = step.FixedNote() ? 1 : 0;
            }
            bool goOn = false;
            int jumpTo = -1;
            bool jumpAtOnce = false;
            int parameter = step.Parameter();
            switch (step.Command()) {
            case 0x0:
                if (parameter >= 1 && parameter <= kWaves && parameter - 1 != voice.waveIndex)
                    SelectWave(voice, song, parameter - 1, true);
                break;
            case 0x1:
                voice.stepSlide = int16_t(parameter);
                break;
            case 0x2:
                voice.stepSlide = int16_t(-parameter);
                break;
            case 0x3:
                if (parameter == 1)
                    ReleaseVoice(voice);
                else if (parameter == 2)
                    RestartEnvelope(voice);
                break;
            case 0x4:
                if (parameter >= 1 && parameter <= kWaves)
                    SelectWave(voice, song, parameter - 1, false);
                break;
            case 0xA:
                voice.stepVolumeSlide = int16_t((parameter & 15) ? -parameter : (parameter >> 4));
                break;
            case 0xB:
                // Back to an earlier step. A jump that is the tick's first step
                // continues there at once; after other steps of this tick it
                // waits for the next run, so a linked run that jumps back to
                // its own start plays each of its steps once per tick.
                if (parameter < voice.stepIndex) {
                    if (first) {
                        jumpTo = parameter;
                        jumpAtOnce = true;
                    } else if (parameter <= runStart) {
                        jumpTo = parameter;
                    }
                }
                break;
            case 0xC:
                voice.stepVolume = uint8_t(std::min(parameter, 64));
                break;
            case 0xE:
                goOn = ApplyArpeggioStep(voice, parameter);
                break;
            case 0xF:
                voice.stepSpeed = parameter == 0 ? kStepHalted : uint8_t(parameter);
                break;
            default:
                break;
            }
            first = false;
            previousLinked = step.Linked();
            if (jumpTo >= 0) {
                voice.stepIndex = uint8_t(jumpTo);
                if (jumpAtOnce)
                    continue;
                voice.stepTicks = voice.stepSpeed;
                break;
            }
            voice.stepIndex = uint8_t(voice.stepIndex + 1);
            if (!step.Linked() && !goOn) {
                voice.stepTicks = voice.stepSpeed;
                break;
            }
        }
    }

    if (voice.waveIndex == kNoWave)
        SelectWave(voice, song, 0, true);
    if (voice.stepTicks != kStepHalted)
        voice.stepTicks = uint8_t(voice.stepTicks - 1);
}

// ---- Instrument start (envelope and vibrato) -------------------------------

void ApplyPendingStart(VoiceState& voice) {
    voice.instrumentStartVolume = voice.stepVolume;
    voice.envelopeStage = kEnvelopeAttack;
    voice.envelopeLevel = 0;
    voice.attack = voice.params.attack;
    voice.decay = voice.params.decay;
    voice.sustain = uint8_t(ParamIndex(voice.params.sustain));
    voice.release = voice.params.release;
    voice.vibratoOffset = 0;
    voice.vibratoDelay = uint16_t(kVibratoDelayTable[ParamIndex(voice.params.vibratoDelay)] + 1);
    voice.vibratoDepth = kVibratoDepthTable[ParamIndex(voice.params.vibratoDepth)];
    voice.vibratoSpeed = kVibratoSpeedTable[ParamIndex(voice.params.vibratoSpeed)];
    voice.pendingStart = 0;
}

// ---- Wave window -----------------------------------------------------------

void MoveWaveWindow(VoiceState& voice, const WaveParams& wave) {
    const int length = wave.waveLength;
    const int step = wave.subloopStep;
    const int window = wave.subloopLen;
    if (voice.pendingSubloopOffset != 0 && wave.allow9xx) {
        int target = voice.pendingSubloopOffset * 128;
        voice.subloopPosition = voice.subloopDirection >= 0 ? target - step : target + step;
        voice.subloopWait = 1;
        voice.pendingSubloopOffset = 0;
    }
    if (voice.subloopWait < 2) {
        voice.subloopWait = wave.subloopWait;
        bool atLimit = false;
        if (voice.subloopDirection >= 0) {
            int64_t p = int64_t(voice.subloopPosition) + step;
            int64_t end = p > wave.loopEnd ? length : wave.loopEnd;
            int64_t r = end - (window + p);
            if (r < 1) {
                voice.subloopPosition = int32_t(end - window);
                voice.subloopDirection = -1;
                atLimit = r == 0;
            } else {
                voice.subloopPosition = int32_t(p);
            }
        } else {
            int64_t p = int64_t(voice.subloopPosition) - step;
            if (p > wave.loopStart) {
                voice.subloopPosition = int32_t(p);
            } else {
                voice.subloopPosition = wave.loopStart;
                voice.subloopDirection = 1;
                atLimit = p == wave.loopStart;
            }
        }
        // Landing exactly on a limit shortens the pause there by a tick. A
        // wait of 0 would wrap the counter and freeze the window for 65535
        // ticks, so it stays 0.
        if (atLimit)
            voice.subloopWait = uint16_t(std::max(int(wave.subloopWait) - 1, 0));
    } else {
        voice.subloopWait = uint16_t(voice.subloopWait - 1);
    }
    voice.registers.sampleStart = uint32_t(WaveSlotOffset(voice.waveIndex));
    voice.registers.length = uint16_t(window);
    voice.registers.loopOffset = uint16_t(uint32_t(voice.subloopPosition) & 0xffffu);
}

void TickWaveWindow(VoiceState& voice, const WaveParams& wave) {
    if (wave.subloopLen == 0) {
        if (voice.pendingSubloopOffset != 0 && wave.allow9xx) {
            PlayOnceFrom(voice, uint32_t(WaveSlotOffset(voice.waveIndex)), wave.waveLength,
                         voice.pendingSubloopOffset * 128);
            voice.pendingSubloopOffset = 0;
        }
        return;
    }
    MoveWaveWindow(voice, wave);
}

// ---- Pitch -----------------------------------------------------------------

int VibratoValue(VoiceState& voice) {
    if (voice.vibratoDelay != 0) {
        voice.vibratoDelay = uint16_t(voice.vibratoDelay - 1);
        if (voice.vibratoDelay == 0)
            voice.vibratoSpeed = wrap16((int32_t(voice.vibratoDepth) * voice.vibratoSpeed) >> 4);
        return 0;
    }
    int32_t offset = int32_t(voice.vibratoOffset) + voice.vibratoSpeed;
    int32_t depth = voice.vibratoDepth;
    if (offset > depth) {
        offset = depth;
        voice.vibratoSpeed = wrap16(-int32_t(voice.vibratoSpeed));
    } else if (offset < -depth) {
        offset = -depth;
        voice.vibratoSpeed = wrap16(-int32_t(voice.vibratoSpeed));
    }
    voice.vibratoOffset = wrap16(offset);
    return voice.vibratoOffset >> 3;
}

// Above the period range the voice plays the wave's 1/2, 1/4 or 1/8 copy,
// which lie right after the wave in its slot.
int DropIntoOctaveCopies(VoiceState& voice, Song& song, int index) {
    WaveParams* wave = voice.waveIndex == kNoWave ? nullptr : WaveRecord(song, voice.waveIndex);
    int excess = (index - 537) >> 4;
    int octaves = excess <= 11 ? 1 : (excess <= 23 ? 2 : 3);
    if (wave != nullptr) {
        wave->flags = uint8_t(wave->flags | kWaveOctaveCopies);
        const int64_t length = wave->waveLength;
        const int64_t slot = int64_t(WaveSlotOffset(voice.waveIndex));
        int64_t copyOffset = length;
        if (octaves >= 2)
            copyOffset += length / 2;
        if (octaves >= 3)
            copyOffset += length / 4;
        VoiceRegisters& regs = voice.registers;
        bool moved = false;
        if (regs.loopOffset == kPlayOnce) {
            if (regs.trigger) {
                int64_t o = int64_t(regs.sampleStart) - slot;
                int64_t r = length - regs.length - o;
                regs.length = r > regs.length ? 2 : uint16_t((regs.length - r) >> octaves);
                regs.sampleStart = uint32_t(slot + (o >> octaves));
                moved = true;
            }
        } else {
            regs.length = uint16_t(regs.length >> octaves);
            regs.loopOffset = uint16_t(regs.loopOffset >> octaves);
            moved = true;
        }
        if (moved)
            regs.sampleStart = uint32_t(int64_t(regs.sampleStart) + copyOffset);
    }
    return std::min(index - 192 * octaves, 561);
}

void TickPitch(VoiceState& voice, Song& song) {
    int base = voice.fixedPitch ? 16 : voice.arpeggioTranspose * 16 + voice.notePitch;
    int vibrato = VibratoValue(voice);
    int index = vibrato + voice.stepNotePitch + voice.slideAccumulator + base - 32;
    if (index >= kOctaveCopyIndex)
        index = DropIntoOctaveCopies(voice, song, index);
    else if (index < 0)
        index = 0;
    voice.registers.period = kPeriodTable[size_t(index)];
}

}  // namespace

const std::array<uint16_t, kPeriodTableSize>& PeriodTable() { return kPeriodTable; }

void StartInstrument(VoiceState& voice, const Song& song, int instrument) {
    if (instrument < 1 || instrument > kInstrumentSlots || song.instruments == nullptr)
        return;
    voice.delayedInstrument = 0;
    voice.delayedInstrumentTicks = 0;
    voice.volumeRamp = 0;
    voice.pendingSubloopOffset = 0;
    voice.portamentoTarget = 0;
    voice.patternSlide = 0;
    voice.channelVolume = 64;
    voice.stepVolume = 64;
    voice.arpeggioTranspose = 0;
    voice.pendingStepJump = kNoStepJump;
    voice.notePitch = 0;
    voice.stepNotePitch = 0;
    voice.stepSlide = 0;
    voice.slideAccumulator = 16;
    voice.fixedPitch = 0;
    voice.stepVolumeSlide = 0;
    voice.waveIndex = kNoWave;
    voice.instrumentStartVolume = 64;
    voice.stepIndex = 0;
    voice.stepSpeed = 1;
    voice.stepTicks = 0;
    voice.instrument = uint8_t(instrument);
    voice.params = song.instruments[instrument - 1];
    voice.pendingStart = uint8_t(instrument);
}

void SelectWave(VoiceState& voice, const Song& song, int wave, bool restart) {
    const WaveParams* record = WaveRecord(song, wave);
    if (record == nullptr)
        return;
    voice.waveIndex = uint8_t(wave);
    const WaveParams& params = *record;
    const uint32_t slot = uint32_t(WaveSlotOffset(wave));
    if (params.subloopLen == 0) {
        PlayOnceFrom(voice, slot, params.waveLength, params.loopOffset);
    } else {
        voice.registers.sampleStart = slot;
        voice.registers.loopOffset = 0;
        voice.registers.trigger = 1;
    }
    if (restart) {
        voice.subloopWait = uint16_t(params.subloopWait + 1);
        voice.subloopDirection = 1;
        voice.subloopPosition = params.loopOffset;
    } else {
        if (voice.subloopPosition > params.waveLength)
            voice.subloopDirection = 1;
        voice.subloopWait = 0;
        // 32-bit wrap-around: a program that keeps reselecting a one-shot
        // wave without restart lowers the position forever.
        voice.subloopPosition = int32_t(uint32_t(voice.subloopPosition) - params.subloopStep);
    }
}

void StartWavePreview(VoiceState& voice, const Song& song, int wave) {
    if (wave < 0 || wave >= kWaves) return;
    SelectWave(voice, song, wave, true);
    voice.instrumentStartVolume = voice.stepVolume;
    voice.instrument = uint8_t(wave + 1);
    if (song.instruments) voice.params = song.instruments[wave];
    voice.pendingStart = 0;
    voice.attack = 0;
    voice.decay = 0;
    voice.sustain = 15;
    voice.release = 0;
    voice.envelopeStage = kEnvelopeAttack;
    voice.envelopeLevel = 0;
    voice.vibratoDepth = 0;
    voice.vibratoSpeed = 0;
    voice.vibratoOffset = 0;
    voice.stepSpeed = kStepHalted;
    voice.stepTicks = kStepHalted;
}

void ReleaseVoice(VoiceState& voice) {
    int level = voice.envelopeLevel >> 6;
    voice.releaseStep = uint16_t(level);
    voice.envelopeStage = kEnvelopeRelease;
    voice.releaseAccumulator = 16;
    voice.fallIndex = uint8_t(kFallStartTable[ParamIndex(voice.release)] + ((16 - level) >> 1));
}

void RestartEnvelope(VoiceState& voice) {
    voice.envelopeStage = kEnvelopeAttack;
    voice.envelopeLevel = 0;
}

void TickVoice(VoiceState& voice, Song& song) {
    if (voice.releaseCountdown != 0) {
        voice.releaseCountdown = uint8_t(voice.releaseCountdown - 1);
        if (voice.releaseCountdown == 0)
            ReleaseVoice(voice);
    }
    if (voice.instrument != 0)
        RunStepProgram(voice, song);
    if (voice.pendingStart != 0)
        ApplyPendingStart(voice);
    StepEnvelope(voice);

    int32_t level = voice.envelopeLevel;  // this tick still sounds before a cut
    if (voice.noteCut != 0) {
        voice.noteCut = uint8_t(voice.noteCut - 1);
        if (voice.noteCut == 0) {
            voice.envelopeLevel = 0;
            voice.envelopeStage = kEnvelopeRelease;
        }
    }
    int32_t volume = ((((level >> 4) * voice.stepVolume) >> 6) * voice.channelVolume) >> 6;
    voice.registers.volume = uint8_t(std::clamp(volume, 0, 64));

    const WaveParams* wave = CurrentWave(voice, song);
    if (wave != nullptr)
        TickWaveWindow(voice, *wave);
    TickPitch(voice, song);

    VoiceRegisters& regs = voice.registers;
    if (regs.trigger && regs.loopOffset != kPlayOnce) {
        regs.sampleStart += regs.loopOffset;
        regs.loopOffset = 0;
    }
    if (regs.length != voice.lastLength) {
        regs.trigger = 1;
        voice.lastLength = regs.length;
    }
    // The registers are exactly what the rules above give, also when a
    // window's position went negative or runs past the slot: the Amiga
    // player plays them so. The mixer keeps its reads inside wave memory.
}

void EchoVoice(VoiceState& source, VoiceState& echo) {
    if (source.echoDelay == 255) {
        source.echoDelay = 0;
        echo.channelVolume = 0;
        echo.echoDelay = 0;
        echo.echoRingIndex = 255;
        echo.registers.volume = 0;
        return;
    }
    const uint8_t delay = source.echoDelay;
    const uint8_t previousDelay = echo.echoDelay;
    echo.echoDelay = delay;
    echo.echoRingIndex = uint8_t((echo.echoRingIndex + 1) % kEchoRingSize);
    VoiceRegisters entry = source.registers;
    entry.volume = uint8_t((entry.volume * source.echoVolume) >> 4);
    if (previousDelay == 0)
        entry.trigger = 1;
    echo.echoRing[echo.echoRingIndex] = entry;
    if (source.muted)
        source.registers.volume = 0;

    static const int kSpread[8] = {-4, -5, -1, 1, 2, 3, 4, 8};
    const int read = ((echo.echoRingIndex - delay) % kEchoRingSize + kEchoRingSize) % kEchoRingSize;
    echo.registers = echo.echoRing[size_t(read)];
    echo.echoRing[size_t(read)].volume = 0;
    int period = echo.registers.period;
    echo.registers.period = uint16_t(period + ((kSpread[read % 8] * period) >> 12));
    if (echo.muted)
        echo.registers.volume = 0;
}

}  // namespace qn
