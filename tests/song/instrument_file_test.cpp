#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "song/file_io.h"
#include "song/instrument_file.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using test::MixSource;
using test::StepSelectsWave;
using test::TaggedWave;
using test::WaveSound;

std::vector<uint8_t> Block(const SongDocument& doc) {
    return std::vector<uint8_t>(doc.Storage(), doc.Storage() + kStorageSize);
}

bool Load(const std::array<uint8_t, kInstrumentFileSize>& file, SongDocument& doc, int instrument,
          InstrumentLoadResult* result = nullptr) {
    return LoadInstrument(file.data(), file.size(), doc.song, instrument, result, nullptr);
}

// Random source instruments into random songs: a load either changes
// nothing, or gives the instrument the steps of the file, each selected wave
// sounding as it did in the source song.
TEST(InstrumentLoad, LoadedWavesSoundAsInTheirSourceOrNothingChanges) {
    std::mt19937 random(1234u);
    int loaded = 0, refused = 0, reused = 0;
    for (int n = 0; n < 400; ++n) {
        SongDocument source, doc;
        for (int w = 0; w < kWaves; ++w) {
            if (random() % 3 == 0) continue;  // left empty
            source.song.waves[w] = TaggedWave(1 + int(random() % 200), random() % 3 ? 0 : int(random() % 30),
                                              random() % 5 ? 0 : int(random() % 30));
        }
        // An empty mix source is not brought along, and the copy keeps its
        // number (a wave of the target song may sit there): not generated.
        for (int w = 1; w <= kWaves; ++w) {
            const int mix = MixSource(source.song, w);
            if (mix != 0 && IsWaveEmpty(source.song.waves[mix - 1])) source.song.waves[w - 1].mixWave = 0;
        }
        for (int i = 0; i < 6; ++i)
            StepSelectsWave(source.song, 1, int(random() % 32), int(random() % 28), random() % 2 ? 0 : 4);
        const auto file = BuildInstrumentFile(source.song, 1);
        for (int w = 0; w < kWaves; ++w) {
            const int kind = int(random() % 12);  // every third song nearly full
            if (kind < 4) doc.song.waves[w] = source.song.waves[random() % kWaves];  // maybe a duplicate
            else if (kind < 7 || (n % 3 == 0 && kind < 11)) doc.song.waves[w] = TaggedWave(1 + int(random() % 200));
        }
        const int target = 1 + int(random() % 31);
        const std::vector<uint8_t> before = Block(doc);
        InstrumentLoadResult result;
        if (!Load(file, doc, target, &result)) {
            ASSERT_EQ(Block(doc), before) << n;
            ++refused;
            continue;
        }
        ++loaded;
        reused += result.wavesCopied == 0;
        for (int step = 0; step < kInstrumentSteps; ++step) {
            const InstrumentStep& from = source.song.instrumentSteps[0][step];
            const InstrumentStep& to = doc.song.instrumentSteps[target - 1][step];
            ASSERT_EQ(to.b0, from.b0);
            ASSERT_EQ(to.b1, from.b1);
            if (from.SelectedWave() == 0) {
                ASSERT_EQ(to.b2, from.b2) << n;  // parameters above 24 stay as they are
            } else {
                ASSERT_NE(to.SelectedWave(), 0) << n;
                ASSERT_EQ(WaveSound(doc.song, to.b2), WaveSound(source.song, from.b2)) << n << " step " << step;
            }
        }
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 10);
    EXPECT_GT(reused, 10);
}

