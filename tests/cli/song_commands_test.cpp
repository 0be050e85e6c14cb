#include "song/old_song_images.h"
#include "song/song_image.h"
#include "cli/cli_runner.h"
#include "test_data.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

bool OneLine(const std::string& text) {
    return !text.empty() && text.back() == '\n' && text.find('\n') == text.size() - 1;
}

using CliSongCommands = test::CliTest;

TEST_F(CliSongCommands, NewWritesTheNewSongAndAppendsTheExtension) {
    test::CliResult run = Cli("new '" + Path("fresh") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + Path("fresh.qnt") + " (990 bytes)\n");
    SongDocument doc;
    std::vector<uint8_t> expected(kSongImageBufferSize);
    expected.resize(WriteSongImage(doc, expected.data(), expected.size(), nullptr, nullptr));
    EXPECT_EQ(ReadFile(Path("fresh.qnt")), expected);
    EXPECT_FALSE(fs::exists(Path("fresh")));
}

TEST_F(CliSongCommands, InfoPrintsTheFileFacts) {
    test::TestImage image;
    image.version = 23;
    image.title = "demo tune";
    image.author = "me";
    image.rows = 2;
    image.positions = {{2, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}};
    image.patterns = {std::vector<uint8_t>(6, 0), std::vector<uint8_t>(6, 0)};
    image.instruments.resize(3);
    image.waves = {test::DefaultFileWave(), test::DefaultFileWave()};
    const std::vector<uint8_t> bytes = image.Build();
    WriteFile(Path("old.qnt"), bytes);
    test::CliResult run = Cli("info '" + Path("old.qnt") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "title: demo tune\nauthor: me\nversion: 23\npositions: 2\nhighest pattern: 2\n"
              "rows per pattern: 2\ninstruments: 3\nwaves: 2\nimage size: " +
                  std::to_string(bytes.size()) + " bytes\n"
                  // 2 positions x 2 rows x 6 ticks = 0.48 s; both waves differ from
                  // the default after the decay migration, so 2 + 2 x 128 bytes and
                  // 2 x 4000 / 709379 s of precalculation.
                  "duration: 00:00\nchip memory needed: 258 bytes\nA500 precalc time: 00.01s\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(CliSongCommands, ConvertWritesVersionTwentySevenAsTheLoaderRebuildsIt) {
    test::TestImage image;
    image.version = 20;
    image.patterns = {{0x25, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    image.instruments.resize(1);
    image.instruments[0].params = {1, 2, 3, 4, 5, 6, 7};
    image.instruments[0].steps = {{1, 0, 1}};
    image.waves = {std::vector<uint8_t>(41, 3)};
    std::vector<uint8_t> bytes = image.Build();
    WriteFile(Path("v20.qnt"), bytes);
    test::CliResult run = Cli("convert '" + Path("v20.qnt") + "' '" + Path("v27.qnt") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("(version 20)"), std::string::npos) << run.out;

    std::vector<uint8_t> converted = ReadFile(Path("v27.qnt"));
    SongDocument doc;
    ASSERT_TRUE(LoadSong(doc, bytes, nullptr, nullptr));
    std::vector<uint8_t> expected(kSongImageBufferSize);
    expected.resize(WriteSongImage(doc, expected.data(), expected.size(), nullptr, nullptr));
    EXPECT_EQ(converted, expected);
    ASSERT_GT(converted.size(), 3u);
    EXPECT_EQ(converted[3], 27);

    // Converting the result again changes nothing.
    run = Cli("convert '" + Path("v27.qnt") + "' '" + Path("again.qnt") + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(Path("again.qnt")), converted);
}

// Every command: wrong usage exits 2 with a message; a file that cannot be
// read, is no song or cannot be written exits 1 with one line and no output.
TEST_F(CliSongCommands, FailuresExitOneWithOneLineAndWrongUsageTwo) {
    WriteFile(Path("text.qnt"), {'h', 'e', 'l', 'l', 'o'});
    std::vector<uint8_t> truncated = test::TestImage().Build();
    truncated.pop_back();
    WriteFile(Path("cut.qnt"), truncated);
    ASSERT_EQ(Cli("new '" + Path("a.qnt") + "'").status, 0);
    fs::create_directory(Path("b.qnt"));
    std::vector<uint8_t> qxm = {'Q', 'M', 'V', 2};  // version 2 does not exist
    qxm.resize(120);
    WriteFile(Path("bad.qxm"), qxm);
    const std::string a = "'" + Path("a.qnt") + "' ", out = " '" + Path("out.qnt") + "'";
    const std::vector<std::string> failures = {
        "info '" + Path("missing.qnt") + "'", "info '" + Path("text.qnt") + "'", "info '" + Path("cut.qnt") + "'",
        "info '" + directory.string() + "'", "convert '" + Path("missing.qnt") + "'" + out,
        "convert '" + Path("cut.qnt") + "'" + out, "new '" + Path("no/such/dir.qnt") + "'",
        "convert " + a + "'" + Path("b.qnt") + "'", "trace '" + Path("text.qnt") + "' 3",
        "render '" + Path("missing.qnt") + "' '" + Path("x.wav") + "'", "render " + a + "'" + Path("no/dir/x.wav") + "'",
        "waves '" + Path("text.qnt") + "' '" + Path("out") + "'",
        "optimize '" + Path("missing.qnt") + "' '" + Path("x.qnt") + "'",
        // Modules the importers refuse ("Protracker Import failed.", "QXM Import failed.").
        "convert '" + Path("bad.qxm") + "'" + out,
        "convert '" + (test::TestDataFolder("mod") / "truncated_header.mod").string() + "'" + out,
        "convert '" + (test::TestDataFolder("mod") / "truncated_soundtracker.mod").string() + "'" + out};
    for (const std::string& arguments : failures) {
        test::CliResult run = Cli(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_TRUE(OneLine(run.err)) << arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << arguments;
    }
    EXPECT_FALSE(fs::exists(Path("out.qnt")));
    EXPECT_FALSE(fs::exists(Path("out")));
    EXPECT_TRUE(fs::is_directory(Path("b.qnt")));
    const std::vector<std::string> usage = {
        "", "new", "new a b", "info", "convert one", "convert a b c", "no-such-command", "render", "render " + a,
        "render " + a + "a.wav --stereo wide", "render " + a + "a.wav --stereo", "trace", "trace " + a,
        "trace " + a + "-1", "trace " + a + "12x", "waves", "waves " + a, "waves a b c", "optimize " + a};
    for (const std::string& arguments : usage) {
        test::CliResult run = Cli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
    }
    EXPECT_EQ(Cli("--help").status, 0);
    test::CliResult help = Cli("help convert");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert IN OUT.qnt"), std::string::npos);
}

}  // namespace
}  // namespace qn
