// The wave editor: the panel's table against the record bytes, clone, mix, loop and snap rules, the window.
#include <cstring>
#include <functional>
#include <random>

#include "editors/area_synth_wave.h"
#include "editors/wave_panel.h"
#include "editors/wave_rules.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// Every bit outside `mask` of byte `byte` equal in both records.
void ExpectOnlyBits(const WaveParams& before, const WaveParams& after, int byte, int mask, const char* label) {
    auto bytes = [](const WaveParams& wave) { return reinterpret_cast<const uint8_t*>(&wave); };
    for (int i = 0; i < int(sizeof(WaveParams)); ++i)
        EXPECT_EQ(bytes(before)[i] & (i == byte ? ~mask : 0xff), bytes(after)[i] & (i == byte ? ~mask : 0xff))
            << label << " changed byte " << i;
}

TEST(WavePanelTable, EveryFieldWritesExactlyItsBitsAndReadsThemBack) {
    std::mt19937 random(12);
    int fields = 0, toggles = 0;
    for (int row = 0; row < kWavePanelRows; ++row) {
        const WaveFieldSpec& spec = kWavePanelTable[row];
        const int mask = ((1 << spec.bits) - 1) << spec.shift;
        const bool toggle = spec.kind == WaveRowKind::kHeading && spec.byte >= 0;
        // "Mix Wave" and "Clone from Wave" search: their rules below.
        const bool field = spec.kind == WaveRowKind::kField &&
                           (spec.rule == WaveFieldRule::kPlain || spec.rule == WaveFieldRule::kLength);
        fields += field, toggles += toggle;
        for (int trial = 0; trial < 32 && (field || toggle); ++trial) {
            WaveParams before;
            for (size_t i = 0; i < sizeof(before); ++i) reinterpret_cast<uint8_t*>(&before)[i] = uint8_t(random());
            WaveParams after = before;
            int value = toggle ? trial & 1 : spec.minimum + int(random() % uint32_t(spec.maximum - spec.minimum + 1));
            if (toggle) WriteWaveToggle(after, spec, value);
            else WriteWaveField(after, spec, value);
            EXPECT_EQ(toggle ? int(ReadWaveToggle(after, spec)) : ReadWaveField(after, spec), value) << spec.label;
            ExpectOnlyBits(before, after, spec.byte, mask, spec.label);
        }
    }
    EXPECT_EQ(std::pair(fields, toggles), std::pair(30, 2));
}

class WaveRules : public ::testing::Test {
protected:
    void SetUp() override { document.ResetToNewSong(); }
    Song& song() { return document.song; }
    WaveParams& wave(int number) { return song().waves[number - 1]; }
    SongDocument document;
    WaveCloneStore store;
};