TEST(InstrumentLoad, CopiesIntoHighestChosenSlotsFirstAndReusesDuplicates) {
    // The source song: waves 3 and 5 selected, wave 5 mixes in wave 2.
    SongDocument source;
    source.song.waves[1] = TaggedWave(2);
    source.song.waves[2] = TaggedWave(3, 0, 9);  // clones wave 9, which does not come along
    source.song.waves[4] = TaggedWave(5, 2, 2);  // clones wave 2, which does
    SetFixedText(source.song.waveNames[4], kNameLength, "five");
    SetFixedText(source.song.instrumentNames[3], kNameLength, "lead");
    StepSelectsWave(source.song, 4, 0, 3);
    StepSelectsWave(source.song, 4, 1, 5);
    const auto file = BuildInstrumentFile(source.song, 4);
    SongDocument doc;
    InstrumentLoadResult result;
    ASSERT_TRUE(Load(file, doc, 2, &result));
    EXPECT_EQ(result.wavesCopied, 3);
    // The needed list 3, 5, 2 takes slots 3, 2, 1 in that order; mix and clone sources follow.
    const WaveParams* waves = doc.song.waves;
    EXPECT_EQ((std::vector<int>{waves[2].phaseSpeed, waves[1].phaseSpeed, waves[0].phaseSpeed, waves[1].mixWave,
                                waves[1].cloneFrom, waves[2].cloneFrom}),
              (std::vector<int>{3, 5, 2, 1, 1, 0}));
    EXPECT_EQ(FixedText(doc.song.waveNames[1], kNameLength), "five");
    EXPECT_EQ(FixedText(doc.song.instrumentNames[1], kNameLength), "lead");
    const uint8_t* order = doc.song.waveCalcOrder;  // the mix source (slot 0) is made first
    EXPECT_LT(std::find(order, order + kWaves, 0), std::find(order, order + kWaves, 1));
    // Loading it again into the song it came from copies nothing and changes nothing.
    const std::vector<uint8_t> before = Block(doc);
    ASSERT_TRUE(Load(BuildInstrumentFile(doc.song, 2), doc, 2, &result));
    EXPECT_EQ(result.wavesCopied, 0);
    EXPECT_EQ(Block(doc), before);
}

// A "Mix Wave" of 24 mixes wave 23, so a wave that is mixed in never takes
// slot 24: it swaps with a wave that is not, or the load is refused.
TEST(InstrumentLoad, MixedInWavesNeverTakeSlot24) {
    for (const bool cycle : {false, true}) {
        SongDocument source, doc;
        source.song.waves[0] = TaggedWave(1, 2);
        source.song.waves[1] = TaggedWave(2, cycle ? 1 : 0);
        StepSelectsWave(source.song, 1, 0, 2);  // listed first, so copied into the highest slot
        StepSelectsWave(source.song, 1, 1, 1);
        for (int w = 0; w < kWaves - 2; ++w) doc.song.waves[w] = TaggedWave(100 + w);
        const std::vector<uint8_t> before = Block(doc);
        ASSERT_EQ(Load(BuildInstrumentFile(source.song, 1), doc, 1), !cycle);
        if (cycle) EXPECT_EQ(Block(doc), before);
        for (int step = 0; !cycle && step < 2; ++step) {
            const int from = source.song.instrumentSteps[0][step].b2, to = doc.song.instrumentSteps[0][step].b2;
            EXPECT_EQ(WaveSound(doc.song, to), WaveSound(source.song, from)) << step;
        }
    }
}

TEST(InstrumentFile, LittleEndianLayoutRoundTripAndBadFiles) {
    SongDocument source;
    source.song.waves[4] = TaggedWave(5);
    source.song.waves[0].loopStart = 0x1234;
    source.song.instruments[0] = InstrumentParams{1, 2, 3, 4, 5, 6, 7, 32};
    StepSelectsWave(source.song, 1, 0, 5);
    source.song.instrumentSteps[0][1] = InstrumentStep{0x8d, 0x0C, 0x20};
    SetFixedText(source.song.instrumentNames[0], kNameLength, "exactly twenty-two ch");
    SetFixedText(source.song.waveNames[23], kNameLength, "last");
    auto file = BuildInstrumentFile(source.song, 1);
    EXPECT_EQ(std::memcmp(file.data(), "QNI\x1b\0\0\0\0", 8), 0);
    EXPECT_EQ(std::memcmp(&file[8], &source.song.instruments[0], 8), 0);
    EXPECT_EQ(std::memcmp(&file[16 + 3], "\x8d\x0c\x20", 3), 0);
    EXPECT_EQ((std::vector<uint8_t>{file[112], file[113], file[112 + 42 + 10], file[112 + 42 + 11]}),
              (std::vector<uint8_t>{0x34, 0x12, 128, 0}));  // "Loop Start" of wave 1, length of wave 2
    EXPECT_EQ(std::memcmp(&file[1120 + 23 * 22], "last", 5), 0);
    EXPECT_EQ(std::memcmp(&file[1648], "exactly twenty-two ch", 22), 0);

    SongDocument doc;
    const std::vector<uint8_t> empty = Block(doc);
    EXPECT_FALSE(LoadInstrument(file.data(), kInstrumentFileSize - 1, doc.song, 1, nullptr, nullptr));
    for (auto [at, value] : std::initializer_list<std::pair<int, uint8_t>>{{3, 11}, {3, 0x80}, {2, 'T'}}) {
        auto bad = file;
        bad[at] = value;  // version 11, -128 (read as a signed byte), wrong magic
        EXPECT_FALSE(Load(bad, doc, 1)) << at << " " << int(value);
    }
    EXPECT_EQ(Block(doc), empty);
    file[3] = 12;
    ASSERT_TRUE(Load(file, doc, 5));
    EXPECT_EQ(std::memcmp(&doc.song.instruments[4], &source.song.instruments[0], 8), 0);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[4], kNameLength), "exactly twenty-two ch");
    const auto again = BuildInstrumentFile(doc.song, 5);
    EXPECT_EQ(std::memcmp(&again[8], &file[8], 8), 0);
    EXPECT_EQ(std::memcmp(&again[1648], &file[1648], 22), 0);
}

