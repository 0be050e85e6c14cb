// Frames for a person to look at, saved beside the test binary as
// frames/NAME.bmp: the main, instrument and wave windows with the demo song
// at GUI sizes 1.0, 1.5, 2.0 and Wide.
#include <algorithm>
#include <iterator>
#include <mutex>

#include "editors/area_instrument.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(Gallery, EveryWindowAtEveryGuiSize) {
    const std::pair<int, std::string> sizes[] = {
        {0, "1.0"}, {kCommandGuiSize15, "1.5"}, {kCommandGuiSize20, "2.0"}, {kCommandWideGui, "wide"}};
    for (const auto& [command, suffix] : sizes) {
        SCOPED_TRACE(suffix);
        AppHarness harness({}, QUILLNOTE_SOURCE_DIR "/songs/demo.qnt");
        ASSERT_TRUE(harness.started);
        App* app = harness.app;
        auto ticks = [app](int count) {
            for (int tick = 0; tick < count; ++tick) {
                std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
                app->RenderAudioTick();  // the scope shows what was played
            }
        };
        if (command) harness.Command(command);
        harness.Frame(3);
        harness.Command(kCommandStopSong);
        harness.Frame(2);
        SetFixedText(app->document->title, kTitleLength, "Demo Song");
        SetFixedText(app->document->author, kTitleLength, "Quillnote");
        app->editMode = true;
        for (SDL_Keycode key : {SDLK_DOWN, SDLK_DOWN, SDLK_q, SDLK_e, SDLK_t, SDLK_RIGHT, SDLK_1, SDLK_a})
            harness.KeyDown(key);
        harness.KeyDown(SDLK_DOWN, KMOD_LSHIFT);
        harness.Frame(3);
        ticks(10);
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("main_window_" + suffix).c_str()).empty());
        EXPECT_EQ(app->logicalWidth, suffix == "wide" ? kWideLogicalWidth : kLogicalWidth);

        // An arpeggio on wave 1: C, D#, G, then back to the start; step 4 is
        // a fixed-pitch step linked to the next, which shows no note.
        const InstrumentStep program[] = {{1, 0, 1}, {4, 0, 0}, {8, 0, 0}, {13, 0x0B, 0}, {0xC0 | 25, 0x0C, 0x20},
                                          {3, 0, 0}};
        std::copy(std::begin(program), std::end(program), app->document->song.instrumentSteps[2]);
        app->currentInstrument = 3;
        harness.Command(kCommandInstrumentWindow);
        harness.Frame(2);
        ASSERT_EQ(app->currentWindow, kInstrumentWindow);
        app->PreviewNote(25);
        ticks(6);
        auto* pane = static_cast<AreaInstrument*>(app->instrumentPane);
        pane->cursor = 5;
        pane->Column()->currentColumn = 2;
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("instrument_window_" + suffix).c_str()).empty());

        harness.Command(kCommandWaveWindow);
        harness.Frame(2);
        ASSERT_EQ(app->currentWindow, kWaveWindow);
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("wave_window_" + suffix).c_str()).empty());
    }
}

}  // namespace
}  // namespace qn::testing
