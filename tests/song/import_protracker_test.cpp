#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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
    void Cell(int pattern, int row, int channel, int sample, int period, int effect, int parameter) {
        uint8_t* cell = &bytes[1084 + size_t(pattern) * 1024 + size_t(row * 4 + channel) * 4];
        cell[0] = uint8_t((sample & 0xf0) | (period >> 8));
        cell[1] = uint8_t(period & 0xff);
        cell[2] = uint8_t(((sample & 0x0f) << 4) | effect);
        cell[3] = uint8_t(parameter);
    }
    bool Import(SongDocument& doc) const { return ImportProTracker(bytes.data(), bytes.size(), doc); }
};

// Imports one cell into row 0 of pattern 1 and returns the step.
qntPatternStep ImportOneCell(int sample, int period, int effect, int parameter) {
    ModuleBuilder module(1);
    module.Cell(0, 0, 0, sample, period, effect, parameter);
    SongDocument doc;
    EXPECT_TRUE(module.Import(doc));
    return doc.song.Pattern(1)[0];
}

TEST(ProTrackerImport, OrderTableBecomesFourPatternsPerPosition) {
    ModuleBuilder module(2);
    module.Order({0, 1, 0});
    module.Cell(1, 5, 3, 1, 428, 0xC, 0x20);
    SongDocument doc;
    ASSERT_TRUE(module.Import(doc));
    const Song& song = doc.song;
    EXPECT_EQ(song.sequenceLength, 3u);
    EXPECT_EQ(song.rowsPerPattern, 64);
    const int expected[3][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {1, 2, 3, 4}};
    for (int position = 0; position < 3; ++position)
        for (int voice = 0; voice < 4; ++voice) {
            EXPECT_EQ(song.Position(position)[voice].pattern, expected[position][voice]);
            EXPECT_EQ(song.Position(position)[voice].transpose, 0);
        }
    // Module pattern 1, channel 3 is song pattern 8.
    EXPECT_EQ(song.Pattern(8)[5].Note(), 13);
    EXPECT_EQ(song.Pattern(8)[5].Command(), 0xC);
    EXPECT_EQ(song.Pattern(8)[5].Parameter(), 0x20);
    // Positions beyond the length keep their old content.
    EXPECT_EQ(song.Position(3)[0].pattern, 0);
}

TEST(ProTrackerImport, PeriodsBecomeNotes) {
    EXPECT_EQ(ImportOneCell(0, 428, 0, 0).Note(), 13);
    EXPECT_EQ(ImportOneCell(0, 856, 0, 0).Note(), 1);
    EXPECT_EQ(ImportOneCell(0, 113, 0, 0).Note(), 36);
    EXPECT_EQ(ImportOneCell(0, 0, 0, 0).Note(), 0);
    EXPECT_EQ(ImportOneCell(0, 429, 0, 0).Note(), 0);  // not a finetune-0 period
}

TEST(ProTrackerImport, SampleNumberSplitsAcrossBytes) {
    const qntPatternStep step = ImportOneCell(17, 428, 0, 0);
    EXPECT_EQ(step.b0 & 0x80, 0x80);
    EXPECT_EQ(step.b1 >> 4, 1);
    EXPECT_EQ(step.Instrument(), 17);
    EXPECT_EQ(ImportOneCell(31, 0, 0, 0).Instrument(), 31);
}

TEST(ProTrackerImport, EffectConversion) {
    const qntPatternStep breakRow = ImportOneCell(0, 0, 0xD, 0x12);
    EXPECT_EQ(breakRow.Command(), 0xD);
    EXPECT_EQ(breakRow.Parameter(), 12);
    const qntPatternStep fineUp = ImportOneCell(0, 0, 0xE, 0xA3);
    EXPECT_EQ(fineUp.Command(), 0xA);
    EXPECT_EQ(fineUp.Parameter(), 0x01);
    const qntPatternStep fineDown = ImportOneCell(0, 0, 0xE, 0xB7);
    EXPECT_EQ(fineDown.Command(), 0xA);
    EXPECT_EQ(fineDown.Parameter(), 0x10);
    // Of the other Ex commands, E1 E2 E5 E6 E8 ED pass through, the rest go.
    for (int x : {0, 3, 4, 7, 9, 0xC, 0xE, 0xF}) EXPECT_TRUE(ImportOneCell(0, 0, 0xE, x << 4 | 4).IsEmpty()) << x;
    for (int x : {1, 2, 5, 6, 8, 0xD}) {
        const qntPatternStep kept = ImportOneCell(0, 0, 0xE, x << 4 | 3);
        EXPECT_EQ(kept.Command(), 0xE) << x;
        EXPECT_EQ(kept.Parameter(), x << 4 | 3) << x;
    }
    const qntPatternStep arpeggio = ImportOneCell(0, 0, 0, 0x37);
    EXPECT_EQ(arpeggio.Command(), 0);
    EXPECT_EQ(arpeggio.Parameter(), 0x37);
    EXPECT_TRUE(arpeggio.Chord());
    EXPECT_FALSE(ImportOneCell(0, 428, 0, 0).Chord());
    for (int dropped = 4; dropped <= 9; ++dropped)
        EXPECT_TRUE(ImportOneCell(0, 0, dropped, 0x44).IsEmpty()) << dropped;
    const qntPatternStep speed = ImportOneCell(0, 0, 0xF, 0x06);
    EXPECT_EQ(speed.Command(), 0xF);
    EXPECT_EQ(speed.Parameter(), 0x06);
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

TEST(ProTrackerImport, HighOrderEntriesGiveNoPattern) {
    // Order entry 63 needs 64 module patterns; only 63 fit into 255 slots.
    ModuleBuilder module(64);
    module.Order({62, 63, 64});
    module.Cell(62, 0, 3, 0, 428, 0, 0);
    SongDocument doc;
    doc.song.Pattern(253)[0].SetNote(7);
    ASSERT_TRUE(module.Import(doc));
    EXPECT_EQ(doc.song.Position(0)[3].pattern, 252);
    EXPECT_EQ(doc.song.Pattern(252)[0].Note(), 13);
    for (int voice = 0; voice < 4; ++voice) {
        EXPECT_EQ(doc.song.Position(1)[voice].pattern, 0);
        EXPECT_EQ(doc.song.Position(2)[voice].pattern, 0);
    }
    EXPECT_EQ(doc.song.Pattern(253)[0].Note(), 7);  // beyond the converted slots
}

TEST(ProTrackerImport, SongLengthHeldWithinOrderTable) {
    ModuleBuilder module(1);
    module.bytes[950] = 0;
    SongDocument doc;
    ASSERT_TRUE(module.Import(doc));
    EXPECT_EQ(doc.song.sequenceLength, 1u);
    module.bytes[950] = 200;
    module.bytes[952 + 127] = 0;
    doc.song.Position(128)[0].pattern = 9;
    ASSERT_TRUE(module.Import(doc));
    EXPECT_EQ(doc.song.sequenceLength, 128u);
    EXPECT_EQ(doc.song.Position(128)[0].pattern, 9);
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

}  // namespace
}  // namespace qn
