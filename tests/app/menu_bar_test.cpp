// The menu bar of each window: which menus, which entries in which order,
// the shortcuts reaching their commands through the real key flow, and the
// check marks following the preferences.
#include <string>
#include <vector>

#include "gui/font.h"
#include "gui/menu.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

class MenuBar : public AppTest {
protected:
    GuiItem* Bar() { return harness.app->items.at(1); }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        for (GuiItem* child : Bar()->children)
            if (auto* menu = dynamic_cast<ButtonMenu*>(child)) titles.push_back(menu->text);
        return titles;
    }
    ButtonMenu* Menu(const std::string& title) {
        for (GuiItem* child : Bar()->children)
            if (auto* menu = dynamic_cast<ButtonMenu*>(child); menu && title == menu->text) return menu;
        return nullptr;
    }
    // Visible entries by label, "-" for a separator.
    std::vector<std::string> Entries(const std::string& title) {
        std::vector<std::string> labels;
        ButtonMenu* menu = Menu(title);
        if (!menu) return labels;
        for (const MenuEntry& entry : menu->entries)
            if (!entry.hidden) labels.push_back(entry.label[0] ? entry.label : "-");
        return labels;
    }
    // Opens a menu and returns the text of the entry line starting with `label`.
    std::string OpenedLine(const std::string& title, const std::string& label) {
        ButtonMenu* menu = Menu(title);
        if (!menu) return {};
        menu->Open();
        std::string found;
        for (GuiItem* child : menu->dropDown->children) {
            std::string text = static_cast<GuiLabel*>(child)->text;
            if (found.empty() && text.rfind(label, 0) == 0) found = text;
        }
        menu->OnFocusLost();
        menu->Update();
        return found;
    }
    // Collects the commands broadcast to the widgets.
    std::vector<int>& Listen() {
        GuiItem* listener = new GuiItem();
        listener->w = listener->h = 0;
        listener->onCommand = [this](int command) { seen.push_back(command); };
        harness.app->items.push_back(listener);
        return seen;
    }
    std::vector<int> seen;
};

TEST_F(MenuBar, EachWindowsMenusAndTheirEntries) {
    using Names = std::vector<std::string>;
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
        {SDLK_z, KMOD_LCTRL, {kCommandUndo}, "both match: the first entry, Undo, wins"},
        {SDLK_LESS, 0, {kCommandPlaySong}, "hidden entry"},
        {SDLK_LESS, KMOD_RSHIFT, {kCommandPlaySongFromCursor}, "hidden entry"},
        {SDLK_RALT, KMOD_NUM, {kCommandPlayPattern}, "the application key works with Num Lock"},
        {SDLK_F2, KMOD_RALT, {}, "window keys need the left Alt"},
        {SDLK_F3, KMOD_LALT, {}, "", kWaveWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearWave}, "not an octave key", kWaveWindow},
        {SDLK_F4, KMOD_RSHIFT, {kCommandCopyWave}, "", kWaveWindow},
        {SDLK_F5, KMOD_LSHIFT, {kCommandPasteWave}, "", kWaveWindow},
        {SDLK_z, KMOD_LCTRL, {}, "no menu here carries Ctrl+Z", kWaveWindow},
        {SDLK_F2, KMOD_LALT, {}, "", kInstrumentWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearInstrument}, "", kInstrumentWindow},
        {SDLK_F4, KMOD_LSHIFT, {kCommandCopyInstrument}, "", kInstrumentWindow},
        {SDLK_F5, KMOD_LSHIFT, {kCommandPasteInstrument}, "", kInstrumentWindow},
        {SDLK_F1, KMOD_LALT, {}, ""},
    };
    int window = kNoWindow;
    for (const Step& step : steps) {
        seen.clear();
        if (harness.app->currentWindow != window) Listen();  // a window switch builds new widgets
        window = harness.app->currentWindow;
        Press(step.sym, step.mod);
        EXPECT_EQ(seen, step.commands) << SDL_GetKeyName(step.sym) << " " << step.mod << " " << step.what;
        EXPECT_EQ(harness.app->currentWindow, step.window) << SDL_GetKeyName(step.sym);
    }
    EXPECT_EQ(harness.app->currentOctave, 0);
}

