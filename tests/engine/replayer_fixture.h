// A new song, its wave memory and a Replayer for it, ticked as the audio callback does it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

#include "engine/replayer.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace qn::test {

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
    void Steps(int instrument, std::initializer_list<InstrumentStep> steps) {
        std::copy(steps.begin(), steps.end(), doc.song.instrumentSteps[instrument - 1]);
    }
    InstrumentParams& Instrument(int number) { return doc.song.instruments[number - 1]; }
    WaveParams& Wave(int number) { return doc.song.waves[number - 1]; }

    // One audio tick; returns the four register blocks as the mixer gets them.
    std::array<VoiceRegisters, kVoices> Tick() {
        if (replayer.playing) replayer.TickRows();
        replayer.TickVoices();
        std::array<VoiceRegisters, kVoices> out{};
        for (int v = 0; v < kVoices; ++v) {
            out[size_t(v)] = voice(v).registers;
            voice(v).registers.trigger = 0;
        }
        return out;
    }

    SongDocument doc;
    WaveMemory memory;
    Replayer replayer;
};

// The fields of a register block, to compare two blocks in one message.
inline std::vector<int> Fields(const VoiceRegisters& r) {
    return {int(r.sampleStart), r.length, r.loopOffset, r.period, r.volume, r.trigger};
}

// Folds a value into an FNV-1a digest of a long random run.
inline void Fold(uint64_t& digest, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        digest = (digest ^ ((value >> (8 * i)) & 0xff)) * 0x100000001b3ull;
}
constexpr uint64_t kDigestStart = 0xcbf29ce484222325ull;

}  // namespace qn::test
