#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "song/file_io.h"
#include "song/instrument_file.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using test::TaggedWave;

void SetStep(Song& song, int instrument, int step, int command, int parameter) {
    song.instrumentSteps[instrument - 1][step] = InstrumentStep{0, uint8_t(command), uint8_t(parameter)};
}

std::vector<uint8_t> Block(const SongDocument& doc) {
    return std::vector<uint8_t>(doc.Storage(), doc.Storage() + kStorageSize);
}

bool Load(const std::array<uint8_t, kInstrumentFileSize>& file, SongDocument& doc, int instrument,
          InstrumentLoadResult* result = nullptr) {
    return LoadInstrument(file.data(), file.size(), doc.song, instrument, result, nullptr);
}

// Instrument 1 selects wave 4 (tag 44), which mixes in wave 1 (tag 11).
std::array<uint8_t, kInstrumentFileSize> ChainFile() {
    SongDocument source;
    source.song.waves[0] = TaggedWave(11);
    source.song.waves[3] = TaggedWave(44, 1);
    SetStep(source.song, 1, 0, 0, 4);
    return BuildInstrumentFile(source.song, 1);
}

TEST(InstrumentFileLayout, LittleEndianFields) {
    SongDocument doc;
    doc.song.instruments[2].attack = 9;
    SetStep(doc.song, 3, 1, 4, 0x12);
    doc.song.waves[0].loopStart = 0x1234;
    SetFixedText(doc.song.instrumentNames[2], kNameLength, "pad");
    SetFixedText(doc.song.waveNames[23], kNameLength, "last");
    const auto file = BuildInstrumentFile(doc.song, 3);
    EXPECT_EQ(std::memcmp(file.data(), "QNI\x1b\0\0\0\0", 8), 0);
    EXPECT_EQ(file[8 + 3], 9);
    EXPECT_EQ(file[8 + 7], 32);
    EXPECT_EQ(file[16 + 3 + 1], 4);
    EXPECT_EQ(file[16 + 3 + 2], 0x12);
    EXPECT_EQ(file[112], 0x34);  // wave 1 "Loop Start", low byte first
    EXPECT_EQ(file[113], 0x12);
    EXPECT_EQ(file[112 + 42 + 10], 128);  // wave 2 length 128
    EXPECT_EQ(file[112 + 42 + 11], 0);
    EXPECT_EQ(std::memcmp(&file[1120 + 23 * 22], "last", 5), 0);
    EXPECT_EQ(std::memcmp(&file[1648], "pad", 4), 0);
}

TEST(InstrumentFileLayout, PathGetsExtension) {
    EXPECT_EQ(InstrumentFilePath("lead"), "lead.ins");
    EXPECT_EQ(InstrumentFilePath("lead.ins"), "lead.ins");
    EXPECT_EQ(InstrumentFilePath(".ins"), ".ins.ins");
    EXPECT_EQ(InstrumentFilePath("lead.INS"), "lead.INS.ins");
}

TEST(InstrumentLoad, IntoTheSongItCameFromCopiesNothing) {
    SongDocument doc;
    doc.song.waves[2] = TaggedWave(3, 1);
    doc.song.waves[0] = TaggedWave(1);
    doc.song.waves[6] = TaggedWave(7);
    SetStep(doc.song, 1, 0, 0, 3);
    SetStep(doc.song, 1, 1, 4, 7);
    const auto file = BuildInstrumentFile(doc.song, 1);
    const std::vector<uint8_t> before = Block(doc);
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 1, &result));
    EXPECT_EQ(result.wavesCopied, 0);
    EXPECT_EQ(Block(doc), before);
}

