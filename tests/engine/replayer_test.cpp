// Song stepping: speeds and shuffle, breaks, jumps, restart, row delay and
// note cut, the second-instrument command, echo switching and the pattern
// commands that act on the voice's pattern side.
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

TEST_F(ReplayerStepping, F00StopsAtTheEndOfItsTickWhileTheVoiceSoundsOn) {
    SetRow(1, 1, 13, 1, 0xF, 0x00);
    Ticks(6);
    ASSERT_EQ(replayer.row, 1);
    auto regs = Tick();
    EXPECT_EQ(replayer.playing, 0);
    EXPECT_EQ(replayer.speed, 0);
    EXPECT_EQ(replayer.row, 1);
    EXPECT_EQ(regs[0].volume, 64);
    Ticks(20);
    EXPECT_EQ(replayer.row, 1);
    EXPECT_EQ(song().currentPosition, 0u);
    EXPECT_EQ(Tick()[0].volume, 64);
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

TEST_F(ReplayerStepping, RowEndsAreCounted) {
    SetRow(1, 0, 0, 0, 0xF, 0x02);
    Ticks(7);
    EXPECT_EQ(replayer.rowsEnded, 3u);
    SetRow(1, 4, 0, 0, 0xF, 0x00);
    Ticks(10);
    EXPECT_EQ(replayer.rowsEnded, 4u);  // F00 on row 4: no more row ends
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

TEST_F(ReplayerStepping, SpeedCommandReloadsTheCurrentRowAtOnce) {
    SetRow(1, 0, 0, 0, 0xF, 0x02);
    EXPECT_EQ(RowLengths(2), (std::vector<int>{2, 2}));
}

class ReplayerRowRead : public ReplayerFixture {};

TEST_F(ReplayerRowRead, RowDelayStartsTheNoteOnTheFourthTick) {
    SetRow(1, 0, 13, 1, 0xE, 0xD3);
    for (int tick = 1; tick <= 3; ++tick) {
        EXPECT_EQ(Tick()[0].volume, 0) << "tick " << tick;
        EXPECT_EQ(voice(0).notesStarted, 0u);
    }
    auto regs = Tick();
    EXPECT_EQ(voice(0).notesStarted, 1u);
    EXPECT_EQ(regs[0].volume, 64);
    EXPECT_EQ(regs[0].period, 424);  // note 13: index 192, C-1
}

TEST_F(ReplayerRowRead, RowDelayOfZeroReadsAtOnceAndLongerThanTheRowNever) {
    SetRow(1, 0, 13, 1, 0xE, 0xD0);
    SetRow(1, 1, 13, 1, 0xE, 0xD7);
    Tick();
    EXPECT_EQ(voice(0).notesStarted, 1u);
    Ticks(17);
    EXPECT_EQ(voice(0).notesStarted, 1u);
}

TEST_F(ReplayerRowRead, NoteCutSilencesAfterTwoTicksAndCutZeroDoesNothing) {
    SetRow(1, 0, 13, 1, 0xE, 0xA2);
    SetRow(1, 1, 13, 1, 0xE, 0xA0);
    for (int volume : {64, 64, 0, 0})
        EXPECT_EQ(Tick()[0].volume, volume);
    EXPECT_EQ(voice(0).envelopeStage, kEnvelopeRelease);
    Ticks(7);  // row 1 started on tick 7 and was never cut
    EXPECT_EQ(Tick()[0].volume, 64);
}

TEST_F(ReplayerRowRead, VoiceWithoutPatternAtThePositionIsLeftAlone) {
    // Position 1 names no pattern for voice 0, so the volume ramp set on the
    // last row of position 0 keeps running there. Row 62 sets volume 32;
    // row 63 sets a ramp of +1 that acts on its ticks 2..6 (each tick applies
    // the ramp before the row is read): 37; position 1 row 0 adds 6: 43.
    replayer.SetRow(62);
    SetRow(1, 62, 0, 0, 0xC, 0x20);
    SetRow(1, 63, 0, 0, 0xA, 0x10);
    Ticks(12);
    EXPECT_EQ(voice(0).channelVolume, 37);
    Ticks(6);
    EXPECT_EQ(song().currentPosition, 1u);
    EXPECT_EQ(voice(0).channelVolume, 43);
}

TEST_F(ReplayerRowRead, VolumeRampDownUsesTheWholeParameterByte) {
    SetRow(1, 0, 0, 0, 0xC, 0x40);
    SetRow(1, 1, 0, 0, 0xA, 0x03);
    Ticks(6);
    Ticks(6);  // ticks 2..6 of row 1 ramp by -3
    EXPECT_EQ(voice(0).channelVolume, 64 - 15);
}

TEST_F(ReplayerRowRead, VolumeRampClampsAtZeroAndSixtyFour) {
    // -15 on ticks 2..6 would give 64 - 75; +15 on the next row's ticks
    // 2..6 would give 75.
    SetRow(1, 0, 0, 0, 0xA, 0x0F);
    Ticks(6);
    EXPECT_EQ(voice(0).channelVolume, 0);
    SetRow(1, 1, 0, 0, 0xA, 0xF0);
    Ticks(6);
    EXPECT_EQ(voice(0).channelVolume, 64);
}

TEST_F(ReplayerRowRead, SetVolumeAboveSixtyFourGivesSixtyFour) {
    SetRow(1, 0, 0, 0, 0xC, 0x20);
    Tick();
    EXPECT_EQ(voice(0).channelVolume, 32);
    SetRow(1, 1, 0, 0, 0xC, 0x7F);
    Ticks(6);
    EXPECT_EQ(voice(0).channelVolume, 64);
}

TEST_F(ReplayerRowRead, PatternSlideMovesThePitchFromTheFirstTick) {
    // 16 units is a semitone: note 13 (index 192, period 424) slides to
    // index 208 (400) on tick 1, 224 (377) on tick 2, 240 (356) on tick 3.
    SetRow(1, 0, 13, 1, 0x1, 0x10);
    EXPECT_EQ(Tick()[0].period, 400);
    EXPECT_EQ(Tick()[0].period, 377);
    EXPECT_EQ(Tick()[0].period, 356);
}

TEST_F(ReplayerRowRead, PortamentoMovesTheNoteTowardTheTargetAndStops) {
    SetRow(1, 0, 13, 1);
    SetRow(1, 1, 15, 0, 0x3, 0x08);
    Ticks(7);
    // The slide accumulator (16) is folded into the note pitch: 208 + 16.
    EXPECT_EQ(voice(0).notePitch, 224);
    EXPECT_EQ(voice(0).portamentoTarget, 15 * 16 + 16);
    const int expected[] = {232, 240, 248, 256, 256};
    for (int pitch : expected) {
        Tick();
        EXPECT_EQ(voice(0).notePitch, pitch);
    }
    EXPECT_EQ(voice(0).portamentoTarget, 0);
    EXPECT_EQ(voice(0).registers.period, 377);  // index 256 - 32 = 224
}

TEST_F(ReplayerRowRead, InstrumentWithoutNoteRestoresStartVolumeAndRestartsItsEnvelope) {
    Instrument(1).attack = 8;  // 16 per tick
    SetStep(1, 0, 0, 0xC, 0x30);
    SetRow(1, 0, 13, 1);
    SetRow(1, 1, 0, 0, 0xC, 0x10);
    SetRow(1, 2, 0, 1);
    Ticks(12);
    EXPECT_EQ(voice(0).channelVolume, 0x10);
    EXPECT_EQ(voice(0).envelopeLevel, 16 * 12);
    Tick();
    EXPECT_EQ(voice(0).channelVolume, 0x30);
    EXPECT_EQ(voice(0).envelopeLevel, 16);
}

TEST_F(ReplayerRowRead, OtherInstrumentWithoutNoteKeepsTheEnvelope) {
    Instrument(1).attack = 8;
    SetRow(1, 0, 13, 1, 0xC, 0x10);
    SetRow(1, 1, 0, 2);
    Ticks(7);
    EXPECT_EQ(voice(0).channelVolume, 64);
    EXPECT_EQ(voice(0).instrument, 1);
    EXPECT_EQ(voice(0).envelopeLevel, 16 * 7);
}

TEST_F(ReplayerRowRead, ReleaseMarkerReleasesTheEnvelope) {
    // Release index 1 starts at fall index 1; from level 1024 the step is 16,
    // so every tick takes one fall: 1024-512, -384, -320 (held at 0).
    SetRow(1, 0, 13, 1);
    SetRow(1, 1, kReleaseNote, 0);
    Ticks(6);
    auto regs = Tick();
    EXPECT_EQ(voice(0).envelopeStage, kEnvelopeRelease);
    EXPECT_EQ(voice(0).envelopeLevel, 512);
    EXPECT_EQ(regs[0].volume, 32);
    Tick();
    EXPECT_EQ(voice(0).envelopeLevel, 128);
    Tick();
    EXPECT_EQ(voice(0).envelopeLevel, 0);
    EXPECT_EQ(voice(0).registers.period, 424);  // a release changes no pitch
}

TEST_F(ReplayerRowRead, ChordRowSetsArpeggioOffsetsAndHasNoCommand) {
    qntPatternStep& step = Row(1, 0);
    step.SetNote(13);
    step.SetInstrument(1);
    step.SetChord(true);
    step.SetCommand(0xC);
    step.SetParameter(0x47);
    Tick();
    EXPECT_EQ(voice(0).arpeggio[0], 12);
    EXPECT_EQ(voice(0).arpeggio[1], 4);
    EXPECT_EQ(voice(0).arpeggio[2], 7);
    EXPECT_EQ(voice(0).channelVolume, 64);
    // A later ordinary note clears the offsets.
    SetRow(1, 1, 13, 0);
    Ticks(6);
    EXPECT_EQ(voice(0).arpeggio[0], 0);
}

TEST_F(ReplayerRowRead, MutedVoiceReadsNoNoteAndNoInstrument) {
    voice(0).muted = 1;
    SetRow(1, 0, 13, 1, 0xC, 0x20);
    Tick();
    EXPECT_EQ(voice(0).notesStarted, 0u);
    EXPECT_EQ(voice(0).instrument, 0);
    EXPECT_EQ(voice(0).channelVolume, 0x20);  // the command still applies
}

class ReplayerSecondInstrument : public ReplayerFixture {};

TEST_F(ReplayerSecondInstrument, PlaysYNowAndKeepsTheRowsInstrumentForLater) {
    SetRow(1, 0, 25, 2, 0x0, 0x31);
    Tick();
    EXPECT_EQ(voice(0).instrument, 1);
    EXPECT_EQ(voice(0).delayedInstrument, 2);
    EXPECT_EQ(voice(0).delayedInstrumentTicks, 3);
    EXPECT_EQ(voice(0).notePitch, 25 * 16);
    Ticks(3);  // the delay counts 3 -> 0
    EXPECT_EQ(voice(0).instrument, 1);
    Tick();    // started on the tick that finds the delay at 0
    EXPECT_EQ(voice(0).instrument, 2);
    EXPECT_EQ(voice(0).delayedInstrument, 0);
    EXPECT_EQ(voice(0).notePitch, 25 * 16);
}

TEST_F(ReplayerSecondInstrument, WithoutNotePlaysNoteOne) {
    SetRow(1, 0, 0, 0, 0x0, 0x02);
    auto regs = Tick();
    EXPECT_EQ(voice(0).instrument, 2);
    EXPECT_EQ(voice(0).notePitch, 16);
    EXPECT_EQ(regs[0].period, 848);
}

TEST_F(ReplayerSecondInstrument, ZeroYStartsNothingNowButDelaysTheRowsInstrument) {
    SetRow(1, 0, 25, 2, 0x0, 0x20);
    Tick();
    EXPECT_EQ(voice(0).instrument, 0);
    EXPECT_EQ(voice(0).delayedInstrument, 2);
    Ticks(3);
    EXPECT_EQ(voice(0).instrument, 2);
}

TEST_F(ReplayerSecondInstrument, MutedVoiceStartsNothing) {
    voice(0).muted = 1;
    SetRow(1, 0, 25, 2, 0x0, 0x31);
    Ticks(8);
    EXPECT_EQ(voice(0).instrument, 0);
    EXPECT_EQ(voice(0).delayedInstrument, 0);
    EXPECT_EQ(voice(0).notesStarted, 0u);
}

class ReplayerEcho : public ReplayerFixture {};

TEST_F(ReplayerEcho, EchoVoicePlaysTheSourceDelayedAtScaledVolume) {
    // Voice 0: note 13 (period 424, volume 64 from its first tick) with 582:
    // delay 4 ticks, volume 8/16. The ring starts at entry 0, so voice 1
    // reads entries 28..31 (never written: all-zero registers, and the
    // spread of period 0 stays 0) and then entry 0, the
    // first tick of voice 0, with the trigger the first write carries. The
    // period spread for ring slot s is (-4,-5,-1,1,2,3,4,8)[s % 8] * p >> 12:
    // -4*424>>12 = -1, -5*424>>12 = -1, -1*424>>12 = -1, 1*424>>12 = 0.
    SetRow(1, 0, 13, 1, 0x5, 0x82);
    struct Expect { uint32_t start; uint16_t length; uint16_t period; uint8_t volume; uint8_t trigger; };
    const Expect expected[] = {
        {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
        {2, 128, 423, 32, 1}, {2, 128, 423, 32, 0}, {2, 128, 423, 32, 0}, {2, 128, 424, 32, 0},
        {2, 128, 424, 32, 0},
    };
    int tick = 0;
    for (const Expect& e : expected) {
        auto regs = Tick();
        ++tick;
        EXPECT_EQ(regs[1].sampleStart, e.start) << "tick " << tick;
        EXPECT_EQ(regs[1].length, e.length) << "tick " << tick;
        EXPECT_EQ(regs[1].period, e.period) << "tick " << tick;
        EXPECT_EQ(regs[1].volume, e.volume) << "tick " << tick;
        EXPECT_EQ(regs[1].trigger, e.trigger) << "tick " << tick;
        EXPECT_EQ(regs[0].volume, 64);
        EXPECT_EQ(regs[0].period, 424);
    }
}

TEST_F(ReplayerEcho, EchoVoiceRowsAreNotRead) {
    SetRow(1, 0, 13, 1, 0x5, 0x82);
    SetRow(2, 0, 25, 1);
    Tick();
    EXPECT_EQ(voice(1).notesStarted, 0u);
}

TEST_F(ReplayerEcho, EchoOnTheFourthVoiceDoesNothing) {
    SetRow(4, 0, 13, 1, 0x5, 0x82);
    Ticks(6);
    EXPECT_EQ(voice(3).echoDelay, 0);
    EXPECT_EQ(voice(3).registers.volume, 64);
    EXPECT_EQ(voice(0).echoRingIndex, 255);
}

TEST_F(ReplayerEcho, FiveZeroZeroEndsTheEchoAndSilencesTheEchoVoice) {
    SetRow(1, 0, 13, 1, 0x5, 0x82);
    SetRow(1, 1, 0, 0, 0x5, 0x00);
    Ticks(6);
    auto regs = Tick();
    EXPECT_EQ(regs[1].volume, 0);
    EXPECT_EQ(voice(1).channelVolume, 0);
    EXPECT_EQ(voice(1).echoDelay, 0);
    EXPECT_EQ(voice(1).echoRingIndex, 255);
    EXPECT_EQ(voice(0).echoDelay, 0);
}

TEST_F(ReplayerEcho, EchoSwitchedOffDoesNotTakeOverTheVoiceAfterIt) {
    // 580 switches the echo off for good: voice 1 stops being an echo and
    // voice 2 reads its own row and keeps its own registers.
    SetRow(1, 0, 13, 1, 0x5, 0x82);
    SetRow(1, 1, 0, 0, 0x5, 0x80);
    SetRow(3, 1, 25, 1);
    Ticks(7);
    EXPECT_EQ(voice(0).echoDelay, 0);
    EXPECT_EQ(voice(1).echoDelay, 0);
    EXPECT_EQ(voice(2).notesStarted, 1u);
    auto regs = Tick();
    EXPECT_EQ(regs[2].period, 212);  // note 25: index 384
    EXPECT_EQ(regs[2].volume, 64);
}

TEST_F(ReplayerEcho, MutedEchoVoiceIsSilent) {
    voice(1).muted = 1;
    SetRow(1, 0, 13, 1, 0x5, 0x82);
    Ticks(5);
    EXPECT_EQ(voice(1).registers.volume, 0);
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

TEST_F(ReplayerNavigation, ResetStopsAndSilencesEveryVoice) {
    SetRow(1, 0, 13, 1);
    Ticks(3);
    replayer.ResetReplayer(true);
    EXPECT_EQ(replayer.playing, 0);
    for (int v = 0; v < kVoices; ++v) {
        EXPECT_EQ(voice(v).registers.sampleStart, 0u);
        EXPECT_EQ(voice(v).registers.length, 2);
        EXPECT_EQ(voice(v).registers.period, 123);
        EXPECT_EQ(voice(v).registers.trigger, 1);
        EXPECT_EQ(voice(v).envelopeLevel, 0);
        EXPECT_EQ(voice(v).channelVolume, 0);
    }
}

TEST_F(ReplayerNavigation, ResetKeepingEnvelopesLeavesTheLevel) {
    SetRow(1, 0, 13, 1);
    Ticks(3);
    replayer.ResetReplayer(false);
    EXPECT_EQ(voice(0).envelopeLevel, 1024);
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

TEST_F(MixSourceMarking, InitReplayerMarksMixSources) {
    song().waveCount = 9;
    Wave(2).mixWave = 9;
    replayer.InitReplayer(&doc.song, &memory);
    EXPECT_NE(Wave(9).flags & kWaveOctaveCopies, 0);
    EXPECT_EQ(Wave(2).flags & kWaveOctaveCopies, 0);
}

}  // namespace
}  // namespace qn::test
