#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <unistd.h>

#include "song/file_io.h"
#include "song/song_file.h"
#include "song/song_image.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

TEST(SongFilePath, ExtensionRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"song", "song.qnt"}, {"dir/song.qnt", "dir/song.qnt"}, {".qnt", ".qnt.qnt"}, {"SONG.QNT", "SONG.QNT.qnt"}};
    for (const auto& [given, expected] : cases) EXPECT_EQ(SongFilePath(given), expected) << given;
}

TEST(SongModel, SettersClamp) {
    SongDocument doc;
    for (auto [given, rows, length] : {std::array{0, 1, 1}, {200, 128, 200}, {300, 128, 255}, {17, 17, 17}}) {
        doc.song.SetRowsPerPattern(given), doc.song.SetSequenceLength(given);
        EXPECT_TRUE(doc.song.rowsPerPattern == rows && int(doc.song.sequenceLength) == length) << given;
    }
    doc.song.SetRestartPosition(-3);
    EXPECT_EQ(doc.song.restartPosition, 0u);
}

// Writes half of the data, then reports a failure (a full disk, say).
bool FailHalfway(int fd, const uint8_t* data, size_t size) {
    WriteAllBytes(fd, data, size / 2);
    return false;
}

// A save writes or replaces the file whole; a failed one keeps the old file and leaves no temporary file behind.
// Reading refuses what is not a regular file or is larger than asked for, and then leaves the buffer alone.
TEST(SongFile, SaveKeepsTheOldFileOnFailureAndReadRefusesBadFiles) {
    const fs::path directory = fs::temp_directory_path() / ("qn_song_file_" + std::to_string(::getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    auto read = [](const std::string& path) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes));
        return bytes;
    };
    SongDocument doc;
    std::string path;
    ASSERT_TRUE(SaveSongFile(doc, (directory / "tune").string(), &path, nullptr, nullptr));
    EXPECT_EQ(path, (directory / "tune.qnt").string());
    const std::vector<uint8_t> before = read(path);
    EXPECT_EQ(before, test::WriteImage(doc));
    test::FillRichSong(doc);
    EXPECT_FALSE(SaveSongFile(doc, path, nullptr, FailHalfway, nullptr));
    EXPECT_EQ(read(path), before);
    ASSERT_TRUE(SaveSongFile(doc, path, nullptr, nullptr, nullptr));
    EXPECT_EQ(read(path), test::WriteImage(doc));
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);

    std::vector<uint8_t> bytes = {7};
    EXPECT_FALSE(ReadWholeFile((directory / "none").string(), bytes));
    EXPECT_FALSE(ReadWholeFile(directory.string(), bytes));
    EXPECT_FALSE(ReadWholeFile(path, bytes, before.size() - 1));
    EXPECT_EQ(bytes, std::vector<uint8_t>{7});
    EXPECT_TRUE(ReadWholeFile(path, bytes, read(path).size()));
    fs::remove_all(directory);
}

}  // namespace
}  // namespace qn
