// Keys and mouse in the frame loop, the shell's keys and commands, menu shortcuts, an open menu over the panes.
#include <array>
#include <tuple>

#include "gui/menu.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// A widget in the App's tree that records presses and keys.
struct Target : GuiItem {
    Target() { x = y = 100, w = h = 50; }
    void OnMouseButton(MouseEvent* event) override {
        GuiItem::OnMouseButton(event);
        states.push_back(event->state);
    }
    void OnHover() override { ++hovers; }
    bool OnKey(const SDL_Keysym& key) override {
        keys.push_back(key.sym);
        return key.sym == consumed;
    }
    std::vector<int> states;
    std::vector<SDL_Keycode> keys;
    SDL_Keycode consumed = SDLK_a;
    int hovers = 0;
};

class AppInput : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // First in the list: hit and offered keys before the main window's panes.
        harness.app->items.insert(harness.app->items.begin(), target);
    }
    Target* target = new Target();
};

// A hover is no click; a click focuses, captures, and its release comes once. After a command (not 0), or a press on
// empty space (which takes the focus), clicks pause until the mouse is idle. Keys set modifier bits; the right button
// acts as Shift and its release clears them all.
TEST_F(AppInput, MouseAndModifierBitsKeysAndTheWheel) {
    harness.MouseMove(120, 120);
    harness.Frame();
    EXPECT_EQ(std::pair(target->hovers, target->states.size()), std::pair(1, size_t(0)));
    harness.Command(0);
    harness.Mouse(true, 110, 110, 2);
    EXPECT_EQ(std::tuple(target->states, target->focused, app()->capturedItemId),
              std::tuple(std::vector<int>{1, 1}, true, target->id));
    harness.Mouse(false, 110, 110, 2);
    EXPECT_EQ(std::pair(target->states, app()->mouse.state), std::pair(std::vector<int>{1, 1, 2}, 0));
    std::vector<int> seen;
    target->onCommand = [&](int command) { seen.push_back(command); };
    target->states.clear();
    harness.Command(kCommandStepsInHex);
    harness.Mouse(true, 110, 110);
    EXPECT_EQ(std::pair(seen, app()->commandSeen), std::pair(std::vector<int>{kCommandStepsInHex}, true));
    harness.Mouse(false, 110, 110, 2);  // the release is not delivered either; then idle
    EXPECT_EQ(std::pair(app()->commandSeen, target->states.empty()), std::pair(false, true));
    harness.Mouse(true, 1, 300, 2);  // empty space, left of the pattern editor
    EXPECT_EQ(std::pair(target->focused, app()->commandSeen), std::pair(false, true));
    harness.MouseButton(false, 1, 300);
    for (SDL_Keycode key : {SDLK_RSHIFT, SDLK_LALT}) harness.KeyDown(key);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierShift | kModifierAlt);
    for (SDL_Keycode key : {SDLK_RSHIFT, SDLK_LALT}) harness.KeyUp(key);
    harness.KeyDown(SDLK_LCTRL, KMOD_LCTRL);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierCtrl);
    for (bool down : {true, false}) {
        harness.MouseButton(down, 10, 10, SDL_BUTTON_RIGHT);
        harness.Frame();
        EXPECT_EQ(ModifierState, down ? kModifierShift : 0);
    }
    // One untaken key is handled per frame, a consumed one dropped in the same frame; the wheel acts as Up and Down.
    for (SDL_Keycode key : {SDLK_a, SDLK_F2, SDLK_a, SDLK_F3, SDLK_F4}) harness.KeyDown(key);
    const struct { int octave; size_t waiting; } frames[] = {{1, 3}, {2, 1}, {3, 0}};
    for (const auto& frame : frames) {
        harness.Frame();
        EXPECT_EQ(std::pair(app()->currentOctave, app()->KeyQueue.size()), std::pair(frame.octave, frame.waiting));
    }
    target->consumed = 0;
    target->keys.clear();
    for (int y : {1, 0, -2}) harness.Wheel(y);
    harness.Frame(3);
    EXPECT_EQ(target->keys, (std::vector<SDL_Keycode>{SDLK_UP, SDLK_DOWN, SDLK_DOWN}));
    app()->keysBlocked = true;  // blocked keys are discarded
    harness.KeyDown(SDLK_F1);
    harness.Frame();
    EXPECT_EQ(std::pair(app()->currentOctave, app()->KeyQueue.size()), std::pair(3, size_t(0)));
}

using AppKeys = AppTest;

