#include <gtest/gtest.h>

#include <cstring>

#include "song/song_image.h"
#include "song/song_loader.h"
#include "song/old_song_images.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using test::WriteImage;

// The layout of a new song was added up by hand: 91 header + 4 positions x 8
// + 4 patterns x 64 rows x 3 = 891; 32 + 24 name NULs = 947, odd, so one pad
// byte; one 42-byte wave record = 990.
TEST(WriteNewSong, SizeCountsAndOffsets) {
    SongDocument doc;
    std::string log;
    std::vector<uint8_t> image = WriteImage(doc, &log);
    ASSERT_EQ(image.size(), 990u);
    EXPECT_EQ(std::memcmp(image.data(), "QNT\x1b", 4), 0);
    EXPECT_EQ(ReadBE32(&image[4]), 91u);
    EXPECT_EQ(ReadBE32(&image[8]), 123u);
    EXPECT_EQ(ReadBE32(&image[12]), 891u);
    EXPECT_EQ(ReadBE32(&image[16]), 923u);
    EXPECT_EQ(image[61], 4);   // P
    EXPECT_EQ(image[62], 4);   // L
    EXPECT_EQ(image[63], 64);  // R
    EXPECT_EQ(image[64], 0);   // I
    EXPECT_EQ(image[65], 1);   // W
    EXPECT_EQ(image[90], 0);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(image[66 + i], i);
    const uint8_t firstPosition[8] = {1, 0, 2, 0, 3, 0, 4, 0};
    EXPECT_EQ(std::memcmp(&image[91], firstPosition, 8), 0);
    EXPECT_EQ(image[947], 0);  // pad
    // The one wave record is the default, its 16-bit fields big-endian.
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 948, image.end()), test::DefaultFileWave());
    EXPECT_EQ(log, "sequence size: 32\npattern size: 768\n");
}

TEST(WriteNewSong, MeasuringGivesTheSameSizeAndWaveCount) {
    SongDocument doc;
    doc.song.Wave(7)->gain = 1;
    SongImageResult measured, written;
    std::vector<uint8_t> buffer(kSongImageBufferSize);
    const size_t size = WriteSongImage(doc, nullptr, 0, &measured, nullptr);
    EXPECT_EQ(WriteSongImage(doc, buffer.data(), buffer.size(), &written, nullptr), size);
    EXPECT_EQ(measured.size, size);
    EXPECT_EQ(measured.waveCount, 7);
    EXPECT_EQ(written.waveCount, 7);
    EXPECT_EQ(size, 990u + 6 * 42);
}

TEST(WriteInstruments, OnlyInstrumentFiveGivesFiveRecords) {
    SongDocument doc;
    doc.song.instrumentSteps[4][0] = {0x01, 0x0c, 0x20};
    std::string log;
    std::vector<uint8_t> image = WriteImage(doc, &log);
    EXPECT_EQ(image[64], 5);
    const size_t records = 891 + 32;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(image[records + 8 * k + 7], 0) << k;
    EXPECT_EQ(image[records + 8 * 4 + 7], 1);
    EXPECT_EQ(image[records + 8 * 4 + 5], 15);  // sustain of the default record
    EXPECT_EQ(image[records + 40], 0x01);       // the one stored step follows the records
    EXPECT_EQ(ReadBE32(&image[16]), records + 40 + 3);
    EXPECT_EQ(log,
              "sequence size: 32\npattern size: 768\nWrite ins 0 used steps 0\nWrite ins 1 used steps 0\n"
              "Write ins 2 used steps 0\nWrite ins 3 used steps 0\nWrite ins 4 used steps 1\n");
    // The song keeps 32 as every step count.
    for (int k = 0; k < kInstrumentSlots; ++k) EXPECT_EQ(doc.song.instruments[k].stepCount, 32);
}

TEST(WriteInstruments, LoneLastStepStoresAllThirtyTwo) {
    SongDocument doc;
    doc.song.instrumentSteps[0][31] = {0, 0x0f, 6};
    std::vector<uint8_t> image = WriteImage(doc);
    EXPECT_EQ(image[64], 1);
    EXPECT_EQ(image[891 + 32 + 7], 32);
    EXPECT_EQ(image.size(), 990u + 8 + 96);
}

TEST(WriteInstruments, PatternSlotsBeyondTheSequenceCountButNotRowsBeyondR) {
    SongDocument doc;
    doc.song.Pattern(200)[63].SetInstrument(7);  // last row of R = 64, slot not in the sequence
    doc.song.Pattern(1)[64].SetInstrument(9);    // row 64 is beyond R
    std::string log;
    std::vector<uint8_t> image = WriteImage(doc, &log);
    EXPECT_EQ(image[64], 7);
    EXPECT_NE(log.find("Instrument num 7 used.\n"), std::string::npos);
    EXPECT_EQ(log.find("Instrument num 9"), std::string::npos);
}

