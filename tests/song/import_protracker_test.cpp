#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "song/file_io.h"
#include "song/import_protracker.h"
#include "song_test_helpers.h"
#include "test_data.h"

namespace qn {
namespace {

using test::DocumentSnapshot;

// The module read here independently of the importer: the cell layout, the period table and the effect rules
// written out as tables. Returns note, instrument, command, parameter and chord flag.
std::vector<int> ReadCell(const uint8_t* cell) {
    static const int periods[] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                  428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                  214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
    const int* found = std::find(std::begin(periods), std::end(periods), ((cell[0] & 0x0f) << 8) | cell[1]);
    const int x = cell[3] >> 4, y = cell[3] & 0x0f;
    int command = cell[2] & 0x0f, parameter = cell[3];
    if (command >= 4 && command <= 9) {
        command = parameter = 0;
    } else if (command == 0xD) {
        parameter = x * 10 + y;
    } else if (command == 0xE) {
        if (x == 10) { command = 0xA; parameter = 1; }
        else if (x == 11) { command = 0xA; parameter = 16; }
        else if (x != 1 && x != 2 && x != 5 && x != 6 && x != 8 && x != 13) command = parameter = 0;
    }
    return {found == std::end(periods) ? 0 : int(found - periods) + 1, ((cell[0] & 0xf0) | (cell[2] >> 4)) % 32,
            command, parameter, command == 0 && parameter != 0};
}

// Module pattern p, channel c lands in song pattern 4p + c + 1.
void ExpectCellsMatch(const uint8_t* module, int modulePatterns, const Song& song, const std::string& name) {
    for (int pattern = 0; pattern < modulePatterns; ++pattern)
        for (int row = 0; row < 64; ++row)
            for (int channel = 0; channel < 4; ++channel) {
                const std::vector<int> want = ReadCell(&module[1084 + pattern * 1024 + row * 16 + channel * 4]);
                const qntPatternStep got = song.Pattern(pattern * 4 + channel + 1)[row];
                SCOPED_TRACE(name + " p" + std::to_string(pattern) + " r" + std::to_string(row) + " c" +
                             std::to_string(channel));
                ASSERT_EQ((std::vector<int>{got.Note(), got.Instrument(), got.Command(), got.Parameter(), got.Chord()}),
                          want);
                // The high bit of the sample number sits in bit 7 of the first byte.
                ASSERT_EQ(got.b0 & 0x80, want[1] >= 16 ? 0x80 : 0);
            }
}

TEST(ProTrackerImport, RealModulesMatchAnIndependentReading) {
    const std::filesystem::path folder = test::TestDataFolder("mod");
    // Files that must be refused: cut short, or without any accepted tag.
    const std::vector<std::string> rejected = {"truncated_header.mod", "truncated_soundtracker.mod", "GAMEMUSIC.mod"};
    int imported = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadWholeFile(entry.path().string(), file)) << name;
        SongDocument doc;
        SetFixedText(doc.title, sizeof(doc.title), "untouched");
        for (int k = 0; k < kInstrumentSlots; ++k) doc.song.instruments[k].attack = 9;
        const DocumentSnapshot before(doc);
        const bool ok = ImportProTracker(file.data(), file.size(), doc);
        if (std::find(rejected.begin(), rejected.end(), name) != rejected.end()) {
            EXPECT_FALSE(ok) << name;
            EXPECT_TRUE(DocumentSnapshot(doc) == before) << name;
            continue;
        }
        ASSERT_TRUE(ok) << name;
        ++imported;
        EXPECT_EQ(std::memcmp(doc.title, file.data(), 20), 0) << name;
        ASSERT_EQ(doc.song.sequenceLength, file[950]) << name;
        for (int position = 0; position < file[950]; ++position)
            for (int voice = 0; voice < 4; ++voice)
                EXPECT_EQ(doc.song.Position(position)[voice].pattern, file[952 + position] * 4 + 1 + voice) << name;
        // "M.K." modules have 31 samples, the others 15: only those slots are named and reset.
        const int samples = std::memcmp(&file[1080], "M.K.", 4) == 0 ? 31 : 15;
        for (int sample = 0; sample < 31; ++sample) {
            const char* expected = sample < samples ? reinterpret_cast<const char*>(&file[20 + 30 * sample]) : "";
            EXPECT_EQ(FixedText(doc.song.instrumentNames[sample], 22), FixedText(expected, sample < samples ? 22 : 0))
                << name << " sample " << sample;
            EXPECT_EQ(doc.song.instruments[sample].attack, sample < samples ? 0 : 9) << name;
        }
        ExpectCellsMatch(file.data(), 1 + *std::max_element(&file[952], &file[952 + 128]), doc.song, name);
    }
    EXPECT_EQ(imported, 6);
}

// Random cells, half of them with a note period, against the same reading. Only 63 module patterns fit
// into 255 slots: order entries beyond them play nothing. The song length is held within 1..128.
TEST(ProTrackerImport, RandomCellsMatchTheIndependentReadingAndOrderEntriesBeyondTheSlotsPlayNothing) {
    std::mt19937 random(31u);
    const int periods[] = {856, 428, 113, 214, 429, 0};
    std::vector<uint8_t> module(1084 + 64 * 1024, 0);
    std::memcpy(&module[1080], "M.K.", 4);
    module[950] = 2, module[952] = 62, module[953] = 63;
    for (int at = 1084; at < 1084 + 1024; at += 4) {
        uint8_t* cell = &module[size_t(at)];
        for (int i = 0; i < 4; ++i) cell[i] = uint8_t(random());
        if (random() % 2) {
            const int period = periods[random() % 6];
            cell[0] = uint8_t((cell[0] & 0xf0) | (period >> 8));
            cell[1] = uint8_t(period);
        }
        if (random() % 2) cell[2] = uint8_t((cell[2] & 0xf0) | (random() % 2 ? 0xE : 0));
    }
    SongDocument doc;
    ASSERT_TRUE(ImportProTracker(module.data(), module.size(), doc));
    ExpectCellsMatch(module.data(), 1, doc.song, "random");
    EXPECT_TRUE(doc.song.Position(0)[3].pattern == 252 && doc.song.Position(1)[0].pattern == 0);
    for (auto [stored, length] : {std::pair{0, 1u}, {200, 128u}}) {
        module[950] = uint8_t(stored);
        ASSERT_TRUE(ImportProTracker(module.data(), module.size(), doc));
        EXPECT_EQ(doc.song.sequenceLength, length);
    }
}

}  // namespace
}  // namespace qn
