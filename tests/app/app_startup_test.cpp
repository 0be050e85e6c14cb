// Start-up: the window and its first frames, the logo, a song named on the
// command line, the options answered before any window opens, whether a
// display is there, and where the data files are found.
#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "app/data_files.h"
#include "song/song_file.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(AppStartup, OpensTheStandardWindowAndTheLogoGlidesInOnlyTheFirstTime) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    int width = 0, height = 0;
    SDL_GetWindowSize(harness.app->window, &width, &height);
    EXPECT_EQ((std::vector<int>{width, height}), (std::vector<int>{640, 592}));
    GuiItem* gliding = harness.app->rootPanel->children[0];
    const int start = gliding->x;
    frameDelta = 1.0f / 60.0f;
    for (int i = 0, previous = start; i < 200; ++i, previous = gliding->x) {
        UpdateTree(harness.app->items);
        ASSERT_LE(gliding->x, previous);
    }
    const int rest = gliding->x;
    EXPECT_GT(start, rest);
    harness.Frame();
    EXPECT_EQ(harness.Status(), "Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
    harness.Frame();
    // The first frame's GuiSize command rebuilt the window, which leaves
    // edit mode; the logo is at rest from then on.
    EXPECT_FALSE(harness.app->editMode);
    EXPECT_TRUE(harness.app->logoShown);
    EXPECT_EQ(harness.app->rootPanel->children[0]->x, rest);
    harness.SettleStatus();
    EXPECT_EQ(harness.ShownStatus(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SaveFrame("startup");
}

// A song named on the command line is loaded before the first frame and
// plays; one that cannot be opened, or is larger than 1 MiB, leaves the new
// empty song. Either way "Save Song" will ask for a path.
TEST(AppStartup, StartupSongIsLoadedBeforeTheFirstFrameOrIgnored) {
    const std::string good = "/tmp/qn_startup_song_" + std::to_string(getpid()) + ".qnt", big = good + ".big";
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
    const Case cases[] = {{good.c_str(), "Startup Tune", 7}, {big.c_str(), "", 4}, {"/nonexistent/song.qnt", "", 4},
                          {nullptr, "", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "none");
        AppHarness harness({}, c.path);
        ASSERT_TRUE(harness.started);
        EXPECT_EQ(FixedText(harness.app->document->title, sizeof(harness.app->document->title)), c.title);
        EXPECT_EQ(harness.app->document->song.sequenceLength, c.positions);
        EXPECT_STREQ(harness.app->songPath, "");
        EXPECT_EQ(harness.app->IsPlaying(), c.positions == 7);
        EXPECT_EQ(harness.app->document->song.currentPosition, 0u);
    }
    std::remove(good.c_str());
    std::remove(big.c_str());
}

// Only a single argument names a song (options are answered before that
// matters); options are answered before the program starts (status -1: it runs). `output` starts standard output or,
// for status 2, standard error.
TEST(AppStartup, CommandLineOptions) {
    struct Case { std::vector<std::string> arguments; int status; const char* output; const char* song; };
    const Case cases[] = {
        {{}, -1, "", nullptr},
        {{"a.qnt"}, -1, "", "a.qnt"},
        {{"a.qnt", "b.qnt"}, -1, "", nullptr},
        {{"--help"}, 0, "Usage: quillnote", "--help"},
        {{"-h"}, 0, "Usage: quillnote", "-h"},
        {{"a.qnt", "--help"}, 0, "Usage: quillnote", nullptr},
        {{"--version"}, 0, "quillnote " QUILLNOTE_VERSION "\n", "--version"},
        {{"--helpme"}, 2, "quillnote: unknown option '--helpme'\nUsage: quillnote", "--helpme"},
        {{"-"}, 2, "quillnote: unknown option '-'\n", "-"},
        {{"--bogus", "--help"}, 2, "quillnote: unknown option '--bogus'\n", nullptr},
    };
    auto text = [](FILE* file) {
        std::string read(4096, '\0');
        std::rewind(file);
        read.resize(std::fread(read.data(), 1, read.size(), file));
        std::fclose(file);
        return read;
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage = c.arguments;
        storage.insert(storage.begin(), "quillnote");
        SCOPED_TRACE(storage.back());
        std::vector<char*> argv;
        for (std::string& argument : storage) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const char* song = StartupSongArgument(int(storage.size()), argv.data());
        EXPECT_EQ(std::string(song ? song : "-"), std::string(c.song ? c.song : "-"));
        FILE* out = std::tmpfile();
        FILE* err = std::tmpfile();
        const int status = AnswerCommandLineOptions(int(storage.size()), argv.data(), out, err);
        const std::string printed = text(out), complained = text(err);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ((status == 2 ? complained : printed).rfind(c.output, 0), 0u) << printed << complained;
        EXPECT_EQ((status == 2 ? printed : complained), "");
        EXPECT_EQ(status == 2, complained.find("--help") != std::string::npos);  // the usage follows
    }
    // A driver asked for by name is taken as it is; otherwise SDL's
    // drawing-nowhere fallbacks mean there is no display.
    const struct { const char* asked; const char* got; bool shown; } drivers[] = {
        {"dummy", "dummy", true},     {nullptr, "x11", true}, {"", "wayland", true},
        {nullptr, "offscreen", false}, {"", "dummy", false},  {nullptr, nullptr, false}};
    for (const auto& d : drivers) EXPECT_EQ(WindowCanBeShown(d.asked, d.got), d.shown) << (d.got ? d.got : "none");
}

TEST(AppStartup, DataFilesAreFoundBesideTheProgramOrInItsShareFolder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("qn_data_files_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bin/fonts");
    fs::create_directories(root / "share/quillnote/fonts");
    const std::string program = (root / "bin").string() + "/";
    auto touch = [](const fs::path& path) { std::fclose(std::fopen(path.c_str(), "w")); };
    // Neither: the place beside the program, so that a failure names it.
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "fonts/base.bmp");
    touch(root / "share/quillnote/fonts/base.bmp");
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "../share/quillnote/fonts/base.bmp");
    touch(root / "bin/fonts/base.bmp");
    EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + "fonts/base.bmp");
    fs::remove_all(root);
}

}  // namespace
}  // namespace qn::testing
