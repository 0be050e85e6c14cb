// "Export Wav" and "Export Amiga EXE" through the real App: the scripted
// save dialog, the nested frames of the progress panel, and a test script
// in place of the Amiga build script.
#include <sys/stat.h>

#include <filesystem>

#include "app/wav_export_panel.h"
#include "engine/wav_export.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

const std::string kDemoSong = std::string(QUILLNOTE_SOURCE_DIR) + "/songs/demo.qnt";

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

TEST(WavExport, CancelChangesNothingAndTheExportIsTheOfflineRender) {
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
    h.Command(kCommandExportWav);
    h.Frame();
    EXPECT_TRUE(h.app->IsPlaying());
    EXPECT_EQ(h.Status(), statusBefore);

    dialog.Choose("out");
    {
        EveryTickFrames nested(nullptr);  // the panel redrawn after every tick changes no byte
        h.Command(kCommandExportWav);
        h.Frame();
    }
    EXPECT_TRUE(dialog.requests.at(1).save);
    EXPECT_EQ(h.Status(), "Wav exported.");
    EXPECT_FALSE(h.app->IsPlaying());
    EXPECT_EQ(h.app->document->song.currentPosition, 2u);
    EXPECT_EQ(h.app->exportBusy.load(), 0);

    // The same file loaded and rendered the way the command line does.
    const std::string file = h.ReadFile(kDemoSong);
    std::vector<uint8_t> image(file.begin(), file.end());
    OfflineSong offline;
    ASSERT_TRUE(offline.Load(image));
    ASSERT_TRUE(ExportWav(offline.replayer, offline.mixer, StereoWidthForMode(h.app->prefs->stereoMode),
                          "reference.wav"));
    const std::string exported = h.ReadFile("out.wav");
    EXPECT_GT(exported.size(), 44u + 4u * 48000u * 40u);
    EXPECT_TRUE(exported == h.ReadFile("reference.wav"));
}

// Abort during the render, with clicks on the menus, a second export, Play
// and Undo pushed meanwhile: only the panel takes the mouse, commands are
// dropped, and the frames rendered so far are a valid file of whole ticks.
TEST(WavExport, AbortWritesWholeTicksAndNothingElseRunsMeanwhile) {
    AppHarness h;
    ASSERT_TRUE(h.started);
    h.Frame();
    ScriptedDialog dialog;
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
    h.Command(kCommandExportWav);
    h.Frame();
    EXPECT_EQ(h.Status(), "Wav export aborted.");
    for (GuiItem* title : h.app->menuBar->children) EXPECT_TRUE(title->children.empty());
    Rgba after = h.Pixel(abortX, abortY - 16);
    EXPECT_LT(during.r, 40);  // the panel's dark blue, gone afterwards
    EXPECT_NE((std::vector<int>{during.r, during.g, during.b}), (std::vector<int>{after.r, after.g, after.b}));
    const std::string wav = h.ReadFile("abort.wav");
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    EXPECT_EQ(Le32(wav, 40) % (4 * kFramesPerTick), 0u);
    const uint32_t ticks = Le32(wav, 40) / (4 * kFramesPerTick);
    EXPECT_TRUE(ticks >= 6 && ticks <= 8) << ticks;
    // Nothing pushed during the export runs afterwards.
    h.Frame(3);
    EXPECT_EQ(dialog.requests.size(), 1u);
    EXPECT_FALSE(h.app->IsPlaying());
}

TEST(WavExport, ClosingTheWindowAbortsThenQuitsAndAFailedWriteIsReported) {
    AppHarness h;
    ASSERT_TRUE(h.started);
    ScriptedDialog dialog;
    dialog.Choose("missing-folder/x.wav");
    h.Command(kCommandExportWav);
    h.Frame();
    EXPECT_EQ(h.Status(), "Failed. Could not write wav.");

    dialog.Choose("closed.wav");
    EveryTickFrames frames([&](int frame) {
        if (frame == 3) h.PushType(SDL_QUIT);
    });
    h.Command(kCommandExportWav);
    EXPECT_TRUE(h.Frame(2));
    EXPECT_EQ(Le32(h.ReadFile("closed.wav"), 40), 3u * 4u * kFramesPerTick);
}

TEST(AmigaExport, WritesWhatSaveSongWritesAndStartsTheScript) {
    AppHarness h;
    ASSERT_TRUE(h.started);
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
        h.Command(kCommandExportAmigaExe);
        h.Frame();
        waitFor([&] { return h.ReadFile("utils/started").size() >= 8 * run; });
        EXPECT_EQ(h.ReadFile("utils/started").size(), 8 * run);
    }
    waitFor([&] { return h.app->childProcesses.empty(); });
    EXPECT_TRUE(h.app->childProcesses.empty());
    EXPECT_EQ(h.app->songPath[0], 0);
    EXPECT_EQ(h.app->SongChanged(), changed);

    ScriptedDialog dialog;
    dialog.Choose("saved.qnt");
    h.Command(kCommandSaveSongAs);
    h.Frame();
    EXPECT_TRUE(h.ReadFile("utils/song.qnt") == h.ReadFile("saved.qnt"));

    std::filesystem::remove_all("utils");
    h.Command(kCommandExportAmigaExe);
    h.Frame();
    EXPECT_EQ(h.Status(), "Failed. Could not save song.");
    EXPECT_TRUE(h.app->childProcesses.empty());
}

}  // namespace
}  // namespace qn::testing