TEST(InstrumentLoad, CopiesIntoHighestChosenSlotsFirst) {
    // The source song: waves 3 and 5 selected, wave 5 mixes in wave 2.
    SongDocument source;
    source.song.waves[1] = TaggedWave(2);
    source.song.waves[2] = TaggedWave(3);
    source.song.waves[4] = TaggedWave(5, 2);
    SetFixedText(source.song.waveNames[4], kNameLength, "five");
    SetStep(source.song, 4, 0, 0, 3);
    SetStep(source.song, 4, 1, 0, 5);
    SetFixedText(source.song.instrumentNames[3], kNameLength, "lead");
    const auto file = BuildInstrumentFile(source.song, 4);

    SongDocument doc;
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 2, &result));
    EXPECT_EQ(result.wavesCopied, 3);
    // Needed list 3, 5, 2 takes slots 3, 2, 1 in that order.
    EXPECT_EQ(doc.song.waves[2].phaseSpeed, 3);
    EXPECT_EQ(doc.song.waves[1].phaseSpeed, 5);
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 2);
    EXPECT_EQ(doc.song.waves[1].mixWave, 1);
    EXPECT_EQ(FixedText(doc.song.waveNames[1], kNameLength), "five");
    EXPECT_EQ(doc.song.instrumentSteps[1][0].Parameter(), 3);
    EXPECT_EQ(doc.song.instrumentSteps[1][1].Parameter(), 2);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[1], kNameLength), "lead");
    // The mix source (slot 0) is now calculated before the wave in slot 1.
    const uint8_t* order = doc.song.waveCalcOrder;
    EXPECT_LT(std::find(order, order + kWaves, 0) - order, std::find(order, order + kWaves, 1) - order);
}

TEST(InstrumentLoad, DuplicateWithDifferentlyNumberedChain) {
    const auto file = ChainFile();
    SongDocument doc;
    doc.song.waves[8] = TaggedWave(11);
    doc.song.waves[6] = TaggedWave(44, 9);
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 1, &result));
    EXPECT_EQ(result.wavesCopied, 0);
    EXPECT_EQ(doc.song.instrumentSteps[0][0].Parameter(), 7);
}

TEST(InstrumentLoad, ChainWithOtherRecordsIsNotADuplicate) {
    const auto file = ChainFile();
    SongDocument doc;
    doc.song.waves[8] = TaggedWave(12);     // the mix source sounds different
    doc.song.waves[6] = TaggedWave(44, 9);  // same record, same chain length
    ASSERT_TRUE(Load(file, doc, 1));
    const int wave = doc.song.instrumentSteps[0][0].Parameter();
    EXPECT_NE(wave, 7);
    EXPECT_EQ(doc.song.waves[wave - 1].phaseSpeed, 44);
    const int mix = doc.song.waves[wave - 1].mixWave;
    EXPECT_EQ(doc.song.waves[mix - 1].phaseSpeed, 11);  // its own copy of the source
}

TEST(InstrumentLoad, MixSourceFoundAsDuplicateIsRemappedToo) {
    const auto file = ChainFile();
    SongDocument doc;
    doc.song.waves[5] = TaggedWave(11);  // the source exists as song wave 6
    ASSERT_TRUE(Load(file, doc, 1));
    const int wave = doc.song.instrumentSteps[0][0].Parameter();
    EXPECT_EQ(doc.song.waves[wave - 1].mixWave, 6);
}

TEST(InstrumentLoad, CloneSourcesAreRenumberedOrDropped) {
    SongDocument source;
    source.song.waves[2] = TaggedWave(3, 0, 9);  // clones wave 9, which does not come along
    source.song.waves[3] = TaggedWave(4, 0, 3);  // clones wave 3, which does
    SetStep(source.song, 1, 0, 0, 3);
    SetStep(source.song, 1, 1, 0, 4);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    doc.song.waves[8] = TaggedWave(99);
    ASSERT_TRUE(Load(file, doc, 1));
    // Wave 3 went to slot 2, wave 4 to slot 1.
    EXPECT_EQ(doc.song.waves[1].phaseSpeed, 3);
    EXPECT_EQ(doc.song.waves[1].cloneFrom, 0);
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 4);
    EXPECT_EQ(doc.song.waves[0].cloneFrom, 2);
    // Loading it again finds the copies, whatever their clone numbers.
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 2, &result));
    EXPECT_EQ(result.wavesCopied, 0);
}

TEST(InstrumentLoad, FullSongRejectsAndStaysUnchanged) {
    SongDocument source;
    source.song.waves[0] = TaggedWave(200);
    SetStep(source.song, 1, 0, 0, 1);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    for (int wave = 0; wave < kWaves; ++wave) doc.song.waves[wave] = TaggedWave(wave + 1);
    const std::vector<uint8_t> before = Block(doc);
    EXPECT_FALSE(Load(file, doc, 1));
    EXPECT_EQ(Block(doc), before);
}

