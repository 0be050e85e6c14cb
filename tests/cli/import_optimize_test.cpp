#include <cstring>

#include "song/import_protracker.h"
#include "song/song_image.h"
#include "cli/cli_runner.h"
#include "test_data.h"

namespace qn {
namespace {

using CliImportOptimize = test::CliTest;
namespace fs = std::filesystem;

TEST_F(CliImportOptimize, ConvertImportsTheTestModules) {
    const fs::path folder = test::TestDataFolder("mod");
    for (const char* name : {"PatternJump.mod", "crystals.mod", "zob-the-zob.mod"}) {
        const std::string in = (folder / name).string();
        test::CliResult run = Cli("convert '" + in + "' '" + Path("out.qnt") + "'");
        ASSERT_EQ(run.status, 0) << name << run.err;
        EXPECT_NE(run.out.find("(ProTracker module)"), std::string::npos) << run.out;
        // The file holds exactly what the importer makes of the module.
        SongDocument written;
        LoadSongFile(Path("out.qnt"), written);
        std::vector<uint8_t> module;
        ASSERT_TRUE(ReadWholeFile(in, module));
        SongDocument imported;
        ASSERT_TRUE(ImportProTracker(module.data(), module.size(), imported));
        EXPECT_EQ(written.song.sequenceLength, imported.song.sequenceLength) << name;
        for (int pattern = 1; pattern <= kMaxPatterns; ++pattern)
            ASSERT_EQ(std::memcmp(written.song.Pattern(pattern), imported.song.Pattern(pattern), 64 * 3), 0)
                << name << " pattern " << pattern;
        EXPECT_EQ(std::memcmp(written.title, imported.title, kTitleLength), 0);
    }
}

TEST_F(CliImportOptimize, OptimizePrintsTheSummary) {
    ASSERT_EQ(Cli("new '" + Path("new.qnt") + "'").status, 0);
    test::CliResult run = Cli("optimize '" + Path("new.qnt") + "' '" + Path("small.qnt") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    // The new song's four empty patterns (768 bytes) go.
    EXPECT_EQ(run.out, "Removed 4 Pat., 0 Ins. 0 Waves Saved: 768b\n");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(Path("small.qnt"), bytes));
    EXPECT_EQ(bytes.size(), 990u - 768u);
}

}  // namespace
}  // namespace qn
