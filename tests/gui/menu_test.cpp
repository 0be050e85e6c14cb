// Which keys match menu shortcuts, and hovering from one open menu to the
// next. Shortcut texts, opening, check marks and entry clicks are tested on
// the program's own menu bar (tests/app/menu_bar_test.cpp).
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

TEST_F(Menus, ShortcutMatching) {
    MenuEntry& play = song->AddEntry("Play Song", 0, SDLK_RCTRL, 18);
    MenuEntry& undo = song->AddEntry("Undo", KMOD_CTRL, SDLK_z, 50);
    undo.excludedMask = KMOD_SHIFT;
    MenuEntry& redo = song->AddEntry("Redo", KMOD_LCTRL | KMOD_LSHIFT | KMOD_RSHIFT, SDLK_z, 51);
    MenuEntry& unused = song->AddEntry("Clear unused waves", KMOD_SHIFT, 0, 28);
    MenuEntry& load = song->entries[0];
    struct Case { MenuEntry& entry; SDL_Keycode key; Uint16 mod; bool matches; const char* what; };
    const Case cases[] = {
        {load, SDLK_l, KMOD_LCTRL, true, "one of the mask modifiers"},
        {load, SDLK_l, KMOD_RCTRL, true, "the other one"},
        {load, SDLK_l, 0, false, "no modifier"},
        {load, SDLK_l, KMOD_LSHIFT, false, "another modifier"},
        {play, SDLK_RCTRL, 0, true, "no modifiers wanted"},
        {play, SDLK_RCTRL, KMOD_NUM, false, "fails with Num Lock on"},
        {play, SDLK_RCTRL, KMOD_CAPS, false, "and with Caps Lock"},
        {undo, SDLK_z, KMOD_LCTRL, true, "Ctrl+Z"},
        {undo, SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, false, "an excluded modifier"},
        {redo, SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, true, "Ctrl+Shift+Z"},
        {redo, SDLK_z, KMOD_RSHIFT, true, "Shift alone is enough"},
        {unused, SDLK_UNKNOWN, KMOD_LSHIFT, false, "an entry without a key is no shortcut"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.entry.MatchesKey(Key(c.key, c.mod)), c.matches) << c.what;
    // The menu posts the command of the first matching entry.
    EXPECT_TRUE(song->OnKey(Key(SDLK_l, KMOD_RCTRL)));
    EXPECT_TRUE(song->OnKey(Key(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT)));
    EXPECT_FALSE(song->OnKey(Key(SDLK_l, 0)));
    EXPECT_FALSE(song->OnKey(Key(SDLK_UNKNOWN, KMOD_LSHIFT)));
    EXPECT_EQ(TakeCommands(), (std::vector<int>{16, 51}));
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

}  // namespace
}  // namespace qn::testing
