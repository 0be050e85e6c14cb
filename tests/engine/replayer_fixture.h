// A new song, its wave memory and a Replayer initialised for it, ticked the
// way the audio callback does: TickRows while playing, TickVoices, then the
// registers are handed on and their trigger flags cleared.
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "engine/replayer.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace qn::test {

inline void SetInstrumentStep(Song& song, int instrument, int index, int note, int command, int parameter,
                              bool linked = false, bool fixed = false) {
    InstrumentStep& step = song.instrumentSteps[instrument - 1][index];
    step.b0 = uint8_t((note & 0x3f) | (fixed ? 0x40 : 0) | (linked ? 0x80 : 0));
    step.b1 = uint8_t(command & 15);
    step.b2 = uint8_t(parameter);
}

class ReplayerFixture : public ::testing::Test {
protected:
    void SetUp() override { replayer.InitReplayer(&doc.song, &memory); }

    Song& song() { return doc.song; }
    VoiceState& voice(int v) { return replayer.voices[size_t(v)]; }

    qntPatternStep& Row(int pattern, int row) { return doc.song.patternPointers[pattern - 1][row]; }
    void SetRow(int pattern, int row, int note, int instrument, int command = 0, int parameter = 0) {
        qntPatternStep& step = Row(pattern, row);
        step = {};
        step.SetNote(note);
        step.SetInstrument(instrument);
        step.SetCommand(command);
        step.SetParameter(parameter);
    }
    InstrumentStep& Step(int instrument, int index) {
        return doc.song.instrumentSteps[instrument - 1][index];
    }
    void SetStep(int instrument, int index, int note, int command, int parameter, bool linked = false,
                 bool fixed = false) {
        SetInstrumentStep(doc.song, instrument, index, note, command, parameter, linked, fixed);
    }
    InstrumentParams& Instrument(int number) { return doc.song.instruments[number - 1]; }
    WaveParams& Wave(int number) { return doc.song.waves[number - 1]; }

    // One audio tick; returns the four register blocks as the mixer gets them.
    std::array<VoiceRegisters, kVoices> Tick() {
        if (replayer.playing)
            replayer.TickRows();
        replayer.TickVoices();
        std::array<VoiceRegisters, kVoices> out{};
        for (int v = 0; v < kVoices; ++v) {
            out[size_t(v)] = voice(v).registers;
            voice(v).registers.trigger = 0;
        }
        return out;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i)
            Tick();
    }

    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
};

// Reads the first and last byte of every range the mixer can read for these
// registers: the first pass from the sample start and every loop turn from
// start + loop offset. Wave memory is one heap block, so under
// AddressSanitizer a register block that reaches past it fails here.
inline int TouchMixerBytes(const WaveMemory& memory, const VoiceRegisters& regs) {
    const int8_t* bytes = memory.Data();
    int sum = 0;
    if (regs.length == 0)
        return sum;
    sum += bytes[regs.sampleStart] + bytes[regs.sampleStart + regs.length - 1u];
    if (regs.loopOffset != kPlayOnce) {
        const uint32_t loopStart = regs.sampleStart + regs.loopOffset;
        sum += bytes[loopStart] + bytes[loopStart + regs.length - 1u];
    }
    return sum;
}

// The registers stay inside one wave slot (or the silent sample).
inline bool InsideOneSlot(const VoiceRegisters& regs) {
    uint64_t end = uint64_t(regs.sampleStart) + regs.length;
    if (regs.loopOffset != kPlayOnce)
        end += regs.loopOffset;
    if (regs.sampleStart < kSilentSampleBytes)
        return end <= kWaveMemoryBytes;
    uint64_t slot = (regs.sampleStart - kSilentSampleBytes) / kWaveSlotBytes;
    return end <= WaveSlotOffset(int(slot)) + kWaveSlotBytes;
}

}  // namespace qn::test
