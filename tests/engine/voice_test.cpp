// Instrument programs and voice effects, one voice at a time: the period
// table, the envelope, vibrato, the step commands, the wave window and the
// octave copies above the period range.
//
// Periods were computed by hand from the 16.16 interpolation between base
// periods: entry k after base p0 (next p1) is (p0*65536 + k*((p1-p0)*65536 >> 4)) >> 16.
#include "tests/engine/replayer_fixture.h"

namespace qn::test {
namespace {

class VoiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        voice = VoiceState{};
        voice.channelVolume = 64;
    }
    Song& song() { return doc.song; }
    WaveParams& Wave(int number) { return doc.song.waves[number - 1]; }
    InstrumentParams& Instrument(int number) { return doc.song.instruments[number - 1]; }
    void SetStep(int instrument, int index, int note, int command, int parameter, bool linked = false,
                 bool fixed = false) {
        SetInstrumentStep(doc.song, instrument, index, note, command, parameter, linked, fixed);
    }
    // Starts instrument 1 at pattern note `note` (as the row decoder does).
    void StartNote(int note, int instrument = 1) {
        StartInstrument(voice, doc.song, instrument);
        voice.notePitch = int16_t(note * 16);
    }
    // Starts instrument 1 so that, without slides, the pitch index is `index`.
    void StartAtIndex(int index) {
        StartInstrument(voice, doc.song, 1);
        voice.notePitch = int16_t(index + 16);
    }
    VoiceRegisters Tick() {
        TickVoice(voice, doc.song);
        VoiceRegisters regs = voice.registers;
        voice.registers.trigger = 0;
        return regs;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i)
            Tick();
    }
    static uint32_t Slot(int wave) { return uint32_t(WaveSlotOffset(wave - 1)); }

    SongDocument doc;
    VoiceState voice;
};

// ---- Period table ------------------------------------------------------------

TEST(PeriodTable, BasePeriodsAndInterpolatedEntries) {
    const std::pair<int, int> entries[] = {{0, 848},   {1, 845},   {8, 824},   {15, 803},  {16, 800},
                                           {17, 797},  {191, 425}, {192, 424}, {193, 422}, {408, 194},
                                           {424, 183}, {537, 122}, {560, 113}, {576, 113}};
    for (const auto& [index, period] : entries)
        EXPECT_EQ(PeriodTable()[size_t(index)], period) << "index " << index;
}

// ---- Envelope ----------------------------------------------------------------

class VoiceEnvelope : public VoiceFixture {};

TEST_F(VoiceEnvelope, DefaultAttackReachesFullLevelInOneTickAndSustainFifteenHoldsIt) {
    StartNote(13);
    EXPECT_EQ(Tick().volume, 64);
    EXPECT_EQ(voice.envelopeLevel, 1024);
    EXPECT_EQ(voice.envelopeStage, kEnvelopeDecay);
    Ticks(50);
    EXPECT_EQ(voice.envelopeLevel, 1024);
    EXPECT_EQ(voice.envelopeStage, kEnvelopeSustain);
}

TEST_F(VoiceEnvelope, SustainZeroDecaysToSilence) {
    Instrument(1).sustain = 0;
    StartNote(13);
    EXPECT_EQ(Tick().volume, 64);
    EXPECT_EQ(Tick().volume, 0);  // fall[0] = 1024 in one step
    EXPECT_EQ(voice.envelopeStage, kEnvelopeSustain);
}

TEST_F(VoiceEnvelope, DecayFollowsTheFallTableDownToTheSustainLevel) {
    // Decay index 2 starts at fall index 3: 1024 - 320 = 704, - 256 = 448,
    // which is below sustain 8 * 64 = 512, so the level settles at 512.
    Instrument(1).decay = 2;
    Instrument(1).sustain = 8;
    StartNote(13);
    Tick();
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 704);
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 512);
    EXPECT_EQ(voice.envelopeStage, kEnvelopeSustain);
    EXPECT_EQ(Tick().volume, 32);
}

TEST_F(VoiceEnvelope, SlowestAttackTakes1024Ticks) {
    Instrument(1).attack = 15;
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 1);
    Ticks(1022);
    EXPECT_EQ(voice.envelopeStage, kEnvelopeAttack);
    Tick();
    EXPECT_EQ(voice.envelopeStage, kEnvelopeDecay);
}

