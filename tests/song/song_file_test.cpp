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
    EXPECT_EQ(SongFilePath("song"), "song.qnt");
    EXPECT_EQ(SongFilePath("dir/song.qnt"), "dir/song.qnt");
    EXPECT_EQ(SongFilePath("a.qnt"), "a.qnt");          // five characters: kept
    EXPECT_EQ(SongFilePath(".qnt"), ".qnt.qnt");        // four characters: always appended
    EXPECT_EQ(SongFilePath("qnt"), "qnt.qnt");
    EXPECT_EQ(SongFilePath(""), ".qnt");
    EXPECT_EQ(SongFilePath("SONG.QNT"), "SONG.QNT.qnt");  // case-sensitive
    EXPECT_EQ(SongFilePath("song.qnt.bak"), "song.qnt.bak.qnt");
}

class SongFileSave : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() /
                    ("qn_song_file_" + std::to_string(::getpid()) + "_" +
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
    // Only the named files, no temporary file left beside them.
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path directory;
    SongDocument doc;
};

TEST_F(SongFileSave, WritesTheImageUnderTheFinalPath) {
    std::string finalPath;
    ASSERT_TRUE(SaveSongFile(doc, (directory / "tune").string(), &finalPath, nullptr, nullptr));
    EXPECT_EQ(finalPath, (directory / "tune.qnt").string());
    EXPECT_EQ(Read(finalPath), test::WriteImage(doc));
    EXPECT_EQ(Entries(), std::vector<std::string>{"tune.qnt"});
}

TEST_F(SongFileSave, ReplacesAnExistingFile) {
    const fs::path path = directory / "tune.qnt";
    ASSERT_TRUE(WriteFileAtomically(path.string(), reinterpret_cast<const uint8_t*>("old"), 3));
    ASSERT_TRUE(SaveSongFile(doc, path.string(), nullptr, nullptr, nullptr));
    EXPECT_EQ(Read(path).size(), 990u);
}

TEST_F(SongFileSave, MissingDirectoryFails) {
    std::string finalPath;
    EXPECT_FALSE(SaveSongFile(doc, (directory / "missing" / "tune.qnt").string(), &finalPath, nullptr, nullptr));
    EXPECT_FALSE(fs::exists(directory / "missing"));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(SongFileSave, PathThatIsADirectoryFails) {
    fs::create_directory(directory / "taken.qnt");
    EXPECT_FALSE(SaveSongFile(doc, (directory / "taken.qnt").string(), nullptr, nullptr, nullptr));
    EXPECT_TRUE(fs::is_directory(directory / "taken.qnt"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"taken.qnt"});
}

// Writes half of the data, then reports a failure (a full disk, say).
bool FailHalfway(int fd, const uint8_t* data, size_t size) {
    WriteAllBytes(fd, data, size / 2);
    return false;
}

TEST_F(SongFileSave, WriteFailingHalfwayKeepsTheOldFile) {
    const fs::path path = directory / "tune.qnt";
    SongDocument old;
    SetFixedText(old.title, kTitleLength, "the old one");
    ASSERT_TRUE(SaveSongFile(old, path.string(), nullptr, nullptr, nullptr));
    const std::vector<uint8_t> before = Read(path);

    test::FillRichSong(doc);
    EXPECT_FALSE(SaveSongFile(doc, path.string(), nullptr, FailHalfway, nullptr));
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"tune.qnt"});
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
