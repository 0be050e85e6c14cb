#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "song/import_qxm.h"

namespace qn {
namespace {

struct QxmInstrument {
    uint8_t header[22] = {};
    std::vector<std::array<uint8_t, 4>> playlist;
};

// Builds a Qxm file. The name block sits in the skipped subsong list right
// after the header, so the file ends with the last instrument's playlist and
// every truncation cuts something the importer needs.
struct QxmBuilder {
    int version = 0;
    bool trackZeroAbsent = false;
    int restart = 0;
    int trackLength = 4;
    std::string title = "title";
    std::vector<std::string> names;
    std::vector<std::array<int, 8>> positions = {{0, 12, 0, 12, 0, 12, 0, 12}};
    std::vector<std::vector<std::array<uint8_t, 3>>> tracks;  // as many as the positions need
    std::vector<QxmInstrument> instruments;

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> names_block(title.begin(), title.end());
        names_block.push_back(0);
        for (const std::string& name : names) {
            names_block.insert(names_block.end(), name.begin(), name.end());
            names_block.push_back(0);
        }
        if (names_block.size() % 2) names_block.push_back(0);
        const int subsongs = int(names_block.size() / 2);
        std::vector<uint8_t> file = {'Q', 'M', 'V', uint8_t(version), 0, 14};
        const int count = int(positions.size());
        file.push_back(uint8_t((count >> 8) | (trackZeroAbsent ? 0x80 : 0)));
        file.push_back(uint8_t(count));
        file.push_back(uint8_t(restart >> 8));
        file.push_back(uint8_t(restart));
        file.push_back(uint8_t(trackLength));
        file.push_back(0);
        file.push_back(uint8_t(instruments.size()));
        file.push_back(uint8_t(subsongs));
        file.insert(file.end(), names_block.begin(), names_block.end());
        for (const auto& position : positions)
            for (int value : position) file.push_back(uint8_t(value));
        for (const auto& track : tracks)
            for (int row = 0; row < trackLength; ++row) {
                std::array<uint8_t, 3> cells = row < int(track.size()) ? track[size_t(row)] : std::array<uint8_t, 3>{};
                file.insert(file.end(), cells.begin(), cells.end());
            }
        for (const QxmInstrument& instrument : instruments) {
            std::vector<uint8_t> header(instrument.header, instrument.header + 22);
            header[21] = uint8_t(instrument.playlist.size());
            file.insert(file.end(), header.begin(), header.end());
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

// A valid file: one position naming tracks 0 (pattern 1) on all voices,
// one track, one instrument with a 20-entry playlist (keeps it over 100 bytes).
QxmBuilder Basic() {
    QxmBuilder builder;
    builder.names = {"lead"};
    builder.tracks.resize(1);
    QxmInstrument instrument;
    instrument.header[1] = 5;
    instrument.header[20] = 1;
    for (int i = 0; i < 20; ++i) instrument.playlist.push_back(Entry(0, 0, 0, 0));
    builder.instruments.push_back(instrument);
    return builder;
}

bool Import(const std::vector<uint8_t>& file, SongDocument& doc) { return ImportQxm(file.data(), file.size(), doc); }

std::vector<uint8_t> Block(const SongDocument& doc) {
    return std::vector<uint8_t>(doc.Storage(), doc.Storage() + kStorageSize);
}

TEST(QxmHeader, Limits) {
    SongDocument doc;
    ASSERT_GE(Basic().Build().size(), 100u);
    EXPECT_TRUE(Import(Basic().Build(), doc));
    QxmBuilder version = Basic();
    version.version = 1;
    EXPECT_TRUE(Import(version.Build(), doc));
    version.version = 2;
    EXPECT_FALSE(Import(version.Build(), doc));
    std::vector<uint8_t> magic = Basic().Build();
    magic[2] = 'X';
    EXPECT_FALSE(Import(magic, doc));
    for (int length : {0, 65}) {
        QxmBuilder tracks = Basic();
        tracks.trackLength = length;
        EXPECT_FALSE(Import(tracks.Build(), doc)) << length;
    }
    QxmBuilder longest = Basic();
    longest.trackLength = 64;
    EXPECT_TRUE(Import(longest.Build(), doc));
    EXPECT_EQ(doc.song.rowsPerPattern, 64);
    QxmBuilder restart = Basic();
    restart.positions.resize(3, restart.positions[0]);
    restart.restart = 2;
    EXPECT_TRUE(Import(restart.Build(), doc));
    restart.restart = 3;
    EXPECT_FALSE(Import(restart.Build(), doc));
    QxmBuilder none = Basic();
    none.positions.clear();
    EXPECT_FALSE(Import(none.Build(), doc));
    std::vector<uint8_t> small = Basic().Build();
    small.resize(99);
    EXPECT_FALSE(Import(small, doc));
}

TEST(QxmHeader, PositionCountLimit) {
    SongDocument doc;
    QxmBuilder many = Basic();
    many.positions.assign(999, {0, 12, 0, 12, 0, 12, 0, 12});
    many.positions[300] = {1, 12, 0, 12, 0, 12, 0, 12};  // beyond the song's 255 positions
    many.tracks.resize(2);
    many.tracks[1] = {{uint8_t(13 << 2), 0, 0}};
    ASSERT_TRUE(Import(many.Build(), doc));
    EXPECT_EQ(doc.song.sequenceLength, 255u);
    // Track 1 was still found and stored, and the instrument after it read.
    EXPECT_EQ(doc.song.Pattern(2)[0].Note(), 13);
    EXPECT_EQ(FixedText(doc.song.instrumentNames[0], kNameLength), "lead");
    many.positions.resize(1000, many.positions[0]);
    EXPECT_FALSE(Import(many.Build(), doc));
}

TEST(QxmNames, TitleAndNamesAreCut) {
    QxmBuilder builder = Basic();
    builder.title = "a title longer than twenty";
    builder.names = {"an instrument name longer than 22"};
    SongDocument doc;
    SetFixedText(doc.title, sizeof(doc.title), "old title that is 20");
    ASSERT_TRUE(Import(builder.Build(), doc));
    EXPECT_EQ(FixedText(doc.title, sizeof(doc.title)), "a title longer than ");
    EXPECT_EQ(FixedText(doc.song.instrumentNames[0], kNameLength), "an instrument name lon");
    builder.title = "t";
    builder.names = {"x"};
    ASSERT_TRUE(Import(builder.Build(), doc));
    EXPECT_EQ(FixedText(doc.title, sizeof(doc.title)), "t");  // old title cleared
    EXPECT_EQ(FixedText(doc.song.instrumentNames[0], kNameLength), "x");
}

TEST(QxmPositions, TrackZeroAndTransposes) {
    QxmBuilder builder = Basic();
    builder.positions = {{0, 12, 1, 0, 2, 24, 0, 11}};
    builder.tracks.resize(3);
    SongDocument doc;
    ASSERT_TRUE(Import(builder.Build(), doc));
    const SequenceEntry* entries = doc.song.Position(0);
    EXPECT_EQ(entries[0].pattern, 1);
    EXPECT_EQ(entries[1].pattern, 2);
    EXPECT_EQ(entries[2].pattern, 3);
    EXPECT_EQ(entries[0].transpose, 0);
    EXPECT_EQ(entries[1].transpose, -12);
    EXPECT_EQ(entries[2].transpose, 12);
    EXPECT_EQ(entries[3].transpose, -1);

    builder.trackZeroAbsent = true;
    builder.tracks.resize(2);  // tracks 1 and 2 only
    builder.tracks[0] = {{uint8_t(5 << 2), 0, 0}};
    ASSERT_TRUE(Import(builder.Build(), doc));
    EXPECT_EQ(doc.song.Position(0)[0].pattern, 0);
    EXPECT_EQ(doc.song.Position(0)[1].pattern, 1);
    EXPECT_EQ(doc.song.Position(0)[2].pattern, 2);
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 5);  // the first stored track is track 1
    EXPECT_EQ(FixedText(doc.song.instrumentNames[0], kNameLength), "lead");
}

TEST(QxmPositions, TrackNumberBeyondPatternsRejected) {
    QxmBuilder builder = Basic();
    builder.positions = {{255, 12, 0, 12, 0, 12, 0, 12}};
    builder.tracks.resize(256);
    SongDocument doc;
    EXPECT_FALSE(Import(builder.Build(), doc));
    builder.trackZeroAbsent = true;  // track 255 is then pattern 255
    builder.tracks.resize(255);
    EXPECT_TRUE(Import(builder.Build(), doc));
}

qntPatternStep ImportRow(uint8_t r0, uint8_t r1, uint8_t r2) {
    QxmBuilder builder = Basic();
    builder.tracks[0] = {{r0, r1, r2}};
    SongDocument doc;
    EXPECT_TRUE(Import(builder.Build(), doc));
    return doc.song.Pattern(1)[0];
}

TEST(QxmTracks, RowsAndCommands) {
    // note 30, instrument 2*16+5 = 37 (beyond 31: none), command C, 0x20
    qntPatternStep step = ImportRow(uint8_t((30 << 2) | 2), 0x5C, 0x20);
    EXPECT_EQ(step.Note(), 30);
    EXPECT_EQ(step.Instrument(), 0);
    EXPECT_EQ(step.Command(), 0xC);
    EXPECT_EQ(step.Parameter(), 0x40);
    step = ImportRow(uint8_t((1 << 2) | 1), 0x13, 0x05);  // instrument 17, slide 305
    EXPECT_EQ(step.Instrument(), 17);
    EXPECT_EQ(step.Command(), 3);
    EXPECT_EQ(step.Parameter(), 5);
    EXPECT_EQ(ImportRow(0, 0x0C, 0x90).Parameter(), 0x20);  // C90 doubles to 0x120, kept to 8 bits
    for (int dropped = 4; dropped <= 9; ++dropped) EXPECT_TRUE(ImportRow(0, uint8_t(dropped), 0x33).IsEmpty());
    step = ImportRow(0, 0x0E, 0xA3);
    EXPECT_EQ(step.Command(), 0xA);
    EXPECT_EQ(step.Parameter(), 0x01);
    step = ImportRow(0, 0x0E, 0xB3);
    EXPECT_EQ(step.Parameter(), 0x10);
    EXPECT_TRUE(ImportRow(0, 0x0E, 0x03).IsEmpty());
    step = ImportRow(0, 0x0E, 0x12);
    EXPECT_EQ(step.Command(), 0xE);
    EXPECT_EQ(step.Parameter(), 0x12);
}

// Imports one instrument with the given playlist into a song whose step
// table 1 is filled with junk, and returns the song.
void ImportPlaylist(SongDocument& doc, std::vector<std::array<uint8_t, 4>> playlist, int lengthCode = 5,
                    int speed = 1) {
    QxmBuilder builder = Basic();
    builder.instruments[0].header[1] = uint8_t(lengthCode);
    builder.instruments[0].header[20] = uint8_t(speed);
    while (playlist.size() < 20) playlist.push_back(Entry(0, 0, 0, 0));
    builder.instruments[0].playlist = playlist;
    std::memset(doc.song.instrumentSteps[0], 0x77, kStepTableBytes);
    ASSERT_TRUE(Import(builder.Build(), doc));
}

TEST(QxmPlaylist, WaveformFollowsLinkedNote) {
    SongDocument doc;
    ImportPlaylist(doc, {Entry(3, 24, 0, 0)});
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Note(), 24);  // 24 + 12 * (0 - 5 + 5)
    EXPECT_TRUE(steps[0].Linked());
    EXPECT_EQ(steps[1].Command(), 0);
    EXPECT_EQ(steps[1].Parameter(), 4);
    EXPECT_FALSE(steps[1].Linked());
    // The old step table was cleared, not left behind the converted steps.
    for (int index = 2; index < kInstrumentSteps; ++index) EXPECT_TRUE(steps[index].IsEmpty()) << index;
}

TEST(QxmPlaylist, NoiseAndLengthCodeMoveTheNote) {
    SongDocument doc;
    // Noise raises by two octaves; length code 3 raises by two more.
    ImportPlaylist(doc, {Entry(4, 1, 0, 0), Entry(1, 2, 0, 0), Entry(2, 3, 0, 0, 0, 0, true)}, 3);
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Note(), 1 + 48);
    EXPECT_EQ(steps[1].Parameter(), 8);
    EXPECT_EQ(steps[2].Note(), 2 + 24);  // triangle resets the noise offset
    EXPECT_EQ(steps[3].Parameter(), 1);
    EXPECT_EQ(steps[4].Note(), 3 + 24);
    EXPECT_TRUE(steps[4].FixedNote());
    EXPECT_EQ(steps[5].Parameter(), 2);
}

TEST(QxmPlaylist, EffectsAndVolume) {
    SongDocument doc;
    ImportPlaylist(doc, {Entry(0, 0, 6, 0x30), Entry(0, 0, 6, 64), Entry(0, 0, 6, 65), Entry(0, 5, 1, 0x20, 6, 0x10),
                         Entry(0, 0, 7, 3), Entry(0, 0, 4, 9)});
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Command(), 0xC);
    EXPECT_EQ(steps[0].Parameter(), 0xC0);
    EXPECT_EQ(steps[1].Command(), 0xC);
    EXPECT_EQ(steps[1].Parameter(), 0xFF);  // full volume, not wrapped to silence
    // Volume 65 converts to nothing: the entry produces no step.
    EXPECT_EQ(steps[2].Note(), 5);
    EXPECT_EQ(steps[2].Command(), 1);
    EXPECT_EQ(steps[2].Parameter(), 0x20);
    EXPECT_TRUE(steps[2].Linked());
    EXPECT_EQ(steps[3].Command(), 0xC);
    EXPECT_EQ(steps[3].Parameter(), 0x40);
    EXPECT_FALSE(steps[3].Linked());
    EXPECT_EQ(steps[4].Command(), 0xF);
    EXPECT_EQ(steps[4].Parameter(), 3);
    EXPECT_TRUE(steps[5].IsEmpty());
}

