// The audio thread and the main thread together: the device calls back on
// its own thread (SDL's dummy driver keeps real time) while the frame loop
// plays, stops and edits through keys. Built with ThreadSanitizer
// (tools/tsan_check.sh) this is where a missing lock shows up.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(AudioThread, PlaysWhileKeysArePushed) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    App* app = harness.app;
    ASSERT_TRUE(app->AudioRunning());
    {
        std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
        Song& song = app->document->song;
        for (int row = 0; row < 64; row += 2) {
            song.Pattern(1)[row].SetNote(13 + row % 36);
            song.Pattern(1)[row].SetInstrument(1);
        }
        for (int position = 0; position < 4; ++position) song.Position(position)[position].pattern = 1;
    }
    int64_t before = 0;
    std::vector<int16_t> scope(256);
    app->CopyScopeHistory(scope.data(), int(scope.size()), &before);

    const SDL_Keycode keys[] = {SDLK_RCTRL, SDLK_DOWN,  SDLK_F2,     SDLK_RETURN, SDLK_KP_PLUS, SDLK_RALT,
                                SDLK_UP,   SDLK_SPACE, SDLK_RCTRL, SDLK_F3,     SDLK_SPACE,   SDLK_LESS};
    const Uint16 mods[] = {KMOD_NONE, KMOD_LALT, KMOD_NONE, KMOD_LCTRL, KMOD_NONE, KMOD_LSHIFT,
                           KMOD_LALT, KMOD_NONE, KMOD_RSHIFT, KMOD_NUM, KMOD_LSHIFT, KMOD_NONE};
    const int commands[] = {kCommandFullStereo, kCommandPlayPattern, kCommandHalfStereo, kCommandPlaySong,
                            kCommandMono};
    constexpr int kFrames = 150;  // about 2.5 seconds at 60 frames per second
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame % 5 == 0) harness.KeyDown(keys[(frame / 5) % 12], mods[(frame / 5) % 12]);
        if (frame % 17 == 0) harness.Command(commands[(frame / 17) % 5]);
        if (frame % 23 == 0) app->PreviewNote(25 + frame % 12);
        std::vector<int16_t> copy(128);
        app->CopyScopeHistory(copy.data(), int(copy.size()));
        (void)app->IsPlaying();
        harness.Frame();
    }
    int64_t after = 0;
    app->CopyScopeHistory(scope.data(), int(scope.size()), &after);
    // The callback kept running alongside: at least a second of buffers.
    EXPECT_GT(after - before, int64_t(kSampleRate));
    // And the program still answers: stop, then play again.
    harness.Command(kCommandStopSong);
    harness.Frame();
    EXPECT_FALSE(app->IsPlaying());
    harness.Command(kCommandPlaySong);
    harness.Frame();
    EXPECT_TRUE(app->IsPlaying());
}

}  // namespace
}  // namespace qn::testing
