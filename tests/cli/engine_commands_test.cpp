// quillnote-cli trace, render and waves: what the engine makes of a song.
#include <sstream>

#include "engine/wav_export.h"
#include "song/song_image.h"
#include "song/song_loader.h"
#include "cli/cli_runner.h"

namespace qn {
namespace {

namespace fs = std::filesystem;

class CliEngineCommands : public test::CliTest {
protected:
    // One position of four rows: voice 0 plays C-2 (note 25) with the default
    // instrument on row 0, voice 1 plays F-2 (note 30) at volume 32 on row 1.
    std::string SmallSong() {
        SongDocument doc;
        doc.song.SetSequenceLength(1);
        doc.song.SetRowsPerPattern(4);
        doc.song.Pattern(1)[0] = {25, 0x10, 0};     // note, instrument 1 in the high nibble
        doc.song.Pattern(2)[1] = {30, 0x1c, 0x20};  // and command C in the low one
        return Save(doc, "small.qnt");
    }
};

// Worked out by hand from the voice rules. The default instrument reaches volume 64 on its first tick; its
// empty first step selects wave 1 with a restart (slot offset 2, the 128-byte window at 0, trigger), and the
// window never changes again. Pitch index 16 x 25 + 16 - 32 = 384 -> period 212; note 30 -> index 464 -> 159.
// Idle voices keep wave 1 at period 848 and volume 0; their first tick sets the length 128 and the trigger.
// Speed 6: row 1 starts after the sixth tick, voice 1 at volume C20 = 32.
TEST_F(CliEngineCommands, TraceGoldenLinesOfASmallSongThenRowsAndPositions) {
    test::CliResult run = Cli("trace " + SmallSong() + "49");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string idle = " 2 128 0 848 0 0";
    const std::string expected =
        "0 0 0 2 128 0 212 64 1 2 128 0 848 0 1 2 128 0 848 0 1 2 128 0 848 0 1\n"
        "1 0 0 2 128 0 212 64 0" + idle + idle + idle + "\n"
        "2 0 0 2 128 0 212 64 0" + idle + idle + idle + "\n"
        "3 0 0 2 128 0 212 64 0" + idle + idle + idle + "\n"
        "4 0 0 2 128 0 212 64 0" + idle + idle + idle + "\n"
        "5 0 1 2 128 0 212 64 0" + idle + idle + idle + "\n"
        "6 0 1 2 128 0 212 64 0 2 128 0 159 32 1" + idle + idle + "\n"
        "7 0 1 2 128 0 212 64 0 2 128 0 159 32 0" + idle + idle + "\n";
    EXPECT_EQ(run.out.substr(0, expected.size()), expected);
    EXPECT_EQ(run.err, "");
    std::istringstream lines(run.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {  // four rows of six ticks, then again
        std::istringstream fields(line);
        int tick, position, row, value, numbers = 0;
        for (fields >> tick >> position >> row; fields >> value;) ++numbers;
        ASSERT_EQ((std::vector<int>{tick, position, row, numbers}),
                  (std::vector<int>{count, 0, (tick + 1) / 6 % 4, 24})) << line;
    }
    EXPECT_EQ(count, 49);
}

TEST_F(CliEngineCommands, RenderWritesTheExportFrames) {
    const std::string song = SmallSong();
    test::CliResult run = Cli("render " + song + Arg("out.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    // 24 ticks (0.48 s) plus the 6-second fade: 48000 x 6.48 = 311040 frames.
    EXPECT_EQ(fs::file_size(Path("out.wav")), 44u + 311040u * 4u);
    EXPECT_EQ(run.out, "wrote " + Path("out.wav") + " (311040 frames, 6.48 s)\n");
    EXPECT_EQ(run.err, "");  // no progress line when standard error is not a terminal
    // The same frames as the engine's export at the width asked for.
    run = Cli("render " + song + Arg("mono.wav") + "--stereo mono");
    ASSERT_EQ(run.status, 0) << run.err;
    SongDocument doc;
    std::vector<uint8_t> bytes = ReadFile(Path("small.qnt"));
    ASSERT_TRUE(LoadSong(doc, bytes, nullptr, nullptr));
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;
    replayer.InitReplayer(&doc.song, &memory);
    ASSERT_TRUE(ExportWav(replayer, mixer, StereoWidthForMode(0), Path("engine.wav")));
    EXPECT_EQ(Slurp(Path("mono.wav")), Slurp(Path("engine.wav")));
    EXPECT_NE(Slurp(Path("out.wav")), Slurp(Path("mono.wav")));
}

// One file per wave, as loading the song precalculates them: --raw holds
// the wave and its octave copies, WAV the wave as 8-bit mono.
TEST_F(CliEngineCommands, WavesAsLoadingPrecalculatesThem) {
    SongDocument doc;
    const std::string song = Save(doc, "new.qnt");
    test::CliResult run = Cli("waves " + song + Arg("out") + "--raw");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote 1 wave to " + Path("out") + "\n");
    const std::string rawBytes = Slurp(Path("out/wave01.raw"));
    const std::vector<int8_t> raw(rawBytes.begin(), rawBytes.end());
    // The default wave: 128 bytes of half-amplitude saw, (127 * 64) >> 7 = 63 .. -63, then
    // 64 + 32 + 16 bytes of copies taking every 2nd byte of the one before.
    ASSERT_EQ(raw.size(), 240u);
    EXPECT_EQ((std::vector<int>{raw[0], raw[2], raw[127], raw[129], raw[193], raw[225]}),
              (std::vector<int>{63, 62, -63, raw[2], raw[4], raw[8]}));
    EXPECT_FALSE(fs::exists(Path("out/wave02.raw")));
    ASSERT_EQ(Cli("waves " + song + Arg("wav")).status, 0);
    const std::string wav = Slurp(Path("wav/wave01.wav"));
    // RIFF size 36 + 128; PCM, one channel, 16574 Hz, one byte per frame, 8 bits; unsigned samples.
    const std::string header(
        "RIFF\xa4\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\xbe\x40\0\0\xbe\x40\0\0\1\0\x08\0data\x80\0\0\0", 44);
    ASSERT_EQ(wav.size(), 44u + 128u);
    EXPECT_EQ(wav.substr(0, 44), header);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(uint8_t(wav[44 + size_t(i)]), uint8_t(raw[size_t(i)] + 128)) << i;
}

}  // namespace
}  // namespace qn