TEST(QxmPlaylist, SecondEffectAloneIsTheEntrysFirstStep) {
    SongDocument doc;
    ImportPlaylist(doc, {Entry(0, 0, 0, 0, 6, 0x10), Entry(0, 7, 0, 0)});
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Command(), 0xC);
    EXPECT_FALSE(steps[0].Linked());  // not glued to a step of another entry
    EXPECT_EQ(steps[1].Note(), 7);
}

TEST(QxmPlaylist, JumpBecomesJumpStep) {
    SongDocument doc;
    // Entries: note, note with waveform (two linked steps), then jump to entry 1.
    ImportPlaylist(doc, {Entry(0, 10, 0, 0), Entry(2, 12, 0, 0), Entry(0, 14, 5, 1), Entry(0, 20, 0, 0)});
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Note(), 10);
    EXPECT_EQ(steps[1].Note(), 12);
    EXPECT_TRUE(steps[1].Linked());
    EXPECT_EQ(steps[2].Parameter(), 2);
    EXPECT_EQ(steps[3].Note(), 14);  // the jumping entry keeps its note
    EXPECT_EQ(steps[3].Command(), 0);
    EXPECT_EQ(steps[4].Command(), 0xB);
    EXPECT_EQ(steps[4].Parameter(), 1);  // entry 1 starts at step 1
    EXPECT_TRUE(steps[5].IsEmpty());    // conversion stops at the jump
}

