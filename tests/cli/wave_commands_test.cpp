// quillnote-cli waves: one file per wave of the song, as loading the song
// precalculates them.
#include "song/song.h"
#include "song/song_image.h"
#include "cli/cli_runner.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

class CliWaves : public test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        document.ResetToNewSong();
    }
    void SaveSong(const std::string& name) {
        std::vector<uint8_t> image(kSongImageBufferSize);
        image.resize(WriteSongImage(document, image.data(), image.size(), nullptr, nullptr));
        ASSERT_FALSE(image.empty());
        ASSERT_TRUE(WriteFileAtomically(Path(name), image.data(), image.size()));
    }
    std::vector<int8_t> ReadSigned(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadFile(path);
        return std::vector<int8_t>(bytes.begin(), bytes.end());
    }
    static uint32_t Little32(const std::vector<int8_t>& bytes, size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    }

    SongDocument document;
};

TEST_F(CliWaves, RawHoldsTheWaveAndItsOctaveCopies) {
    SaveSong("new.qnt");
    ASSERT_EQ(Cli("waves '" + Path("new.qnt") + "' '" + Path("out") + "' --raw").status, 0) << Slurp(Path("stderr.txt"));
    EXPECT_EQ(Slurp(Path("stdout.txt")), "wrote 1 wave to " + Path("out") + "\n");
    const std::vector<int8_t> raw = ReadSigned(Path("out/wave01.raw"));
    // The default wave: 128 bytes of half-amplitude saw, (127 * 64) >> 7 = 63, 63, 62 (saw 125),
    // then 64 + 32 + 16 bytes of copies taking every 2nd byte of the one before.
    ASSERT_EQ(raw.size(), 240u);
    EXPECT_EQ(raw[0], 63);
    EXPECT_EQ(raw[2], 62);
    EXPECT_EQ(raw[127], -63);
    EXPECT_EQ(raw[128 + 1], raw[2]);
    EXPECT_EQ(raw[192 + 1], raw[4]);
    EXPECT_EQ(raw[224 + 1], raw[8]);
    EXPECT_FALSE(fs::exists(Path("out/wave02.raw")));
}

TEST_F(CliWaves, WavIsEightBitMonoAt16574Hz) {
    SaveSong("new.qnt");
    ASSERT_EQ(Cli("waves '" + Path("new.qnt") + "' '" + Path("out") + "'").status, 0) << Slurp(Path("stderr.txt"));
    const std::vector<int8_t> wav = ReadSigned(Path("out/wave01.wav"));
    ASSERT_EQ(wav.size(), 44u + 128u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(Little32(wav, 4), 36u + 128u);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Little32(wav, 20), 0x00010001u);  // PCM, one channel
    EXPECT_EQ(Little32(wav, 24), 16574u);
    EXPECT_EQ(Little32(wav, 28), 16574u);
    EXPECT_EQ(Little32(wav, 32), 0x00080001u);  // one byte per frame, 8 bits
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(Little32(wav, 40), 128u);
    // Unsigned samples: 63 + 128 = 191, -63 + 128 = 65.
    EXPECT_EQ(uint8_t(wav[44]), 191);
    EXPECT_EQ(uint8_t(wav[44 + 127]), 65);
}

TEST_F(CliWaves, FollowsTheStoredOrderOverZeroedMemory) {
    // Wave 1 (saw at gain 128) mixes wave 2 (square at gain 64: 63 / -64).
    document.song.waves[0].gain = 128;
    document.song.waves[0].mixWave = 2;
    document.song.waves[1].flags = 2;
    document.song.waves[2].lengthIndex = 1;
    SaveSong("identity.qnt");  // identity order: wave 2 is made after wave 1
    BuildWaveCalcOrder(document.song);
    SaveSong("ordered.qnt");   // wave 2 first
    ASSERT_EQ(Cli("waves '" + Path("identity.qnt") + "' '" + Path("identity") + "' --raw").status, 0);
    ASSERT_EQ(Cli("waves '" + Path("ordered.qnt") + "' '" + Path("ordered") + "' --raw").status, 0);

    // Identity: wave 2's slot was still zero when wave 1 mixed it. saw[64] = 0.
    EXPECT_EQ(ReadSigned(Path("identity/wave01.raw"))[64], 0);
    // Ordered: 0 + -64, and 127 + 63 clips.
    const std::vector<int8_t> mixed = ReadSigned(Path("ordered/wave01.raw"));
    EXPECT_EQ(mixed[64], -64);
    EXPECT_EQ(mixed[0], 127);
    // Three waves, named with two digits; wave 3 is 256 bytes.
    EXPECT_EQ(ReadSigned(Path("ordered/wave03.raw")).size(), 480u);
    EXPECT_EQ(Slurp(Path("stdout.txt")), "wrote 3 waves to " + Path("ordered") + "\n");
}

TEST_F(CliWaves, LongestWaveFillsItsCopies) {
    document.song.waves[0].lengthIndex = 255;
    SaveSong("long.qnt");
    ASSERT_EQ(Cli("waves '" + Path("long.qnt") + "' '" + Path("out") + "' --raw").status, 0);
    EXPECT_EQ(ReadSigned(Path("out/wave01.raw")).size(), 61440u);  // 32768 + 16384 + 8192 + 4096
}

TEST_F(CliWaves, RejectsBadArgumentsAndNonSongs) {
    EXPECT_EQ(Cli("waves").status, 2);
    EXPECT_EQ(Cli("waves '" + Path("x.qnt") + "'").status, 2);
    EXPECT_EQ(Cli("waves a b c").status, 2);
    std::ofstream(Path("text.qnt")) << "not a song";
    EXPECT_EQ(Cli("waves '" + Path("text.qnt") + "' '" + Path("out") + "'").status, 1);
    EXPECT_NE(Slurp(Path("stderr.txt")).find("is not a song"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("out")));
}

}  // namespace
}  // namespace qn
