// Start-up: the first frames, "prefs.bin", the command line, the display check, data files, the song figures.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "app/command_line.h"
#include "app/data_files.h"
#include "song/song_file.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(AppStartup, OpensTheStandardWindowAndTheLogoGlidesInOnlyTheFirstTime) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
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
    // The first frame's GuiSize command rebuilt the window, which leaves edit mode; the logo is at rest from then on.
    EXPECT_EQ(std::tuple(harness.app->editMode, harness.app->logoShown, harness.app->rootPanel->children[0]->x),
              std::tuple(false, true, rest));
    harness.SettleStatus();
    EXPECT_EQ(harness.ShownStatus(), "Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
    harness.SaveFrame("startup");
}

std::string PrefsBytes(uint8_t hex, uint8_t guiSize, uint8_t stereo, uint8_t wide, Rgba background) {
    return std::string{'Q', 'N', 'T', '\0', char(hex), char(guiSize), '\0', char(stereo), char(wide),
                       char(background.r), char(background.g), char(background.b), char(background.a)};
}

// A "prefs.bin" at start, the window it gives and what exit writes after "Steps in Hex" and "Mono"; an overlong
// file is ignored (the built-in background shows) and the defaults are written over it.
TEST(AppStartup, StoredPrefsApplyAtStartAndExitWritesThem) {
    const Rgba standard{92, 100, 120, 255}, own{10, 20, 30, 255};
    struct Case { std::string bytes; int width, height, logicalWidth; Rgba shown; std::string written; };
    const Case cases[] = {
        {"", 640, 592, 640, standard, PrefsBytes(1, 0, 0, 0, standard)},
        {PrefsBytes(1, 1, 2, 0, own), 960, 888, 640, own, PrefsBytes(0, 1, 0, 0, own)},
        {PrefsBytes(0, 0, 2, 1, standard), 896, 592, 896, standard, PrefsBytes(1, 0, 0, 1, standard)},
        {PrefsBytes(1, 2, 2, 1, Rgba{1, 2, 3, 255}) + "x", 640, 592, 640, Rgba{177, 126, 116, 255},
         PrefsBytes(1, 0, 0, 0, standard)},
    };
    for (const Case& c : cases) {
        AppHarness harness(c.bytes);
        ASSERT_TRUE(harness.started);
        harness.Frame(2);  // the first frame applies the GUI size
        int width = 0, height = 0;
        SDL_GetWindowSize(harness.app->window, &width, &height);
        EXPECT_EQ((std::vector<int>{width, height, harness.app->logicalWidth}),
                  (std::vector<int>{c.width, c.height, c.logicalWidth}));
        EXPECT_EQ(harness.Pixel(1, 300), c.shown);
        // The status bar's strip is translucent black across the window (read at GUI size 1.0).
        const int strip = harness.app->statusBar->parent->AbsoluteRect().y + 13;
        if (c.width == c.logicalWidth) { EXPECT_NEAR(harness.Pixel(300, strip).b, c.shown.b / 2, 1); }
        harness.Command(kCommandStepsInHex);
        harness.Run(kCommandMono);
        harness.Stop();
        EXPECT_EQ(AppHarness::ReadFile("prefs.bin"), c.written);
    }
}

