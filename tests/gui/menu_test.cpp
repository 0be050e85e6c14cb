// Drop-down menus: shortcut texts, shortcut matching, opening, check
// marks, entry clicks and closing.
#include "gui/menu.h"
#include "tests/gui/canvas.h"

namespace qn::testing {
namespace {

class Menus : public Canvas {
protected:
    void SetUp() override {
        Canvas::SetUp();
        TakeCommands();
        bar = new GuiItem();
        bar->w = 640;
        bar->h = 20;
        roots.push_back(bar);
        song = bar->Add(new ButtonMenu());
        song->font = &basens;
        song->SetText("Song");
        Place(song, 16, 1, 32, 18);
        song->AddEntry("Load Song", KMOD_CTRL, SDLK_l, 16);
        song->AddEntry(nullptr, 0, 0, 0);
        song->AddEntry("Quit", KMOD_ALT, SDLK_F4, 1);
        prefsMenu = bar->Add(new ButtonMenu());
        prefsMenu->font = &basens;
        prefsMenu->SetText("Prefs");
        Place(prefsMenu, 72, 1, 40, 18);
        prefsMenu->AddEntry("Steps in Hex", 0, 0, 46, &hexSteps);
        prefsMenu->AddEntry("Mono", 0, 0, 49, nullptr, [this] { return mono; });
    }
    static SDL_Keysym Key(SDL_Keycode sym, Uint16 mod) {
        SDL_Keysym key{};
        key.sym = sym;
        key.mod = mod;
        return key;
    }

