// Live playback (a test drives the callback a tick per call) against the offline render; the exports; last, the
// device on its own thread, which tools/tsan_check.sh runs under ThreadSanitizer.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>
#include <vector>

#include "app/wav_export_panel.h"
#include "engine/wav_export.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

constexpr int kTickBytes = 2 * kFramesPerTick * int(sizeof(int16_t));

class Playback : public AppTest {
protected:
    Replayer& Player() { return *harness.app->replayer; }
    std::vector<int16_t> Tick() {
        std::vector<int16_t> frames(2 * kFramesPerTick, 0x5555);
        App::AudioCallback(app(), reinterpret_cast<Uint8*>(frames.data()), kTickBytes);
        return frames;
    }
    // Four voices play the default instrument at different rows of two patterns, over four positions.
    void WriteTune() {
        Song& song = TheSong();
        for (int position = 0; position < 4; ++position)
            for (int voice = 0; voice < kVoices; ++voice)
                song.Position(position)[voice].pattern = uint8_t(1 + (position + voice) % 2);
        for (int row = 0; row < 64; row += 4) {
            qntPatternStep& step = song.Pattern(1)[row];
            step.SetNote(13 + row % 24);
            step.SetInstrument(1);
            qntPatternStep& other = song.Pattern(2)[row + 2];
            other.SetNote(25 + row % 12);
            other.SetInstrument(1);
        }
    }
};

// A note key sounds the instrument with the position's transpose; in the wave window the wave plainly, at full sustain.
TEST_F(Playback, PreviewOfTheInstrumentAndOfTheWave) {
    WriteTune();
    TheSong().Position(0)[2].transpose = -5;
    app()->currentVoice = 2, app()->currentInstrument = 3, app()->currentWave = 1;
    const VoiceState& voice = Player().voices[2];
    app()->PreviewNote(25);
    const auto voiceState = [&voice] {
        return std::vector<int>{voice.instrument, voice.notePitch, voice.pendingStart, voice.waveIndex, voice.sustain,
                                voice.stepSpeed};
    };
    const std::vector<int> instrument = voiceState();
    EXPECT_EQ(std::vector<int>(instrument.begin(), instrument.begin() + 3), (std::vector<int>{3, 20 * 16, 3}));
    Run(kCommandWaveWindow);
    app()->PreviewNote(37);
    EXPECT_EQ(voiceState(), (std::vector<int>{1, 37 * 16, 0, 0, 15, kStepHalted}));  // instrument: the wave's number
    int loud = 0;
    for (int i = 0; i < 20; ++i)
        for (int16_t sample : Tick()) loud = std::max(loud, std::abs(int(sample)));
    EXPECT_GT(loud, 1000);
}

// Each transport command from a set place, after ticks and a second command; F00 on row 9 when `stopRow`; row -1: any.
TEST_F(Playback, TransportCommandsTable) {
    struct Case { int command; uint32_t position; int row, ticks, then; bool stopRow, playing;
                  uint32_t positionAfter; int rowAfter, markRow; };
    const Case cases[] = {
        {kCommandPlayOneRow, 0, 63, 0, 0, false, false, 1, 0, -1},  // the row end carries the position on
        {kCommandPlaySong, 2, 17, 0, 0, false, true, 2, 0, -1},
        {kCommandPlaySong, 2, 17, 64 * 6, 0, false, true, 3, -1, -1},  // on to the next position
        {kCommandPlaySongFromCursor, 1, 10, 0, 0, false, true, 1, 10, 10},
        {kCommandPlaySongFromCursor, 1, 10, 6 * 70, kCommandStopSong, false, false, 1, 10, -1},  // returns
        {kCommandPlayPatternFromCursor, 0, 8, 6 * 4, kCommandStopKeepCursor, false, false, 0, 12, -1},
        {kCommandPlayOneRow, 0, 9, 0, 0, true, false, 0, 10, -1},   // must not wait for a row end
        {kCommandPlayPattern, 3, 0, 64 * 6 * 3, 0, false, true, 3, -1, -1},  // the last position repeats
        {kCommandStopSong, 0, 30, 0, 0, false, false, 0, 30, -1},  // a second stop has no marks to return to
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "command " << c.command << " row " << c.row << " then " << c.then);
        Run(kCommandStopKeepCursor);
        WriteTune();
        TheSong().Pattern(1)[9].SetCommand(c.stopRow ? 0xF : 0);
        TheSong().currentPosition = c.position;
        Player().row = c.row;
        Run(c.command);
        for (int tick = 0; tick < c.ticks; ++tick) Tick();
        if (c.then) Run(c.then);
        EXPECT_EQ(std::tuple(Player().playing, TheSong().currentPosition, c.rowAfter < 0 ? -1 : Player().row,
                             app()->cursorMarkRow), std::tuple(c.playing, c.positionAfter, c.rowAfter, c.markRow));
        EXPECT_EQ(c.command == kCommandPlayOneRow && Player().stopAfterRow != 0, false);
    }
}