TEST_F(MenuBar, ShortcutTextsShownBesideTheEntries) {
    EXPECT_NE(OpenedLine("Song", "Save Song ").find("<c888888>CTRL+<c888888>S"), std::string::npos);
    EXPECT_NE(OpenedLine("Song", "Quit").find("<c888888>ALT+<c888888>F4"), std::string::npos);
    EXPECT_NE(OpenedLine("Edit", "Redo").find("<c888888>CTRL+LSHIFT+<c888888>Z"), std::string::npos);
    EXPECT_NE(OpenedLine("Play", "Play Pattern from Cursor").find("<c888888>SHIFT+<c888888>Right Alt"),
              std::string::npos);
    EXPECT_NE(OpenedLine("Window", "Waves").find("<c888888>ALT+<c888888>F3"), std::string::npos);
}

TEST_F(MenuBar, CheckMarksFollowThePreferencesEachTimeAMenuOpens) {
    EXPECT_NE(OpenedLine("Prefs", "Mono").find("[x]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Half Stereo").find("[ ]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Steps in Hex").find("[ ]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Wide Gui").find("[ ]"), std::string::npos);
    // GuiSize entries carry no check mark.
    EXPECT_EQ(OpenedLine("Prefs", "GuiSize 1.0").find('['), std::string::npos);
    harness.Command(kCommandHalfStereo);
    harness.Command(kCommandStepsInHex);
    harness.Frame();
    EXPECT_NE(OpenedLine("Prefs", "Mono").find("[ ]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Half Stereo").find("[x]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Steps in Hex").find("[x]"), std::string::npos);
    harness.Command(kCommandFullStereo);
    harness.Command(kCommandWideGui);
    harness.Frame(2);
    EXPECT_NE(OpenedLine("Prefs", "Full Stereo (like AMIGA)").find("[x]"), std::string::npos);
    EXPECT_NE(OpenedLine("Prefs", "Wide Gui").find("[x]"), std::string::npos);
}

TEST_F(MenuBar, OpenMenuIsDrawnOverThePanes) {
    // A red pane where the Play menu drops down, as the editor panes lie.
    GuiItem* pane = harness.app->rootPanel->Add(new GuiItem());
    pane->x = 0;
    pane->y = 0;
    pane->w = 600;
    pane->h = 300;
    pane->customColours = true;
    pane->background = Rgba{255, 0, 0, 255};
    ButtonMenu* play = Menu("Play");
    ASSERT_NE(play, nullptr);
    play->Open();
    SDL_Rect rect = play->dropDown->AbsoluteRect();
    Rgba inside = harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5);
    EXPECT_EQ(inside, (Rgba{255, 255, 255, 255}));
    harness.SaveFrame("menu_over_pane");
    // Closed, the pane shows there again.
    play->OnFocusLost();
    harness.Frame();
    EXPECT_EQ(harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5), (Rgba{255, 0, 0, 255}));
}

TEST_F(MenuBar, ClickingAnEntryRunsItsCommand) {
    ButtonMenu* windowMenu = Menu("Window");
    ASSERT_NE(windowMenu, nullptr);
    // Open the menu by a click on its title, then click "Waves".
    SDL_Rect title = windowMenu->AbsoluteRect();
    harness.MouseButton(true, title.x + 2, title.y + 2);
    harness.Frame();
    harness.MouseButton(false, title.x + 2, title.y + 2);
    harness.Frame();
    ASSERT_TRUE(windowMenu->IsOpen());
    GuiItem* waves = windowMenu->dropDown->children.at(1);
    SDL_Rect entry = waves->AbsoluteRect();
    harness.MouseButton(true, entry.x + 4, entry.y + 4);
    harness.Frame(2);
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
}

TEST_F(MenuBar, BackgroundColorOpensThePickerThatSetsTheBackground) {
    ButtonMenu* prefsMenu = Menu("Prefs");
    ASSERT_NE(prefsMenu, nullptr);
    const MenuEntry& entry = prefsMenu->entries.back();
    ASSERT_STREQ(entry.label, "Background Color");
    EXPECT_EQ(entry.command, kCommandNone);
    ASSERT_TRUE(entry.action);
    entry.action();
    harness.Frame();
    GuiItem* picker = harness.app->items.front();
    SDL_Rect rect = picker->AbsoluteRect();
    // The top row of the palette is white at every hue.
    harness.MouseButton(true, rect.x + 10, rect.y);
    harness.Frame(2);
    EXPECT_EQ(harness.app->background, (Rgba{255, 255, 255, 255}));
    harness.Frame();
    EXPECT_NE(harness.app->items.front(), picker);  // closed after the pick
}

}  // namespace
}  // namespace qn::testing
