// The main window's song information: the figures formatted for the panel.
#include <cstring>
#include <string>

#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

TEST(SongInfo, PanelFigures) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    App* app = harness.app;
    Song& song = app->document->song;
    struct Case {
        uint8_t lengthIndex, flags;
        float playTime, duration;
        const char* expected[2];
    };
    // One 128-byte wave needs the silent sample's 2 bytes beside it; a
    // 256-byte wave with octave copies counts 256 + 128 + 64 + 32. Minutes
    // stop at 99, the seconds then count on.
    const Case cases[] = {
        {0, 0, 65.9f, 0.0f, {"Time                 01:05\nDuration             00:00\n", "Chipram needed         130\n"}},
        {1, kWaveOctaveCopies, 99 * 60 + 75.0f, 125.0f,
         {"Time                 99:75\nDuration             02:05\n", "Chipram needed         482\n"}},
    };
    for (const Case& c : cases) {
        song.waves[0].lengthIndex = c.lengthIndex;
        song.waves[0].flags = c.flags;
        app->songSize = 0;  // stale: the panel measures first
        app->playTime = c.playTime;
        app->songDuration = c.duration;
        char text[256];
        app->FormatSongInfo(text, sizeof(text));
        EXPECT_EQ(song.waveCount, 1);
        EXPECT_GT(app->songSize, 0u);
        for (const char* line : c.expected) EXPECT_NE(std::strstr(text, line), nullptr) << text;
    }
}

}  // namespace
}  // namespace qn::testing