TEST(InstrumentFile, PathRuleAndSaveThatLoadsBack) {
    for (auto [given, expected] : {std::pair{"lead", "lead.ins"}, {"lead.ins", "lead.ins"}, {".ins", ".ins.ins"},
                                   {"lead.INS", "lead.INS.ins"}})
        EXPECT_EQ(InstrumentFilePath(given), expected);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillnote_instrument_save_test";
    std::filesystem::create_directories(folder);
    const std::string path = InstrumentFilePath((folder / "lead").string());
    SongDocument source;
    source.song.waves[0] = TaggedWave(9);
    StepSelectsWave(source.song, 1, 0, 1);
    ASSERT_TRUE(SaveInstrument(path, source.song, 1));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, kInstrumentFileMaxRead));
    EXPECT_EQ(bytes.size(), kInstrumentFileSize);
    SongDocument doc;
    ASSERT_TRUE(LoadInstrument(bytes.data(), bytes.size(), doc.song, 1, nullptr, nullptr));
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 9);
    EXPECT_FALSE(SaveInstrument((folder / "missing" / "x.ins").string(), source.song, 1));
    std::filesystem::remove_all(folder);
}

TEST(Clipboards, CopyPasteAndClear) {
    SongDocument doc;
    Song& song = doc.song;
    song.waves[9] = TaggedWave(10, 6);
    SetFixedText(song.waveNames[9], kNameLength, "ten");
    SetFixedText(song.instrumentNames[0], kNameLength, "instrument");
    song.instruments[0].attack = 3;
    StepSelectsWave(song, 1, 0, 1);
    Clipboards clipboards;
    const Clipboards empty;
    PasteWave(song, 1, empty);  // an empty clipboard pastes cleared records
    PasteInstrument(song, 3, empty);
    EXPECT_TRUE(IsWaveEmpty(song.waves[0]));
    EXPECT_EQ(song.instruments[2].stepCount, 32);
    CopyInstrument(song, 1, clipboards);
    CopyWave(song, 10, clipboards);  // the name clipboard is shared: the wave's name wins
    PasteWave(song, 4, clipboards);  // a mix source above the target is dropped
    PasteWave(song, 7, clipboards);  // one below it is kept
    PasteInstrument(song, 2, clipboards);
    EXPECT_EQ((std::vector<int>{song.waves[3].phaseSpeed, song.waves[3].mixWave, song.waves[6].mixWave}),
              (std::vector<int>{10, 0, 6}));
    EXPECT_EQ(FixedText(song.waveNames[3], kNameLength) + FixedText(song.instrumentNames[1], kNameLength), "tenten");
    EXPECT_EQ((std::vector<int>{song.instruments[1].attack, song.instrumentSteps[1][0].Parameter()}),
              (std::vector<int>{3, 1}));
    const uint8_t* order = song.waveCalcOrder;  // the order follows the new mix source
    EXPECT_LT(std::find(order, order + kWaves, 5) - order, std::find(order, order + kWaves, 6) - order);
    ClearWave(song, 7);
    ClearInstrument(song, 2);
    EXPECT_TRUE(IsWaveEmpty(song.waves[6]) && song.waveNames[6][0] == 0);
    EXPECT_EQ(std::memcmp(&song.instruments[1], &song.instruments[4], sizeof(InstrumentParams)), 0);  // the default
    EXPECT_TRUE(song.instrumentSteps[1][0].IsEmpty() && song.instrumentNames[1][0] == 0);
}

}  // namespace
}  // namespace qn
