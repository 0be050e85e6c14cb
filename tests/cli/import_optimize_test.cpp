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

TEST_F(CliImportOptimize, RejectedModulesFailWithOneLine) {
    const fs::path folder = test::TestDataFolder("mod");
    for (const char* name : {"truncated_header.mod", "truncated_soundtracker.mod"}) {
        test::CliResult run = Cli("convert '" + (folder / name).string() + "' '" + Path("out.qnt") + "'");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.err.find("Protracker Import failed."), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    std::vector<uint8_t> qxm = {'Q', 'M', 'V', 2};
    qxm.resize(120);
    ASSERT_TRUE(WriteFileAtomically(Path("bad.qxm"), qxm.data(), qxm.size()));
    test::CliResult run = Cli("convert '" + Path("bad.qxm") + "' '" + Path("out.qnt") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("QXM Import failed."), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(Path("out.qnt")));
}

TEST_F(CliImportOptimize, ConvertImportsQxm) {
    // One position of track 0 on every voice, one track of 2 rows holding a
    // note 13, no instruments; the name block sits in the subsong list.
    std::vector<uint8_t> file = {'Q', 'M', 'V', 1, 0, 14, 0, 1, 0, 0, 2, 0, 0, 2, 'q', 'x', 0, 0};
    for (int voice = 0; voice < 4; ++voice) file.insert(file.end(), {0, 12});
    file.insert(file.end(), {13 << 2, 0, 0, 0, 0, 0});
    file.resize(100);  // trailing bytes the importer does not read
    ASSERT_TRUE(WriteFileAtomically(Path("tune.qxm"), file.data(), file.size()));
    test::CliResult run = Cli("convert '" + Path("tune.qxm") + "' '" + Path("out.qnt") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("(Qxm module)"), std::string::npos);
    SongDocument doc;
    LoadSongFile(Path("out.qnt"), doc);
    EXPECT_EQ(FixedText(doc.title, kTitleLength), "qx");
    EXPECT_EQ(doc.song.rowsPerPattern, 2);
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 13);
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
    EXPECT_EQ(Cli("optimize '" + Path("new.qnt") + "'").status, 2);
    EXPECT_EQ(Cli("optimize '" + Path("missing.qnt") + "' '" + Path("x.qnt") + "'").status, 1);
}

}  // namespace
}  // namespace qn
