#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/prefs.h"

namespace qn {
namespace {

class PrefsFile : public ::testing::Test {
protected:
    std::string path = (std::filesystem::temp_directory_path() /
                         ("qn_prefs_" + std::to_string(::getpid()) + ".bin")).string();
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
};

TEST_F(PrefsFile, MissingFileKeepsDefaults) {
    Prefs prefs = DefaultPrefs();
    Colour background = LoadPrefs(prefs, path);
    EXPECT_EQ(background.r, 92);
    EXPECT_EQ(background.g, 100);
    EXPECT_EQ(background.b, 120);
    EXPECT_EQ(prefs.stereoMode, 0);
    EXPECT_EQ(prefs.guiSize, 0);
}

TEST_F(PrefsFile, FourteenBytesIgnoredWithBuiltInBackground) {
    Write(std::vector<uint8_t>{'Q', 'N', 'T', 0, 1, 2, 0, 2, 1, 1, 2, 3, 4, 5});
    Prefs prefs = DefaultPrefs();
    Colour background = LoadPrefs(prefs, path);
    EXPECT_EQ(background.r, 177);
    EXPECT_EQ(background.g, 126);
    EXPECT_EQ(background.b, 116);
    EXPECT_EQ(prefs.stepsInHex, 0);
}

TEST_F(PrefsFile, WrongMagicResetsEverything) {
    Write(std::vector<uint8_t>{'X', 'N', 'T', 0, 1, 2, 0, 2, 1, 10, 20, 30, 255});
    Prefs prefs = DefaultPrefs();
    prefs.guiSize = 2;
    LoadPrefs(prefs, path);
    EXPECT_EQ(prefs.guiSize, 0);
    EXPECT_EQ(prefs.background[0], 92);
}

TEST_F(PrefsFile, ShortFileOverridesOnlyWhatItHolds) {
    Write(std::vector<uint8_t>{'Q', 'N', 'T', 0, 1, 2});
    Prefs prefs = DefaultPrefs();
    Colour background = LoadPrefs(prefs, path);
    EXPECT_EQ(prefs.stepsInHex, 1);
    EXPECT_EQ(prefs.guiSize, 2);
    EXPECT_EQ(prefs.stereoMode, 0);
    EXPECT_EQ(background.b, 120);
}

TEST_F(PrefsFile, RoundTrip) {
    Prefs prefs = DefaultPrefs();
    prefs.guiSize = 1;
    prefs.wideGui = 1;
    prefs.stereoMode = 2;
    ASSERT_TRUE(SavePrefs(prefs, path));
    EXPECT_EQ(std::filesystem::file_size(path), 13u);
    Prefs loaded = DefaultPrefs();
    LoadPrefs(loaded, path);
    EXPECT_EQ(std::memcmp(&loaded, &prefs, sizeof(Prefs)), 0);
}

TEST_F(PrefsFile, SaveLeavesNoTemporaryFileAndAFailedSaveKeepsTheOldFile) {
    Prefs prefs = DefaultPrefs();
    ASSERT_TRUE(SavePrefs(prefs, path));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    // A target in a folder that does not exist cannot be written.
    EXPECT_FALSE(SavePrefs(prefs, path + ".missing/prefs.bin"));
    // A directory in the way of the rename: the write fails, nothing is left behind.
    std::filesystem::create_directory(path + ".dir");
    std::filesystem::create_directory(path + ".dir/prefs.bin");
    std::filesystem::create_directory(path + ".dir/prefs.bin/x");
    EXPECT_FALSE(SavePrefs(prefs, path + ".dir/prefs.bin"));
    EXPECT_FALSE(std::filesystem::exists(path + ".dir/prefs.bin.tmp"));
    std::filesystem::remove_all(path + ".dir");
}

}  // namespace
}  // namespace qn