TEST_F(WaveRules, CloneAndMixSettersSkipWhatWouldLoopAndRestoreOnlyASavedRecord) {
    wave(4).cloneFrom = wave(24).cloneFrom = 1;  // the clone search skips itself and clones
    wave(3).gain = 99, wave(3).cloneFrom = 2;
    for (auto [request, expected] : {std::pair{3, 5}, {4, 2}, {1, 1}, {0, 0}}) {
        WaveParams before = wave(3);
        SetCloneFrom(song(), store, 3, request);
        ExpectOnlyBits(before, wave(3), 18, 0xff, "Clone from Wave");
        EXPECT_EQ(wave(3).cloneFrom, expected) << "request " << request;
    }
    EXPECT_EQ(wave(3).gain, 99);  // a clone before anything was saved: only its byte cleared
    // Becoming a clone saves the record; a search past 24 (24 is a clone) gives 0 and restores it.
    wave(23).gain = 7;
    SetCloneFrom(song(), store, 23, 22);
    EXPECT_EQ(wave(23).cloneFrom, 22);
    wave(23).gain = 1;  // what a regeneration's clone copy would do
    SetCloneFrom(song(), store, 23, 24);
    EXPECT_EQ(std::pair(int(wave(23).cloneFrom), int(wave(23).gain)), std::pair(0, 7));
    SetCloneFrom(song(), store, 23, 1);  // a store reset (load, new song, undo) forgets it
    wave(23).gain = 1, store.Reset();
    SetCloneFrom(song(), store, 23, 0);
    EXPECT_EQ(wave(23).gain, 1);

    // The mix setter skips cycles and values naming no wave.
    document.ResetToNewSong();
    wave(2).mixWave = wave(23).mixWave = 1;
    struct Case { int from, request, expected; } cases[] = {
        {0, 16, 3},     // a big step too: 1 is itself, 2 mixes 1 back
        {0, -1, 22},    // down from 0: 24 (generated as 23) and 23 mix 1 back
        {22, 23, 0},    // up from 22: 23 and 24 close cycles, then 0
        {5, 5, 5},      // the current value without a cycle stays
        {200, 200, 0},  // a loaded value naming no wave counts as 23: a cycle, so up to 24, then 0
        {2, 2, 3},      // a loaded cycle is broken when the panel sets the value it holds
    };
    for (const Case& c : cases) {
        wave(1).mixWave = uint8_t(c.from);
        WaveParams before = wave(1);
        SetMixWave(song(), 1, c.request);
        EXPECT_EQ(wave(1).mixWave, c.expected) << "from " << c.from << " request " << c.request;
        ExpectOnlyBits(before, wave(1), 26, 0xff, "Mix Wave");
        EXPECT_FALSE(MixChainHasCycle(song(), 1));
    }
    wave(5).mixWave = 23;  // up from 23 passes over 24, which generation lowers to 23 again
    SetMixWave(song(), 5, 24);
    EXPECT_EQ(wave(5).mixWave, 0);
}

TEST_F(WaveRules, LengthChangesKeepTheLoopInsideTheWaveAndSnapCycles) {
    WaveSynth synth;
    WaveMemory memory;
    WaveParams& w = wave(1);
    w.lengthIndex = 1;  // longer: the loop is unchanged; shorter: it is cut to the wave
    RegenerateEditedWaves(song(), memory, synth, 1);
    EXPECT_EQ((std::vector<int>{w.waveLength, w.loopEnd}), (std::vector<int>{256, 128}));
    w.loopEnd = 256, w.loopStart = 200, w.subloopLen = 40, w.subloopStep = 50, w.lengthIndex = 0;
    RegenerateEditedWaves(song(), memory, synth, 1);
    EXPECT_EQ((std::vector<int>{w.waveLength, w.loopEnd, w.loopStart, w.subloopLen, w.subloopStep}),
              (std::vector<int>{128, 128, 128, 0, 0}));
    struct Case { int baseNote, lengthIndex, cycle; } cases[] = {
        {24, 0, 32}, {-12, 3, 256}, {0, 0, 128}, {96, 0, 0}, {-120, 255, 32768}, {-128, 7, 1024}};
    for (const Case& c : cases) {
        w.baseNote = int8_t(c.baseNote);
        w.lengthIndex = uint8_t(c.lengthIndex);
        w.waveLength = uint16_t(WaveLength(w));
        w.loopStart = 70, w.loopOffset = 50, w.subloopLen = w.subloopStep = 9;
        EXPECT_EQ(LoopCycleLength(w), c.cycle) << c.baseNote;
        SnapLoopToCycle(w);
        EXPECT_EQ((std::vector<int>{w.loopEnd, w.subloopLen, w.subloopStep}),
                  (std::vector<int>{w.waveLength, c.cycle, c.cycle}));
        if (c.cycle == 0) continue;
        EXPECT_EQ(w.loopStart, 70 / c.cycle * c.cycle);
        EXPECT_EQ(w.loopOffset, (50 + c.cycle / 2) / c.cycle * c.cycle);
    }
}

