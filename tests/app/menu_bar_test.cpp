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

class MenuBar : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);
    }
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
    void SwitchTo(int command) {
        harness.Command(command);
        harness.Frame();
    }
    // Collects the commands broadcast to the widgets.
    std::vector<int>& Listen() {
        GuiItem* listener = new GuiItem();
        listener->w = listener->h = 0;
        listener->onCommand = [this](int command) { seen.push_back(command); };
        harness.app->items.push_back(listener);
        return seen;
    }
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
        harness.KeyDown(sym, mod);
        harness.Frame(2);
    }

    AppHarness harness;
    std::vector<int> seen;
};

TEST_F(MenuBar, MainWindowMenusAndTheirEntries) {
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Song", "Edit", "Play", "Prefs", "Window"}));
    EXPECT_EQ(Entries("Song"),
              (std::vector<std::string>{"New Song", "New Song (keep Instruments)", "Load Song", "Save Song",
                                        "Save Song As...", "Optimize Song", "-", "Import ProTracker", "Import Qxm",
                                        "-", "Export Wav", "Export Amiga EXE", "-", "Quit"}));
    EXPECT_EQ(Entries("Edit"), (std::vector<std::string>{"Undo", "Redo"}));
    EXPECT_EQ(Entries("Play"), (std::vector<std::string>{"Play Song", "Play Song from Cursor", "Play Pattern",
                                                         "Play Pattern from Cursor", "Stop Song"}));
    EXPECT_EQ(Entries("Prefs"),
              (std::vector<std::string>{"Full Stereo (like AMIGA)", "Half Stereo", "Mono", "-", "Steps in Hex",
                                        "GuiSize 1.0", "GuiSize 1.5", "GuiSize 2.0", "Wide Gui",
                                        "Background Color"}));
    EXPECT_EQ(Entries("Window"), (std::vector<std::string>{"Instruments", "Waves"}));
}

TEST_F(MenuBar, InstrumentWindowMenus) {
    SwitchTo(kCommandInstrumentWindow);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Song", "Edit", "Instrument", "Window"}));
    EXPECT_EQ(Entries("Instrument"),
              (std::vector<std::string>{"Load Instrument", "Save Instrument", "Clear Instrument", "Copy Instrument",
                                        "Paste Instrument", "Clear unused waves"}));
    EXPECT_EQ(Entries("Window"), (std::vector<std::string>{"Main", "Waves"}));
}

TEST_F(MenuBar, WaveWindowHasSongWavesAndWindowOnly) {
    SwitchTo(kCommandWaveWindow);
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Song", "Waves", "Window"}));
    EXPECT_EQ(Entries("Waves"), (std::vector<std::string>{"Clear Wave", "Copy Wave", "Paste Wave", "Normalize Waves",
                                                          "Waves volume -10%", "Waves volume +10%"}));
    EXPECT_EQ(Entries("Window"), (std::vector<std::string>{"Main", "Instruments"}));
    // No menu carries Ctrl+Z here, so it does nothing.
    Listen();
    Press(SDLK_z, KMOD_LCTRL);
    EXPECT_TRUE(seen.empty());
}

TEST_F(MenuBar, BarGeometryTitlesAndRightLabel) {
    GuiItem* bar = Bar();
    EXPECT_EQ(bar->x, 0);
    EXPECT_EQ(bar->w, 642);
    EXPECT_EQ(bar->h, 20);
    // Titles: the first at 16, each next 24 pixels after the previous text.
    Font* font = harness.app->basensFont;
    ButtonMenu* song = Menu("Song");
    ButtonMenu* edit = Menu("Edit");
    ASSERT_TRUE(song && edit);
    EXPECT_EQ(song->x, 16);
    EXPECT_EQ(song->h, 18);
    EXPECT_EQ(song->y, 1);
    EXPECT_EQ(edit->x, 16 + 24 + font->TextWidth("Song"));
    auto* label = dynamic_cast<GuiLabel*>(bar->children.back());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x + font->TextWidth(label->text), bar->w - 10);
    EXPECT_EQ(label->y, song->y + 2);
    EXPECT_EQ(label->textColour, (Rgba{148, 148, 148, 255}));
    // The wide layout widens the bar.
    harness.Command(kCommandWideGui);
    harness.Frame(2);
    EXPECT_EQ(Bar()->w, 898);
}

TEST_F(MenuBar, ShortcutsPostTheirCommandsThroughTheKeyFlow) {
    Listen();
    Press(SDLK_z, KMOD_RCTRL);                 // Undo
    Press(SDLK_z, KMOD_LSHIFT);                // Redo: Shift alone is in its mask
    Press(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);  // Undo excludes Shift, Redo takes it
    Press(SDLK_z, KMOD_LCTRL);                 // both match: the first entry, Undo, wins
    Press(SDLK_LESS);                          // hidden "Play Song"
    Press(SDLK_LESS, KMOD_RSHIFT);             // hidden "Play Song from Cursor"
    EXPECT_EQ(seen, (std::vector<int>{kCommandUndo, kCommandRedo, kCommandRedo, kCommandUndo, kCommandPlaySong,
                                      kCommandPlaySongFromCursor}));
}

TEST_F(MenuBar, ZeroMaskShortcutsFailWithNumLockOrCapsLock) {
    ButtonMenu* play = Menu("Play");
    ASSERT_NE(play, nullptr);
    SDL_Keysym key{};
    key.sym = SDLK_RALT;
    key.mod = KMOD_NONE;
    EXPECT_TRUE(play->OnKey(key));
    key.mod = KMOD_NUM;
    EXPECT_FALSE(play->OnKey(key));
    key.mod = KMOD_CAPS;
    EXPECT_FALSE(play->OnKey(key));
    harness.Frame();  // runs the command the first match posted
    // The application key still plays the pattern with NumLock on.
    Listen();
    Press(SDLK_RALT, KMOD_NUM);
    EXPECT_EQ(seen, std::vector<int>{kCommandPlayPattern});
}

TEST_F(MenuBar, WindowShortcutsNeedTheLeftAlt) {
    Press(SDLK_F2, KMOD_RALT);
    EXPECT_EQ(harness.app->currentWindow, kMainWindow);
    Press(SDLK_F3, KMOD_LALT);
    EXPECT_EQ(harness.app->currentWindow, kWaveWindow);
    Press(SDLK_F2, KMOD_LALT);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
    Press(SDLK_F1, KMOD_LALT);
    EXPECT_EQ(harness.app->currentWindow, kMainWindow);
}

TEST_F(MenuBar, ShiftFunctionKeysReachTheWindowsOwnMenu) {
    SwitchTo(kCommandWaveWindow);
    Listen();
    Press(SDLK_F3, KMOD_LSHIFT);
    Press(SDLK_F4, KMOD_RSHIFT);
    Press(SDLK_F5, KMOD_LSHIFT);
    EXPECT_EQ(seen, (std::vector<int>{kCommandClearWave, kCommandCopyWave, kCommandPasteWave}));
    EXPECT_EQ(harness.app->currentOctave, 0);  // Shift+F3 is not an octave key
    SwitchTo(kCommandInstrumentWindow);
    seen.clear();
    Listen();
    Press(SDLK_F3, KMOD_LSHIFT);
    Press(SDLK_F4, KMOD_LSHIFT);
    Press(SDLK_F5, KMOD_LSHIFT);
    EXPECT_EQ(seen, (std::vector<int>{kCommandClearInstrument, kCommandCopyInstrument, kCommandPasteInstrument}));
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
