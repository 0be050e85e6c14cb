#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "song/old_song_images.h"
#include "song/song_image.h"
#include "song/song_loader.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using namespace test;

std::vector<uint8_t> WaveBytes(const WaveParams& wave) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&wave), reinterpret_cast<const uint8_t*>(&wave + 1));
}

// Loads a hand-made image; the image song points into the bytes kept until the next load.
bool Load(SongDocument& doc, const TestImage& test, Song* imageSong = nullptr) {
    static std::vector<uint8_t> bytes;
    bytes = test.Build();
    return LoadSong(doc, bytes, imageSong, nullptr);
}

// Random songs, and first the rich one: writing, loading and writing again gives the same bytes, and nothing
// the song uses or changed is lost: every instrument up to the highest one a pattern names or with a stored
// step is kept (those beyond load as new). Clone sources stay 0, as the load applies them.
TEST(SongLoader, RandomSongsSurviveWriteAndLoad) {
    std::mt19937 random(5u);
    const SongDocument fresh;
    auto byte = [&](int below) { return uint8_t(random() % unsigned(below)); };
    for (int n = 0; n < 150; ++n) {
        SongDocument doc;
        Song& song = doc.song;
        test::FillRichSong(doc);
        if (n > 0) {
            doc.ResetKeepingInstruments();
            SetFixedText(doc.author, kTitleLength, std::to_string(random()).c_str());
            song.SetRowsPerPattern(1 + byte(128));
            song.SetSequenceLength(1 + byte(30));
            song.restartPosition = byte(int(song.sequenceLength));
            for (uint32_t position = 0; position < song.sequenceLength; ++position)
                for (int voice = 0; voice < kVoices; ++voice)
                    song.Position(int(position))[voice] = {byte(60), int8_t(byte(25) - 12)};
            for (int i = n % 2 ? 400 : 0; i > 0; --i)  // half the songs store instruments they do not play
                song.Pattern(1 + byte(59))[byte(song.rowsPerPattern)] = {byte(255), byte(255), byte(255)};
            for (int k = 0; k < kInstrumentSlots - 1; ++k) {
                if (byte(3)) continue;
                song.instruments[k] = {byte(16), byte(16), byte(16), byte(16), byte(16), byte(16), byte(16), 32};
                if (byte(2)) song.instrumentSteps[k][byte(32)] = {byte(255), byte(16), byte(255)};
                SetFixedText(song.instrumentNames[k], kNameLength, std::to_string(random()).c_str());
            }
            for (int w = 0; w < kWaves; ++w) {
                if (byte(2)) song.waves[w] = test::TaggedWave(1 + byte(200), byte(3) ? 0 : byte(25));
                SetFixedText(song.waveNames[w], kNameLength, byte(2) ? "" : std::to_string(random()).c_str());
            }
            BuildWaveCalcOrder(song);
        }
        const std::vector<uint8_t> image = WriteImage(doc);
        std::vector<uint8_t> bytes = image;
        SongDocument loaded;
        ASSERT_TRUE(LoadSong(loaded, bytes, nullptr, nullptr)) << n;
        const Song& got = loaded.song;
        EXPECT_TRUE(n > 0 || got.waves[2].flags == kWaveOctaveCopies);  // a mix source, flagged as in the replayer
        for (int w = 0; w < kWaves; ++w) loaded.song.waves[w].flags &= uint8_t(~kWaveOctaveCopies);
        ASSERT_EQ(WriteImage(loaded), image) << n;
        ASSERT_TRUE(std::memcmp(loaded.title, doc.title, kTitleLength) == 0 &&
                    std::memcmp(loaded.author, doc.author, kTitleLength) == 0) << n;
        ASSERT_EQ((std::vector<long>{got.rowsPerPattern, got.rowStride, got.sequenceLength, got.restartPosition}),
                  (std::vector<long>{song.rowsPerPattern, 128, song.sequenceLength, song.restartPosition}));
        for (uint32_t position = 0; position < song.sequenceLength; ++position)
            for (int voice = 0; voice < kVoices; ++voice) {
                const SequenceEntry entry = song.Position(int(position))[voice];
                ASSERT_EQ(std::memcmp(&got.Position(int(position))[voice], &entry, sizeof(entry)), 0) << n;
                const int rows = song.rowsPerPattern, pattern = entry.pattern;
                ASSERT_TRUE(!pattern || std::memcmp(got.Pattern(pattern), song.Pattern(pattern), 3 * rows) == 0) << n;
            }
        int written = 0;
        for (int slot = 1; slot <= kMaxPatterns; ++slot)
            for (int row = 0; row < song.rowsPerPattern; ++row)
                written = std::max(written, song.Pattern(slot)[row].Instrument());
        for (int k = 0; k < kInstrumentSlots - 1; ++k)
            for (int step = 0; step < kInstrumentSteps; ++step)
                if (!song.instrumentSteps[k][step].IsEmpty()) written = std::max(written, k + 1);
        for (int k = 0; k < kInstrumentSlots - 1; ++k) {  // the 32nd slot is not written
            const Song& want = k < written ? song : fresh.song;
            ASSERT_EQ(std::memcmp(&got.instruments[k], &want.instruments[k], sizeof(InstrumentParams)), 0) << n << k;
            ASSERT_EQ(std::memcmp(got.instrumentSteps[k], want.instrumentSteps[k], kStepTableBytes), 0) << n << k;
        }
        ASSERT_EQ(std::memcmp(got.instrumentNames, song.instrumentNames, sizeof(song.instrumentNames)), 0) << n;
        ASSERT_EQ(std::memcmp(got.waves, song.waves, kWaves * sizeof(WaveParams)), 0) << n;
        ASSERT_EQ(std::memcmp(got.waveNames, song.waveNames, sizeof(song.waveNames)), 0) << n;
        ASSERT_EQ(std::memcmp(got.waveCalcOrder, song.waveCalcOrder, kWaves), 0) << n;
    }
}

