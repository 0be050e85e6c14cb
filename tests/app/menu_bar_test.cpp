// The menu bar of each window: its menus and entries, the shortcuts reaching
// their commands through the real key flow, the texts and check marks shown,
// and the open menu drawn over the panes and taking clicks.
#include "gui/font.h"
#include "gui/menu.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

using Names = std::vector<std::string>;

class MenuBar : public AppTest {
protected:
    ButtonMenu* Menu(const std::string& title) {
        for (GuiItem* child : app()->items.at(1)->children)
            if (auto* menu = dynamic_cast<ButtonMenu*>(child); menu && (title.empty() || title == menu->text))
                return menu;
        return nullptr;
    }
    Names Titles() {
        Names titles;
        for (GuiItem* child : app()->items.at(1)->children)
            if (auto* menu = dynamic_cast<ButtonMenu*>(child)) titles.push_back(menu->text);
        return titles;
    }
    // Visible entries by label, "-" for a separator.
    Names Entries(const std::string& title) {
        Names labels;
        for (const MenuEntry& entry : Menu(title)->entries)
            if (!entry.hidden) labels.push_back(entry.label[0] ? entry.label : "-");
        return labels;
    }
    // Opens a menu and returns the text of the entry line starting with `label`.
    std::string OpenedLine(const std::string& title, const std::string& label) {
        ButtonMenu* menu = Menu(title);
        menu->Open();
        std::string found;
        for (GuiItem* child : menu->dropDown->children)
            if (std::string text = static_cast<GuiLabel*>(child)->text; found.empty() && text.rfind(label, 0) == 0)
                found = text;
        menu->OnFocusLost();
        menu->Update();
        return found;
    }
};

TEST_F(MenuBar, EachWindowsMenusAndTheirEntries) {
    struct Case { int window; Names titles; std::vector<std::pair<std::string, Names>> menus; };
    const Case cases[] = {
        {kCommandMainWindow,
         {"Song", "Edit", "Play", "Prefs", "Window"},
         {{"Song", {"New Song", "New Song (keep Instruments)", "Load Song", "Save Song", "Save Song As...",
                    "Optimize Song", "-", "Import ProTracker", "Import Qxm", "-", "Export Wav", "Export Amiga EXE",
                    "-", "Quit"}},
          {"Edit", {"Undo", "Redo"}},
          {"Play", {"Play Song", "Play Song from Cursor", "Play Pattern", "Play Pattern from Cursor", "Stop Song"}},
          {"Prefs", {"Full Stereo (like AMIGA)", "Half Stereo", "Mono", "-", "Steps in Hex", "GuiSize 1.0",
                     "GuiSize 1.5", "GuiSize 2.0", "Wide Gui", "Background Color"}},
          {"Window", {"Instruments", "Waves"}}}},
        {kCommandInstrumentWindow,
         {"Song", "Edit", "Instrument", "Window"},
         {{"Instrument", {"Load Instrument", "Save Instrument", "Clear Instrument", "Copy Instrument",
                          "Paste Instrument", "Clear unused waves"}},
          {"Window", {"Main", "Waves"}}}},
        {kCommandWaveWindow,
         {"Song", "Waves", "Window"},
         {{"Waves", {"Clear Wave", "Copy Wave", "Paste Wave", "Normalize Waves", "Waves volume -10%",
                     "Waves volume +10%"}},
          {"Window", {"Main", "Instruments"}}}},
    };
    for (const Case& c : cases) {
        Run(c.window);
        EXPECT_EQ(Titles(), c.titles);
        for (const auto& [title, entries] : c.menus) EXPECT_EQ(Entries(title), entries) << title;
    }
}

// Keys through the real key flow, each with the commands it posts (a window
// switch builds new widgets, which see no command) and the window after it.
TEST_F(MenuBar, ShortcutsPostTheirCommandsThroughTheKeyFlow) {
    struct Step { SDL_Keycode sym; Uint16 mod; std::vector<int> commands; const char* what; int window = kMainWindow; };
    const Step steps[] = {
        {SDLK_z, KMOD_RCTRL, {kCommandUndo}, ""},
        {SDLK_z, KMOD_LSHIFT, {kCommandRedo}, "Shift alone is in Redo's mask"},
        {SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, {kCommandRedo}, "Undo excludes Shift, Redo takes it"},
        {SDLK_LESS, 0, {kCommandPlaySong}, "hidden entry"},
        {SDLK_LESS, KMOD_RSHIFT, {kCommandPlaySongFromCursor}, "hidden entry"},
        {SDLK_RALT, KMOD_NUM, {kCommandPlayPattern}, "the application key works with Num Lock"},
        {SDLK_F2, KMOD_RALT, {}, "window keys need the left Alt"},
        {SDLK_F3, KMOD_LALT, {}, "", kWaveWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearWave}, "not an octave key", kWaveWindow},
        {SDLK_z, KMOD_LCTRL, {}, "no menu here carries Ctrl+Z", kWaveWindow},
        {SDLK_F2, KMOD_LALT, {}, "", kInstrumentWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearInstrument}, "", kInstrumentWindow},
        {SDLK_F4, KMOD_LSHIFT, {kCommandCopyInstrument}, "", kInstrumentWindow},
        {SDLK_F5, KMOD_LSHIFT, {kCommandPasteInstrument}, "", kInstrumentWindow},
        {SDLK_F1, KMOD_LALT, {}, ""},
    };
    int window = kNoWindow;
    for (const Step& step : steps) {
        heard.clear();
        if (app()->currentWindow != window) Listen();
        window = app()->currentWindow;
        Press(step.sym, step.mod);
        EXPECT_EQ(heard, step.commands) << SDL_GetKeyName(step.sym) << " " << step.mod << " " << step.what;
        EXPECT_EQ(app()->currentWindow, step.window) << SDL_GetKeyName(step.sym);
    }
    EXPECT_EQ(app()->currentOctave, 0);
}

