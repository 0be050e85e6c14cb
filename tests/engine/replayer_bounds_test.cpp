// Song data can hold any byte. Whatever it holds, the registers are what the
// voice rules give (a window may reach past its slot, an echo may read an
// unwritten, all-zero entry), every byte the mixer reads for them lies in
// wave memory or reads as silence, and the engine never reads past the
// song's own arrays. Random songs and random step programs (fixed seeds) are
// checked on every tick; under AddressSanitizer the byte reads and the song
// arrays sized exactly to their data turn any overrun into a failure.
#include <random>
#include <vector>

#include "song/song_image.h"
#include "tests/engine/replayer_fixture.h"

namespace qn::test {
namespace {

TEST_F(ReplayerFixture, ReselectingWithoutRestartForeverDoesNotOverflowThePosition) {
    // 4xx keeps subtracting "Subloop Step" from the window position; on a
    // one-shot wave nothing brings it back.
    Wave(24).subloopLen = 0;
    Wave(24).subloopStep = 65535;
    StartInstrument(voice(0), song(), 1);
    voice(0).subloopPosition = -2147483647 + 65535;
    SelectWave(voice(0), song(), 23, false);
    SelectWave(voice(0), song(), 23, false);
    EXPECT_GT(voice(0).subloopPosition, 0);  // wrapped like the 32-bit register
}

// A song laid out like one parsed from a song image: 4 rows with a row
// stride of 4, two positions, one stored wave, steps only for instrument 1,
// every array exactly as long as its data. It plays through both positions
// and back to 0 (the restart position lies past the song) without selecting
// or flagging waves the image does not hold, or running past the 32 steps.
TEST(PackedSong, PlaysOnlyWhatTheImageHolds) {
    Song song;
    song.rowsPerPattern = song.rowStride = 4;
    song.sequenceLength = 2;
    song.restartPosition = 200;
    song.waveCount = song.waveRecordCount = 1;
    std::vector<InstrumentStep> steps(kInstrumentSteps);
    std::vector<qntPatternStep> patterns(2 * 4);
    std::vector<SequenceEntry> sequence(2 * kVoices);
    std::vector<InstrumentParams> instruments(kInstrumentSlots, DefaultInstrumentParams());
    std::vector<WaveParams> waves(1, DefaultWaveParams());
    song.patterns = song.patternPointers[0] = patterns.data();
    song.patternPointers[1] = patterns.data() + 4;
    song.sequence = sequence.data();
    song.instruments = instruments.data();
    song.waves = waves.data();
    song.instrumentSteps[0] = steps.data();
    for (int slot = 0; slot < kWaves; ++slot) song.waveCalcOrder[slot] = uint8_t(slot);
    sequence[0].pattern = 1;
    sequence[kVoices].pattern = 2;
    patterns[4 + 1] = {13, 0x10, 0};  // note 13, instrument 1
    instruments[0].stepCount = 255;
    steps[0] = {0, 0x0, 20};  // select wave 20: not stored
    steps[1] = {0, 0x4, 3};   // likewise without restart
    for (size_t i = 2; i < steps.size(); ++i) steps[i].b0 = 0x80;  // linked: run to the end at once
    waves[0].mixWave = 7;
    WaveMemory memory;
    Replayer replayer;
    replayer.InitReplayer(&song, &memory);
    for (int tick = 0; tick < 36; ++tick) replayer.TickRows(), replayer.TickVoices();
    EXPECT_EQ(song.currentPosition, 1u);
    EXPECT_EQ(replayer.voices[0].notesStarted, 1u);
    EXPECT_EQ(replayer.voices[0].waveIndex, 0);
    EXPECT_EQ(replayer.voices[0].stepIndex, kInstrumentSteps);
    EXPECT_EQ(waves[0].flags & kWaveOctaveCopies, 0);
    for (int tick = 0; tick < 12; ++tick) replayer.TickRows(), replayer.TickVoices();
    EXPECT_EQ(song.currentPosition, 0u);
}

// Besides staying inside their buffers, the random runs are a golden render:
// every register block and every mixed frame goes into a digest compared
// with the digest of the checked engine, so any change in what a song
// sounds like (a command, an envelope, a window, the mixer) fails here.
// A change that is meant prints the new digest to put in.
class RandomSongs : public ReplayerFixture {
protected:
    std::mt19937 random{20261206};
    uint8_t Byte() { return uint8_t(random() & 0xff); }
    void Fill(void* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            static_cast<uint8_t*>(data)[i] = Byte();
    }
    // Every register block is mixed; the period is a table entry, or 0 for
    // an echo that reads a ring entry not written yet.
    void ExpectSafe(const VoiceRegisters* regs, int tick) {
        MixCoarsely(mixer, memory, regs, digest);
        for (int v = 0; v < kVoices; ++v) {
            ASSERT_LE(regs[v].volume, 64) << "tick " << tick;
            ASSERT_TRUE(regs[v].period == 0 || regs[v].period >= 112) << "tick " << tick;
        }
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
        replayer.SetPosition(int(random() % 8));
        replayer.SetRow(int(random() % 128));
        replayer.speed = Byte();
        replayer.patternLoop = uint8_t(random() & 1);
        for (int v = 0; v < kVoices; ++v)
            voice(v).muted = uint8_t((random() & 7) == 0);
        replayer.StartPlaying();
        for (int tick = 0; tick < 300; ++tick) {
            if (!replayer.playing && (random() & 31) == 0) {
                replayer.speed = Byte();
                replayer.StartPlaying();
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSafe(Tick().data(), tick));
            ASSERT_LT(song().currentPosition, song().sequenceLength);
        }
    }
    EXPECT_EQ(digest, 0xe6af5e8edeba990cull) << std::hex << "new digest 0x" << digest;
}

TEST_F(RandomSongs, RandomStepProgramsOnEveryPitchStayInsideTheirBuffers) {
    random.seed(77);
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
        v.notePitch = int16_t(uint16_t(random()));
        v.patternSlide = int16_t(int(random() % 512) - 256);
        v.arpeggio[0] = Byte();
        v.arpeggio[1] = Byte() & 15;
        v.arpeggio[2] = Byte() & 15;
        v.noteCut = uint8_t(random() % 20);
        v.pendingSubloopOffset = Byte();
        v.releaseCountdown = uint8_t(random() % 40);
        v.pendingStepJump = (random() & 3) == 0 ? uint8_t(random() % 40) : kNoStepJump;
        for (int tick = 0; tick < 200; ++tick) {
            if ((random() & 15) == 0)
                v.pendingSubloopOffset = Byte();
            replayer.TickVoices();
            VoiceRegisters regs[kVoices];
            for (int n = 0; n < kVoices; ++n) {
                regs[n] = voice(n).registers;
                voice(n).registers.trigger = 0;
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSafe(regs, tick));
        }
    }
    EXPECT_EQ(digest, 0xd4437f6f3c6c0e85ull) << std::hex << "new digest 0x" << digest;
}

// The same song played from the editable layout and from its song image
// (row stride = rows, only the stored instruments, steps and waves) gives
// the same registers tick by tick.
TEST(ParsedImageSong, PlaysLikeTheEditableSong) {
    SongDocument doc;
    Song& song = doc.song;
    song.SetRowsPerPattern(8);
    song.instrumentSteps[1][0] = {0, 0x0, 2};
    song.instrumentSteps[1][1] = {0x80 | 13, 0x1, 4};
    song.instrumentSteps[1][2] = {0, 0xB, 0};
    song.waves[1].lengthIndex = 1;
    song.waves[1].waveLength = 256;
    song.waves[1].subloopLen = 32;
    song.waves[1].loopEnd = 256;
    song.waves[1].subloopStep = 24;
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

    WaveMemory editableMemory, parsedMemory;
    Replayer editable, fromImage;
    editable.InitReplayer(&song, &editableMemory);
    fromImage.InitReplayer(&parsed, &parsedMemory);
    for (int tick = 0; tick < 400; ++tick) {
        SCOPED_TRACE(tick);
        for (Replayer* r : {&editable, &fromImage}) {
            if (r->playing)
                r->TickRows();
            r->TickVoices();
        }
        ASSERT_EQ(song.currentPosition, parsed.currentPosition);
        for (int v = 0; v < kVoices; ++v) {
            ASSERT_EQ(Fields(editable.voices[v].registers), Fields(fromImage.voices[v].registers)) << "voice " << v;
            editable.voices[v].registers.trigger = fromImage.voices[v].registers.trigger = 0;
        }
    }
    EXPECT_GT(editable.voices[1].notesStarted, 0u);
}

}  // namespace
}  // namespace qn::test
