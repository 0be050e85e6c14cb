// Golden register trace of a small crafted song, checked by hand, and the
// period table it reads. The random songs of replayer_bounds_test.cpp pin
// every other command, envelope and window rule by their digest.
//
// Song: speed 2 (F02 on voice 1), voice 0 plays note 25 with instrument 1 at
// a position transpose of +12, then 108 (slide up 8 a tick) on row 1.
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
#include "tests/engine/replayer_fixture.h"

namespace qn::test {
namespace {

// Periods computed by hand from the 16.16 interpolation between base periods:
// entry k after base p0 (next p1) is (p0*65536 + k*((p1-p0)*65536 >> 4)) >> 16.
TEST(PeriodTable, BasePeriodsAndInterpolatedEntries) {
    const std::pair<int, int> entries[] = {{0, 848},   {1, 845},   {8, 824},   {15, 803},  {16, 800},
                                           {17, 797},  {191, 425}, {192, 424}, {193, 422}, {408, 194},
                                           {424, 183}, {537, 122}, {560, 113}, {576, 113}};
    for (const auto& [index, period] : entries)
        EXPECT_EQ(PeriodTable()[size_t(index)], period) << "index " << index;
}

class RegisterTrace : public ReplayerFixture {};

TEST_F(RegisterTrace, OneShotAboveThePeriodRangeWithSlideAndAttack) {
    WaveParams& wave = Wave(2);
    wave.lengthIndex = 1;
    wave.waveLength = 256;
    wave.subloopLen = 0;
    Instrument(1).attack = 2;
    SetStep(1, 0, 0, 0x0, 2);
    SetStep(1, 1, 0, 0xC, 0x20);
    SetStep(1, 2, 0, 0xF, 0x00);
    song().sequence[0].transpose = 12;
    SetRow(1, 0, 25, 1);
    SetRow(1, 1, 0, 0, 0x1, 0x08);
    SetRow(2, 0, 0, 0, 0xF, 0x02);

    struct Line { uint32_t start; uint16_t length; uint16_t loop; uint16_t period; uint8_t volume; uint8_t trigger; };
    const Line expected[] = {
        {65794, 128, kPlayOnce, 212, 8, 1},  {65794, 128, kPlayOnce, 212, 8, 0},
        {65794, 128, kPlayOnce, 206, 12, 0}, {65794, 128, kPlayOnce, 200, 16, 0},
        {65794, 128, kPlayOnce, 200, 20, 0}, {65794, 128, kPlayOnce, 200, 24, 0},
        {65794, 128, kPlayOnce, 200, 28, 0}, {65794, 128, kPlayOnce, 200, 32, 0},
        {65794, 128, kPlayOnce, 200, 32, 0},
    };
    int tick = 0;
    for (const Line& line : expected) {
        auto regs = Tick();
        ++tick;
        EXPECT_EQ(regs[0].sampleStart, line.start) << "tick " << tick;
        EXPECT_EQ(regs[0].length, line.length) << "tick " << tick;
        EXPECT_EQ(regs[0].loopOffset, line.loop) << "tick " << tick;
        EXPECT_EQ(regs[0].period, line.period) << "tick " << tick;
        EXPECT_EQ(regs[0].volume, line.volume) << "tick " << tick;
        EXPECT_EQ(regs[0].trigger, line.trigger) << "tick " << tick;
    }
    EXPECT_NE(Wave(2).flags & kWaveOctaveCopies, 0);
    EXPECT_EQ(replayer.row, 4);  // two ticks per row
}

}  // namespace
}  // namespace qn::test
