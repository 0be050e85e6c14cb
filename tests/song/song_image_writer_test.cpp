#include <gtest/gtest.h>

#include <cstring>

#include "song/old_song_images.h"
#include "song/song_image.h"
#include "song/song_loader.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

using test::WriteImage;

TEST(SongImageWriter, WaveCountFollowsSelectedAndChangedWaves) {
    SongDocument doc;
    struct Change { int instrument, command, parameter, expected; };
    const Change changes[] = {
        {30, 0x04, 9, 9},   // command 4 selects wave 9
        {2, 0x01, 20, 9},   // a slide, not a wave
        {3, 0x00, 25, 9},   // beyond the waves
        {31, 0x00, 23, 9},  // the 32nd slot is not scanned
    };
    for (const Change& c : changes) {
        doc.song.instrumentSteps[c.instrument][3] = {0, uint8_t(c.command), uint8_t(c.parameter)};
        EXPECT_EQ(WriteImage(doc)[65], c.expected) << c.instrument;
    }
    doc.song.Wave(2)->mixWave = 22;  // a mix source does not count
    EXPECT_EQ(WriteImage(doc)[65], 9);
    doc.song.Wave(12)->flags |= kWaveOctaveCopies;  // only the flag differs
    SongImageResult measured;
    EXPECT_EQ(WriteSongImage(doc, nullptr, 0, &measured, nullptr), WriteImage(doc).size());
    EXPECT_EQ(measured.waveCount, 12);
    EXPECT_EQ(WriteImage(doc)[65], 12);
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

}  // namespace
}  // namespace qn
