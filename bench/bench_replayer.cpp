// Song stepping and voice ticks for four busy voices: every voice plays a
// note on every row with a moving wave window, vibrato, a step program that
// runs every tick, and pattern slides, at speed 1 so rows are read each tick.
#include <benchmark/benchmark.h>

#include "engine/replayer.h"
#include "engine/wave_synth.h"
#include "song/song.h"

namespace {

void BuildBusySong(qn::SongDocument& doc) {
    qn::Song& song = doc.song;
    for (int w = 0; w < qn::kWaves; ++w) {
        qn::WaveParams& wave = song.waves[w];
        wave.lengthIndex = 3;
        wave.waveLength = 512;
        wave.loopEnd = 512;
        wave.subloopLen = 128;
        wave.subloopStep = 8;
        wave.subloopWait = 1;
    }
    for (int i = 0; i < 4; ++i) {
        qn::InstrumentParams& params = song.instruments[i];
        params.vibratoDepth = 5;
        params.vibratoSpeed = 7;
        params.attack = 3;
        params.decay = 4;
        params.sustain = 10;
        qn::InstrumentStep* steps = song.instrumentSteps[i];
        for (int s = 0; s < qn::kInstrumentSteps; ++s) {
            steps[s].b0 = uint8_t(s % 3 == 0 ? (1 + s % 12) : 0);
            steps[s].b1 = uint8_t(s % 4 == 0 ? 0x0 : 0x1);
            steps[s].b2 = uint8_t(s % 4 == 0 ? 1 + (s / 4) % 24 : 3);
        }
        steps[31].b1 = 0xB;
        steps[31].b2 = 0;
    }
    for (int v = 0; v < qn::kVoices; ++v)
        for (int row = 0; row < 64; ++row) {
            qn::qntPatternStep& step = song.patternPointers[v][row];
            step.SetNote(13 + (row * 5 + v * 7) % 36);
            step.SetInstrument(1 + (row + v) % 4);
            step.SetCommand(row % 8 == 0 ? 0xF : 0x1);
            step.SetParameter(row % 8 == 0 ? 1 : 2);
        }
}

void BM_TickRowsAndVoices(benchmark::State& state) {
    qn::SongDocument doc;
    BuildBusySong(doc);
    qn::WaveMemory memory;
    qn::Replayer replayer;
    replayer.InitReplayer(&doc.song, &memory);
    for (auto _ : state) {
        if (!replayer.playing)
            replayer.StartPlaying();
        replayer.TickRows();
        replayer.TickVoices();
        for (qn::VoiceState& voice : replayer.voices)
            voice.registers.trigger = 0;
        benchmark::DoNotOptimize(replayer.voices[0].registers);
    }
}
BENCHMARK(BM_TickRowsAndVoices);

}  // namespace
