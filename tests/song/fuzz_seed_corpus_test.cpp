// Writes the seed corpus of the song loader fuzzer. Disabled: run it by hand
// with --gtest_also_run_disabled_tests after a format change and commit the
// files in tests/fuzz/corpus/song_loader.
#include <gtest/gtest.h>

#include "song/file_io.h"
#include "song/old_song_images.h"
#include "song/song_image.h"
#include "song_test_helpers.h"

namespace qn {
namespace {

void Save(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = std::string(QUILLNOTE_SOURCE_DIR) + "/tests/fuzz/corpus/song_loader/" + name;
    ASSERT_TRUE(WriteFileAtomically(path, bytes.data(), bytes.size())) << path;
}

TEST(FuzzSeedCorpus, DISABLED_WriteSongLoaderSeeds) {
    SongDocument fresh;
    Save("new_song_v27.qnt", test::WriteImage(fresh));
    SongDocument rich;
    test::FillRichSong(rich);
    Save("rich_song_v27.qnt", test::WriteImage(rich));

    for (int version : {0, 20, 21, 23, 24, 26}) {
        test::TestImage image;
        image.version = version;
        image.title = "seed";
        image.rows = 3;
        image.positions = {{1, 0, 2, 5, 0, 0, 0, 0}, {2, 0xfe, 1, 0, 0, 0, 0, 0}};
        image.patterns = {{0x25, 0x10, 0, 0x0c, 0x2f, 0x10, 0, 0, 0}, {0x81, 0x13, 0x40, 0, 0, 0, 0x3d, 0, 0}};
        image.instrumentNames = {"one", "two"};
        image.waveNames = {"w1", "", "w3"};
        image.instruments.resize(2);
        image.instruments[0].params = {1, 5, 3, 4, 5, 6, 7};
        image.instruments[0].steps = {{0x0d, 0x00, 0x02}, {0x80, 0x0b, 0x00}};
        image.instruments[1].steps = {{0, 0x04, 0x03}};
        for (int w = 0; w < 3; ++w) {
            std::vector<uint8_t> wave = test::DefaultFileWave();
            wave[26] = uint8_t(w == 0 ? 3 : 0);
            wave[29] = uint8_t(w);
            if (version <= 20) wave.resize(41);
            image.waves.push_back(wave);
        }
        for (int i = 0; i < 24; ++i) image.calcOrder[i] = uint8_t(23 - i);
        Save("seed_v" + std::to_string(version) + ".qnt", image.Build());
    }
}

}  // namespace
}  // namespace qn