// A song named on the command line is loaded before the first frame and plays; one that cannot be opened, or is
// over 1 MiB, leaves the new empty song. Either way "Save Song" will ask for a path.
TEST(AppStartup, StartupSongIsLoadedBeforeTheFirstFrameOrIgnored) {
    const std::string good = "/tmp/qn_startup_song_" + std::to_string(getpid()) + ".qnt", big = good + ".big";
    SongDocument doc;
    SetFixedText(doc.title, sizeof(doc.title), "Startup Tune");
    doc.song.SetSequenceLength(7);
    ASSERT_TRUE(SaveSongFile(doc, good, nullptr, nullptr, nullptr));
    std::filesystem::copy_file(good, big, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(big, 0x100001);  // 1 MiB + 1 byte
    struct Case { const char* path; const char* title; uint32_t positions; };
    const Case cases[] = {{good.c_str(), "Startup Tune", 7}, {big.c_str(), "", 4}, {"/nonexistent/song.qnt", "", 4},
                          {nullptr, "", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "none");
        AppHarness harness({}, c.path);
        ASSERT_TRUE(harness.started);
        App& app = *harness.app;
        EXPECT_EQ(std::tuple(FixedText(app.document->title, kTitleLength), app.document->song.sequenceLength,
                             app.songPath[0], app.IsPlaying(), app.document->song.currentPosition),
                  std::tuple(std::string(c.title), c.positions, '\0', c.positions == 7, 0u));
    }
    std::remove(good.c_str());
    std::remove(big.c_str());
}

// Options are answered before start (status -1: it runs); one argument names a song; `output` begins stdout/stderr.
TEST(AppStartup, CommandLineOptionsDisplayCheckAndDataFiles) {
    struct Case { std::vector<std::string> arguments; int status; const char* output; const char* song; };
    const Case cases[] = {
        {{}, -1, "", nullptr}, {{"a.qnt"}, -1, "", "a.qnt"}, {{"a.qnt", "b.qnt"}, -1, "", nullptr},
        {{"--help"}, 0, "Usage: quillnote", "--help"}, {{"-h"}, 0, "Usage: quillnote", "-h"},
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
    // A driver asked for by name is taken as it is; otherwise SDL's drawing-nowhere fallbacks mean there is no display.
    const struct { const char* asked; const char* got; bool shown; } drivers[] = {
        {"dummy", "dummy", true},     {nullptr, "x11", true}, {"", "wayland", true},
        {nullptr, "offscreen", false}, {"", "dummy", false},  {nullptr, nullptr, false}};
    for (const auto& d : drivers) EXPECT_EQ(WindowCanBeShown(d.asked, d.got), d.shown) << (d.got ? d.got : "none");
    namespace fs = std::filesystem;  // data files are found beside the program or in its share folder
    const fs::path root = fs::temp_directory_path() / ("qn_data_files_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bin/fonts");
    fs::create_directories(root / "share/quillnote/fonts");
    const std::string program = (root / "bin").string() + "/";
    // Neither file: the place beside the program, so that a failure names it.
    for (const std::string made : {"", "share/quillnote/", "bin/"}) {
        if (!made.empty()) AppHarness::WriteFile((root / (made + "fonts/base.bmp")).string(), "");
        EXPECT_EQ(FindDataFile(program, "fonts/base.bmp"), program + (made == "share/quillnote/" ? "../" + made : "")
                                                                       + "fonts/base.bmp");
    }
    fs::remove_all(root);
}

using StatusBarTest = AppTest;

// 128-byte wave + the silent sample's 2 bytes; 256 with octave copies is 256+128+64+32; minutes stop at 99.
TEST_F(StatusBarTest, SongInfoPanelFigures) {
    struct Case { uint8_t lengthIndex, flags; float playTime, duration; const char* expected[2]; };
    const Case cases[] = {
        {0, 0, 65.9f, 0.0f,
         {"Time                 01:05\nDuration             00:00\n", "Chipram needed         130\n"}},
        {1, kWaveOctaveCopies, 99 * 60 + 75.0f, 125.0f,
         {"Time                 99:75\nDuration             02:05\n", "Chipram needed         482\n"}},
    };
    for (const Case& c : cases) {
        TheSong().waves[0].lengthIndex = c.lengthIndex;
        TheSong().waves[0].flags = c.flags;
        app()->songSize = 0;
        app()->playTime = c.playTime;
        app()->songDuration = c.duration;
        char text[256];
        app()->FormatSongInfo(text, sizeof(text));
        EXPECT_EQ(std::pair(int(TheSong().waveCount), app()->songSize > 0), std::pair(1, true));
        for (const char* line : c.expected) EXPECT_NE(std::strstr(text, line), nullptr) << text;
    }
}

}  // namespace
}  // namespace qn::testing
