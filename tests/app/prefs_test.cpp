// "prefs.bin": the files as they may be found, a round trip, and saves that replace the file whole or not at all.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/prefs.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

// Each file with the record and background it gives (guiSize 2 set before); a round trip; failed saves leave nothing.
TEST(PrefsFile, LoadTableRoundTripAndFailedSaves) {
    const std::string path = fs::temp_directory_path() / ("qn_prefs_" + std::to_string(::getpid()) + ".bin");
    struct Case { std::vector<uint8_t> bytes; std::array<int, 7> expected; const char* what; };
    const Case cases[] = {
        {{}, {0, 2, 0, 0, 92, 100, 120}, "no file: the record is kept"},
        {{'Q', 'N', 'T', 0, 1, 2, 0, 2, 1, 1, 2, 3, 4, 5}, {0, 2, 0, 0, 177, 126, 116},
         "overlong: ignored, the built-in background"},
        {{'X', 'N', 'T', 0, 1, 2, 0, 2, 1, 10, 20, 30, 255}, {0, 0, 0, 0, 92, 100, 120}, "wrong magic resets all"},
        {{'Q', 'N', 'T', 0, 1, 2}, {1, 2, 0, 0, 92, 100, 120}, "short: only what it holds"},
        {{'Q', 'N', 'T', 0, 1, 1, 0, 2, 1, 10, 20, 30, 255}, {1, 1, 2, 1, 10, 20, 30}, "whole"},
    };
    for (const Case& c : cases) {
        fs::remove(path);
        if (!c.bytes.empty()) std::ofstream(path, std::ios::binary).write((const char*)c.bytes.data(), c.bytes.size());
        Prefs prefs = DefaultPrefs();
        prefs.guiSize = 2;
        Colour background = LoadPrefs(prefs, path);
        EXPECT_EQ((std::array<int, 7>{prefs.stepsInHex, prefs.guiSize, prefs.stereoMode, prefs.wideGui, background.r,
                                      background.g, background.b}), c.expected) << c.what;
    }
    Prefs prefs = DefaultPrefs();
    prefs.guiSize = prefs.wideGui = 1;
    prefs.stereoMode = 2;
    ASSERT_TRUE(SavePrefs(prefs, path));
    EXPECT_EQ(std::pair(fs::file_size(path), fs::exists(path + ".tmp")), std::pair(uintmax_t(13), false));
    Prefs loaded = DefaultPrefs();
    LoadPrefs(loaded, path);
    EXPECT_EQ(std::memcmp(&loaded, &prefs, sizeof(Prefs)), 0);
    EXPECT_FALSE(SavePrefs(prefs, path + ".missing/prefs.bin"));
    fs::create_directories(path + ".dir/prefs.bin/x");
    EXPECT_FALSE(SavePrefs(prefs, path + ".dir/prefs.bin") || fs::exists(path + ".dir/prefs.bin.tmp"));
    fs::remove_all(path), fs::remove_all(path + ".dir");
}

}  // namespace
}  // namespace qn
