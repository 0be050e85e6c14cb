#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "song/import_qxm.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

// Length code 5, speed 1, and a 20-entry playlist that keeps a file over 100 bytes.
struct QxmInstrument {
    uint8_t header[22] = {0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    std::vector<std::array<uint8_t, 4>> playlist = std::vector<std::array<uint8_t, 4>>(20);
};

// Builds a Qxm file. The name block sits in the skipped subsong list right after the header, so the file ends with the
// last instrument's playlist and every truncation cuts something the importer needs. By default a valid file: one
// position naming track 0 (pattern 1) on all voices, one track, one instrument.
struct QxmBuilder {
    int version = 0;
    char magic = 'V';
    bool trackZeroAbsent = false;
    int restart = 0;
    int trackLength = 4;
    std::string title = "title";
    std::vector<std::string> names = {"lead"};
    std::vector<std::array<int, 8>> positions = {{0, 12, 0, 12, 0, 12, 0, 12}};
    std::vector<std::vector<std::array<uint8_t, 3>>> tracks = {{}};  // as many as the positions need
    std::vector<QxmInstrument> instruments = {QxmInstrument()};

    std::vector<uint8_t> Build() const {
        std::string text = title + '\0';
        for (const std::string& name : names) text += name + '\0';
        text.resize(text.size() + text.size() % 2);  // the block has an even size
        const int count = int(positions.size());
        std::vector<uint8_t> file = {'Q', 'M', uint8_t(magic), uint8_t(version), 0, 14,
                                     uint8_t((count >> 8) | (trackZeroAbsent ? 0x80 : 0)), uint8_t(count),
                                     uint8_t(restart >> 8), uint8_t(restart), uint8_t(trackLength), 0,
                                     uint8_t(instruments.size()), uint8_t(text.size() / 2)};
        for (char c : text) file.push_back(uint8_t(c));
        for (const auto& position : positions)
            for (int value : position) file.push_back(uint8_t(value));
        for (auto track : tracks) {
            track.resize(size_t(trackLength));
            for (const auto& cells : track) file.insert(file.end(), cells.begin(), cells.end());
        }
        for (const QxmInstrument& instrument : instruments) {
            file.insert(file.end(), instrument.header, instrument.header + 21);
            file.push_back(uint8_t(instrument.playlist.size()));
            for (const auto& entry : instrument.playlist) file.insert(file.end(), entry.begin(), entry.end());
        }
        return file;
    }
};

// Playlist entry from its fields.
std::array<uint8_t, 4> Entry(int waveform, int note, int effect1, int parameter1, int effect2 = 0,
                             int parameter2 = 0, bool fixed = false) {
    return {uint8_t((effect2 << 5) | (effect1 << 2) | (waveform >> 1)),
            uint8_t(((waveform & 1) << 7) | (fixed ? 0x40 : 0) | note), uint8_t(parameter1), uint8_t(parameter2)};
}

bool Import(const std::vector<uint8_t>& file, SongDocument& doc) { return ImportQxm(file.data(), file.size(), doc); }

TEST(QxmImport, HeaderLimits) {
    const std::array<int, 8> p = {0, 12, 0, 12, 0, 12, 0, 12}, last = {255, 12, 0, 12, 0, 12, 0, 12};
    using Tracks = decltype(QxmBuilder::tracks);
    const struct { const char* what; QxmBuilder builder; bool ok; } cases[] = {
        {"basic", {}, true},
        {"magic", {.magic = 'X'}, false},
        {"version 1", {.version = 1}, true},
        {"version 2", {.version = 2}, false},
        {"track length 0", {.trackLength = 0}, false},
        {"track length 65", {.trackLength = 65}, false},
        {"track length 64", {.trackLength = 64}, true},
        {"restart 2 of 3", {.restart = 2, .positions = {p, p, p}}, true},
        {"restart 3 of 3", {.restart = 3, .positions = {p, p, p}}, false},
        {"no positions", {.positions = {}}, false},
        {"999 positions", {.positions = std::vector(999, p)}, true},
        {"1000 positions", {.positions = std::vector(1000, p)}, false},
        {"track 255 is beyond the patterns", {.positions = {last}, .tracks = Tracks(256)}, false},
        {"no track 0: track 255 plays", {.trackZeroAbsent = true, .positions = {last}, .tracks = Tracks(255)}, true},
    };
    for (const auto& c : cases) {
        SongDocument doc;
        EXPECT_EQ(Import(c.builder.Build(), doc), c.ok) << c.what;
    }
}

TEST(QxmImport, TrackRowsAndCommands) {
    struct Case { uint8_t r0, r1, r2; int note, instrument, command, parameter; };
    const Case cases[] = {
        {(30 << 2) | 2, 0x5C, 0x20, 30, 0, 0xC, 0x40},  // instrument 37 is beyond 31: none; volume doubles
        {(1 << 2) | 1, 0x13, 0x05, 1, 17, 3, 5},
        {0, 0x0C, 0x90, 0, 0, 0xC, 0x20},  // C90 doubles to 0x120, kept to 8 bits
        {0, 0x0E, 0xA3, 0, 0, 0xA, 0x01},
        {0, 0x0E, 0xB3, 0, 0, 0xA, 0x10},
        {0, 0x0E, 0x03, 0, 0, 0, 0},
        {0, 0x0E, 0x12, 0, 0, 0xE, 0x12},
        {0, 0x09, 0x33, 0, 0, 0, 0},  // effects 4..9 are dropped
    };
    QxmBuilder builder{.trackLength = int(std::size(cases)), .positions = {{0, 0, 0, 24, 0, 11, 0, 12}}};  // 12 is none
    for (const Case& c : cases) builder.tracks[0].push_back({c.r0, c.r1, c.r2});
    uint8_t* header = builder.instruments[0].header;  // the envelope, within the editor's range
    header[2] = 0x30, header[3] = 0x20, header[7] = 0x10, header[8] = 0x14;
    SongDocument doc;
    ASSERT_TRUE(Import(builder.Build(), doc));
    for (int v = 0; v < 4; ++v) EXPECT_EQ(doc.song.Position(0)[v].transpose, (std::array{-12, 12, -1, 0}[v])) << v;
    EXPECT_EQ(FixedText(doc.title, kTitleLength) + FixedText(doc.song.instrumentNames[0], kNameLength), "titlelead");
    const InstrumentParams& params = doc.song.instruments[0];
    EXPECT_EQ((std::vector<int>{params.attack, params.decay, params.sustain, params.release, params.stepCount}),
              (std::vector<int>{4, 3, 15, 5, 32}));
    for (int row = 0; row < builder.trackLength; ++row) {
        const Case& c = cases[row];
        const qntPatternStep step = doc.song.Pattern(1)[row];
        EXPECT_EQ((std::vector<int>{step.Note(), step.Instrument(), step.Command(), step.Parameter()}),
                  (std::vector<int>{c.note, c.instrument, c.command, c.parameter})) << "row " << row;
    }
    std::memset(header + 1, 0xff, 8);
    ASSERT_TRUE(Import(builder.Build(), doc));
    for (int value : {params.attack, params.decay, params.sustain, params.release}) EXPECT_LE(value, 15);
    EXPECT_EQ(params.vibratoDepth, 0);
}

// Playlists converted into instrument steps, written out as the step bytes:
// b0 = note | 0x40 fixed | 0x80 linked to the next step, b1 command, b2 parameter.
TEST(QxmImport, PlaylistsBecomeSteps) {
    using Step = std::array<int, 3>;
    struct Case {
        const char* what;
        std::vector<std::array<uint8_t, 4>> playlist;
        int lengthCode, speed;
        std::vector<Step> steps;  // the rest of the 32 steps is empty
    };
    const Case cases[] = {
        {"a waveform follows its note, linked", {Entry(3, 24, 0, 0)}, 5, 1, {{0x80 | 24, 0, 0}, {0, 0, 4}}},
        {"noise raises two octaves, length code 3 two more; triangle resets the noise offset",
         {Entry(4, 1, 0, 0), Entry(1, 2, 0, 0), Entry(2, 3, 0, 0, 0, 0, true)}, 3, 1,
         {{0x80 | 49, 0, 0}, {0, 0, 8}, {0x80 | 26, 0, 0}, {0, 0, 1}, {0xc0 | 27, 0, 0}, {0, 0, 2}}},
        {"volume, full volume not wrapped, 65 gives no step, two effects, speed, dropped effect",
         {Entry(0, 0, 6, 0x30), Entry(0, 0, 6, 64), Entry(0, 0, 6, 65), Entry(0, 5, 1, 0x20, 6, 0x10),
          Entry(0, 0, 7, 3), Entry(0, 0, 4, 9)}, 5, 1,
         {{0, 0xC, 0xC0}, {0, 0xC, 0xFF}, {0x80 | 5, 1, 0x20}, {0, 0xC, 0x40}, {0, 0xF, 3}}},
        {"a second effect alone is the entry's first step",
         {Entry(0, 0, 0, 0, 6, 0x10), Entry(0, 7, 0, 0)}, 5, 1, {{0, 0xC, 0x40}, {7, 0, 0}}},
        {"a jump names the step where its entry starts and ends the conversion",
         {Entry(0, 10, 0, 0), Entry(2, 12, 0, 0), Entry(0, 14, 5, 1), Entry(0, 20, 0, 0)}, 5, 1,
         {{10, 0, 0}, {0x80 | 12, 0, 0}, {0, 0, 2}, {14, 0, 0}, {0, 0xB, 1}}},
        {"a speed becomes a linked leading step", {Entry(0, 10, 0, 0), Entry(0, 11, 5, 0)}, 5, 3,
         {{0x80, 0xF, 3}, {10, 0, 0}, {11, 0, 0}, {0, 0xB, 0}}},
        {"speed 0 gives no step", {Entry(0, 10, 0, 0)}, 5, 0, {{10, 0, 0}}},
        {"codes 5..7 name no waveform and keep the noise offset",
         {Entry(4, 1, 0, 0), Entry(7, 2, 0, 0), Entry(5, 3, 0, 0)}, 5, 1,
         {{0x80 | 25, 0, 0}, {0, 0, 8}, {26, 0, 0}, {27, 0, 0}}},
    };
    for (const Case& c : cases) {
        QxmBuilder builder{.instruments = {{.playlist = c.playlist}}};
        builder.instruments[0].playlist.resize(std::max<size_t>(c.playlist.size(), 20));
        builder.instruments[0].header[1] = uint8_t(c.lengthCode);
        builder.instruments[0].header[20] = uint8_t(c.speed);
        SongDocument doc;
        std::memset(doc.song.instrumentSteps[0], 0x77, kStepTableBytes);  // cleared, not left behind
        ASSERT_TRUE(Import(builder.Build(), doc)) << c.what;
        for (size_t i = 0; i < kInstrumentSteps; ++i) {
            const InstrumentStep& s = doc.song.instrumentSteps[0][i];
            EXPECT_EQ((Step{s.b0, s.b1, s.b2}), i < c.steps.size() ? c.steps[i] : Step{}) << c.what << " step " << i;
        }
    }
    QxmBuilder longest;  // at most 31 steps
    longest.instruments[0].playlist.clear();
    for (int i = 0; i < 40; ++i) longest.instruments[0].playlist.push_back(Entry(1, 1 + i % 20, 0, 0));
    SongDocument doc;
    ASSERT_TRUE(Import(longest.Build(), doc));
    EXPECT_TRUE(!doc.song.instrumentSteps[0][30].IsEmpty() && doc.song.instrumentSteps[0][31].IsEmpty());
}

TEST(QxmImport, EveryCutIsRejectedAndChangesNothing) {
    const std::vector<uint8_t> file =
        QxmBuilder{.names = {"lead", "bass"}, .positions = {{0, 12, 0, 12, 0, 12, 0, 12}, {1, 12, 1, 12, 1, 12, 1, 12}},
                   .tracks = {{}, {}}, .instruments = {{}, {}}}.Build();
    SongDocument doc;
    doc.song.Pattern(1)[0].SetNote(9);
    SetFixedText(doc.title, sizeof(doc.title), "before");
    const test::DocumentSnapshot before(doc);
    for (size_t size = 0; size < file.size(); ++size) {
        ASSERT_FALSE(ImportQxm(file.data(), size, doc)) << size;
        ASSERT_TRUE(test::DocumentSnapshot(doc) == before) << size;
    }
    EXPECT_TRUE(ImportQxm(file.data(), file.size(), doc));
}

}  // namespace
}  // namespace qn