TEST(InstrumentLoad, BadFilesChangeNothing) {
    SongDocument source;
    SetStep(source.song, 1, 0, 0, 1);
    auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    const std::vector<uint8_t> before = Block(doc);
    EXPECT_FALSE(LoadInstrument(file.data(), kInstrumentFileSize - 1, doc.song, 1, nullptr, nullptr));
    file[3] = 11;
    EXPECT_FALSE(Load(file, doc, 1));
    file[3] = 0x80;  // read as a signed byte: -128
    EXPECT_FALSE(Load(file, doc, 1));
    file[3] = 12;
    file[2] = 'T';
    EXPECT_FALSE(Load(file, doc, 1));
    EXPECT_EQ(Block(doc), before);
    file[2] = 'I';
    EXPECT_TRUE(Load(file, doc, 1));
}

TEST(InstrumentLoad, StepParametersAboveTwentyFourStayAsTheyAre) {
    SongDocument source;
    source.song.waves[1] = TaggedWave(2);
    SetStep(source.song, 1, 0, 0, 2);
    SetStep(source.song, 1, 1, 4, 0x30);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 1, &result));
    EXPECT_EQ(result.wavesCopied, 1);
    EXPECT_EQ(doc.song.instrumentSteps[0][0].Parameter(), 1);
    EXPECT_EQ(doc.song.instrumentSteps[0][1].Parameter(), 0x30);
}

TEST(InstrumentLoad, MixWaveAboveTwentyThreeBringsWaveTwentyThree) {
    // The synthesizer mixes wave 23 for any "Mix Wave" of 24 and above.
    SongDocument source;
    source.song.waves[1] = TaggedWave(2, 30);
    source.song.waves[22] = TaggedWave(23);
    source.song.waves[23] = TaggedWave(24);
    SetStep(source.song, 1, 0, 0, 2);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 1, &result));
    EXPECT_EQ(result.wavesCopied, 2);  // waves 2 and 23, not 24
    EXPECT_EQ(doc.song.waves[1].phaseSpeed, 2);
    EXPECT_EQ(doc.song.waves[1].mixWave, 1);
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 23);
    EXPECT_TRUE(IsWaveEmpty(doc.song.waves[2]));
}

TEST(InstrumentLoad, MixCycleEnds) {
    SongDocument source;
    source.song.waves[1] = TaggedWave(2, 3);
    source.song.waves[2] = TaggedWave(3, 2);
    SetStep(source.song, 1, 0, 0, 2);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    ASSERT_TRUE(Load(file, doc, 1));
    // Both copied (slots 2 and 1) and still naming each other.
    EXPECT_EQ(doc.song.waves[1].phaseSpeed, 2);
    EXPECT_EQ(doc.song.waves[1].mixWave, 1);
    EXPECT_EQ(doc.song.waves[0].mixWave, 2);
    // Loading again finds the looped chain as a duplicate.
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 3, &result));
    EXPECT_EQ(result.wavesCopied, 0);
    EXPECT_EQ(doc.song.instrumentSteps[2][0].Parameter(), 2);
}

TEST(InstrumentLoad, DuplicateTargetIsNotAlsoAnEmptySlot) {
    // The instrument selects an empty wave (1) and a real one (2); the song
    // has a single empty slot, which the empty wave reuses.
    SongDocument source;
    source.song.waves[1] = TaggedWave(22);
    SetStep(source.song, 1, 0, 0, 1);
    SetStep(source.song, 1, 1, 0, 2);
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    for (int wave = 0; wave < kWaves - 1; ++wave) doc.song.waves[wave] = TaggedWave(100 + wave);
    const std::vector<uint8_t> before = Block(doc);
    EXPECT_FALSE(Load(file, doc, 1));
    EXPECT_EQ(Block(doc), before);
}

TEST(InstrumentLoad, RoundTripKeepsRecordStepsAndName) {
    SongDocument source;
    source.song.waves[4] = TaggedWave(5);
    source.song.instruments[0] = InstrumentParams{1, 2, 3, 4, 5, 6, 7, 32};
    SetStep(source.song, 1, 0, 0, 5);
    source.song.instrumentSteps[0][1] = InstrumentStep{0x8d, 0x0C, 0x20};
    SetFixedText(source.song.instrumentNames[0], kNameLength, "exactly twenty-two ch");
    const auto file = BuildInstrumentFile(source.song, 1);
    SongDocument doc;
    ASSERT_TRUE(Load(file, doc, 5));
    EXPECT_EQ(std::memcmp(&doc.song.instruments[4], &source.song.instruments[0], 8), 0);
    EXPECT_EQ(doc.song.instrumentSteps[4][0].Parameter(), 1);
    EXPECT_EQ(doc.song.instrumentSteps[4][1].b0, 0x8d);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[4], kNameLength), "exactly twenty-two ch");
    EXPECT_EQ(std::memcmp(&doc.song.waves[0], &source.song.waves[4], sizeof(WaveParams)), 0);
    // Saving the loaded instrument reproduces the file's instrument part.
    const auto again = BuildInstrumentFile(doc.song, 5);
    EXPECT_EQ(std::memcmp(&again[8], &file[8], 8), 0);
    EXPECT_EQ(std::memcmp(&again[1648], &file[1648], 22), 0);
}