// After "Play Song" from position 0 the callback's buffers are, frame for frame, the offline render's first ticks.
// The scope holds each frame's mono mix; Mono makes both channels equal. While an export owns the song the callback
// writes silence and moves nothing; a short device buffer gets the tick's start.
TEST_F(Playback, CallbackFramesEqualTheOfflineRenderScopeAndStereoModes) {
    WriteTune();
    TheSong().Pattern(2)[30].SetCommand(0xC);  // a volume change on the way
    TheSong().Pattern(2)[30].SetParameter(20);
    Run(kCommandHalfStereo);
    std::vector<uint8_t> image;
    ASSERT_TRUE(app()->WriteSongImage(image));
    OfflineSong offline;
    ASSERT_TRUE(offline.Load(image));
    SongRender render;
    ASSERT_TRUE(render.Begin(offline.replayer, offline.mixer, StereoWidthForMode(1)));
    constexpr int kCompareTicks = 64 * 6 + 50;  // past the first position change
    for (int tick = 0; tick < kCompareTicks; ++tick) ASSERT_TRUE(render.RenderTick());
    TheSong().currentPosition = 0;
    Run(kCommandStopSong);
    Run(kCommandPlaySong);
    int loud = 0;
    for (int tick = 0; tick < kCompareTicks; ++tick) {
        std::vector<int16_t> frames = Tick();
        const int16_t* expected = render.Frames() + size_t(tick) * 2 * kFramesPerTick;
        for (int i = 0; i < 2 * kFramesPerTick; ++i) {
            ASSERT_EQ(frames[i], expected[i]) << "tick " << tick << " sample " << i;
            loud = std::max(loud, std::abs(int(frames[i])));
        }
    }
    EXPECT_GT(loud, 1000);
    TheSong().Position(0)[0].transpose = 3;  // the left side differs from the right
    TheSong().currentPosition = 0;
    Run(kCommandStopSong);
    Run(kCommandPlaySong);
    for (int mode : {kCommandFullStereo, kCommandMono}) {
        Run(mode);
        std::vector<int16_t> last;
        for (int i = 0; i < 60; ++i) last = Tick();
        int differing = 0;
        for (int frame = 0; frame < kFramesPerTick; ++frame) {
            const int left = last[2 * frame], right = last[2 * frame + 1];
            const int64_t index = (app()->scopeCounter - kFramesPerTick + frame) % kScopeHistorySize;
            ASSERT_EQ(app()->scopeHistory[index], (left + right) / 2) << frame;
            differing += left != right;
        }
        EXPECT_EQ(differing > 0, mode == kCommandFullStereo);
    }
    auto state = [&] { return std::tuple(Player().row, Player().tickCounter, app()->scopeCounter); };
    const auto was = state();
    app()->exportBusy = 1;
    const std::vector<int16_t> silent = Tick();
    app()->exportBusy = 0;
    EXPECT_EQ(std::pair(silent, state()), std::pair(std::vector<int16_t>(silent.size(), 0), was));
    std::vector<int16_t> shortBuffer(64, 0x5555);
    App::AudioCallback(app(), reinterpret_cast<Uint8*>(shortBuffer.data()), 64 * 2);
    EXPECT_TRUE(std::equal(shortBuffer.begin(), shortBuffer.end(), app()->audioBuffer));
}

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | uint8_t(bytes.at(at + size_t(i)));
    return value;
}

// The nested frames run every tick, calling `hook` with the frame number.
struct EveryTickFrames {
    explicit EveryTickFrames(std::function<void(int)> hook) {
        ExportPanelSettings::refreshSeconds = 0.0;
        ExportPanelSettings::onFrame = std::move(hook);
    }
    ~EveryTickFrames() {
        ExportPanelSettings::refreshSeconds = 1.0 / 30.0;
        ExportPanelSettings::onFrame = nullptr;
    }
};

