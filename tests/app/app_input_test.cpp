// The frame loop's input handling, driven with real SDL events.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// A widget in the App's tree that records presses and keys.
class Target : public GuiItem {
public:
    Target() {
        x = 100;
        y = 100;
        w = 50;
        h = 50;
    }
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
        target = new Target();
        // First in the list: hit and offered keys before the main window's panes.
        harness.app->items.insert(harness.app->items.begin(), target);
    }
    Target* target = nullptr;
};

TEST_F(AppInput, OneUnconsumedKeyIsHandledPerFrame) {
    harness.KeyDown(SDLK_a);  // taken by the widget
    harness.KeyDown(SDLK_F2);
    harness.KeyDown(SDLK_a);
    harness.KeyDown(SDLK_F3);
    harness.KeyDown(SDLK_F4);
    harness.Frame();
    EXPECT_EQ(harness.app->currentOctave, 1);
    ASSERT_EQ(harness.app->KeyQueue.size(), 3u);  // a, F3, F4 wait
    harness.Frame();
    // The consumed 'a' is dropped and F3 handled in the same frame.
    EXPECT_EQ(harness.app->currentOctave, 2);
    EXPECT_EQ(harness.app->KeyQueue.size(), 1u);
    harness.Frame();
    EXPECT_EQ(harness.app->currentOctave, 3);
    EXPECT_TRUE(harness.app->KeyQueue.empty());
}

TEST_F(AppInput, WheelActsAsUpAndDownArrows) {
    target->consumed = 0;
    harness.Wheel(1);
    harness.Wheel(0);
    harness.Wheel(-2);
    harness.Frame(3);
    EXPECT_EQ(target->keys, (std::vector<SDL_Keycode>{SDLK_UP, SDLK_DOWN, SDLK_DOWN}));
}

// Modifier keys set their bits; the right button acts as Shift and its
// release clears every modifier, even one still held.
TEST_F(AppInput, ModifierBits) {
    harness.KeyDown(SDLK_RSHIFT);
    harness.KeyDown(SDLK_LALT);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierShift | kModifierAlt);
    harness.KeyUp(SDLK_RSHIFT);
    harness.KeyUp(SDLK_LALT);
    harness.KeyDown(SDLK_LCTRL, KMOD_LCTRL);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierCtrl);
    harness.MouseButton(true, 10, 10, SDL_BUTTON_RIGHT);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierShift);
    harness.MouseButton(false, 10, 10, SDL_BUTTON_RIGHT);
    harness.Frame();
    EXPECT_EQ(ModifierState, 0);
    harness.KeyUp(SDLK_LCTRL);
}

// A hover is no click; a click focuses and captures, is delivered while held
// and its release in exactly one frame; a press on empty space takes the
// focus away.
TEST_F(AppInput, MouseReachesTheWidgetUnderIt) {
    harness.MouseMove(120, 120);
    harness.Frame();
    EXPECT_EQ(target->hovers, 1);
    EXPECT_TRUE(target->states.empty());
    EXPECT_FALSE(target->focused);
    harness.MouseButton(true, 110, 110);
    harness.Frame(2);
    EXPECT_EQ(target->states, (std::vector<int>{1, 1}));
    EXPECT_TRUE(target->focused);
    EXPECT_EQ(harness.app->capturedItemId, target->id);
    harness.MouseButton(false, 110, 110);
    harness.Frame(2);
    EXPECT_EQ(target->states, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(harness.app->mouse.state, 0);
    harness.MouseButton(true, 300, 300);
    harness.Frame();
    EXPECT_FALSE(target->focused);
}

// After a command (not command 0) clicks pause until the mouse is idle; the
// command is broadcast to the widgets.
TEST_F(AppInput, ClicksPauseAfterACommandUntilTheMouseIsIdle) {
    std::vector<int> seen;
    target->onCommand = [&](int command) { seen.push_back(command); };
    harness.Command(0);
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    harness.MouseButton(false, 110, 110);
    harness.Frame();
    ASSERT_EQ(target->states, (std::vector<int>{1, 2}));
    target->states.clear();
    harness.Command(kCommandStepsInHex);
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(seen, (std::vector<int>{0, kCommandStepsInHex}));
    EXPECT_TRUE(harness.app->commandSeen);
    harness.MouseButton(false, 110, 110);
    harness.Frame(2);  // the release is not delivered either; then idle
    EXPECT_FALSE(harness.app->commandSeen);
    EXPECT_TRUE(target->states.empty());
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(target->states, std::vector<int>{1});
}

TEST_F(AppInput, HoldingWithNothingFocusedPausesLikeACommand) {
    harness.MouseButton(true, 1, 300);  // empty space, left of the pattern editor
    harness.Frame(2);
    EXPECT_TRUE(harness.app->commandSeen);
}

TEST_F(AppInput, TextGoesToTheFocusedTextField) {
    struct Field : GuiItem {
        void OnTextInput(const char* text) override { typed += text; }
        std::string typed;
    };
    Field* field = new Field();
    field->isTextField = true;
    field->focused = true;
    harness.app->items.push_back(field);
    DropFocusExcept(harness.app->items, field);  // the pattern editor starts focused
    harness.app->editMode = true;
    harness.Text("ab");
    harness.Frame();
    EXPECT_EQ(field->typed, "ab");
    EXPECT_TRUE(SDL_IsTextInputActive());
    EXPECT_FALSE(harness.app->editMode);  // typing into a field leaves edit mode
    // While the field has focus, the menu-like target does not see keys.
    harness.KeyDown(SDLK_a);
    harness.Frame();
    EXPECT_TRUE(target->keys.empty());
    field->focused = false;
    harness.KeyDown(SDLK_b);
    harness.Frame();
    EXPECT_FALSE(SDL_IsTextInputActive());
}

TEST_F(AppInput, BlockedKeysAreDiscardedAndQuitEndsTheLoop) {
    harness.app->keysBlocked = true;
    harness.KeyDown(SDLK_F3);
    harness.Frame();
    EXPECT_EQ(harness.app->currentOctave, 0);
    EXPECT_TRUE(harness.app->KeyQueue.empty());
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_QUIT;
    harness.Push(event);
    EXPECT_TRUE(harness.Frame());
}

}  // namespace
}  // namespace qn::testing