TEST(InstrumentSave, WritesFileThatLoadsBack) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillnote_instrument_save_test";
    std::filesystem::create_directories(folder);
    const std::string path = InstrumentFilePath((folder / "lead").string());
    SongDocument source;
    source.song.waves[0] = TaggedWave(9);
    source.song.instrumentSteps[0][0] = InstrumentStep{0, 0, 1};
    ASSERT_TRUE(SaveInstrument(path, source.song, 1));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, kInstrumentFileMaxRead));
    EXPECT_EQ(bytes.size(), kInstrumentFileSize);
    SongDocument doc;
    ASSERT_TRUE(LoadInstrument(bytes.data(), bytes.size(), doc.song, 1, nullptr, nullptr));
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 9);
    // A folder that does not exist: the save reports failure.
    EXPECT_FALSE(SaveInstrument((folder / "missing" / "x.ins").string(), source.song, 1));
    std::filesystem::remove_all(folder);
}

TEST(Clipboards, PasteWaveKeepsOnlyLowerMixSource) {
    SongDocument doc;
    doc.song.waves[9] = TaggedWave(10, 6);
    SetFixedText(doc.song.waveNames[9], kNameLength, "ten");
    Clipboards clipboards;
    CopyWave(doc.song, 10, clipboards);
    PasteWave(doc.song, 4, clipboards);
    EXPECT_EQ(doc.song.waves[3].phaseSpeed, 10);
    EXPECT_EQ(doc.song.waves[3].mixWave, 0);
    EXPECT_EQ(FixedText(doc.song.waveNames[3], kNameLength), "ten");
    PasteWave(doc.song, 7, clipboards);
    EXPECT_EQ(doc.song.waves[6].mixWave, 6);
    // The calculation order follows the new mix source.
    const uint8_t* order = doc.song.waveCalcOrder;
    EXPECT_LT(std::find(order, order + kWaves, 5) - order, std::find(order, order + kWaves, 6) - order);
    ClearWave(doc.song, 7);
    EXPECT_TRUE(IsWaveEmpty(doc.song.waves[6]));
    EXPECT_EQ(doc.song.waveNames[6][0], 0);
}

TEST(Clipboards, NameClipboardIsShared) {
    SongDocument doc;
    SetFixedText(doc.song.waveNames[0], kNameLength, "wave name");
    SetFixedText(doc.song.instrumentNames[0], kNameLength, "instrument");
    doc.song.instruments[0].attack = 3;
    SetStep(doc.song, 1, 0, 0, 1);
    Clipboards clipboards;
    CopyInstrument(doc.song, 1, clipboards);
    CopyWave(doc.song, 1, clipboards);
    PasteInstrument(doc.song, 2, clipboards);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[1], kNameLength), "wave name");
    EXPECT_EQ(doc.song.instruments[1].attack, 3);
    EXPECT_EQ(doc.song.instrumentSteps[1][0].Parameter(), 1);
    ClearInstrument(doc.song, 2);
    EXPECT_EQ(doc.song.instruments[1].sustain, 15);
    EXPECT_EQ(doc.song.instruments[1].release, 1);
    EXPECT_EQ(doc.song.instruments[1].attack, 0);
    EXPECT_TRUE(doc.song.instrumentSteps[1][0].IsEmpty());
    EXPECT_EQ(doc.song.instrumentNames[1][0], 0);
}

TEST(Clipboards, EmptyClipboardPastesClearedRecords) {
    SongDocument doc;
    doc.song.waves[0] = TaggedWave(1);
    doc.song.instruments[0].attack = 3;
    const Clipboards clipboards;
    PasteWave(doc.song, 1, clipboards);
    PasteInstrument(doc.song, 1, clipboards);
    EXPECT_TRUE(IsWaveEmpty(doc.song.waves[0]));
    EXPECT_EQ(doc.song.instruments[0].stepCount, 32);
    EXPECT_EQ(doc.song.instruments[0].attack, 0);
}

}  // namespace
}  // namespace qn