// The stored wave count: the highest wave a step selects (commands 0 and 4; the
// 32nd slot is not scanned) or that differs from the default, if only in its flags.
TEST(SongImageWriter, WaveCountFollowsSelectedAndChangedWaves) {
    SongDocument doc;
    for (auto [instrument, command, parameter] : {std::array{30, 4, 9}, {2, 1, 20}, {3, 0, 25}, {31, 0, 23}})
        doc.song.instrumentSteps[instrument][3] = {0, uint8_t(command), uint8_t(parameter)};
    doc.song.Wave(2)->mixWave = 22;  // a mix source does not count
    EXPECT_EQ(WriteImage(doc)[65], 9);
    doc.song.Wave(12)->flags |= kWaveOctaveCopies;
    SongImageResult measured;
    EXPECT_EQ(WriteSongImage(doc, nullptr, 0, &measured, nullptr), WriteImage(doc).size());
    EXPECT_EQ(measured.waveCount, 12);
}

// Every count and name at its maximum: 91 + 255 x 8 + 255 x 128 x 3 + 32 x 23
// + 31 x 8 + 31 x 96 + 24 x 23 = 104563, one pad byte, 24 x 42: 105572.
TEST(SongImageWriter, LargestImageFitsExactlySmallerTargetsAreNeverOverrunAndItRoundTrips) {
    SongDocument doc;
    Song& song = doc.song;
    song.SetSequenceLength(255);
    song.SetRowsPerPattern(128);
    for (int position = 0; position < 255; ++position)
        for (int voice = 0; voice < kVoices; ++voice) song.Position(position)[voice] = {uint8_t(255 - position), 3};
    for (int slot = 0; slot < kMaxPatterns; ++slot)
        for (int row = 0; row < kMaxRows; ++row) {
            song.patternPointers[slot][row].SetNote(1 + (slot + row) % 60);
            song.patternPointers[slot][row].SetInstrument(1 + row % 31);
        }
    for (int k = 0; k < kInstrumentSlots; ++k) {
        std::memset(song.instrumentNames[k], 'a' + k % 26, kNameLength);
        for (int step = 0; step < kInstrumentSteps; ++step) song.instrumentSteps[k][step] = {1, 1, uint8_t(step)};
    }
    for (int w = 0; w < kWaves; ++w) {
        std::memset(song.waveNames[w], 'A' + w, kNameLength);
        song.waves[w].gain = uint8_t(w);
    }
    EXPECT_EQ(kLargestSongImage, 105572u);
    std::vector<uint8_t> image(kLargestSongImage + 64, 0xaa);
    for (size_t capacity : {size_t(0), size_t(91), size_t(989), kLargestSongImage - 1}) {
        SongImageResult result;
        EXPECT_EQ(WriteSongImage(doc, image.data(), capacity, &result, nullptr), 0u) << capacity;
        EXPECT_EQ(result.size, 0u);
        for (size_t i = capacity; i < image.size(); ++i) ASSERT_EQ(image[i], 0xaa) << capacity << " " << i;
    }
    ASSERT_EQ(WriteSongImage(doc, image.data(), kLargestSongImage, nullptr, nullptr), kLargestSongImage);
    image.resize(kLargestSongImage);
    std::vector<uint8_t> loadedImage = image;
    SongDocument loaded;
    ASSERT_TRUE(LoadSong(loaded, loadedImage, nullptr, nullptr));
    EXPECT_EQ(WriteImage(loaded), image);
}