    GuiItem* bar = nullptr;
    ButtonMenu* song = nullptr;
    ButtonMenu* prefsMenu = nullptr;
    bool hexSteps = true;
    bool mono = false;
};

TEST_F(Menus, ShortcutTextNamesTheModifiersAndTheKey) {
    char text[96];
    BuildShortcutText(text, sizeof(text), KMOD_CTRL, SDLK_s);
    EXPECT_STREQ(text, "<c888888>CTRL+<c888888>S");
    BuildShortcutText(text, sizeof(text), KMOD_LCTRL | KMOD_LSHIFT | KMOD_RSHIFT, SDLK_z);
    EXPECT_STREQ(text, "<c888888>CTRL+LSHIFT+<c888888>Z");
    BuildShortcutText(text, sizeof(text), KMOD_ALT, SDLK_F4);
    EXPECT_STREQ(text, "<c888888>ALT+<c888888>F4");
    BuildShortcutText(text, sizeof(text), KMOD_SHIFT, 0);
    EXPECT_STREQ(text, "<c888888>SHIFT+");
    BuildShortcutText(text, sizeof(text), 0, SDLK_RCTRL);
    EXPECT_STREQ(text, "<c888888>Right Ctrl");
}

TEST_F(Menus, ShortcutNeedsOneOfTheMaskModifiers) {
    EXPECT_TRUE(song->OnKey(Key(SDLK_l, KMOD_LCTRL)));
    EXPECT_TRUE(song->OnKey(Key(SDLK_l, KMOD_RCTRL)));
    EXPECT_FALSE(song->OnKey(Key(SDLK_l, 0)));
    EXPECT_FALSE(song->OnKey(Key(SDLK_l, KMOD_LSHIFT)));
    EXPECT_EQ(TakeCommands(), (std::vector<int>{16, 16}));
}

TEST_F(Menus, ShortcutWithoutModifiersFailsWithNumLockOn) {
    MenuEntry& play = song->AddEntry("Play Song", 0, SDLK_RCTRL, 18);
    EXPECT_TRUE(play.MatchesKey(Key(SDLK_RCTRL, 0)));
    EXPECT_FALSE(play.MatchesKey(Key(SDLK_RCTRL, KMOD_NUM)));
    EXPECT_FALSE(play.MatchesKey(Key(SDLK_RCTRL, KMOD_CAPS)));
}

TEST_F(Menus, ExcludedModifiersAndShiftAloneForRedo) {
    MenuEntry& undo = song->AddEntry("Undo", KMOD_CTRL, SDLK_z, 50);
    undo.excludedMask = KMOD_SHIFT;
    MenuEntry& redo = song->AddEntry("Redo", KMOD_LCTRL | KMOD_LSHIFT | KMOD_RSHIFT, SDLK_z, 51);
    EXPECT_TRUE(undo.MatchesKey(Key(SDLK_z, KMOD_LCTRL)));
    EXPECT_FALSE(undo.MatchesKey(Key(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT)));
    EXPECT_TRUE(redo.MatchesKey(Key(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT)));
    EXPECT_TRUE(redo.MatchesKey(Key(SDLK_z, KMOD_RSHIFT)));  // Shift alone is enough
    // The first matching entry wins.
    EXPECT_TRUE(song->OnKey(Key(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT)));
    EXPECT_EQ(TakeCommands(), std::vector<int>{51});
}

TEST_F(Menus, EntryWithoutAKeyIsNoShortcut) {
    MenuEntry& unused = song->AddEntry("Clear unused waves", KMOD_SHIFT, 0, 28);
    EXPECT_FALSE(unused.MatchesKey(Key(SDLK_UNKNOWN, KMOD_LSHIFT)));
    EXPECT_FALSE(song->OnKey(Key(SDLK_UNKNOWN, KMOD_LSHIFT)));
    EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(Menus, HiddenEntriesMatchButAreNotShown) {
    song->AddEntry("Play Song", 0, SDLK_LESS, 18).hidden = true;
    EXPECT_TRUE(song->OnKey(Key(SDLK_LESS, 0)));
    song->Open();
    ASSERT_NE(song->dropDown, nullptr);
    EXPECT_EQ(song->dropDown->children.size(), 3u);
}

TEST_F(Menus, OpeningLaysOutPaddedEntriesWithShortcuts) {
    MouseEvent press;
    press.state = 1;
    song->OnMouseButton(&press);
    ASSERT_TRUE(song->IsOpen());
    GuiItem* panel = song->dropDown;
    EXPECT_EQ(panel->y, song->h);
    ASSERT_EQ(panel->children.size(), 3u);
    auto* load = static_cast<MenuEntryLabel*>(panel->children[0]);
    auto* separator = static_cast<MenuEntryLabel*>(panel->children[1]);
    auto* quit = static_cast<MenuEntryLabel*>(panel->children[2]);
    // Labels padded to the widest label ("Load Song", 9 characters), then " ".
    EXPECT_STREQ(load->text, "Load Song <c888888>CTRL+<c888888>L");
    EXPECT_STREQ(quit->text, "Quit      <c888888>ALT+<c888888>F4");
    EXPECT_STREQ(separator->text, "");
    EXPECT_EQ(load->x, 4);
    EXPECT_EQ(load->y, song->y + 8);
    EXPECT_EQ(quit->y, song->y + 8 + 2 * (16 + 4));
    EXPECT_EQ(load->command, 16);
    EXPECT_EQ(panel->h, quit->y + 16 + 8);
}

TEST_F(Menus, CheckMarksComeFromTheFlagOrTheFunction) {
    prefsMenu->Open();
    auto* hex = static_cast<MenuEntryLabel*>(prefsMenu->dropDown->children[0]);
    auto* monoEntry = static_cast<MenuEntryLabel*>(prefsMenu->dropDown->children[1]);
    EXPECT_STREQ(hex->text, "Steps in Hex[x]");
    EXPECT_STREQ(monoEntry->text, "Mono        [ ]");
}

TEST_F(Menus, EntryClickPostsTheCommandAndRunsTheAction) {
    int actions = 0;
    song->entries[0].action = [&] { ++actions; };
    song->Open();
    MouseEvent press;
    press.state = 1;
    uint32_t captured = 0;
    song->OnFocusGained();
    PressWidget(roots, song->dropDown->children[0], &press, &captured);
    EXPECT_EQ(TakeCommands(), std::vector<int>{16});
    EXPECT_EQ(actions, 1);
    // The press took focus from the menu, which closes at its next update.
    EXPECT_TRUE(song->IsOpen());
    UpdateTree(roots);
    EXPECT_FALSE(song->IsOpen());
}

TEST_F(Menus, SeparatorClickPostsCommandZero) {
    song->Open();
    MouseEvent press;
    press.state = 1;
    song->dropDown->children[1]->OnMouseButton(&press);
    EXPECT_EQ(TakeCommands(), std::vector<int>{0});
}

TEST_F(Menus, HoveringAnotherTitleSwitchesTheOpenMenu) {
    song->Open();
    song->OnFocusGained();
    MouseEvent move;
    prefsMenu->OnMouseMove(&move);
    EXPECT_TRUE(prefsMenu->IsOpen());
    EXPECT_TRUE(prefsMenu->focused);
    UpdateTree(roots);
    EXPECT_FALSE(song->IsOpen());
    EXPECT_TRUE(prefsMenu->IsOpen());
    // Without an open menu, hovering opens nothing.
    prefsMenu->OnFocusLost();
    UpdateTree(roots);
    song->OnMouseMove(&move);
    EXPECT_FALSE(song->IsOpen());
}

TEST_F(Menus, DrawnMenuShowsHoverHighlightAndSeparatorLine) {
    song->Open();
    auto* separator = song->dropDown->children[1];
    auto* quit = static_cast<GuiLabel*>(song->dropDown->children[2]);
    quit->OnHover();
    Clear();
    DrawTree(roots);
    SDL_Rect sep = separator->AbsoluteRect();
    EXPECT_EQ(Pixel(sep.x + 2, sep.y + 8), (Rgba{0, 0, 0, 255}));  // half the glyph height
    SDL_Rect q = quit->AbsoluteRect();
    EXPECT_EQ(Pixel(q.x, q.y), (Rgba{200, 200, 200, 255}));
    EXPECT_FALSE(quit->hovered);  // cleared by drawing
}

}  // namespace
}  // namespace qn::testing
