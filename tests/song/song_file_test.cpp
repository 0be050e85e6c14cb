#include <gtest/gtest.h>

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
        {"song", "song.qnt"},       {"dir/song.qnt", "dir/song.qnt"}, {"a.qnt", "a.qnt"},
        {".qnt", ".qnt.qnt"},       {"", ".qnt"},                     {"SONG.QNT", "SONG.QNT.qnt"},
        {"song.qnt.bak", "song.qnt.bak.qnt"}};
    for (const auto& [given, expected] : cases) EXPECT_EQ(SongFilePath(given), expected) << given;
}

// Writes half of the data, then reports a failure (a full disk, say).
bool FailHalfway(int fd, const uint8_t* data, size_t size) {
    WriteAllBytes(fd, data, size / 2);
    return false;
}

class SongFileSave : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() / ("qn_song_file_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }
    std::vector<uint8_t> Read(const fs::path& path) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadWholeFile(path.string(), bytes));
        return bytes;
    }
    // The folder holds only these names: no temporary file is left behind.
    void ExpectEntries(std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(directory)) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
    }
    fs::path directory;
    SongDocument doc;
};

TEST_F(SongFileSave, WritesOrReplacesAndKeepsTheOldFileOnFailure) {
    std::string finalPath;
    ASSERT_TRUE(SaveSongFile(doc, (directory / "tune").string(), &finalPath, nullptr, nullptr));
    EXPECT_EQ(finalPath, (directory / "tune.qnt").string());
    EXPECT_EQ(Read(finalPath), test::WriteImage(doc));
    const std::vector<uint8_t> before = Read(finalPath);
    test::FillRichSong(doc);
    EXPECT_FALSE(SaveSongFile(doc, finalPath, nullptr, FailHalfway, nullptr));
    EXPECT_EQ(Read(finalPath), before);
    ASSERT_TRUE(SaveSongFile(doc, finalPath, nullptr, nullptr, nullptr));
    EXPECT_EQ(Read(finalPath), test::WriteImage(doc));
    ExpectEntries({"tune.qnt"});
}

TEST_F(SongFileSave, ReadWholeFileRefusesWhatIsNotARegularFileOrTooLarge) {
    std::vector<uint8_t> bytes = {7};
    EXPECT_FALSE(ReadWholeFile((directory / "none").string(), bytes));
    EXPECT_FALSE(ReadWholeFile(directory.string(), bytes));
    const fs::path path = directory / "five";
    ASSERT_TRUE(WriteFileAtomically(path.string(), reinterpret_cast<const uint8_t*>("12345"), 5));
    EXPECT_FALSE(ReadWholeFile(path.string(), bytes, 4));
    EXPECT_EQ(bytes, std::vector<uint8_t>{7});
    EXPECT_TRUE(ReadWholeFile(path.string(), bytes, 5));
    EXPECT_EQ(bytes.size(), 5u);
}

}  // namespace
}  // namespace qn
