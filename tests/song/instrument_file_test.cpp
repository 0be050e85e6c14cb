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

using namespace test;

bool Load(const std::array<uint8_t, kInstrumentFileSize>& file, SongDocument& doc, int instrument,
          InstrumentLoadResult* result = nullptr) {
    return LoadInstrument(file.data(), file.size(), doc.song, instrument, result, nullptr);
}

// Random source instruments into random songs: a load either changes nothing, or gives the instrument the steps of the
// file, each selected wave sounding as it did in the source song.
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
        source.song.instruments[0].attack = uint8_t(n % 16);
        SetFixedText(source.song.instrumentNames[0], kNameLength, std::to_string(n).c_str());
        const auto file = BuildInstrumentFile(source.song, 1);
        for (int w = 0; w < kWaves; ++w) {
            const int kind = int(random() % 12);  // every third song nearly full
            if (kind < 4) doc.song.waves[w] = source.song.waves[random() % kWaves];  // maybe a duplicate
            else if (kind < 7 || (n % 3 == 0 && kind < 11)) doc.song.waves[w] = TaggedWave(1 + int(random() % 200));
        }
        const int target = 1 + int(random() % 31);
        const DocumentSnapshot before(doc);
        InstrumentLoadResult result;
        if (!Load(file, doc, target, &result)) {
            ASSERT_TRUE(DocumentSnapshot(doc) == before) << n;
            ++refused;
            continue;
        }
        ++loaded;
        reused += result.wavesCopied == 0;
        ASSERT_TRUE(doc.song.instruments[target - 1].attack == n % 16 &&
                    FixedText(doc.song.instrumentNames[target - 1], kNameLength) == std::to_string(n)) << n;
        for (int step = 0; step < kInstrumentSteps; ++step) {
            const InstrumentStep& from = source.song.instrumentSteps[0][step];
            const InstrumentStep& to = doc.song.instrumentSteps[target - 1][step];
            ASSERT_TRUE(to.b0 == from.b0 && to.b1 == from.b1) << n << " step " << step;
            if (from.SelectedWave() == 0) {
                ASSERT_EQ(to.b2, from.b2) << n;  // parameters above 24 stay as they are
            } else {
                ASSERT_NE(to.SelectedWave(), 0) << n;
                ASSERT_EQ(WaveSound(doc.song, to.b2), WaveSound(source.song, from.b2)) << n << " step " << step;
            }
        }
        const DocumentSnapshot after(doc);  // loaded back, it copies nothing and changes nothing
        ASSERT_TRUE(Load(BuildInstrumentFile(doc.song, target), doc, target, &result)) << n;
        ASSERT_TRUE(result.wavesCopied == 0 && DocumentSnapshot(doc) == after) << n;
    }
    EXPECT_TRUE(loaded > 100 && refused > 10 && reused > 10) << loaded << " " << refused << " " << reused;
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
        const DocumentSnapshot before(doc);
        ASSERT_EQ(Load(BuildInstrumentFile(source.song, 1), doc, 1), !cycle);
        EXPECT_TRUE(!cycle || DocumentSnapshot(doc) == before);
        for (int step = 0; !cycle && step < 2; ++step) {
            const int from = source.song.instrumentSteps[0][step].b2, to = doc.song.instrumentSteps[0][step].b2;
            EXPECT_EQ(WaveSound(doc.song, to), WaveSound(source.song, from)) << step;
        }
    }
}

