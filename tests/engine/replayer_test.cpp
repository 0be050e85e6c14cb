// Song stepping by hand-worked tables: speeds and shuffle, breaks, jumps and
// restart; navigation. What each row command does to the
// voices is pinned by the golden digest of the random songs
// (replayer_bounds_test.cpp).
//
// Expected tick counts and values were worked out by hand from the tick
// order: TickRows reads a row on its first tick and the row ends when the
// tick counter, loaded with the row's tick count, has been decremented to 0.
#include <algorithm>
#include <vector>

#include "tests/engine/replayer_fixture.h"

namespace qn::test {
namespace {

class ReplayerStepping : public ReplayerFixture {
protected:
    // Ticks until `rows` rows have ended; returns how long each one lasted.
    std::vector<int> RowLengths(int rows) {
        std::vector<int> lengths;
        int ticks = 0;
        int lastRow = replayer.row;
        while (int(lengths.size()) < rows && ticks < 10000) {
            Tick();
            ++ticks;
            if (replayer.row != lastRow) {
                lengths.push_back(ticks);
                ticks = 0;
                lastRow = replayer.row;
            }
        }
        return lengths;
    }
};

TEST_F(ReplayerStepping, SpeedAndShuffleSetTheRowLengths) {
    // F0x on row 0 of voice 0; 0 means no command (the new song's speed 6).
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
        {"break and jump on one row: row 0 of the jump target", {{1, 0, 0xD, 0x10}, {2, 0, 0xB, 0x02}}, 4, 0, 0, 0, 0, 2, 0},
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
        if (c.startPosition != 0)
            replayer.SetPosition(c.startPosition);
        if (c.startRow != 0)
            replayer.SetRow(c.startRow);
        Ticks(6);
        EXPECT_EQ(song().currentPosition, c.position);
        EXPECT_EQ(replayer.row, c.row);
    }
}

TEST_F(ReplayerStepping, StopAfterRowEndsPlaybackAtTheNextRow) {
    replayer.stopAfterRow = 1;
    Ticks(5);
    EXPECT_EQ(replayer.playing, 1);
    Tick();
    EXPECT_EQ(replayer.playing, 0);
    EXPECT_EQ(replayer.stopAfterRow, 0);
    EXPECT_EQ(replayer.row, 1);
}

class ReplayerNavigation : public ReplayerFixture {};

TEST_F(ReplayerNavigation, SetRowCountsNegativeRowsFromTheEnd) {
    replayer.SetRow(-1);
    EXPECT_EQ(replayer.row, 63);
    replayer.SetRow(64);
    EXPECT_EQ(replayer.row, 0);
    replayer.SetRow(-65);
    EXPECT_EQ(replayer.row, 0);
}

TEST_F(ReplayerNavigation, SetPositionWrapsToTheRestartPosition) {
    replayer.SetPosition(-1);
    EXPECT_EQ(song().currentPosition, 3u);
    song().restartPosition = 2;
    replayer.SetPosition(4);
    EXPECT_EQ(song().currentPosition, 2u);
    song().restartPosition = 9;
    replayer.SetPosition(4);
    EXPECT_EQ(song().currentPosition, 0u);
}

TEST_F(ReplayerNavigation, PatternStepAtIsNullPastThePatternOrWithoutPattern) {
    EXPECT_EQ(replayer.PatternStepAt(SequenceEntry{0, 0}, 0), nullptr);
    EXPECT_EQ(replayer.PatternStepAt(SequenceEntry{1, 0}, 63), &Row(1, 63));
    EXPECT_EQ(replayer.PatternStepAt(SequenceEntry{1, 0}, 64), nullptr);
    song().SetRowsPerPattern(16);
    EXPECT_EQ(replayer.PatternStepAt(SequenceEntry{7, 3}, 15), &Row(7, 15));
    EXPECT_EQ(replayer.PatternStepAt(SequenceEntry{7, 3}, 16), nullptr);
}

TEST_F(ReplayerNavigation, HighestPatternUsedLooksOnlyAtPositionsInTheSong) {
    EXPECT_EQ(replayer.HighestPatternUsed(), 4);
    song().sequence[2 * kVoices + 3].pattern = 200;
    EXPECT_EQ(replayer.HighestPatternUsed(), 200);
    song().SetSequenceLength(2);
    EXPECT_EQ(replayer.HighestPatternUsed(), 4);
}

class MixSourceMarking : public ReplayerFixture {};

TEST_F(MixSourceMarking, OnlyMixSourcesOfWavesInUseGetTheOctaveCopiesFlag) {
    // Mix Wave 24 and above means wave 24; 30 names no wave. A source of a
    // wave beyond the count in use is left alone: a default record with the
    // flag would count as used and grow the wave count of the next save.
    struct Mix { int wave, source; };
    struct Case { int waveCount; std::vector<Mix> mixes; std::vector<int> flagged; };
    const Case cases[] = {
        {24, {{3, 5}, {1, 24}, {7, 30}}, {5, 24}},
        {4, {{1, 2}, {3, 5}, {6, 1}}, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waveCount);
        for (int w = 1; w <= kWaves; ++w) {
            Wave(w).flags = 0;
            Wave(w).mixWave = 0;
        }
        for (const Mix& mix : c.mixes) Wave(mix.wave).mixWave = uint8_t(mix.source);
        song().waveCount = uint8_t(c.waveCount);
        MarkMixSourcesForOctaveCopies(song());
        for (int w = 1; w <= kWaves; ++w) {
            const bool expected = std::find(c.flagged.begin(), c.flagged.end(), w) != c.flagged.end();
            EXPECT_EQ((Wave(w).flags & kWaveOctaveCopies) != 0, expected) << "wave " << w;
        }
    }
}

}  // namespace
}  // namespace qn::test