TEST(SongLoader, RebuildsTheEditableLayout) {
    TestImage test{.rows = 2, .positions = {{2, 0, 1, 0, 0, 0, 0, 0}},
                   .patterns = {{1, 0, 0, 2, 0, 0}, {3, 0, 0, 4, 0, 0}, {5, 0, 0, 6, 0, 0}},  // P = 3, 2 named
                   .instruments = {{}, {.steps = {{9, 9, 9}}}}, .waves = {DefaultFileWave()}};
    test.waves[0][26] = 1;  // wave 1 mixes itself in: marks itself
    SongDocument doc;
    ASSERT_TRUE(Load(doc, test));
    const Song& song = doc.song;
    // Rows beyond R stay zero; pattern 3 is stored but beyond what the sequence names; slots I..30 get the default
    // instrument, the 32nd slot is not written; wave 2 is empty, wave 1 mixes itself in and is marked.
    EXPECT_EQ((std::vector<int>{song.Pattern(2)[1].b0, song.Pattern(2)[2].b0, song.Pattern(3)[0].b0,
                                song.instrumentSteps[1][0].b0, song.Instrument(31)->sustain,
                                song.Instrument(32)->sustain, song.waveCount, IsWaveEmpty(*song.Wave(2)),
                                song.Wave(1)->flags & kWaveOctaveCopies}),
              (std::vector<int>{4, 0, 0, 9, 15, 0, 1, 1, kWaveOctaveCopies}));
    for (int k = 0; k < kInstrumentSlots; ++k) EXPECT_EQ(song.instruments[k].stepCount, 32);

    test.instruments.resize(31);  // a stored 32nd slot loads
    test.instruments.push_back({.params = {1, 2, 3, 4, 5, 6, 7}, .steps = {{1, 2, 3}}});
    ASSERT_TRUE(Load(doc, test));
    EXPECT_TRUE(doc.song.Instrument(32)->release == 7 && doc.song.instrumentSteps[31][0].b2 == 3);

    test.waves.assign(24, DefaultFileWave());  // a clone source above 24 means 24; chains go front to back
    test.waves[23][24] = 99, test.waves[23][0] = 1, test.waves[23][1] = 2;  // gain 99, Loop Start 0x0102
    test.waves[0][18] = 30, test.waves[0][14] = 5, test.waves[1][18] = 1, test.waves[2][18] = 2;
    Song imageSong;  // keeps the stored records
    ASSERT_TRUE(Load(doc, test, &imageSong));
    EXPECT_EQ((std::vector<int>{doc.song.Wave(1)->cloneFrom, doc.song.Wave(1)->chord[0], doc.song.Wave(3)->gain,
                                doc.song.Wave(24)->loopStart, imageSong.waves[0].cloneFrom, imageSong.waves[0].gain}),
              (std::vector<int>{24, 5, 99, 0x0102, 30, 64}));
}

// A version-20 file holds 41-byte records. The parser first swaps byte pairs (0,1) (2,3) (4,5) (8,9) (10,11)
// (12,13) at a stride of 42, then reads the old records at a stride of 41. Expected bytes worked out by hand from
// the field map (new 0..7 = old 23..30, 8..11 = 31..34, 12..13 = 35..36, 14..18 = 0..4, 19 = 0, 20..35 = 5..20,
// 36..37 = 21..22, 38..41 = 37..40), then "Phase Spd" = 255 (below 23), the attack 0x1d = 29 becomes 29 / 81 + 1
// and the decay 0x1e = 30 becomes 30 + 83.
TEST(SongLoaderMigration, FortyOneByteWaveRecordsAreRebuilt) {
    TestImage test{.version = 20, .waves = {std::vector<uint8_t>(41), std::vector<uint8_t>(41)}};
    for (int i = 0; i < 41; ++i) test.waves[0][i] = uint8_t(0x10 + i), test.waves[1][i] = uint8_t(0x80 + i);
    SongDocument doc;
    Song imageSong;
    ASSERT_TRUE(Load(doc, test, &imageSong));
    const std::vector<uint8_t> expected = {0x27, 0x28, 0x29, 0x2a, 0x2b, 0x2c, 0x2d, 0x2e, 0x2f, 0x30, 0x31, 0x32,
        0x33, 0x34, 0x11, 0x10, 0x13, 0x12, 0x15, 0xff, 0x14, 0x16, 0x17, 0x19, 0x18, 0x1b, 0x1a, 0x01, 0x1c, 0x71,
        0x1f, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x35, 0x36, 0x37, 0x38};
    EXPECT_EQ(WaveBytes(imageSong.waves[0]), expected);
    // The second record starts at byte 41 but was swapped as if at 42: its pairs (1,2) (3,4) (5,6) ... exchanged.
    const std::vector<uint8_t> got = WaveBytes(imageSong.waves[1]);
    EXPECT_EQ((std::vector<uint8_t>{got[0], got[14], got[15], got[16], got[27], got[29]}),
              (std::vector<uint8_t>{0x97, 0x80, 0x82, 0x81, 2, 0xe0}));
    for (int w = 2; w < kWaves; ++w) EXPECT_EQ(WaveBytes(imageSong.waves[w]), std::vector<uint8_t>(42, 0));

    test.version = 21;  // 42-byte records from 21 on: a 41-byte one is too short
    EXPECT_FALSE(Load(doc, test));
}