TEST(InstrumentFile, PathRuleAndSaveThatLoadsBack) {
    for (auto [in, out] : {std::pair{"lead.ins", "lead.ins"}, {".ins", ".ins.ins"}, {"lead.INS", "lead.INS.ins"}})
        EXPECT_EQ(InstrumentFilePath(in), out);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillnote_instrument_save_test";
    std::filesystem::create_directories(folder);
    const std::string path = InstrumentFilePath((folder / "lead").string());
    SongDocument source;
    source.song.waves[0] = TaggedWave(9);
    source.song.waves[0].loopStart = 0x1234;
    StepSelectsWave(source.song, 1, 0, 1);
    ASSERT_TRUE(SaveInstrument(path, source.song, 1));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, kInstrumentFileMaxRead));
    ASSERT_EQ(bytes.size(), kInstrumentFileSize);  // magic, version 27, then little-endian wave records at 112
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5), (std::vector<uint8_t>{'Q', 'N', 'I', 27, 0}));
    EXPECT_EQ((std::vector<uint8_t>{bytes[112], bytes[113]}), (std::vector<uint8_t>{0x34, 0x12}));
    SongDocument doc;
    ASSERT_TRUE(LoadInstrument(bytes.data(), bytes.size(), doc.song, 1, nullptr, nullptr));
    EXPECT_EQ(doc.song.waves[0].phaseSpeed, 9);
    // Cut short, version 11, -128 (a signed byte) or a wrong magic: refused, nothing changed; version 12 loads.
    for (auto [at, value] : {std::pair<size_t, int>{0, -1}, {3, 11}, {3, 128}, {2, 'T'}, {3, 12}}) {
        const DocumentSnapshot before(doc);
        std::vector<uint8_t> bad = bytes;
        if (value < 0) bad.pop_back(); else bad[at] = uint8_t(value);
        EXPECT_EQ(LoadInstrument(bad.data(), bad.size(), doc.song, 2, nullptr, nullptr), value == 12) << at << value;
        EXPECT_TRUE(value == 12 || DocumentSnapshot(doc) == before) << at << value;
    }
    EXPECT_FALSE(SaveInstrument((folder / "missing" / "x.ins").string(), source.song, 1));
    std::filesystem::remove_all(folder);
}

// An empty clipboard pastes cleared records; the name clipboard is shared, so the
// last copy's name wins; a pasted mix source at or above the target is dropped.
TEST(Clipboards, CopyPasteAndClear) {
    SongDocument doc;
    Song& song = doc.song;
    song.waves[9] = TaggedWave(10, 6);
    SetFixedText(song.waveNames[9], kNameLength, "ten");
    SetFixedText(song.instrumentNames[0], kNameLength, "instrument");
    song.instruments[0].attack = 3;
    StepSelectsWave(song, 1, 0, 1);
    Clipboards clipboards;
    PasteWave(song, 1, clipboards);
    PasteInstrument(song, 3, clipboards);
    EXPECT_TRUE(IsWaveEmpty(song.waves[0]) && song.instruments[2].stepCount == 32);
    CopyInstrument(song, 1, clipboards);
    CopyWave(song, 10, clipboards);
    PasteWave(song, 4, clipboards);
    PasteWave(song, 7, clipboards);
    PasteInstrument(song, 2, clipboards);
    EXPECT_EQ((std::vector<int>{song.waves[3].phaseSpeed, song.waves[3].mixWave, song.waves[6].mixWave,
                                song.instruments[1].attack, song.instrumentSteps[1][0].Parameter()}),
              (std::vector<int>{10, 0, 6, 3, 1}));
    EXPECT_EQ(FixedText(song.waveNames[3], kNameLength) + FixedText(song.instrumentNames[1], kNameLength), "tenten");
    const uint8_t* order = song.waveCalcOrder;  // the order follows the new mix source
    EXPECT_LT(std::find(order, order + kWaves, 5), std::find(order, order + kWaves, 6));
    ClearWave(song, 7);
    ClearInstrument(song, 2);
    EXPECT_TRUE(IsWaveEmpty(song.waves[6]) && !song.waveNames[6][0] && !song.instrumentNames[1][0] &&
                song.instrumentSteps[1][0].IsEmpty());
    EXPECT_EQ(std::memcmp(&song.instruments[1], &song.instruments[4], sizeof(InstrumentParams)), 0);  // the default
}

}  // namespace
}  // namespace qn
