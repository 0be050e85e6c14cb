// quillnote-cli waves: one file per wave of the song, as loading the song
// precalculates them.
#include "song/song.h"
#include "song/song_image.h"
#include "cli/cli_runner.h"

namespace qn {
namespace {

class CliWaves : public test::CliTest {
protected:
    std::string SaveSong(const std::string& name) {
        std::vector<uint8_t> image(kSongImageBufferSize);
        image.resize(WriteSongImage(document, image.data(), image.size(), nullptr, nullptr));
        WriteFile(Path(name), image);
        return "'" + Path(name) + "' ";
    }
    std::vector<int8_t> ReadSigned(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadFile(path);
        return std::vector<int8_t>(bytes.begin(), bytes.end());
    }
    SongDocument document;
};

TEST_F(CliWaves, RawHoldsTheWaveAndItsCopiesWavTheWaveAsEightBitMono) {
    const std::string song = SaveSong("new.qnt");
    ASSERT_EQ(Cli("waves " + song + "'" + Path("out") + "' --raw").status, 0) << Slurp(Path("stderr.txt"));
    EXPECT_EQ(Slurp(Path("stdout.txt")), "wrote 1 wave to " + Path("out") + "\n");
    const std::vector<int8_t> raw = ReadSigned(Path("out/wave01.raw"));
    // The default wave: 128 bytes of half-amplitude saw, (127 * 64) >> 7 = 63 .. -63, then
    // 64 + 32 + 16 bytes of copies taking every 2nd byte of the one before.
    ASSERT_EQ(raw.size(), 240u);
    EXPECT_EQ((std::vector<int>{raw[0], raw[2], raw[127], raw[129], raw[193], raw[225]}),
              (std::vector<int>{63, 62, -63, raw[2], raw[4], raw[8]}));
    EXPECT_FALSE(std::filesystem::exists(Path("out/wave02.raw")));

    ASSERT_EQ(Cli("waves " + song + "'" + Path("wav") + "'").status, 0);
    const std::string wav = Slurp(Path("wav/wave01.wav"));
    // RIFF size 36 + 128; PCM, one channel, 16574 Hz, one byte per frame, 8 bits; unsigned samples.
    const std::string header = std::string("RIFF\xa4\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\xbe\x40\0\0\xbe\x40\0\0\1\0\x08\0data\x80\0\0\0",
                                           44);
    ASSERT_EQ(wav.size(), 44u + 128u);
    EXPECT_EQ(wav.substr(0, 44), header);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(uint8_t(wav[44 + size_t(i)]), uint8_t(raw[size_t(i)] + 128)) << i;
}

TEST_F(CliWaves, FollowsTheStoredOrderOverZeroedMemory) {
    // Wave 1 (saw at gain 128) mixes wave 2 (square at gain 64: 63 / -64).
    document.song.waves[0].gain = 128;
    document.song.waves[0].mixWave = 2;
    document.song.waves[1].flags = 2;
    document.song.waves[2].lengthIndex = 1;
    const std::string identity = SaveSong("identity.qnt");  // wave 2 is made after wave 1
    BuildWaveCalcOrder(document.song);
    const std::string ordered = SaveSong("ordered.qnt");
    ASSERT_EQ(Cli("waves " + identity + "'" + Path("identity") + "' --raw").status, 0);
    ASSERT_EQ(Cli("waves " + ordered + "'" + Path("ordered") + "' --raw").status, 0);
    EXPECT_EQ(ReadSigned(Path("identity/wave01.raw"))[64], 0);  // saw[64] + the still empty slot
    const std::vector<int8_t> mixed = ReadSigned(Path("ordered/wave01.raw"));
    EXPECT_EQ(mixed[64], -64);  // 0 + -64
    EXPECT_EQ(mixed[0], 127);   // 127 + 63 clips
    EXPECT_EQ(ReadSigned(Path("ordered/wave03.raw")).size(), 480u);  // 256 bytes and copies
    EXPECT_EQ(Slurp(Path("stdout.txt")), "wrote 3 waves to " + Path("ordered") + "\n");
}

}  // namespace
}  // namespace qn