// Each format step, loaded from the version before it and from its own: only the older image is changed.
TEST(SongLoaderMigration, EachVersionStepChangesOnlyOlderImages) {
    // attack a -> a / 81 + 1 (0 stays); decay 0 -> 116 and 1 -> 130 with the
    // envelope sync bit, 2..5 -> 79, 83, 85, 87, above -> d + 83 in 8 bits.
    const uint8_t attacks[9] = {0, 80, 81, 255, 1, 161, 162, 0, 0}, decays[9] = {0, 1, 2, 3, 4, 5, 6, 172, 173};
    const uint8_t attacks27[9] = {0, 1, 2, 4, 1, 2, 3, 0, 0}, decays27[9] = {116, 130, 79, 83, 85, 87, 89, 255, 0};
    const uint8_t depths[4] = {1, 4, 5, 15};
    for (int version = 21; version <= 26; ++version) {
        for (bool older : {true, false}) {
            SCOPED_TRACE(std::to_string(version) + (older ? " from the version before" : ""));
            TestImage test{.version = older ? version : version + 1,
                           .patterns = {{0xe5, 0x10, 0x00, 36, 0, 0, 38, 0, 0, 0, 0, 0}},  // 37 with bits 6 and 7
                           .instruments = std::vector<TestInstrument>(4),
                           .waves = std::vector<std::vector<uint8_t>>(9, DefaultFileWave())};
            for (int k = 0; k < 4; ++k) test.instruments[k].params = {1, depths[k], 3, 4, 5, 6, 7};
            test.instruments[1].steps = {{0x11, 0x00, 0x02}, {0x81, 0x0b, 0x00}};
            for (int w = 0; w < 9; ++w)
                test.waves[w][19] = 7, test.waves[w][27] = attacks[w], test.waves[w][29] = decays[w];
            for (int i = 0; i < 24; ++i) test.calcOrder[i] = uint8_t(23 - i);
            SongDocument doc;
            ASSERT_TRUE(Load(doc, test));
            const Song& song = doc.song;
            if (version == 21) {  // two nibbles per byte become one byte per field (depth 4 then 0)
                EXPECT_EQ(std::memcmp(&song.instruments[1], std::array<uint8_t, 7>{1, 0, 3, 4, 5, 6, 7}.data(), 7), 0);
                EXPECT_EQ((std::vector<int>{song.instrumentSteps[1][1].b0, song.instrumentSteps[1][2].b0}),
                          (std::vector<int>{0x81, 0}));
            }
            if (version == 22) { EXPECT_EQ(song.Wave(1)->phaseSpeed, older ? 255 : 7); }
            if (version == 23) {  // note 37 becomes the release marker
                EXPECT_EQ((std::vector<int>{song.Pattern(1)[0].b0, song.Pattern(1)[1].b0, song.Pattern(1)[2].b0}),
                          (std::vector<int>{older ? 0xfd : 0xe5, 36, 38}));
            }
            for (int k = 0; version == 24 && k < 4; ++k)  // small vibrato depths become zero
                EXPECT_EQ(song.instruments[k].vibratoDepth, older && depths[k] < 5 ? 0 : depths[k]);
            for (int i = 0; version == 25 && i < 24; ++i)  // the calculation order is read from 26 on
                EXPECT_EQ(song.waveCalcOrder[i], older ? i : 23 - i);
            for (int w = 0; version == 26 && w < 9; ++w) {
                const WaveParams& wave = *song.Wave(w + 1);
                EXPECT_EQ((std::vector<int>{wave.attack, wave.decay, wave.flags & kWaveEnvelopeSync}),
                          (older ? std::vector<int>{attacks27[w], decays27[w], w < 2 ? kWaveEnvelopeSync : 0}
                                 : std::vector<int>{attacks[w], decays[w], 0})) << w;
            }
        }
    }
}