TEST_F(VoiceEnvelope, ReleaseFromALowerLevelFallsMoreSlowly) {
    // From level 512: release step 8, fall index = start(1) + (16 - 8) / 2 = 5.
    // The accumulator starts at 16 and gains 8 a tick, falling whenever it
    // passes 15 and then losing 16: it falls on ticks 1 (24) and 2 (16), not
    // on tick 3 (8), again on tick 4: fall[5..7] = 192, 160, 128.
    Instrument(1).sustain = 8;
    Instrument(1).decay = 2;
    StartNote(13);
    Ticks(4);
    ASSERT_EQ(voice.envelopeLevel, 512);
    ReleaseVoice(voice);
    EXPECT_EQ(voice.releaseStep, 8);
    EXPECT_EQ(voice.fallIndex, 5);
    for (int level : {512 - 192, 512 - 192 - 160, 512 - 192 - 160, 512 - 192 - 160 - 128}) {
        Tick();
        EXPECT_EQ(voice.envelopeLevel, level);
    }
}

TEST_F(VoiceEnvelope, ParameterBytesAbove15AreHeldAt15) {
    InstrumentParams& params = Instrument(1);
    params.attack = 200;       // index 15: one level per tick
    params.sustain = 40;       // a level: held at 15, which means full
    params.vibratoDelay = 99;  // 255 + 1 ticks
    params.vibratoDepth = 99;  // 255
    params.vibratoSpeed = 99;  // 80
    params.decay = 99;         // start point 143
    params.release = 99;
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 1);
    EXPECT_EQ(voice.sustain, 15);
    EXPECT_EQ(voice.vibratoDepth, 255);
    EXPECT_EQ(voice.vibratoSpeed, 80);
    EXPECT_EQ(voice.vibratoDelay, 255);  // 256, one tick already counted
    Ticks(1023);
    EXPECT_EQ(voice.fallIndex, 143);
    EXPECT_EQ(voice.sustain, 16);
    ReleaseVoice(voice);
    EXPECT_EQ(voice.fallIndex, 143);
}

TEST_F(VoiceEnvelope, NoteCutKeepsThisTicksVolume) {
    StartNote(13);
    voice.noteCut = 1;
    EXPECT_EQ(Tick().volume, 64);
    EXPECT_EQ(voice.envelopeLevel, 0);
    EXPECT_EQ(Tick().volume, 0);
}

TEST_F(VoiceEnvelope, ReleaseCountdownReleasesWhenItRunsOut) {
    StartNote(13);
    Tick();
    voice.releaseCountdown = 3;
    Ticks(2);
    EXPECT_NE(voice.envelopeStage, kEnvelopeRelease);
    Tick();
    EXPECT_EQ(voice.envelopeStage, kEnvelopeRelease);
    EXPECT_EQ(voice.releaseCountdown, 0);
}

// ---- Vibrato -------------------------------------------------------------------

TEST_F(VoiceFixture, VibratoSwingsAroundTheNoteAfterItsDelay) {
    // Delay index 0: one tick; then speed = (8 * 80) >> 4 = 40 against depth
    // 8: the offset bounces between 8 and -8, i.e. index +1 and -1.
    Instrument(1).vibratoDepth = 1;
    Instrument(1).vibratoSpeed = 15;
    StartNote(13);
    EXPECT_EQ(Tick().period, 424);
    EXPECT_EQ(voice.vibratoSpeed, 40);
    EXPECT_EQ(Tick().period, 422);
    EXPECT_EQ(Tick().period, 425);
    EXPECT_EQ(Tick().period, 422);
}

// ---- Step program --------------------------------------------------------------

class StepProgram : public VoiceFixture {};

TEST_F(StepProgram, ProgramOfZeroStepsSelectsWaveOneAtThePatternNote) {
    Instrument(1).stepCount = 0;
    StartNote(13);
    auto regs = Tick();
    EXPECT_EQ(voice.waveIndex, 0);
    EXPECT_EQ(regs.sampleStart, Slot(1));
    EXPECT_EQ(regs.length, 128);
    EXPECT_EQ(regs.period, 424);
    EXPECT_EQ(regs.volume, 64);
}

