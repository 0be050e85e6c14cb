// Song stepping and navigation by hand-worked tables, and a hand-traced
// register run; the digests of the random songs (replayer_bounds_test.cpp)
// pin what every row command does to the voices. A row is read on its first
// tick and ends when the tick counter, loaded with its tick count, reaches 0.
#include <vector>

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
        {0x33, {3, 3, 3, 3}, "equal nibbles"},
        {47, {47, 47}, "speed 47 is still plain ticks per row"},
        {0x30, {3, 256, 3}, "zero nibble: the 8-bit counter wraps to a 256-tick row"},
        {0x02, {2, 2}, "the speed reloads the current row at once"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc.ResetToNewSong();
        replayer.InitReplayer(&doc.song, &memory);
        if (c.parameter >= 0)
            SetRow(1, 0, 0, 0, 0xF, c.parameter);
        EXPECT_EQ(replayer.playing, 1);
        EXPECT_EQ(RowLengths(int(c.lengths.size())), c.lengths);
    }
    // Stop after the row: playback ends when row 0 does.
    replayer.stopAfterRow = 1;
    EXPECT_EQ(RowLengths(1), std::vector<int>{2});
    EXPECT_EQ(replayer.playing, 0);
    EXPECT_EQ(replayer.stopAfterRow, 0);
}

TEST_F(ReplayerStepping, RowEndBreakJumpAndRestartChooseTheNextPositionAndRow) {
    // Six ticks from (start position, start row) in a song of `length`
    // positions; `rows` puts commands on voice 0 of patterns 1/2 (position 0)
    // or 5 (placed at position 3).
    struct Command { int pattern, row, command, parameter; };
    struct Case {
        const char* what;
        std::vector<Command> rows;
        int length, restart, startPosition, startRow, patternLoop;
        unsigned position;
        int row;
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
        EXPECT_EQ(song().currentPosition, c.position);
        EXPECT_EQ(replayer.row, c.row);
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

// Speed 2 (F02 on voice 1); voice 0 plays note 25 with instrument 1 at a
// position transpose of +12, then 108 (slide up 8 a tick) on row 1.
// Instrument 1: attack index 2 (128 a tick), sustain 15; steps: select wave
// 2, C20, F00. Wave 2: 256 bytes, no sub-loop (plays once from offset 0).
//
// Hand trace, voice 0 (slot of wave 2 = 2 + 65536 = 65538):
// - pitch index = slide accumulator (16, +8 per tick from tick 3 to 4) +
//   note pitch (37 * 16 = 592) - 32 = 576, 576, 584, 592, 592...: all above
//   537, so one octave down (excess < 12): table[384] = 212, table[392] =
//   206, table[400] = 200; the one-shot triggered on tick 1 moves into the
//   half copy (length 256 >> 1, start slot + 256) and keeps it afterwards.
// - volume = ((level >> 4) * step volume >> 6) * 64 >> 6 with level 128 a
//   tick up to 1024 and step volume 64 on tick 1, then 32 (C20 on tick 2):
//   8, 8, 12, 16, 20, 24, 28, 32, 32.
TEST_F(ReplayerFixture, RegisterTraceOfAOneShotAboveThePeriodRangeWithSlideAndAttack) {
    Wave(2).lengthIndex = 1;
    Wave(2).waveLength = 256;
    Wave(2).subloopLen = 0;
    Instrument(1).attack = 2;
    doc.song.instrumentSteps[0][0] = {0, 0x0, 2};
    doc.song.instrumentSteps[0][1] = {0, 0xC, 0x20};
    doc.song.instrumentSteps[0][2] = {0, 0xF, 0x00};
    song().sequence[0].transpose = 12;
    SetRow(1, 0, 25, 1);
    SetRow(1, 1, 0, 0, 0x1, 0x08);
    SetRow(2, 0, 0, 0, 0xF, 0x02);

    const int periods[] = {212, 212, 206, 200, 200, 200, 200, 200, 200};
    const int volumes[] = {8, 8, 12, 16, 20, 24, 28, 32, 32};
    for (int tick = 0; tick < 9; ++tick) {
        SCOPED_TRACE(tick + 1);
        const VoiceRegisters regs = Tick()[0];
        EXPECT_EQ(regs.sampleStart, 65794u);
        EXPECT_EQ(regs.length, 128);
        EXPECT_EQ(regs.loopOffset, kPlayOnce);
        EXPECT_EQ(regs.period, periods[tick]);
        EXPECT_EQ(regs.volume, volumes[tick]);
        EXPECT_EQ(regs.trigger, tick == 0 ? 1 : 0);
    }
    EXPECT_NE(Wave(2).flags & kWaveOctaveCopies, 0);
    EXPECT_EQ(replayer.row, 4);  // two ticks per row
}

}  // namespace
}  // namespace qn::test
