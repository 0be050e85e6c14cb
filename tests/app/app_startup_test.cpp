#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/command_line.h"
#include "app/data_files.h"
#include "song/song_file.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(AppStartup, OpensTheStandardWindowAndSettlesOnEditModeOff) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 592);
    harness.Frame();
    EXPECT_EQ(harness.Status(), "Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
    harness.Frame();
    // The first frame's GuiSize command rebuilt the window, which leaves edit mode.
    EXPECT_FALSE(harness.app->editMode);
    EXPECT_EQ(harness.Status(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SettleStatus();
    EXPECT_EQ(harness.ShownStatus(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SaveFrame("startup");
}

TEST(MainWindow, LogoGlidesInOnlyTheFirstTime) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);  // the first frame's GuiSize command rebuilt the window: the logo is at rest
    const int rest = harness.app->rootPanel->children[0]->x;
    EXPECT_TRUE(harness.app->logoShown);
    AppHarness fresh;
    GuiItem* gliding = fresh.app->rootPanel->children[0];
    frameDelta = 1.0f / 60.0f;
    int previous = gliding->x;
    EXPECT_GT(previous, rest);
    for (int i = 0; i < 200; ++i, previous = gliding->x) {
        UpdateTree(fresh.app->items);
        ASSERT_LE(gliding->x, previous);
    }
    EXPECT_EQ(gliding->x, rest);
}

// A song named on the command line is loaded before the first frame; one
// that cannot be opened, or is larger than 1 MiB, leaves the new empty song.
// Either way "Save Song" will ask for a path; a loaded song plays.
TEST(MainWindow, StartupSongIsLoadedBeforeTheFirstFrameOrIgnored) {
    const char* big = "/tmp/qn_startup_big.qnt";
    const char* good = "/tmp/qn_startup_song.qnt";
    {
        AppHarness writer;  // only for its scratch working directory
        SongDocument doc;
        SetFixedText(doc.title, sizeof(doc.title), "Startup Tune");
        doc.song.SetSequenceLength(7);
        std::string written;
        FILE* quiet = std::fopen("/dev/null", "w");
        ASSERT_TRUE(SaveSongFile(doc, "startup.qnt", &written, nullptr, quiet));
        std::fclose(quiet);
        std::filesystem::copy_file(written, good, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(written, big, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::resize_file(big, 0x100001);  // 1 MiB + 1 byte
    }
    struct Case { const char* path; const char* title; uint32_t positions; };
    const Case cases[] = {{good, "Startup Tune", 7}, {big, "", 4}, {"/nonexistent/song.qnt", "", 4}, {nullptr, "", 4}};
    for (const Case& c : cases) {
        AppHarness harness({}, c.path);
        ASSERT_TRUE(harness.started);
        EXPECT_EQ(FixedText(harness.app->document->title, sizeof(harness.app->document->title)), c.title) << (c.path ? c.path : "none");
        EXPECT_EQ(harness.app->document->song.sequenceLength, c.positions) << (c.path ? c.path : "none");
        EXPECT_STREQ(harness.app->songPath, "");
        EXPECT_EQ(harness.app->IsPlaying(), c.positions == 7);
        EXPECT_EQ(harness.app->document->song.currentPosition, 0u);
    }
    std::remove(good);
    std::remove(big);
}

TEST(MainWindow, OnlyASingleArgumentNamesAStartupSong) {
    char program[] = "quillnote", first[] = "a.qnt", second[] = "b.qnt";
    char* one[] = {program, first, nullptr};
    char* two[] = {program, first, second, nullptr};
    EXPECT_EQ(StartupSongArgument(1, one), nullptr);
    EXPECT_STREQ(StartupSongArgument(2, one), "a.qnt");
    EXPECT_EQ(StartupSongArgument(3, two), nullptr);
}

TEST(MainWindow, OptionsAreAnsweredBeforeTheProgramStarts) {
    struct Case {
        std::vector<std::string> arguments;
        int status;          // -1: the program runs
        const char* output;  // what starts standard output or, for status 2, standard error
    };
    const Case cases[] = {
        {{}, -1, ""},
        {{"a.qnt"}, -1, ""},
        {{"a.qnt", "b.qnt"}, -1, ""},
        {{"--help"}, 0, "Usage: quillnote"},
        {{"-h"}, 0, "Usage: quillnote"},
        {{"a.qnt", "--help"}, 0, "Usage: quillnote"},
        {{"--version"}, 0, "quillnote " QUILLNOTE_VERSION "\n"},
        {{"--helpme"}, 2, "quillnote: unknown option '--helpme'\nUsage: quillnote"},
        {{"-"}, 2, "quillnote: unknown option '-'\n"},
        {{"--bogus", "--help"}, 2, "quillnote: unknown option '--bogus'\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage = c.arguments;
        storage.insert(storage.begin(), "quillnote");
        std::vector<char*> argv;
        for (std::string& argument : storage) argv.push_back(argument.data());
        argv.push_back(nullptr);
        FILE* out = std::tmpfile();
        FILE* err = std::tmpfile();
        const int status = AnswerCommandLineOptions(int(storage.size()), argv.data(), out, err);
        auto text = [](FILE* file) {
            std::string read(4096, '\0');
            std::rewind(file);
            read.resize(std::fread(read.data(), 1, read.size(), file));
            std::fclose(file);
            return read;
        };
        const std::string printed = text(out), complained = text(err);
        const std::string label = storage.back();
        EXPECT_EQ(status, c.status) << label;
        EXPECT_EQ((status == 2 ? complained : printed).rfind(c.output, 0), 0u) << label << ": " << printed << complained;
        EXPECT_EQ((status == 2 ? printed : complained), "") << label;
        if (status == 2) {
            EXPECT_NE(complained.find("--help"), std::string::npos);  // the usage follows
        }
    }
    // A driver asked for by name is taken as it is; otherwise SDL's
    // drawing-nowhere fallbacks mean there is no display.
    EXPECT_TRUE(WindowCanBeShown("dummy", "dummy"));
    EXPECT_TRUE(WindowCanBeShown(nullptr, "x11"));
    EXPECT_TRUE(WindowCanBeShown("", "wayland"));
    EXPECT_FALSE(WindowCanBeShown(nullptr, "offscreen"));
    EXPECT_FALSE(WindowCanBeShown("", "dummy"));
    EXPECT_FALSE(WindowCanBeShown(nullptr, nullptr));
}

TEST(MainWindow, DataFilesAreFoundBesideTheProgramOrInItsShareFolder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("qn_data_files_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share/quillnote/fonts");
    const std::string program = (root / "bin").string() + "/";
    auto touch = [](const fs::path& path) { std::fclose(std::fopen(path.c_str(), "w")); };
    // Neither: the place beside the program, so that a failure names it.
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "fonts/base.bmp");
    touch(root / "share/quillnote/fonts/base.bmp");
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "../share/quillnote/fonts/base.bmp");
    fs::create_directories(root / "bin/fonts");
    touch(root / "bin/fonts/base.bmp");
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "fonts/base.bmp");
    fs::remove_all(root);
}

}  // namespace
}  // namespace qn::testing