TEST_F(StepProgram, SelectWaveStepPicksThatWave) {
    SetStep(1, 0, 0, 0x0, 3);
    StartNote(13);
    auto regs = Tick();
    EXPECT_EQ(voice.waveIndex, 2);
    EXPECT_EQ(regs.sampleStart, Slot(3));
}

TEST_F(StepProgram, StepSpeedSetsTicksPerStep) {
    SetStep(1, 0, 0, 0xF, 3);
    SetStep(1, 1, 0, 0xC, 0x10);
    SetStep(1, 2, 0, 0xC, 0x20);
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.stepIndex, 1);
    Ticks(2);
    EXPECT_EQ(voice.stepIndex, 1);
    Tick();
    EXPECT_EQ(voice.stepVolume, 0x10);
    Ticks(2);
    EXPECT_EQ(voice.stepVolume, 0x10);
    Tick();
    EXPECT_EQ(voice.stepVolume, 0x20);
}

TEST_F(StepProgram, F00FreezesTheProgramButNotTheEnvelope) {
    Instrument(1).attack = 8;
    SetStep(1, 0, 0, 0xC, 0x20);
    SetStep(1, 1, 0, 0xF, 0x00);
    SetStep(1, 2, 0, 0xC, 0x30);
    StartNote(13);
    Ticks(10);
    EXPECT_EQ(voice.stepIndex, 2);
    EXPECT_EQ(voice.stepVolume, 0x20);
    EXPECT_EQ(voice.envelopeLevel, 160);
}

TEST_F(StepProgram, LinkedStepsRunInOneTickAndOnlyTheFirstNoteCounts) {
    SetStep(1, 0, 13, 0xC, 0x10, true);
    SetStep(1, 1, 25, 0xC, 0x20, false);
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.stepIndex, 2);
    EXPECT_EQ(voice.stepVolume, 0x20);
    EXPECT_EQ(voice.stepNotePitch, 12 * 16);
}

TEST_F(StepProgram, StepNoteTransposesAndFixedPitchIgnoresThePatternNote) {
    SetStep(1, 0, 13, 0x0, 0);
    StartNote(13);
    EXPECT_EQ(Tick().period, 212);  // 192 + 16 + 208 - 32 = 384
    SetStep(1, 0, 13, 0x0, 0, false, true);
    StartNote(13);
    EXPECT_EQ(Tick().period, 424);  // 192 + 16 + 16 - 32 = 192
}

TEST_F(StepProgram, LinkedRunJumpingBackToItsStartPlaysEachStepOncePerTick) {
    SetStep(1, 0, 0, 0xC, 0x10);
    SetStep(1, 1, 0, 0x1, 0x05, true);
    SetStep(1, 2, 0, 0xB, 0x01);
    SetStep(1, 3, 0, 0xC, 0x3F);
    StartNote(13);
    Tick();
    for (int tick = 2; tick <= 10; ++tick) {
        int16_t before = voice.slideAccumulator;
        Tick();
        EXPECT_EQ(voice.stepIndex, 1) << "tick " << tick;
        // The slide step ran once this tick and adds on the next.
        EXPECT_EQ(voice.stepSlide, 5);
        if (tick > 2) {
            EXPECT_EQ(voice.slideAccumulator, before + 5);
        }
    }
    EXPECT_EQ(voice.stepVolume, 0x10);  // step 3 never ran
}

TEST_F(StepProgram, JumpAsTheTicksFirstStepContinuesAtOnce) {
    SetStep(1, 0, 0, 0xC, 0x10);
    SetStep(1, 1, 0, 0xB, 0x00);
    SetStep(1, 2, 0, 0xC, 0x3F);
    StartNote(13);
    voice.stepVolume = 0;
    Tick();
    voice.stepVolume = 0;
    Tick();
    EXPECT_EQ(voice.stepIndex, 1);
    EXPECT_EQ(voice.stepVolume, 0x10);
    Ticks(5);
    EXPECT_EQ(voice.stepIndex, 1);
    EXPECT_EQ(voice.stepVolume, 0x10);
}