TEST(Export, WavIsTheOfflineRenderAmigaExeTheSavedSongAbortAndClosingKeepWholeTicks) {
    const std::pair<const char*, const char*> names[] = {
        {"song", "song.wav"}, {"a.wav", "a.wav"}, {".wav", ".wav.wav"}, {"x.WAV", "x.WAV.wav"}};
    for (const auto& [chosen, written] : names) EXPECT_EQ(WavFilePath(chosen), written) << chosen;
    AppHarness h({}, kDemoSong.c_str());
    ASSERT_TRUE(h.started);
    h.Frame(3);
    ASSERT_TRUE(h.app->IsPlaying());
    h.app->document->song.currentPosition = 2;
    ScriptedDialog dialog;
    dialog.Cancel();
    const std::string statusBefore = h.Status();
    h.Run(kCommandExportWav);
    EXPECT_EQ(std::pair(h.app->IsPlaying(), h.Status()), std::pair(true, statusBefore));
    dialog.Choose("out");
    {
        EveryTickFrames nested(nullptr);  // the panel redrawn after every tick changes no byte
        h.Run(kCommandExportWav);
    }
    EXPECT_EQ(std::tuple(dialog.requests.at(1).save, h.Status(), h.app->IsPlaying(),
                         h.app->document->song.currentPosition, h.app->exportBusy.load()),
              std::tuple(true, std::string("Wav exported."), false, 2u, 0));
    const std::string file = h.ReadFile(kDemoSong);
    std::vector<uint8_t> image(file.begin(), file.end());
    OfflineSong offline;
    ASSERT_TRUE(offline.Load(image));
    ASSERT_TRUE(ExportWav(offline.replayer, offline.mixer, StereoWidthForMode(h.app->prefs->stereoMode),
                          "reference.wav"));
    const std::string exported = h.ReadFile("out.wav");
    EXPECT_GT(exported.size(), 44u + 4u * 48000u * 40u);
    EXPECT_TRUE(exported == h.ReadFile("reference.wav"));
    // "Export Amiga EXE" writes what "Save Song" writes and starts the script, leaving the song's state alone.
    std::filesystem::create_directory("utils");
    h.WriteFile("utils/make_exe.sh", "#!/bin/sh\necho started >> utils/started\n");
    chmod("utils/make_exe.sh", 0755);
    SetFixedText(h.app->document->title, sizeof(h.app->document->title), "exported");
    h.app->document->song.Pattern(1)[0].SetNote(25);
    const bool changed = h.app->SongChanged();
    auto waitFor = [&](const std::function<bool()>& done) {
        for (int wait = 0; wait < 500 && !done(); ++wait) {
            SDL_Delay(10);
            h.Frame();
        }
    };
    for (size_t run = 1; run <= 2; ++run) {
        h.Run(kCommandExportAmigaExe);
        waitFor([&] { return h.ReadFile("utils/started").size() >= 8 * run; });
        EXPECT_EQ(h.ReadFile("utils/started").size(), 8 * run);
    }
    waitFor([&] { return h.app->childProcesses.empty(); });
    EXPECT_EQ(std::tuple(h.app->childProcesses.empty(), h.app->songPath[0], h.app->SongChanged()),
              std::tuple(true, '\0', changed));
    dialog.Choose("saved.qnt");
    h.Run(kCommandSaveSongAs);
    EXPECT_TRUE(h.ReadFile("utils/song.qnt") == h.ReadFile("saved.qnt"));
    std::filesystem::remove_all("utils");
    h.Run(kCommandExportAmigaExe);
    EXPECT_EQ(h.Status(), "Failed. Could not save song.");
    // Abort during the render with clicks and commands pushed: only the panel takes the mouse, commands are dropped,
    // the file holds whole ticks. Closing the window aborts too, then quits; a failed write is reported.
    const size_t asked = dialog.requests.size();
    dialog.Choose("abort.wav");
    const int abortX = h.app->logicalWidth / 2, abortY = (h.app->logicalHeight + kExportPanelHeight) / 2 - 17;
    Rgba during = {};
    EveryTickFrames frames([&](int frame) {
        if (frame == 2) {
            h.MouseButton(true, 24, 8);  // the Song menu's title
            h.MouseButton(false, 24, 8);
            for (int command : {kCommandExportWav, kCommandPlaySong, kCommandUndo}) h.Command(command);
        }
        if (frame == 4) during = h.Pixel(abortX, abortY - 16);  // between the bar and "Abort"
        if (frame == 6) {
            h.MouseButton(true, abortX, abortY);
            h.MouseButton(false, abortX, abortY);
        }
    });
    h.Run(kCommandExportWav);
    EXPECT_EQ(h.Status(), "Wav export aborted.");
    for (GuiItem* title : h.app->menuBar->children) EXPECT_TRUE(title->children.empty());
    Rgba after = h.Pixel(abortX, abortY - 16);
    EXPECT_LT(during.r, 40);  // the panel's dark blue, gone afterwards
    EXPECT_NE((std::vector<int>{during.r, during.g, during.b}), (std::vector<int>{after.r, after.g, after.b}));
    const std::string wav = h.ReadFile("abort.wav");
    const size_t data = Le32(wav, 40), ticks = data / (4 * kFramesPerTick);
    EXPECT_EQ((std::vector<size_t>{Le32(wav, 4), data, data % (4 * kFramesPerTick)}),
              (std::vector<size_t>{wav.size() - 8, wav.size() - 44, 0}));
    EXPECT_TRUE(ticks >= 6 && ticks <= 8) << ticks;
    h.Frame(3);  // nothing pushed during the export runs afterwards
    EXPECT_EQ(std::pair(dialog.requests.size(), h.app->IsPlaying()), std::pair(asked + 1, false));
    dialog.Choose("missing-folder/x.wav");
    h.Run(kCommandExportWav);
    EXPECT_EQ(h.Status(), "Failed. Could not write wav.");
    dialog.Choose("closed.wav");
    ExportPanelSettings::onFrame = [&](int frame) { if (frame == 3) h.PushType(SDL_QUIT); };
    EXPECT_TRUE(h.Run(kCommandExportWav, 2));
    EXPECT_EQ(Le32(h.ReadFile("closed.wav"), 40), 3u * 4u * kFramesPerTick);
}