TEST(WriteInstruments, LogsEachRiseOfTheHighestInstrument) {
    SongDocument doc;
    doc.song.Pattern(1)[0].SetInstrument(3);
    doc.song.Pattern(1)[1].SetInstrument(2);
    doc.song.Pattern(2)[0].SetInstrument(31);
    std::string log;
    WriteImage(doc, &log);
    EXPECT_NE(log.find("pattern size: 768\nInstrument num 3 used.\nInstrument num 31 used.\nWrite ins 0"),
              std::string::npos);
}

TEST(WriteWaves, CountFollowsSelectedAndChangedWaves) {
    SongDocument doc;
    EXPECT_EQ(WriteImage(doc)[65], 1);
    doc.song.instrumentSteps[30][3] = {0, 0x04, 9};  // command 4 selects wave 9
    EXPECT_EQ(WriteImage(doc)[65], 9);
    doc.song.instrumentSteps[2][0] = {0, 0x01, 20};  // a slide, not a wave
    doc.song.instrumentSteps[3][0] = {0, 0x00, 25};  // beyond the waves
    doc.song.Wave(2)->mixWave = 22;                  // a mix source does not count
    EXPECT_EQ(WriteImage(doc)[65], 9);
    doc.song.instrumentSteps[31][0] = {0, 0x00, 23};  // the 32nd slot is not scanned
    EXPECT_EQ(WriteImage(doc)[65], 9);
    doc.song.Wave(12)->flags |= kWaveOctaveCopies;  // only the flag differs
    EXPECT_EQ(WriteImage(doc)[65], 12);
}

TEST(WriteWaves, SixteenBitFieldsAreBigEndian) {
    SongDocument doc;
    doc.song.Wave(1)->loopOffset = 0x0102;
    doc.song.Wave(1)->subloopStep = 0xa0b0;
    doc.song.Wave(1)->chord[0] = -3;
    std::vector<uint8_t> image = WriteImage(doc);
    const uint8_t* record = &image[948];
    EXPECT_EQ(record[12], 0x01);
    EXPECT_EQ(record[13], 0x02);
    EXPECT_EQ(record[8], 0xa0);
    EXPECT_EQ(record[9], 0xb0);
    EXPECT_EQ(record[14], 0xfd);
}

TEST(WriteNames, FullFieldsAreStoredWithoutReadingPastThem) {
    SongDocument doc;
    std::memset(doc.song.instrumentNames[0], 'x', kNameLength);  // no terminator in the field
    std::memcpy(doc.title, "ABCDEFGHIJKLMNOPQRST", kTitleLength);
    std::vector<uint8_t> image = WriteImage(doc);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[891])), std::string(22, 'x'));
    EXPECT_EQ(ReadBE32(&image[16]), 891u + 23 + 31);
    EXPECT_EQ(std::memcmp(&image[20], "ABCDEFGHIJKLMNOPQRST", 20), 0);
}

TEST(WriteTarget, TooSmallTargetIsNeverOverrun) {
    SongDocument doc;
    for (size_t capacity : {size_t(0), size_t(50), size_t(91), size_t(989)}) {
        std::vector<uint8_t> buffer(1100, 0xaa);
        SongImageResult result;
        EXPECT_EQ(WriteSongImage(doc, buffer.data(), capacity, &result, nullptr), 0u) << capacity;
        EXPECT_EQ(result.size, 0u);
        for (size_t i = capacity; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xaa) << capacity << " " << i;
    }
    std::vector<uint8_t> exact(990);
    EXPECT_EQ(WriteSongImage(doc, exact.data(), exact.size(), nullptr, nullptr), 990u);
}

// Every count and name at its maximum: 91 + 255 x 8 + 255 x 128 x 3 + 32 x 23
// + 31 x 8 + 31 x 96 + 24 x 23 = 104563, one pad byte, 24 x 42: 105572.
void FillLargestSong(SongDocument& doc) {
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
}

TEST(WriteTarget, LargestImageFitsExactlyAndRoundTrips) {
    SongDocument doc;
    FillLargestSong(doc);
    EXPECT_EQ(WriteSongImage(doc, nullptr, 0, nullptr, nullptr), kLargestSongImage);
    std::vector<uint8_t> image(kLargestSongImage);
    ASSERT_EQ(WriteSongImage(doc, image.data(), image.size(), nullptr, nullptr), kLargestSongImage);
    std::vector<uint8_t> tooSmall(kLargestSongImage - 1);
    EXPECT_EQ(WriteSongImage(doc, tooSmall.data(), tooSmall.size(), nullptr, nullptr), 0u);

    std::vector<uint8_t> loadedImage = image;
    SongDocument loaded;
    ASSERT_TRUE(LoadSong(loaded, loadedImage, nullptr, nullptr));
    EXPECT_EQ(WriteImage(loaded), image);
}

}  // namespace
}  // namespace qn