TEST_F(StepProgram, PendingStepJumpIsTakenAtTheNextRunAndHeldAt32) {
    SetStep(1, 5, 0, 0xC, 0x22);
    StartNote(13);
    voice.pendingStepJump = 5;
    Tick();
    EXPECT_EQ(voice.stepVolume, 0x22);
    EXPECT_EQ(voice.stepIndex, 6);
    voice.pendingStepJump = 200;
    Tick();
    EXPECT_EQ(voice.stepIndex, kInstrumentSteps);  // the program has ended
}

TEST_F(StepProgram, ForwardJumpIsIgnored) {
    SetStep(1, 0, 0, 0xB, 0x05);
    SetStep(1, 1, 0, 0xC, 0x20);
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.stepIndex, 1);
    Tick();
    EXPECT_EQ(voice.stepVolume, 0x20);
}

TEST_F(StepProgram, StepVolumeSlideAndSetVolumeClamp) {
    SetStep(1, 0, 0, 0xC, 0x7F);
    SetStep(1, 1, 0, 0xA, 0x01, true);  // linked to the halt: the slide stays
    SetStep(1, 2, 0, 0xF, 0x00);
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.stepVolume, 64);
    Tick();  // the slide starts on the next tick
    EXPECT_EQ(voice.stepVolume, 64);
    Ticks(3);
    EXPECT_EQ(voice.stepVolume, 61);
    Ticks(100);
    EXPECT_EQ(voice.stepVolume, 0);
}

TEST_F(StepProgram, ReleaseCommandReleasesTheEnvelope) {
    // Attack 16 a tick; released at level 16 on tick 2: step 0, fall index
    // 1 + (16 - 0) / 2 = 9, and the first release tick takes fall[9] = 116.
    Instrument(1).attack = 8;
    SetStep(1, 0, 0, 0xC, 0x40);
    SetStep(1, 1, 0, 0x3, 0x01);
    SetStep(1, 2, 0, 0xF, 0x00);
    StartNote(13);
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 16);
    Tick();
    EXPECT_EQ(voice.envelopeStage, kEnvelopeRelease);
    EXPECT_EQ(voice.fallIndex, 10);
    EXPECT_EQ(voice.envelopeLevel, 0);
}

TEST_F(StepProgram, RestartCommandStartsTheAttackAgain) {
    Instrument(1).attack = 8;
    SetStep(1, 0, 0, 0xC, 0x40);
    SetStep(1, 1, 0, 0x3, 0x02);
    SetStep(1, 2, 0, 0xF, 0x00);
    StartNote(13);
    Tick();
    Tick();
    EXPECT_EQ(voice.envelopeStage, kEnvelopeAttack);
    EXPECT_EQ(voice.envelopeLevel, 16);
    Tick();
    EXPECT_EQ(voice.envelopeLevel, 32);
}

TEST_F(StepProgram, ArpeggioStepsTakeTheChordRowOffsets) {
    voice.arpeggio[0] = 3;
    SetStep(1, 0, 0, 0xE, 0x01);
    SetStep(1, 1, 0, 0xE, 0x02);  // offset 2 is empty: go on at once
    SetStep(1, 2, 0, 0xC, 0x20);
    SetStep(1, 3, 0, 0xE, 0x12);  // E1x on an empty offset: transpose 0
    SetStep(1, 4, 0, 0xC, 0x30);
    StartNote(13);
    voice.arpeggio[0] = 3;
    EXPECT_EQ(Tick().period, 356);  // 192 + 3 * 16 = 240
    Tick();
    EXPECT_EQ(voice.arpeggioTranspose, 3);
    EXPECT_EQ(voice.stepIndex, 3);
    EXPECT_EQ(voice.stepVolume, 0x20);
    Tick();
    EXPECT_EQ(voice.arpeggioTranspose, 0);
    EXPECT_EQ(voice.stepIndex, 4);
    EXPECT_EQ(voice.stepVolume, 0x20);
}

TEST_F(StepProgram, StepSlidesMoveThePitchUntilTheNextStep) {
    SetStep(1, 0, 0, 0x1, 0x10);
    SetStep(1, 1, 0, 0xF, 0x00);
    StartNote(13);
    EXPECT_EQ(Tick().period, 424);  // the slide adds from the next tick
    EXPECT_EQ(Tick().period, 400);
    EXPECT_EQ(Tick().period, 400);  // step 1 ran: slide 0
}

