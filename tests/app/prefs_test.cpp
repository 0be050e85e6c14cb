#include <gtest/gtest.h>

#include <array>
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

// Files as they may be found, with the record and background they give:
// hex, size, stereo, wide, background. guiSize 2 is set before loading.
TEST_F(PrefsFile, LoadTable) {
    struct Case { std::vector<uint8_t> bytes; std::array<int, 7> expected; const char* what; };
    const Case cases[] = {
        {{}, {0, 2, 0, 0, 92, 100, 120}, "no file: the record is kept"},
        {{'Q', 'N', 'T', 0, 1, 2, 0, 2, 1, 1, 2, 3, 4, 5}, {0, 2, 0, 0, 177, 126, 116}, "overlong: ignored, the built-in background"},
        {{'X', 'N', 'T', 0, 1, 2, 0, 2, 1, 10, 20, 30, 255}, {0, 0, 0, 0, 92, 100, 120}, "wrong magic resets everything"},
        {{'Q', 'N', 'T', 0, 1, 2}, {1, 2, 0, 0, 92, 100, 120}, "short: only what it holds"},
        {{'Q', 'N', 'T', 0, 1, 1, 0, 2, 1, 10, 20, 30, 255}, {1, 1, 2, 1, 10, 20, 30}, "whole"},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        if (!c.bytes.empty()) Write(c.bytes);
        Prefs prefs = DefaultPrefs();
        prefs.guiSize = 2;
        Colour background = LoadPrefs(prefs, path);
        EXPECT_EQ((std::array<int, 7>{prefs.stepsInHex, prefs.guiSize, prefs.stereoMode, prefs.wideGui, background.r,
                                      background.g, background.b}),
                  c.expected)
            << c.what;
    }
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