// A run of keys, each with the shell's state after it (a song of two positions; instrument 16 at first).
TEST_F(AppKeys, KeysChangeTheShellsState) {
    struct Step { SDL_Keycode sym; Uint16 mod; std::array<int, 7> state; const char* what; };
    const Step steps[] = {
        {SDLK_F3, KMOD_NUM, {2, 1, 0, 16, 0, 0, kMainWindow}, "F3 picks an octave even with Num Lock"},
        {SDLK_F1, KMOD_LSHIFT, {2, 1, 0, 16, 0, 0, kMainWindow}, "with a modifier it is no octave key"},
        {SDLK_5, KMOD_LCTRL, {2, 5, 0, 16, 0, 0, kMainWindow}, "Ctrl+digit sets the edit skip"},
        {SDLK_KP_PLUS, 0, {2, 5, 0, 17, 1, 0, kMainWindow}, "keypad + selects the next instrument and page"},
        {SDLK_DOWN, KMOD_LCTRL, {2, 5, 0, 18, 1, 0, kMainWindow}, "Ctrl+Down too"},
        {SDLK_KP_MINUS, 0, {2, 5, 0, 17, 1, 0, kMainWindow}, "keypad - the one before"},
        {SDLK_UP, KMOD_RCTRL, {2, 5, 0, 16, 0, 0, kMainWindow}, "Ctrl+Up too, and the page follows"},
        {SDLK_KP_MINUS, KMOD_NUM, {2, 5, 0, 15, 0, 0, kMainWindow}, "Num Lock is no modifier here"},
        {SDLK_KP_MINUS, KMOD_LCTRL, {2, 5, 0, 15, 0, 0, kMainWindow}, "a modifier: not the selector"},
        {SDLK_DOWN, KMOD_LALT, {2, 5, 0, 15, 0, 1, kMainWindow}, "left Alt+Down: the next position"},
        {SDLK_DOWN, KMOD_LALT, {2, 5, 0, 15, 0, 1, kMainWindow}, "held at the last position"},
        {SDLK_UP, KMOD_LALT, {2, 5, 0, 15, 0, 0, kMainWindow}, "left Alt+Up: the one before"},
        {SDLK_ESCAPE, 0, {2, 5, 0, 15, 0, 0, kInstrumentWindow}, "Escape: main to instruments"},
        {SDLK_F3, KMOD_LALT, {2, 5, 0, 15, 0, 0, kWaveWindow}, "left Alt+F3: to the waves"},
        {SDLK_KP_PLUS, 0, {2, 5, 0, 15, 0, 0, kWaveWindow}, "which have no instrument selector"},
        {SDLK_SPACE, 0, {2, 5, 0, 15, 0, 0, kWaveWindow}, "where only Shift+Space toggles edit mode"},
        {SDLK_SPACE, KMOD_LSHIFT, {2, 5, 1, 15, 0, 0, kWaveWindow}, ""},
        {SDLK_ESCAPE, 0, {2, 5, 0, 15, 0, 0, kInstrumentWindow}, "Escape: waves to instruments, leaving edit mode"},
    };
    App* app = harness.app;
    app->currentInstrument = 16;
    TheSong().SetSequenceLength(2);
    for (const Step& step : steps) {
        Press(step.sym, step.mod);
        const std::array<int, 7> state = {app->currentOctave, app->editSkip, app->editMode ? 1 : 0,
                                          app->currentInstrument, app->instrumentPage,
                                          int(app->document->song.currentPosition), app->currentWindow};
        EXPECT_EQ(state, step.state) << step.what;
    }
    Run(kCommandMainWindow);  // the ends of the instrument range hold
    for (auto [instrument, key] : {std::pair{31, SDLK_KP_PLUS}, std::pair{1, SDLK_KP_MINUS}}) {
        app->currentInstrument = instrument;
        Press(key);
        EXPECT_EQ(app->currentInstrument, instrument);
    }
    TheSong().SetSequenceLength(0);  // an emptied sequence: Alt+Up goes to the restart position
    TheSong().currentPosition = 2;  // with a sequence Alt+Up would give 1
    Press(SDLK_UP, KMOD_LALT);
    EXPECT_EQ(std::pair(TheSong().currentPosition, TheSong().restartPosition), std::pair(0u, 0u));
}

// Window size after each size command; the open window is rebuilt in place; each window is drawn at each size.
TEST_F(AppKeys, GuiSizeCommandsResizeTheWindowAndAreStored) {
    struct Step { int command, width, height, guiSize, logicalWidth; };
    const Step steps[] = {
        {kCommandGuiSize15, 960, 888, 1, 640},  {kCommandWideGui, 1344, 888, 1, 896},
        {kCommandGuiSize20, 1792, 1184, 2, 896}, {kCommandGuiSize10, 896, 592, 0, 896},
        {kCommandWideGui, 640, 592, 0, 640},
    };
    const std::pair<int, std::string> windows[] = {
        {kCommandMainWindow, "main"}, {kCommandInstrumentWindow, "instrument"}, {kCommandWaveWindow, "wave"}};
    App* app = harness.app;
    Run(kCommandWaveWindow);
    for (const Step& step : steps) {
        harness.Run(step.command, 2);  // "Wide Gui" re-posts the GuiSize command
        int width = 0, height = 0, logicalWidth = 0, logicalHeight = 0;
        SDL_GetWindowSize(app->window, &width, &height);
        SDL_RenderGetLogicalSize(app->renderer, &logicalWidth, &logicalHeight);
        EXPECT_EQ((std::array<int, 7>{width, height, app->prefs->guiSize, app->logicalWidth, logicalWidth,
                                      app->statusBar->parent->w, app->currentWindow}),
                  (std::array<int, 7>{step.width, step.height, step.guiSize, step.logicalWidth, step.logicalWidth,
                                      step.logicalWidth, kWaveWindow})) << step.command;
        for (const auto& [window, name] : windows) {
            Run(window);
            EXPECT_FALSE(harness.SaveFrame(name + "_window_" + std::to_string(step.width)).empty());
        }
    }
    EXPECT_TRUE(harness.Run(kCommandQuit));
}