// Refused images: one line "wrong file format" in the log, the document and
// the image unchanged, nothing read out of bounds.
TEST(SongLoader, RefusedImagesSayWrongFormatAndChangeNothing) {
    SongDocument doc;
    test::FillRichSong(doc);
    doc.song.Wave(9)->gain = 3;
    const std::vector<uint8_t> valid = WriteImage(doc);
    SongDocument other;
    other.song.Pattern(4)[2].SetNote(5);
    const std::vector<uint8_t> good = WriteImage(other);  // a new song with one note: 990 bytes
    auto expectRefused = [&](std::vector<uint8_t> image, const std::string& what) {
        const test::DocumentSnapshot before(doc);
        const std::vector<uint8_t> copy = image;
        std::string log;
        FILE* capture = std::tmpfile();
        EXPECT_FALSE(LoadSong(doc, image, nullptr, capture)) << what;
        std::rewind(capture);
        for (int c; (c = std::fgetc(capture)) != EOF;) log += char(c);
        std::fclose(capture);
        EXPECT_EQ(log, "wrong file format\n") << what;
        EXPECT_TRUE(test::DocumentSnapshot(doc) == before) << what;
        EXPECT_EQ(image, copy) << what;
    };
    for (size_t size = 0; size < valid.size(); ++size)
        expectRefused(std::vector<uint8_t>(valid.begin(), valid.begin() + long(size)), "cut " + std::to_string(size));

    auto with = [&](std::vector<std::pair<size_t, uint8_t>> bytes, std::vector<std::pair<int, uint32_t>> offsets = {},
                    size_t size = 0) {
        std::vector<uint8_t> image = good;
        for (auto [at, value] : bytes) image[at] = value;
        for (auto [field, value] : offsets) WriteBE32(&image[4 + 4 * field], value);
        if (size) image.resize(size);
        return image;
    };
    const TestImage steps{.instruments = {{.steps = std::vector<std::array<uint8_t, 3>>(33)}}};
    std::vector<uint8_t> names = with({{65, 0}}, {}, 947);  // no wave records needed
    std::memset(&names[947 - 20], 'x', 20);
    std::vector<uint8_t> noNul = with({}, {}, 891 + 10);
    std::memset(&noNul[891], 'y', 10);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"magic", with({{0, 'q'}})}, {"magic", with({{2, 'M'}})}, {"version 28", with({{3, 28}})},
        {"zero rows", with({{63, 0}})}, {"129 rows", with({{63, 129}})}, {"no positions", with({{62, 0}})},
        {"255 positions in a short file", with({{62, 255}})}, {"255 patterns in a short file", with({{61, 255}})},
        {"33 instruments", with({{64, 33}})}, {"32 instrument records missing", with({{64, 32}})},
        {"25 waves", with({{65, 25}})}, {"a second wave record missing", with({{65, 2}})},
        {"pattern 4 of 3", with({{61, 3}})}, {"order entry 24", with({{66 + 23, 24}})},
        {"sequence at the end", with({}, {{0, 990}})}, {"sequence far away", with({}, {{0, 0xffffffff}})},
        {"patterns far away", with({}, {{1, 0x7fffffff}})}, {"instrument names at the end", with({}, {{2, 980}})},
        {"wave names at the end", with({}, {{3, 989}})}, {"wave names far away", with({}, {{3, 0xfffffff0}})},
        {"patterns over the sequence", with({}, {{1, 91}})}, {"sequence over the header", with({}, {{0, 60}})},
        {"wave names over the instrument names", with({}, {{3, 891}})}, {"33 steps, all stored", steps.Build()},
        {"last wave names cut off", names}, {"instrument name without NUL", noNul},
    };
    for (const auto& [what, image] : cases) expectRefused(image, what);
    std::vector<uint8_t> whole = valid;
    EXPECT_TRUE(LoadSong(doc, whole, nullptr, nullptr));
    std::vector<uint8_t> old = with({{66 + 5, 24}, {3, 25}, {65, 0}}, {}, 948);  // below 26 an order entry
    EXPECT_TRUE(LoadSong(doc, old, nullptr, nullptr));                          // naming no slot is ignored
}

}  // namespace
}  // namespace qn