// ---- Wave window ---------------------------------------------------------------

class WaveWindow : public VoiceFixture {};

TEST_F(WaveWindow, WindowMovesBetweenItsLimitsWithWaitsAndLandings) {
    // Wave 2: 256 bytes, window 64 from 40, limits 32..192, step 48, wait 2.
    // Hand trace of the window position (loop offset): the restart sets the
    // wait to 3; the window moves when the wait is below 2; forward 40 -> 88,
    // then 136 overshoots (192 - (64 + 136) < 1) to 128 going back; back to
    // 80, then to 32 exactly on the limit, which shortens the wait to 1, so
    // the next move (to 80) follows one tick later.
    WaveParams& wave = Wave(2);
    wave.lengthIndex = 1;
    wave.waveLength = 256;
    wave.subloopLen = 64;
    wave.loopStart = 32;
    wave.loopEnd = 192;
    wave.subloopStep = 48;
    wave.subloopWait = 2;
    wave.loopOffset = 40;
    SetStep(1, 0, 0, 0x0, 2);
    StartNote(25);
    auto first = Tick();
    EXPECT_EQ(first.sampleStart, Slot(2) + 40);
    EXPECT_EQ(first.loopOffset, 0);
    EXPECT_EQ(first.length, 64);
    EXPECT_EQ(first.trigger, 1);
    EXPECT_EQ(first.period, 212);
    const uint16_t expected[] = {40, 88, 88, 128, 128, 80, 80, 32, 80};
    for (uint16_t offset : expected) {
        auto regs = Tick();
        EXPECT_EQ(regs.sampleStart, Slot(2));
        EXPECT_EQ(regs.length, 64);
        EXPECT_EQ(regs.loopOffset, offset);
        EXPECT_EQ(regs.trigger, 0);
    }
}

TEST_F(WaveWindow, ZeroWaitLandingOnALimitDoesNotFreezeTheWindow) {
    WaveParams& wave = Wave(1);
    wave.subloopLen = 64;
    wave.subloopStep = 32;
    wave.subloopWait = 0;
    StartNote(25);
    EXPECT_EQ(Tick().sampleStart, Slot(1) + 32);
    const uint16_t expected[] = {64, 32, 0, 32, 64};
    for (uint16_t offset : expected)
        EXPECT_EQ(Tick().loopOffset, offset);
}

TEST_F(WaveWindow, WindowLongerThanItsEndGoesNegativeAndKeeps16Bits) {
    // Window 200 against "Loop End" 100: the first move lands on 100 - 200 =
    // -100 going back, kept to 16 bits as the loop offset (65436) and added
    // to the triggered start; the next move goes back past "Loop Start" 0
    // and turns there. The length stays the window's, wherever it reaches.
    WaveParams& wave = Wave(1);
    wave.subloopLen = 200;
    wave.loopStart = 0;
    wave.loopEnd = 100;
    wave.subloopStep = 16;
    wave.subloopWait = 0;
    wave.loopOffset = 0;
    StartNote(25);
    auto first = Tick();
    EXPECT_EQ(first.sampleStart, Slot(1) + 65436);
    EXPECT_EQ(first.length, 200);
    EXPECT_EQ(first.loopOffset, 0);
    for (uint16_t offset : {0, 65436, 0}) {
        auto regs = Tick();
        EXPECT_EQ(regs.sampleStart, Slot(1));
        EXPECT_EQ(regs.length, 200);
        EXPECT_EQ(regs.loopOffset, offset);
    }
}

TEST_F(WaveWindow, WaveWithoutSubloopPlaysOnceFromLoopOffset) {
    Wave(1).subloopLen = 0;
    Wave(1).loopOffset = 100;
    StartNote(25);
    auto regs = Tick();
    EXPECT_EQ(regs.sampleStart, Slot(1) + 100);
    EXPECT_EQ(regs.length, 28);
    EXPECT_EQ(regs.loopOffset, kPlayOnce);
    EXPECT_EQ(regs.trigger, 1);
    auto next = Tick();
    EXPECT_EQ(next.sampleStart, Slot(1) + 100);
    EXPECT_EQ(next.trigger, 0);
}