TEST(QxmPlaylist, SpeedBecomesLeadingStep) {
    SongDocument doc;
    ImportPlaylist(doc, {Entry(0, 10, 0, 0), Entry(0, 11, 5, 0)}, 5, 3);
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[0].Command(), 0xF);
    EXPECT_EQ(steps[0].Parameter(), 3);
    EXPECT_TRUE(steps[0].Linked());  // takes no tick of its own
    EXPECT_EQ(steps[1].Note(), 10);
    EXPECT_EQ(steps[3].Command(), 0xB);
    EXPECT_EQ(steps[3].Parameter(), 0);
    ImportPlaylist(doc, {Entry(0, 10, 0, 0)}, 5, 0);
    EXPECT_EQ(doc.song.instrumentSteps[0][0].Note(), 10);
}

TEST(QxmPlaylist, UnknownWaveformCodesChangeNothing) {
    SongDocument doc;
    // Codes 5..7 name no waveform: no wave step, no noise offset change.
    ImportPlaylist(doc, {Entry(4, 1, 0, 0), Entry(7, 2, 0, 0), Entry(5, 3, 0, 0)});
    const InstrumentStep* steps = doc.song.instrumentSteps[0];
    EXPECT_EQ(steps[1].Parameter(), 8);
    EXPECT_EQ(steps[2].Note(), 2 + 24);
    EXPECT_FALSE(steps[2].Linked());
    EXPECT_EQ(steps[3].Note(), 3 + 24);
    EXPECT_TRUE(steps[4].IsEmpty());
}

