#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "song/import_protracker.h"
#include "song_test_helpers.h"
#include "test_data.h"

namespace qn {
namespace {

using test::DocumentSnapshot;

// A minimal module: header, tag and `patterns` empty patterns.
struct ModuleBuilder {
    std::vector<uint8_t> bytes;

    explicit ModuleBuilder(int patterns, const char* tag = "M.K.") : bytes(1084 + 1024 * size_t(patterns), 0) {
        std::memcpy(&bytes[1080], tag, 4);
        std::memcpy(&bytes[0], "module title here!!!", 20);
        bytes[950] = 1;
    }
    void Order(std::initializer_list<int> entries) {
        bytes[950] = uint8_t(entries.size());
        int index = 0;
        for (int entry : entries) bytes[952 + index++] = uint8_t(entry);
    }
    uint8_t* Cell(int pattern, int row, int channel) {
        return &bytes[1084 + size_t(pattern) * 1024 + size_t(row * 4 + channel) * 4];
    }
    bool Import(SongDocument& doc) const { return ImportProTracker(bytes.data(), bytes.size(), doc); }
};

TEST(ProTrackerImport, OrderTableBecomesFourPatternsPerPositionUpToSlot252) {
    // Order entry 63 needs 64 module patterns; only 63 fit into 255 slots.
    ModuleBuilder module(64);
    module.Order({0, 62, 63, 64, 0});
    module.Cell(62, 0, 3)[0] = 428 >> 8;
    module.Cell(62, 0, 3)[1] = 428 & 0xff;
    SongDocument doc;
    doc.song.Pattern(253)[0].SetNote(7);
    doc.song.Position(5)[0].pattern = 9;
    ASSERT_TRUE(module.Import(doc));
    const Song& song = doc.song;
    EXPECT_EQ(song.sequenceLength, 5u);
    EXPECT_EQ(song.rowsPerPattern, 64);
    const int first[5] = {1, 249, 0, 0, 1};
    for (int position = 0; position < 5; ++position)
        for (int voice = 0; voice < 4; ++voice) {
            EXPECT_EQ(song.Position(position)[voice].pattern, first[position] ? first[position] + voice : 0);
            EXPECT_EQ(song.Position(position)[voice].transpose, 0);
        }
    EXPECT_EQ(song.Pattern(252)[0].Note(), 13);
    EXPECT_EQ(song.Pattern(253)[0].Note(), 7);     // beyond the converted slots
    EXPECT_EQ(song.Position(5)[0].pattern, 9);     // beyond the length: kept

    module.bytes[950] = 0;  // the length is held within 1..128
    ASSERT_TRUE(module.Import(doc));
    EXPECT_EQ(doc.song.sequenceLength, 1u);
    module.bytes[950] = 200;
    ASSERT_TRUE(module.Import(doc));
    EXPECT_EQ(doc.song.sequenceLength, 128u);
}

TEST(ProTrackerImport, TagDecidesSampleNames) {
    for (const char* tag : {"FLT4", "M.K."}) {
        ModuleBuilder module(1, tag);
        for (int sample = 0; sample < 31; ++sample) module.bytes[20 + 30 * sample] = uint8_t('a' + sample % 26);
        SongDocument doc;
        doc.song.instruments[20].attack = 9;
        ASSERT_TRUE(module.Import(doc)) << tag;
        const bool full = tag[0] == 'M';
        EXPECT_EQ(doc.song.instrumentNames[14][0], 'a' + 14);
        EXPECT_EQ(doc.song.instrumentNames[15][0], full ? 'a' + 15 : 0) << tag;
        EXPECT_EQ(doc.song.instruments[20].attack, full ? 0 : 9) << tag;
        EXPECT_EQ(FixedText(doc.title, sizeof(doc.title)), "module title here!!!");
    }
}

TEST(ProTrackerImport, RejectedFilesChangeNothing) {
    SongDocument doc;
    doc.song.Pattern(1)[0].SetNote(5);
    SetFixedText(doc.title, sizeof(doc.title), "keep me");
    const DocumentSnapshot before(doc);
    ModuleBuilder badTag(1, "XXXX");
    EXPECT_FALSE(badTag.Import(doc));
    ModuleBuilder shortFile(1);
    EXPECT_FALSE(ImportProTracker(shortFile.bytes.data(), 2047, doc));
    // The order table names pattern 3, but only patterns 0..2 minus a byte are present.
    ModuleBuilder truncated(4);
    truncated.Order({3});
    EXPECT_FALSE(ImportProTracker(truncated.bytes.data(), truncated.bytes.size() - 1, doc));
    EXPECT_TRUE(DocumentSnapshot(doc) == before);
    EXPECT_TRUE(ImportProTracker(truncated.bytes.data(), truncated.bytes.size(), doc));
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The real modules, read here independently of the importer: the cell
// layout, the period table and the effect rules written out as tables.
struct ExpectedStep {
    int note, instrument, command, parameter;
    bool chord;
};

ExpectedStep ReadCell(const uint8_t* cell) {
    static const std::map<int, int> noteOfPeriod = [] {
        const int periods[] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                               428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                               214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
        std::map<int, int> map;
        for (int i = 0; i < 36; ++i) map[periods[i]] = i + 1;
        return map;
    }();
    const int period = ((cell[0] & 0x0f) << 8) | cell[1];
    const auto found = noteOfPeriod.find(period);
    ExpectedStep step{found == noteOfPeriod.end() ? 0 : found->second,
                      ((cell[0] & 0xf0) | (cell[2] >> 4)) % 32, cell[2] & 0x0f, cell[3], false};
    const int x = cell[3] >> 4;
    const int y = cell[3] & 0x0f;
    if (step.command >= 4 && step.command <= 9) {
        step.command = step.parameter = 0;
    } else if (step.command == 0xD) {
        step.parameter = x * 10 + y;
    } else if (step.command == 0xE) {
        if (x == 10) { step.command = 0xA; step.parameter = 1; }
        else if (x == 11) { step.command = 0xA; step.parameter = 16; }
        else if (x != 1 && x != 2 && x != 5 && x != 6 && x != 8 && x != 13) step.command = step.parameter = 0;
    } else if (step.command == 0 && step.parameter != 0) {
        step.chord = true;
    }
    return step;
}

TEST(ProTrackerImport, RealModulesMatchAnIndependentReading) {
    const std::filesystem::path folder = test::TestDataFolder("mod");
    // Files that must be rejected: cut short, or without any accepted tag.
    const std::vector<std::string> rejected = {"truncated_header.mod", "truncated_soundtracker.mod", "GAMEMUSIC.mod"};
    int imported = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::vector<uint8_t> file = ReadFile(entry.path());
        SongDocument doc;
        SetFixedText(doc.title, sizeof(doc.title), "untouched");
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
        const int length = file[950];
        ASSERT_EQ(doc.song.sequenceLength, uint32_t(length)) << name;
        for (int position = 0; position < length; ++position)
            for (int voice = 0; voice < 4; ++voice)
                EXPECT_EQ(doc.song.Position(position)[voice].pattern, file[952 + position] * 4 + 1 + voice) << name;
        const int samples = std::memcmp(&file[1080], "M.K.", 4) == 0 ? 31 : 15;
        for (int sample = 0; sample < 31; ++sample) {
            const char* expected = sample < samples ? reinterpret_cast<const char*>(&file[20 + 30 * sample]) : "";
            EXPECT_EQ(FixedText(doc.song.instrumentNames[sample], 22), FixedText(expected, sample < samples ? 22 : 0))
                << name << " sample " << sample;
        }
        int modulePatterns = 0;
        for (int order = 0; order < 128; ++order) modulePatterns = std::max<int>(modulePatterns, file[952 + order] + 1);
        for (int pattern = 0; pattern < modulePatterns; ++pattern)
            for (int row = 0; row < 64; ++row)
                for (int channel = 0; channel < 4; ++channel) {
                    const ExpectedStep want = ReadCell(&file[1084 + pattern * 1024 + row * 16 + channel * 4]);
                    const qntPatternStep got = doc.song.Pattern(pattern * 4 + channel + 1)[row];
                    ASSERT_EQ(got.Note(), want.note) << name << " p" << pattern << " r" << row << " c" << channel;
                    ASSERT_EQ(got.Instrument(), want.instrument) << name;
                    ASSERT_EQ(got.Command(), want.command) << name;
                    ASSERT_EQ(got.Parameter(), want.parameter) << name;
                    ASSERT_EQ(got.Chord(), want.chord) << name;
                }
    }
    EXPECT_EQ(imported, 6);
}

// Random cells, half of them with a note period, against the same reading.
TEST(ProTrackerImport, RandomCellsMatchTheIndependentReading) {
    std::mt19937 random(31u);
    const int periods[] = {856, 428, 113, 214, 429, 0};
    ModuleBuilder module(1);
    for (int row = 0; row < 64; ++row)
        for (int channel = 0; channel < 4; ++channel) {
            uint8_t* cell = module.Cell(0, row, channel);
            for (int i = 0; i < 4; ++i) cell[i] = uint8_t(random());
            if (random() % 2) {
                const int period = periods[random() % 6];
                cell[0] = uint8_t((cell[0] & 0xf0) | (period >> 8));
                cell[1] = uint8_t(period);
            }
            if (random() % 2) cell[2] = uint8_t((cell[2] & 0xf0) | (random() % 2 ? 0xE : 0));
        }
    SongDocument doc;
    ASSERT_TRUE(module.Import(doc));
    for (int row = 0; row < 64; ++row)
        for (int channel = 0; channel < 4; ++channel) {
            const ExpectedStep want = ReadCell(module.Cell(0, row, channel));
            const qntPatternStep got = doc.song.Pattern(channel + 1)[row];
            ASSERT_EQ(got.Note(), want.note) << row << " " << channel;
            ASSERT_EQ(got.Instrument(), want.instrument);
            ASSERT_EQ(got.Command(), want.command);
            ASSERT_EQ(got.Parameter(), want.parameter);
            ASSERT_EQ(got.Chord(), want.chord);
            // The high bit of the sample number sits in bit 7 of the first byte.
            if (want.instrument >= 16) {
                ASSERT_EQ(got.b0 & 0x80, 0x80);
            }
        }
}

}  // namespace
}  // namespace qn