TEST_F(WaveWindow, LoopOffset65535PlaysTheLastTwoBytesOnce) {
    Wave(1).subloopLen = 0;
    Wave(1).loopOffset = 65535;
    StartNote(25);
    auto regs = Tick();
    EXPECT_EQ(regs.sampleStart, Slot(1) + 126);
    EXPECT_EQ(regs.length, 2);
    EXPECT_EQ(regs.loopOffset, kPlayOnce);
}

TEST_F(WaveWindow, PulseOffsetRestartsAOneShotAtMultiplesOf128) {
    Wave(1).subloopLen = 0;
    Wave(1).lengthIndex = 3;
    Wave(1).waveLength = 512;
    StartNote(25);
    Tick();
    voice.pendingSubloopOffset = 2;
    auto regs = Tick();
    EXPECT_EQ(regs.sampleStart, Slot(1) + 256);
    EXPECT_EQ(regs.length, 256);
    EXPECT_EQ(regs.trigger, 1);
    EXPECT_EQ(voice.pendingSubloopOffset, 0);
}

TEST_F(WaveWindow, PulseOffsetWaitsWhileTheWaveDoesNotAllowIt) {
    Wave(1).subloopLen = 0;
    Wave(1).allow9xx = 0;
    StartNote(25);
    Tick();
    voice.pendingSubloopOffset = 2;
    EXPECT_EQ(Tick().sampleStart, Slot(1));
    EXPECT_EQ(voice.pendingSubloopOffset, 2);
}

TEST_F(WaveWindow, PulseOffsetMovesTheWindowThere) {
    WaveParams& wave = Wave(1);
    wave.lengthIndex = 3;
    wave.waveLength = 512;
    wave.loopEnd = 512;
    wave.subloopLen = 64;
    wave.subloopStep = 32;
    StartNote(25);
    Ticks(2);
    voice.pendingSubloopOffset = 1;
    EXPECT_EQ(Tick().loopOffset, 128);
}

// ---- Above the period range ------------------------------------------------------

class OctaveCopies : public VoiceFixture {};

TEST_F(OctaveCopies, PitchIndexChoosesTheCopyAndThePeriod) {
    // Each octave above index 537 halves the window into the next copy and
    // plays 192 indexes lower; from 2073 on three octaves, capped at 561.
    struct Case { int index; uint16_t period, length; uint32_t offset; };
    const Case cases[] = {
        {537, 122, 128, 0},                // the top of the table: no copy
        {538, 243, 64, 128},               // 538 - 192 = 346
        {600, 194, 64, 128},               // 408
        {728, 123, 64, 128},               // 536
        {729, 244, 32, 128 + 64},          // 729 - 384 = 345
        {800, 189, 32, 128 + 64},          // 416
        {1000, 183, 16, 128 + 64 + 32},    // 424
        {2072, 113, 16, 128 + 64 + 32},    // capped at 561
        {5000, 113, 16, 128 + 64 + 32},
        {-300, 848, 128, 0},               // below the table: the lowest period
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        StartAtIndex(c.index);
        const VoiceRegisters regs = Tick();
        EXPECT_EQ(regs.period, c.period);
        EXPECT_EQ(regs.length, c.length);
        EXPECT_EQ(regs.sampleStart, Slot(1) + c.offset);
        if (c.index == 537) {
            EXPECT_EQ(Wave(1).flags & kWaveOctaveCopies, 0);
        }
    }
    EXPECT_NE(Wave(1).flags & kWaveOctaveCopies, 0);
}

TEST_F(OctaveCopies, JustTriggeredOneShotMovesIntoTheCopy) {
    // o = 100, length 28, r = 128 - 28 - 100 = 0: length 28 >> 1, start
    // slot + 50 + 128.
    Wave(1).subloopLen = 0;
    Wave(1).loopOffset = 100;
    StartAtIndex(600);
    auto regs = Tick();
    EXPECT_EQ(regs.length, 14);
    EXPECT_EQ(regs.sampleStart, Slot(1) + 178);
    EXPECT_EQ(regs.loopOffset, kPlayOnce);
    auto next = Tick();  // not triggered again: unchanged
    EXPECT_EQ(next.length, 14);
    EXPECT_EQ(next.sampleStart, Slot(1) + 178);
}

}  // namespace
}  // namespace qn::test