TEST(QxmPlaylist, AtMostThirtyOneSteps) {
    SongDocument doc;
    std::vector<std::array<uint8_t, 4>> playlist;
    for (int i = 0; i < 40; ++i) playlist.push_back(Entry(1, 1 + i % 20, 0, 0));
    ImportPlaylist(doc, playlist);
    EXPECT_FALSE(doc.song.instrumentSteps[0][30].IsEmpty());
    EXPECT_TRUE(doc.song.instrumentSteps[0][31].IsEmpty());
}

TEST(QxmInstruments, EnvelopeWithinEditorRange) {
    QxmBuilder builder = Basic();
    uint8_t* header = builder.instruments[0].header;
    header[2] = 0x30;
    header[3] = 0x20;
    header[7] = 0x10;
    header[8] = 0x14;
    SongDocument doc;
    ASSERT_TRUE(Import(builder.Build(), doc));
    const InstrumentParams& params = doc.song.instruments[0];
    EXPECT_EQ(params.attack, 2 + 2);
    EXPECT_EQ(params.decay, 3);
    EXPECT_EQ(params.sustain, 15);
    EXPECT_EQ(params.release, 5);
    EXPECT_EQ(params.stepCount, 32);
    std::memset(header + 1, 0xff, 8);
    ASSERT_TRUE(Import(builder.Build(), doc));
    for (int value : {params.attack, params.decay, params.sustain, params.release}) EXPECT_LE(value, 15);
    EXPECT_EQ(params.vibratoDepth, 0);
}

TEST(QxmTruncated, EveryCutIsRejectedAndChangesNothing) {
    QxmBuilder builder = Basic();
    builder.names = {"lead", "bass"};
    builder.positions.push_back({1, 12, 1, 12, 1, 12, 1, 12});
    builder.tracks.resize(2);
    builder.instruments.push_back(builder.instruments[0]);
    const std::vector<uint8_t> file = builder.Build();
    SongDocument doc;
    doc.song.Pattern(1)[0].SetNote(9);
    SetFixedText(doc.title, sizeof(doc.title), "before");
    const std::vector<uint8_t> before = Block(doc);
    for (size_t size = 0; size < file.size(); ++size) {
        ASSERT_FALSE(ImportQxm(file.data(), size, doc)) << size;
        ASSERT_EQ(Block(doc), before) << size;
        ASSERT_EQ(FixedText(doc.title, sizeof(doc.title)), "before");
        ASSERT_EQ(doc.song.instrumentNames[0][0], 0);
    }
    EXPECT_TRUE(ImportQxm(file.data(), file.size(), doc));
}

}  // namespace
}  // namespace qn
