// Row stepping and navigation by hand-worked tables and a hand-traced register run; then songs and step
// programs of random bytes, checked on every tick (ASan makes any overrun fail) and pinned by digests.
#include <algorithm>
#include <random>
#include <vector>

#include "engine/voice_mixer.h"
#include "song/song_image.h"
#include "tests/engine/replayer_fixture.h"

namespace qn::test {
namespace {

class ReplayerStepping : public ReplayerFixture {
protected:
    // Ticks until `rows` rows have ended; returns how long each one lasted.
    std::vector<int> RowLengths(int rows) {
        std::vector<int> lengths;
        for (int ticks = 1, lastRow = replayer.row; int(lengths.size()) < rows && ticks < 10000; ++ticks) {
            Tick();
            if (replayer.row != lastRow)
                lengths.push_back(ticks), ticks = 0, lastRow = replayer.row;
        }
        return lengths;
    }
};

TEST_F(ReplayerStepping, SpeedAndShuffleSetTheRowLengths) {
    // F0x on row 0 of voice 0; -1 means no command (the new song's speed 6).
    struct Case { int parameter; std::vector<int> lengths; const char* what; };
    const Case cases[] = {
        {-1, {6, 6, 6}, "new replayer"},
        {0x62, {6, 2, 6, 2}, "shuffle: high nibble on even rows, low on odd"},
        {47, {47, 47}, "speed 47 is still plain ticks per row"},
        {0x30, {3, 256, 3}, "zero nibble: the 8-bit counter wraps to a 256-tick row"},
        {0x02, {2, 2}, "the speed reloads the current row at once"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc.ResetToNewSong();
        replayer.InitReplayer(&doc.song, &memory);
        if (c.parameter >= 0) SetRow(1, 0, 0, 0, 0xF, c.parameter);
        EXPECT_EQ(replayer.playing, 1);
        EXPECT_EQ(RowLengths(int(c.lengths.size())), c.lengths);
    }
    // Stop after the row: playback ends when row 0 does.
    replayer.stopAfterRow = 1;
    EXPECT_EQ(RowLengths(1), std::vector<int>{2});
    EXPECT_EQ(std::make_pair(int(replayer.playing), int(replayer.stopAfterRow)), std::make_pair(0, 0));
}

TEST_F(ReplayerStepping, RowEndBreakJumpAndRestartChooseTheNextPositionAndRow) {
    // Six ticks from (start position, start row); commands on voice 0 of patterns 1/2 (position 0) or 5 (position 3).
    struct Command { int pattern, row, command, parameter; };
    struct Case {
        const char* what;
        std::vector<Command> rows;
        int length, restart, startPosition, startRow, patternLoop, position, row;
    };
    const Case cases[] = {
        {"past the last row", {}, 4, 0, 0, 63, 0, 1, 0},
        {"break on the last position wraps to the restart", {{5, 0, 0xD, 0x00}}, 4, 1, 3, 0, 0, 1, 0},
        {"break target held at the last row", {{1, 0, 0xD, 0x7F}}, 4, 0, 0, 0, 0, 1, 63},
        {"break to row 16 of the next position", {{1, 0, 0xD, 0x10}}, 4, 0, 0, 0, 0, 1, 16},
        {"break and jump from 128 up do nothing", {{1, 0, 0xD, 0x80}, {2, 0, 0xB, 0x80}}, 4, 0, 0, 0, 0, 0, 1},
        {"jump to row 0 of the position", {{1, 0, 0xB, 0x05}}, 8, 0, 0, 0, 0, 5, 0},
        {"jump with pattern loop restarts the pattern", {{1, 3, 0xB, 0x05}}, 8, 0, 0, 3, 1, 0, 0},
        {"pattern loop repeats at the pattern end", {}, 4, 0, 0, 63, 1, 0, 0},
        {"break and jump on one row: row 0 of the jump target", {{1, 0, 0xD, 0x10}, {2, 0, 0xB, 0x02}}, 4, 0, 0,
         0, 0, 2, 0},
        {"restart past the song starts over at 0", {}, 4, 255, 3, 63, 0, 0, 0},
        {"jump past the song uses the restart", {{1, 0, 0xB, 0x7F}}, 4, 2, 0, 0, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc.ResetToNewSong();
        song().sequence[3 * kVoices].pattern = 5;
        song().SetSequenceLength(c.length);
        song().restartPosition = uint32_t(c.restart);
        for (const Command& command : c.rows)
            SetRow(command.pattern, command.row, 0, 0, command.command, command.parameter);
        replayer.InitReplayer(&doc.song, &memory);
        replayer.patternLoop = uint8_t(c.patternLoop);
        replayer.SetPosition(c.startPosition);
        replayer.SetRow(c.startRow);
        for (int tick = 0; tick < 6; ++tick)
            Tick();
        EXPECT_EQ(std::make_pair(int(song().currentPosition), int(replayer.row)), std::make_pair(c.position, c.row));
    }
}

TEST_F(ReplayerFixture, NavigationWrapsAndLooksOnlyInsideTheSong) {
    // Negative rows count from the end; positions wrap to the restart position (0 past the song).
    const std::pair<int, int> rows[] = {{-1, 63}, {64, 0}, {-65, 0}};
    for (auto [to, row] : rows) {
        replayer.SetRow(to);
        EXPECT_EQ(replayer.row, row) << to;
    }
    const std::array<int, 3> positions[] = {{-1, 0, 3}, {4, 2, 2}, {4, 9, 0}};  // to, restart, position
    for (auto [to, restart, position] : positions) {
        song().restartPosition = uint32_t(restart);
        replayer.SetPosition(to);
        EXPECT_EQ(song().currentPosition, unsigned(position)) << to << " restart " << restart;
    }
    EXPECT_EQ(replayer.HighestPatternUsed(), 4);
    song().sequence[2 * kVoices + 3].pattern = 200;
    EXPECT_EQ(replayer.HighestPatternUsed(), 200);
    song().SetSequenceLength(2);
    EXPECT_EQ(replayer.HighestPatternUsed(), 4);
}

// Base periods every 16 entries, and entries interpolated in 16.16 between
// them: entry k after base p0 (next p1) is (p0*65536 + k*((p1-p0)*65536 >> 4)) >> 16.
TEST(PeriodTable, BasePeriodsAndInterpolatedEntries) {
    const std::pair<int, int> entries[] = {{0, 848},   {1, 845},   {8, 824},  {15, 803}, {16, 800}, {17, 797},
                                           {191, 425}, {192, 424}, {193, 422}, {408, 194}, {424, 183}, {537, 122},
                                           {560, 113}, {576, 113}};
    for (const auto& [index, period] : entries) EXPECT_EQ(PeriodTable()[size_t(index)], period) << "index " << index;
}

// Speed 2 (F02 on voice 1); voice 0 plays note 25 + transpose 12 with instrument 1 (attack 2: level +128 a tick;
// steps: wave 2, C20, F00), then 108 on row 1. Wave 2 is a 256-byte one-shot in slot 2 (starting at 65538).
// Pitch index = slide (16, +8 on ticks 3-4) + 37 * 16 - 32 = 576, 576, 584, 592...: above 537, so one octave
// down: table[384] = 212, [392] = 206, [400] = 200, from the half copy (128 bytes at slot + 256) once triggered.
// Volume = ((level >> 4) * step volume >> 6) * 64 >> 6, step volume 64 on tick 1, then 32: 8, 8, 12, ..., 32.
TEST_F(ReplayerFixture, RegisterTraceOfAOneShotAboveThePeriodRangeWithSlideAndAttack) {
    Wave(2).lengthIndex = 1, Wave(2).waveLength = 256, Wave(2).subloopLen = 0;
    Instrument(1).attack = 2;
    Steps(1, {{0, 0x0, 2}, {0, 0xC, 0x20}, {0, 0xF, 0x00}});
    song().sequence[0].transpose = 12;
    SetRow(1, 0, 25, 1);
    SetRow(1, 1, 0, 0, 0x1, 0x08);
    SetRow(2, 0, 0, 0, 0xF, 0x02);

    const int periods[] = {212, 212, 206, 200, 200, 200, 200, 200, 200};
    const int volumes[] = {8, 8, 12, 16, 20, 24, 28, 32, 32};
    for (int tick = 0; tick < 9; ++tick)  // start, length, loop offset, period, volume, trigger
        EXPECT_EQ(Fields(Tick()[0]), (std::vector<int>{65794, 128, kPlayOnce, periods[tick], volumes[tick], tick == 0}))
            << "tick " << tick + 1;
    EXPECT_NE(Wave(2).flags & kWaveOctaveCopies, 0);
    EXPECT_EQ(replayer.row, 4);  // two ticks per row
}

TEST_F(ReplayerFixture, ReselectingWithoutRestartForeverDoesNotOverflowThePosition) {
    // 4xx keeps subtracting "Subloop Step" from the window position; on a one-shot nothing brings it back.
    Wave(24).subloopLen = 0;
    Wave(24).subloopStep = 65535;
    StartInstrument(voice(0), song(), 1);
    voice(0).subloopPosition = -2147483647 + 65535;
    SelectWave(voice(0), song(), 23, false);
    SelectWave(voice(0), song(), 23, false);
    EXPECT_GT(voice(0).subloopPosition, 0);  // wrapped like the 32-bit register
}

// Laid out like a parsed song image (4 rows, stride 4, two positions, one stored wave, steps for instrument 1 only,
// every array exactly as long as its data), a song plays through and back to 0 (the restart lies past the song)
// without selecting, flagging or mixing in waves the image does not hold, or running past the 32 steps.
TEST(PackedSong, PlaysOnlyWhatTheImageHolds) {
    Song song;
    song.rowsPerPattern = song.rowStride = 4;
    song.sequenceLength = 2, song.restartPosition = 200, song.waveCount = song.waveRecordCount = 1;
    std::vector<InstrumentStep> steps(kInstrumentSteps, {0x80, 0, 0});  // linked: run to the end at once
    steps[0] = {0, 0x0, 20}, steps[1] = {0, 0x4, 3};  // select wave 20 (not stored), likewise without restart
    std::vector<qntPatternStep> patterns(2 * 4);
    std::vector<SequenceEntry> sequence(2 * kVoices);
    std::vector<InstrumentParams> instruments(kInstrumentSlots, DefaultInstrumentParams());
    std::vector<WaveParams> waves(1, DefaultWaveParams());
    song.patterns = song.patternPointers[0] = patterns.data();
    song.patternPointers[1] = patterns.data() + 4;
    song.sequence = sequence.data(), song.instruments = instruments.data(), song.waves = waves.data();
    song.instrumentSteps[0] = steps.data();
    for (int slot = 0; slot < kWaves; ++slot) song.waveCalcOrder[slot] = uint8_t(slot);
    sequence[0].pattern = 1, sequence[kVoices].pattern = 2;
    patterns[4 + 1] = {13, 0x10, 0};  // note 13, instrument 1
    instruments[0].stepCount = 255;
    waves[0].mixWave = 7;  // a source the image does not hold: mixes in nothing
    WaveMemory memory;
    Replayer replayer;
    replayer.InitReplayer(&song, &memory);
    for (int tick = 0; tick < 36; ++tick) replayer.TickRows(), replayer.TickVoices();
    const VoiceState& voice = replayer.voices[0];
    EXPECT_EQ((std::vector<int>{int(song.currentPosition), int(voice.notesStarted), voice.waveIndex, voice.stepIndex,
                                waves[0].flags & kWaveOctaveCopies}),
              (std::vector<int>{1, 1, 0, kInstrumentSteps, 0}));
    for (int tick = 0; tick < 12; ++tick) replayer.TickRows(), replayer.TickVoices();
    EXPECT_EQ(song.currentPosition, 0u);
}

// Also a golden render: every register block and mixed frame goes into a digest (a meant change prints the new one).
class RandomSongs : public ReplayerFixture {
protected:
    std::mt19937 random{20261206};
    uint8_t Byte() { return uint8_t(random() & 0xff); }
    void Fill(void* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            static_cast<uint8_t*>(data)[i] = Byte();
    }
    // The period is a table entry, or 0 for an echo reading an unwritten ring entry. Mixed at 100 Hz, every frame
    // steps over hundreds of bytes, so passes and loops reach far into the window (ASan fails any read outside).
    void ExpectSafe(const VoiceRegisters* regs, int tick) {
        VoiceRegisters copy[kVoices];
        for (int v = 0; v < kVoices; ++v) {
            ASSERT_LE(regs[v].volume, 64) << "tick " << tick;
            ASSERT_TRUE(regs[v].period == 0 || regs[v].period >= 112) << "tick " << tick;
            copy[v] = regs[v];
            copy[v].sampleStart = std::min<uint32_t>(copy[v].sampleStart, uint32_t(WaveMemory::Size()));
            Fold(digest, uint64_t(regs[v].sampleStart) << 32 | uint64_t(regs[v].length) << 16 | regs[v].loopOffset);
            Fold(digest, uint64_t(regs[v].period) << 16 | uint64_t(regs[v].volume) << 8 | regs[v].trigger);
        }
        int16_t out[2 * 64] = {};
        mixer.MixVoices(copy, memory.Data(), WaveMemory::Size(), out, 64, 100, 1.0f);
        for (int16_t sample : out) Fold(digest, uint16_t(sample));
    }
    VoiceMixer mixer;
    uint64_t digest = kDigestStart;
};

TEST_F(RandomSongs, ThousandsOfTicksOfRandomSongsStayInsideTheirBuffers) {
    constexpr int kPatternsUsed = 8;
    for (int iteration = 0; iteration < 1000; ++iteration) {
        song().SetRowsPerPattern(1 + int(random() % 128));
        song().SetSequenceLength(1 + int(random() % 8));
        song().restartPosition = Byte();
        for (int entry = 0; entry < 8 * kVoices; ++entry) {
            song().sequence[entry].pattern = uint8_t(random() % (kPatternsUsed + 1));
            song().sequence[entry].transpose = int8_t(Byte());
        }
        for (int pattern = 1; pattern <= kPatternsUsed; ++pattern)
            Fill(&Row(pattern, 0), kPatternSlotBytes);
        Fill(song().instruments, kInstrumentBytes);
        for (int slot = 0; slot < kInstrumentSlots; ++slot)
            Fill(song().instrumentSteps[slot], kStepTableBytes);
        Fill(song().waves, kWaveBytes);
        replayer.SetPosition(int(random() % 8)), replayer.SetRow(int(random() % 128));
        replayer.speed = Byte(), replayer.patternLoop = uint8_t(random() & 1);
        for (int v = 0; v < kVoices; ++v)
            voice(v).muted = uint8_t((random() & 7) == 0);
        replayer.StartPlaying();
        for (int tick = 0; tick < 300; ++tick) {
            if (!replayer.playing && (random() & 31) == 0) replayer.speed = Byte(), replayer.StartPlaying();
            ASSERT_NO_FATAL_FAILURE(ExpectSafe(Tick().data(), tick));
            ASSERT_LT(song().currentPosition, song().sequenceLength);
        }
    }
    EXPECT_EQ(digest, 0xe6af5e8edeba990cull) << std::hex << "new digest 0x" << digest;
}

TEST_F(RandomSongs, RandomStepProgramsOnEveryPitchStayInsideTheirBuffers) {
    random.seed(77);
    replayer.playing = 0;
    for (int iteration = 0; iteration < 3000; ++iteration) {
        InstrumentStep* steps = song().instrumentSteps[0];
        for (int i = 0; i < kInstrumentSteps; ++i)
            steps[i] = {Byte(), Byte(), Byte()};
        for (int i = 0; i < kInstrumentSteps; ++i)  // mostly wave numbers in range, so the windows really move
            if ((random() & 3) == 0)
                steps[i].b1 = uint8_t(steps[i].b1 & 0xf0), steps[i].b2 = uint8_t(1 + random() % 24);
        Instrument(1) = {Byte(), Byte(), Byte(), Byte(), Byte(), Byte(), Byte(), Byte()};
        WaveParams& wave = Wave(1 + int(random() % 24));
        Fill(&wave, sizeof(WaveParams));
        if ((random() & 3) == 0)
            wave.subloopLen = 0;  // a one-shot
        VoiceState& v = voice(int(random() % 3));
        StartInstrument(v, song(), 1);
        v.notePitch = int16_t(uint16_t(random())), v.patternSlide = int16_t(int(random() % 512) - 256);
        v.arpeggio[0] = Byte(), v.arpeggio[1] = Byte() & 15, v.arpeggio[2] = Byte() & 15;
        v.noteCut = uint8_t(random() % 20), v.pendingSubloopOffset = Byte();
        v.releaseCountdown = uint8_t(random() % 40);
        v.pendingStepJump = (random() & 3) == 0 ? uint8_t(random() % 40) : kNoStepJump;
        for (int tick = 0; tick < 200; ++tick) {
            if ((random() & 15) == 0) v.pendingSubloopOffset = Byte();
            ASSERT_NO_FATAL_FAILURE(ExpectSafe(Tick().data(), tick));  // the voices only: not playing
        }
    }
    EXPECT_EQ(digest, 0xd4437f6f3c6c0e85ull) << std::hex << "new digest 0x" << digest;
}

// The song played from the editable layout and from its song image (row stride = rows, only what is stored)
// gives the same registers tick by tick.
TEST_F(ReplayerFixture, ParsedImageSongPlaysLikeTheEditableSong) {
    Song& song = doc.song;
    song.SetRowsPerPattern(8);
    Steps(2, {{0, 0x0, 2}, {0x80 | 13, 0x1, 4}, {0, 0xB, 0}});
    Wave(2).lengthIndex = 1, Wave(2).waveLength = 256, Wave(2).subloopLen = 32, Wave(2).loopEnd = 256;
    Wave(2).subloopStep = 24;
    song.patternPointers[0][0] = {13, 0x20, 0};
    song.patternPointers[0][3] = {25, 0x25, 0x82};
    song.patternPointers[1][2] = {37, 0x1C, 0x30};
    song.patternPointers[0][6] = {kReleaseNote, 0, 0};

    std::vector<uint8_t> image(kSongImageBufferSize);
    SongImageResult result;
    ASSERT_GT(WriteSongImage(doc, image.data(), image.size(), &result, nullptr), 0u);
    image.resize(result.size);
    Song parsed;
    ASSERT_TRUE(ParseSongImage(parsed, image.data(), image.size()));
    EXPECT_EQ(parsed.waveRecordCount, result.waveCount);
    EXPECT_EQ(parsed.rowStride, 8);

    WaveMemory parsedMemory;
    Replayer fromImage;
    replayer.InitReplayer(&song, &memory);
    fromImage.InitReplayer(&parsed, &parsedMemory);
    for (int tick = 0; tick < 400; ++tick) {
        SCOPED_TRACE(tick);
        const auto regs = Tick();
        if (fromImage.playing) fromImage.TickRows();
        fromImage.TickVoices();
        ASSERT_EQ(song.currentPosition, parsed.currentPosition);
        for (int v = 0; v < kVoices; ++v) {
            ASSERT_EQ(Fields(regs[v]), Fields(fromImage.voices[v].registers)) << "voice " << v;
            fromImage.voices[v].registers.trigger = 0;
        }
    }
    EXPECT_GT(voice(1).notesStarted, 0u);
}

}  // namespace
}  // namespace qn::test