class WaveWindow : public AppTest {
protected:
    AreaSynthWave* pane() { return static_cast<AreaSynthWave*>(app()->wavePane); }
    WaveParams& wave(int number) { return *app()->document->song.Wave(number); }
    // Edits a wave the way the panel does, under the audio lock, and runs frames.
    void Edit(const std::function<void()>& edit, int frames = 4) {
        std::unique_lock<std::recursive_mutex> lock(app()->audioMutex);
        edit();
        lock.unlock();
        harness.Frame(frames);
    }
    // A drag of the marker from its centre by `dx` pixels, in two moves.
    void Drag(GuiItem* marker, int dx) {
        SDL_Rect rect = marker->AbsoluteRect();
        int x = rect.x + rect.w / 2, y = rect.y + rect.h / 2;
        harness.MouseMove(x, y);
        harness.MouseButton(true, x, y);
        harness.Frame();
        for (int to : {x + dx / 2, x + dx}) {
            SDL_Event event{SDL_MOUSEMOTION};
            event.motion.state = SDL_BUTTON_LMASK, event.motion.x = to, event.motion.y = y;
            harness.Push(event);
            harness.Frame();
        }
        harness.MouseButton(false, x + dx, y);
        harness.Frame(3);
    }
};

TEST_F(WaveWindow, LoopMarkersRegenerationsAndWhatItMadeIsWhatTheSavedSongMakes) {
    // 384 samples over 620 pixels, a step about 1.6 pixels: opening changes no loop point.
    Edit([&] { wave(1).lengthIndex = 2, wave(1).loopStart = 101, wave(1).loopEnd = 299; }, 0);
    Run(kCommandWaveWindow);
    harness.Frame(8);
    ASSERT_EQ(app()->currentWindow, kWaveWindow);
    EXPECT_EQ(pane()->regenerations, 1);
    // Drags move by whole steps and stop at the ends; the start follows the end down.
    DragableLable* start = pane()->markers->markers[0].label;
    DragableLable* end = pane()->markers->markers[1].label;
    const std::tuple<DragableLable*, int, int, int> drags[] = {
        {start, 1, 101, 299}, {end, -2000, 0, 0}, {end, 310, 0, 192}, {end, 2000, 0, 384}};
    for (auto [marker, dx, loopStart, loopEnd] : drags) {
        Drag(marker, dx);
        EXPECT_EQ(wave(1).loopStart, loopStart) << dx;
        EXPECT_NEAR(wave(1).loopEnd, loopEnd, 1) << dx;
    }
    const int regenerations = pane()->regenerations;  // one per change, also of the current wave
    Edit([&] { wave(1).filterType = 1; });
    EXPECT_EQ(pane()->regenerations, regenerations + 1);
    Press(SDLK_KP_PLUS);
    EXPECT_TRUE(app()->currentWave == 2 && pane()->regenerations == regenerations + 2);
    Edit([&] { wave(2).mixWave = 1, wave(2).baseNote = 7; }, 2);  // wave 2 mixes the filtered wave 1 in
    std::vector<int8_t> heard(app()->waveMemory->Data(), app()->waveMemory->Data() + kWaveMemoryBytes);
    ASSERT_TRUE(app()->SaveSong("edited.qnt"));
    const std::string saved = AppHarness::ReadFile("edited.qnt");
    std::vector<uint8_t> image(saved.begin(), saved.end());
    ASSERT_TRUE(app()->LoadSong(image));
    for (int slot = 0; slot < app()->document->song.waveCount; ++slot) {
        size_t bytes = size_t(WaveLengthWithOctaveCopies(WaveLength(wave(slot + 1))));
        EXPECT_EQ(std::memcmp(heard.data() + WaveSlotOffset(slot), app()->waveMemory->Slot(slot), bytes), 0)
            << "wave " << slot + 1;
    }
}

}  // namespace
}  // namespace qn::testing