using AudioThread = Playback;

// Keys, commands and edits typed into the pattern and sequence panes while the callback plays on its thread.
TEST_F(AudioThread, PlaysWhileKeysArePushed) {
    WriteTune();
    App* app = harness.app;
    SDL_PauseAudioDevice(app->audioDevice, 0);
    ASSERT_TRUE(app->AudioRunning());
    int64_t before = 0;
    std::vector<int16_t> scope(256);
    app->CopyScopeHistory(scope.data(), int(scope.size()), &before);
    const std::pair<SDL_Keycode, Uint16> keys[] = {
        {SDLK_RCTRL, 0}, {SDLK_DOWN, KMOD_LALT}, {SDLK_F2, 0}, {SDLK_RETURN, KMOD_LCTRL}, {SDLK_KP_PLUS, 0},
        {SDLK_RALT, KMOD_LSHIFT}, {SDLK_UP, KMOD_LALT}, {SDLK_SPACE, 0}, {SDLK_RCTRL, KMOD_RSHIFT},
        {SDLK_F3, KMOD_NUM}, {SDLK_SPACE, KMOD_LSHIFT}, {SDLK_LESS, 0}};
    const SDL_Keycode edits[] = {SDLK_z, SDLK_x, SDLK_DOWN, SDLK_INSERT, SDLK_BACKSPACE,
                                 SDLK_RIGHT, SDLK_5, SDLK_DELETE, SDLK_UP, SDLK_RETURN};
    const int commands[] = {kCommandFullStereo, kCommandPlayPattern, kCommandHalfStereo, kCommandPlaySong,
                            kCommandMono};
    constexpr int kFrames = 150;  // about 2.5 seconds at 60 frames per second
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame % 5 == 0) {
            harness.KeyDown(keys[(frame / 5) % 12].first, keys[(frame / 5) % 12].second);
        } else {
            app->editMode = true;
            harness.KeyDown(edits[(frame - frame / 5 - 1) % 10]);
            if (frame % 5 == 4) harness.KeyDown(SDLK_2, KMOD_LALT);
        }
        if (frame % 17 == 0) harness.Command(commands[(frame / 17) % 5]);
        if (frame % 23 == 0) app->PreviewNote(25 + frame % 12);
        app->CopyScopeHistory(scope.data(), 128);
        (void)app->IsPlaying();
        harness.Frame();
    }
    int64_t after = 0;
    app->CopyScopeHistory(scope.data(), int(scope.size()), &after);
    EXPECT_GT(after - before, int64_t(kSampleRate));
    Run(kCommandStopSong);  // and the program still answers
    EXPECT_FALSE(app->IsPlaying());
    Run(kCommandPlaySong);
    EXPECT_TRUE(app->IsPlaying());
}

}  // namespace
}  // namespace qn::testing
