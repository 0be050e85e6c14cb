// The instrument list of the main window and a wave list, driven by clicks
// and typing through the real frame loop.
#include <string>

#include "editors/song_lists.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// The main window's instrument list in window coordinates.
constexpr int kListX = 423, kListY = 155 + 24, kPitch = 17;

class SongListsTest : public AppTest {
protected:
    void Click(int x, int y) { harness.Click(x, y); }
    static int RowY(int row, int top = kListY) { return top + kListHeadingHeight + (row - 1) * kPitch + 7; }
    void ClickNumber(int row) { Click(kListX + 10, RowY(row)); }
    void ClickName(int row) { Click(kListX + 60, RowY(row)); }
    void ClickPage() { Click(kListX + 212 - 24, kListY + 8); }
    static std::string Name(const char* field) { return FixedText(field, kNameLength); }
};

TEST_F(SongListsTest, RowsSelectOnBothPages) {
    App* app = harness.app;
    struct Step {
        bool turnPage;
        int row;
        int page, instrument;
    };
    // Page 1 has no 16th row: instrument 32 does not exist, the click selects nothing.
    const Step steps[] = {{false, 3, 0, 3}, {true, 3, 1, 19}, {false, 15, 1, 31}, {false, 16, 1, 31},
                          {true, 16, 0, 16}};
    for (const Step& step : steps) {
        if (step.turnPage) ClickPage();
        ClickNumber(step.row);
        EXPECT_EQ(app->instrumentPage, step.page) << step.row;
        EXPECT_EQ(app->currentInstrument, step.instrument) << step.row;
    }
    EXPECT_EQ(app->currentWindow, kMainWindow);
    // A press held over several frames turns the page once.
    harness.MouseButton(true, kListX + 188, kListY + 8);
    harness.Frame(4);
    harness.MouseButton(false, kListX + 188, kListY + 8);
    harness.Frame();
    EXPECT_EQ(app->instrumentPage, 1);
    harness.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    // Pressed and released within one frame, as a quick click can be.
    harness.MouseButton(true, kListX + 10, RowY(5));
    harness.MouseButton(false, kListX + 10, RowY(5));
    harness.Frame();
    harness.Frame();
    EXPECT_EQ(app->currentInstrument, 21);
    EXPECT_EQ(app->currentWindow, kInstrumentWindow);
}

TEST_F(SongListsTest, NamesAreTypedInPlace) {
    App* app = harness.app;
    ClickPage();
    ClickName(2);
    EXPECT_EQ(app->currentInstrument, 18);  // the edited row's instrument is current
    harness.Text("Lead 0123456789abcdefghij");
    harness.KeyDown(SDLK_RETURN);
    harness.Frame();
    EXPECT_EQ(Name(app->document->song.instrumentNames[17]), "Lead 0123456789abcdefg");  // 22 bytes, no terminator
    EXPECT_EQ(app->instrumentPage, 1);

    // A wave list outside the wave editor only selects and opens the editor;
    // inside it the name is typed.
    for (int selectOnly = 0; selectOnly < 2; ++selectOnly) {
        auto* list = new WaveList(app->MakeListContext(), 0, 30, 212, 440, selectOnly);
        // First in the window's list, so it is hit before the main window's
        // panes that lie under it.
        app->items.insert(app->items.begin(), list);
        Click(60, RowY(4 + selectOnly, 30));
        harness.Text("Pad");
        harness.KeyDown(SDLK_RETURN);
        harness.Frame();
        EXPECT_EQ(app->currentWave, 4 + selectOnly);
        EXPECT_EQ(Name(app->document->song.waveNames[3 + selectOnly]), selectOnly ? "" : "Pad");
        EXPECT_EQ(app->currentWindow, selectOnly ? kWaveWindow : kMainWindow);
        if (!selectOnly) list->dead = true;
    }
}

}  // namespace
}  // namespace qn::testing