class MenuBar : public AppTest {
protected:
    ButtonMenu* Menu(const std::string& title) {
        for (GuiItem* child : app()->items.at(1)->children)
            if (auto* menu = dynamic_cast<ButtonMenu*>(child); menu && title == menu->text) return menu;
        return nullptr;
    }
};

// Keys through the real key flow, each with the commands it posts and the window after it.
TEST_F(MenuBar, ShortcutsPostTheirCommandsThroughTheKeyFlow) {
    struct Step { SDL_Keycode sym; Uint16 mod; std::vector<int> commands; const char* what; int window = kMainWindow; };
    const Step steps[] = {
        {SDLK_z, KMOD_RCTRL, {kCommandUndo}, ""},
        {SDLK_z, KMOD_LSHIFT, {kCommandRedo}, "Shift alone is in Redo's mask"},
        {SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, {kCommandRedo}, "Undo excludes Shift, Redo takes it"},
        {SDLK_LESS, 0, {kCommandPlaySong}, "hidden entry"},
        {SDLK_RALT, KMOD_NUM, {kCommandPlayPattern}, "the application key works with Num Lock"},
        {SDLK_F2, KMOD_RALT, {}, "window keys need the left Alt"},
        {SDLK_F3, KMOD_LALT, {}, "", kWaveWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearWave}, "not an octave key", kWaveWindow},
        {SDLK_z, KMOD_LCTRL, {}, "no menu here carries Ctrl+Z", kWaveWindow},
        {SDLK_F2, KMOD_LALT, {}, "", kInstrumentWindow},
        {SDLK_F3, KMOD_LSHIFT, {kCommandClearInstrument}, "", kInstrumentWindow},
        {SDLK_F4, KMOD_LSHIFT, {kCommandCopyInstrument}, "", kInstrumentWindow},
        {SDLK_F5, KMOD_LSHIFT, {kCommandPasteInstrument}, "", kInstrumentWindow}, {SDLK_F1, KMOD_LALT, {}, ""},
    };
    int window = kNoWindow;
    for (const Step& step : steps) {
        commandsHeard.clear();
        if (app()->currentWindow != window) Listen();
        window = app()->currentWindow;
        Press(step.sym, step.mod);
        EXPECT_EQ(commandsHeard, step.commands) << SDL_GetKeyName(step.sym) << " " << step.mod << " " << step.what;
        EXPECT_EQ(app()->currentWindow, step.window) << SDL_GetKeyName(step.sym);
    }
    EXPECT_EQ(app()->currentOctave, 0);
}

TEST_F(MenuBar, OpenMenuIsDrawnOverThePanesAndTakesClicks) {
    GuiItem* pane = app()->rootPanel->Add(new GuiItem());
    pane->w = 600, pane->h = 300, pane->customColours = true;
    pane->background = Rgba{255, 0, 0, 255};
    ButtonMenu* play = Menu("Song");
    play->Open();
    SDL_Rect rect = play->dropDown->AbsoluteRect();
    EXPECT_EQ(harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5), (Rgba{255, 255, 255, 255}));
    harness.SaveFrame("menu_over_pane");
    play->OnFocusLost();
    harness.Frame();
    EXPECT_EQ(harness.Pixel(rect.x + rect.w - 5, rect.y + rect.h - 5), (Rgba{255, 0, 0, 255}));
    ButtonMenu* windowMenu = Menu("Window");  // a click on the title opens a menu, a click on "Waves" runs it
    harness.Click(windowMenu->AbsoluteRect().x + 2, windowMenu->AbsoluteRect().y + 2);
    ASSERT_TRUE(windowMenu->IsOpen());
    SDL_Rect entry = windowMenu->dropDown->children.at(1)->AbsoluteRect();
    windowMenu->dropDown->children.at(1)->OnHover();
    EXPECT_EQ(harness.Pixel(entry.x + 2, entry.y), (Rgba{200, 200, 200, 255}));  // the hovered entry
    harness.Mouse(true, entry.x + 4, entry.y + 4, 2);
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
    const SDL_Rect pick = picker->AbsoluteRect();
    harness.Mouse(true, pick.x + 10, pick.y, 3);
    EXPECT_EQ(std::pair(app()->background, app()->items.front() == picker), std::pair(Rgba{255, 255, 255, 255}, false));
    // The release after the pick ends that click: the next one opens a menu.
    harness.Mouse(false, pick.x + 10, pick.y, 2);
    const SDL_Rect title = Menu("Window")->AbsoluteRect();
    harness.Mouse(true, title.x + 2, title.y + 2);
    harness.Mouse(false, title.x + 2, title.y + 2);
    EXPECT_TRUE(Menu("Window")->IsOpen());
}

}  // namespace
}  // namespace qn::testing
