// The instrument list of the main window and a wave list, driven by clicks
// and typing through the real frame loop.
#include "editors/song_lists.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// The main window's instrument list in window coordinates.
constexpr int kListX = 423, kListY = 155 + 24, kPitch = 17, kPageX = kListX + 188, kPageY = kListY + 8;

int RowY(int row, int top = kListY) { return top + kListHeadingHeight + (row - 1) * kPitch + 7; }

using SongLists = AppTest;

TEST_F(SongLists, RowsSelectOnBothPagesAndNamesAreTypedInPlace) {
    App* app = harness.app;
    // Page 1 has no 16th row: instrument 32 does not exist, the click selects nothing.
    struct Step { bool turnPage; int row, page, instrument; };
    for (Step step : {Step{false, 3, 0, 3}, {true, 3, 1, 19}, {false, 15, 1, 31}, {false, 16, 1, 31},
                      {true, 16, 0, 16}}) {
        if (step.turnPage) harness.Click(kPageX, kPageY);
        harness.Click(kListX + 10, RowY(step.row));
        EXPECT_EQ(app->instrumentPage, step.page) << step.row;
        EXPECT_EQ(app->currentInstrument, step.instrument) << step.row;
    }
    EXPECT_EQ(app->currentWindow, kMainWindow);
    harness.MouseButton(true, kPageX, kPageY);  // a press held over several frames turns the page once
    harness.Frame(4);
    harness.MouseButton(false, kPageX, kPageY);
    harness.Frame();
    EXPECT_EQ(app->instrumentPage, 1);
    // A name typed on row 2 of page 1 makes instrument 18 current; 22 bytes are kept, no terminator.
    harness.Click(kListX + 60, RowY(2));
    EXPECT_EQ(app->currentInstrument, 18);
    harness.Text("Lead 0123456789abcdefghij");
    harness.KeyDown(SDLK_RETURN);
    harness.Frame();
    EXPECT_EQ(FixedText(app->document->song.instrumentNames[17], kNameLength), "Lead 0123456789abcdefg");
    // Shift and a press released within one frame, as a quick click can be: the editor opens.
    harness.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    harness.MouseButton(true, kListX + 10, RowY(5));
    harness.MouseButton(false, kListX + 10, RowY(5));
    harness.Frame(2);
    EXPECT_EQ(app->currentInstrument, 21);
    EXPECT_EQ(app->currentWindow, kInstrumentWindow);
    // A wave list outside the wave editor only selects and opens the editor; inside it the name is typed.
    for (int selectOnly = 0; selectOnly < 2; ++selectOnly) {
        app->items.insert(app->items.begin(), new WaveList(app->MakeListContext(), 0, 30, 212, 440, selectOnly));
        harness.Click(60, RowY(4 + selectOnly, 30));
        harness.Text("Pad");
        harness.KeyDown(SDLK_RETURN);
        harness.Frame();
        EXPECT_EQ(app->currentWave, 4 + selectOnly);
        EXPECT_EQ(FixedText(app->document->song.waveNames[3 + selectOnly], kNameLength), selectOnly ? "" : "Pad");
        EXPECT_EQ(app->currentWindow, selectOnly ? kWaveWindow : kInstrumentWindow);
        if (!selectOnly) app->items.front()->dead = true;
    }
}

}  // namespace
}  // namespace qn::testing
