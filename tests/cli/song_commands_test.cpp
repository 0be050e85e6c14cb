#include <cstring>

#include "song/import_protracker.h"
#include "song/old_song_images.h"
#include "song/song_loader.h"
#include "song/song_test_helpers.h"
#include "cli/cli_runner.h"
#include "test_data.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

using CliSongCommands = test::CliTest;

TEST_F(CliSongCommands, NewWritesTheNewSongAndOptimizeItsSummary) {
    test::CliResult run = Cli("new " + Arg("fresh"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + Path("fresh.qnt") + " (990 bytes)\n");
    SongDocument doc;
    EXPECT_EQ(ReadFile(Path("fresh.qnt")), test::WriteImage(doc));
    EXPECT_FALSE(fs::exists(Path("fresh")));
    run = Cli("optimize " + Arg("fresh.qnt") + Arg("small.qnt"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Removed 4 Pat., 0 Ins. 0 Waves Saved: 768b\n");  // four empty patterns of 64 rows
    EXPECT_EQ(ReadFile(Path("small.qnt")).size(), 990u - 768u);
}

// An old song: info prints its facts; convert writes it as the loader
// rebuilds it, and converting the result again changes nothing.
TEST_F(CliSongCommands, InfoAndConvertOfAnOldSong) {
    std::vector<uint8_t> bytes =
        test::TestImage{.version = 23, .title = "demo tune", .author = "me", .rows = 2,
                        .positions = {{2, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}},
                        .patterns = {{37, 0, 0, 0, 0, 0}, std::vector<uint8_t>(6, 0)},
                        .instruments = std::vector<test::TestInstrument>(3),
                        .waves = {test::DefaultFileWave(), test::DefaultFileWave()}}.Build();
    WriteFile("old.qnt", bytes);
    test::CliResult run = Cli("info " + Arg("old.qnt"));
    EXPECT_EQ(run.status, 0) << run.err;
    // 2 positions x 2 rows x 6 ticks = 0.48 s; both waves differ from the default
    // after the decay migration: 2 + 2 x 128 bytes, 2 x 4000 / 709379 s to precalculate.
    EXPECT_EQ(run.out, "title: demo tune\nauthor: me\nversion: 23\npositions: 2\nhighest pattern: 2\n"
                       "rows per pattern: 2\ninstruments: 3\nwaves: 2\nimage size: " + std::to_string(bytes.size()) +
                           " bytes\nduration: 00:00\nchip memory needed: 258 bytes\nA500 precalc time: 00.01s\n");
    EXPECT_EQ(run.err, "");

    run = Cli("convert " + Arg("old.qnt") + Arg("new.qnt"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("(version 23)"), std::string::npos) << run.out;
    SongDocument doc;
    ASSERT_TRUE(LoadSong(doc, bytes, nullptr, nullptr));
    const std::vector<uint8_t> converted = ReadFile(Path("new.qnt"));
    EXPECT_EQ(converted, test::WriteImage(doc));
    EXPECT_EQ(Cli("convert " + Arg("new.qnt") + Arg("again.qnt")).status, 0);
    EXPECT_EQ(ReadFile(Path("again.qnt")), converted);
}

// A module is written as the importer reads it.
TEST_F(CliSongCommands, ConvertWritesWhatTheImporterMakes) {
    for (const char* name : {"PatternJump.mod", "zob-the-zob.mod"}) {
        const std::string in = (test::TestDataFolder("mod") / name).string();
        const test::CliResult run = Cli("convert '" + in + "' " + Arg("out.qnt"));
        ASSERT_EQ(run.status, 0) << name << run.err;
        EXPECT_NE(run.out.find("(ProTracker module)"), std::string::npos) << run.out;
        std::vector<uint8_t> module = ReadFile(in);
        SongDocument imported;
        ASSERT_TRUE(ImportProTracker(module.data(), module.size(), imported));
        EXPECT_EQ(ReadFile(Path("out.qnt")), test::WriteImage(imported)) << name;
    }
}

// A file that cannot be read, is no song or cannot be written: exit 1, one
// line on standard error, nothing on standard output. Wrong usage: exit 2.
TEST_F(CliSongCommands, FailuresExitOneWithOneLineAndWrongUsageTwo) {
    WriteFile("text.qnt", {'h', 'e', 'l', 'l', 'o'});
    const std::vector<uint8_t> image = test::TestImage().Build();
    WriteFile("cut.qnt", {image.begin(), image.end() - 1});
    std::vector<uint8_t> qxm = {'Q', 'M', 'V', 2};  // version 2 does not exist
    qxm.resize(120);
    WriteFile("bad.qxm", qxm);
    ASSERT_EQ(Cli("new " + Arg("a.qnt")).status, 0);
    fs::create_directory(Path("b.qnt"));
    const std::string a = Arg("a.qnt");
    const std::string mods = (test::TestDataFolder("mod") / "truncated_").string();
    const auto unread = [&](const std::string& name) { return "cannot read " + Path(name); };
    const auto noSong = [&](const std::string& name) { return Path(name) + " is not a song"; };
    const std::pair<std::string, std::string> failures[] = {
        {"info " + Arg("missing.qnt"), unread("missing.qnt")},
        {"info " + Arg("text.qnt"), noSong("text.qnt")},
        {"info " + Arg("cut.qnt"), noSong("cut.qnt")},
        {"info '" + directory.string() + "'", "cannot read " + directory.string()},
        {"convert " + Arg("bad.qxm") + Arg("out.qnt"), Path("bad.qxm") + ": QXM Import failed."},
        {"convert '" + mods + "header.mod' " + Arg("out.qnt"), mods + "header.mod: Protracker Import failed."},
        {"convert " + a + Arg("b.qnt"), "cannot write " + Path("b.qnt")},
        {"new " + Arg("no/such/dir.qnt"), "cannot write " + Path("no/such/dir.qnt")},
        {"trace " + Arg("text.qnt") + "3", noSong("text.qnt")},
        {"render " + Arg("missing.qnt") + Arg("x.wav"), unread("missing.qnt")},
        {"render " + a + Arg("no/dir/x.wav"), "cannot write " + Path("no/dir/x.wav")},
        {"waves " + Arg("text.qnt") + Arg("out"), noSong("text.qnt")},
        {"optimize " + Arg("missing.qnt") + Arg("x.qnt"), unread("missing.qnt")},
    };
    for (const auto& [arguments, message] : failures) {
        const test::CliResult run = Cli(arguments);
        EXPECT_EQ((std::vector<std::string>{std::to_string(run.status), run.err, run.out}),
                  (std::vector<std::string>{"1", "quillnote-cli: " + message + "\n", ""})) << arguments;
    }
    EXPECT_EQ((std::vector<bool>{fs::exists(Path("out.qnt")), fs::exists(Path("out")),
                                 fs::is_directory(Path("b.qnt"))}), (std::vector<bool>{false, false, true}));
    const std::string usage[] = {
        "", "new", "new a b", "info", "convert one", "convert a b c", "no-such-command", "render", "render " + a,
        "render " + a + "a.wav --stereo wide", "render " + a + "a.wav --stereo", "trace", "trace " + a,
        "trace " + a + "-1", "trace " + a + "12x", "waves", "waves " + a, "waves a b c", "optimize " + a};
    for (const std::string& arguments : usage) {
        const test::CliResult run = Cli(arguments);
        EXPECT_TRUE(run.status == 2 && !run.err.empty() && run.out.empty()) << arguments << ": " << run.status;
    }
    EXPECT_EQ(Cli("--help").status, 0);
    test::CliResult help = Cli("help convert");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert IN OUT.qnt"), std::string::npos);
}

}  // namespace
}  // namespace qn