// The shortcut beside an entry, and check marks that follow the preferences
// each time a menu opens (GuiSize entries carry none).
TEST_F(MenuBar, ShortcutTextsAndCheckMarks) {
    const struct { int command; const char* menu; const char* entry; const char* shown; } rows[] = {
        {0, "Song", "Save Song ", "<c888888>CTRL+<c888888>S"},
        {0, "Song", "Quit", "<c888888>ALT+<c888888>F4"},
        {0, "Edit", "Redo", "<c888888>CTRL+LSHIFT+<c888888>Z"},
        {0, "Play", "Play Pattern from Cursor", "<c888888>SHIFT+<c888888>Right Alt"},
        {0, "Window", "Waves", "<c888888>ALT+<c888888>F3"},
        {0, "Prefs", "Mono", "[x]"},
        {0, "Prefs", "Wide Gui", "[ ]"},
        {kCommandHalfStereo, "Prefs", "Mono", "[ ]"},
        {0, "Prefs", "Half Stereo", "[x]"},
        {kCommandStepsInHex, "Prefs", "Steps in Hex", "[x]"},
        {kCommandWideGui, "Prefs", "Wide Gui", "[x]"},
        {kCommandFullStereo, "Prefs", "Full Stereo (like AMIGA)", "[x]"},
    };
    for (const auto& row : rows) {
        if (row.command) {
            harness.Command(row.command);
            harness.Frame(2);
        }
        EXPECT_NE(OpenedLine(row.menu, row.entry).find(row.shown), std::string::npos) << row.entry;
    }
    EXPECT_EQ(OpenedLine("Prefs", "GuiSize 1.0").find('['), std::string::npos);
}

TEST_F(MenuBar, OpenMenuIsDrawnOverThePanesAndTakesClicks) {
    // A red pane where the Play menu drops down, as the editor panes lie.
    GuiItem* pane = app()->rootPanel->Add(new GuiItem());
    pane->w = 600;
    pane->h = 300;
    pane->customColours = true;
    pane->background = Rgba{255, 0, 0, 255};
    ButtonMenu* play = Menu("Play");
    play->Open();
    SDL_Rect rect = play->dropDown->AbsoluteRect();
    EXPECT_EQ(harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5), (Rgba{255, 255, 255, 255}));
    harness.SaveFrame("menu_over_pane");
    play->OnFocusLost();
    harness.Frame();
    EXPECT_EQ(harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5), (Rgba{255, 0, 0, 255}));

    // A click on the title opens a menu, a click on "Waves" runs it.
    ButtonMenu* windowMenu = Menu("Window");
    SDL_Rect title = windowMenu->AbsoluteRect();
    harness.MouseButton(true, title.x + 2, title.y + 2);
    harness.Frame();
    harness.MouseButton(false, title.x + 2, title.y + 2);
    harness.Frame();
    ASSERT_TRUE(windowMenu->IsOpen());
    SDL_Rect entry = windowMenu->dropDown->children.at(1)->AbsoluteRect();
    harness.MouseButton(true, entry.x + 4, entry.y + 4);
    harness.Frame(2);
    EXPECT_EQ(app()->currentWindow, kWaveWindow);
    harness.MouseButton(false, entry.x + 4, entry.y + 4);
    Run(kCommandMainWindow);
    harness.Frame();

    // "Background Color" opens a picker whose top row is white at every hue.
    const MenuEntry& background = Menu("Prefs")->entries.back();
    ASSERT_STREQ(background.label, "Background Color");
    background.action();
    harness.Frame();
    GuiItem* picker = app()->items.front();
    harness.MouseButton(true, picker->AbsoluteRect().x + 10, picker->AbsoluteRect().y);
    harness.Frame(3);
    EXPECT_EQ(app()->background, (Rgba{255, 255, 255, 255}));
    EXPECT_NE(app()->items.front(), picker);  // closed after the pick
}

}  // namespace
}  // namespace qn::testing
