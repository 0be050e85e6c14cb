// The frame loop's input handling, driven with real SDL events: the key
// queue, the wheel, modifier bits, the mouse, text fields, blocked keys.
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// A widget in the App's tree that records presses and keys.
class Target : public GuiItem {
public:
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

// One key nobody takes is handled per frame; a consumed key is dropped and
// the next one handled in the same frame. The wheel acts as Up and Down.
TEST_F(AppInput, KeysAndTheWheel) {
    for (SDL_Keycode key : {SDLK_a, SDLK_F2, SDLK_a, SDLK_F3, SDLK_F4}) harness.KeyDown(key);
    const struct { int octave; size_t waiting; } frames[] = {{1, 3}, {2, 1}, {3, 0}};
    for (const auto& frame : frames) {
        harness.Frame();
        EXPECT_EQ(app()->currentOctave, frame.octave);
        EXPECT_EQ(app()->KeyQueue.size(), frame.waiting);
    }
    target->consumed = 0;
    target->keys.clear();
    for (int y : {1, 0, -2}) harness.Wheel(y);
    harness.Frame(3);
    EXPECT_EQ(target->keys, (std::vector<SDL_Keycode>{SDLK_UP, SDLK_DOWN, SDLK_DOWN}));
    // Blocked keys are discarded.
    app()->keysBlocked = true;
    harness.KeyDown(SDLK_F1);
    harness.Frame();
    EXPECT_EQ(app()->currentOctave, 3);
    EXPECT_TRUE(app()->KeyQueue.empty());
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
// and its release in exactly one frame. After a command (not command 0)
// clicks pause until the mouse is idle; the command reaches the widgets.
// A press on empty space takes the focus away and pauses like a command.
TEST_F(AppInput, MouseReachesTheWidgetUnderIt) {
    harness.MouseMove(120, 120);
    harness.Frame();
    EXPECT_EQ(target->hovers, 1);
    EXPECT_TRUE(target->states.empty());
    harness.Command(0);
    harness.MouseButton(true, 110, 110);
    harness.Frame(2);
    EXPECT_EQ(target->states, (std::vector<int>{1, 1}));
    EXPECT_TRUE(target->focused);
    EXPECT_EQ(app()->capturedItemId, target->id);
    harness.MouseButton(false, 110, 110);
    harness.Frame(2);
    EXPECT_EQ(target->states, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(app()->mouse.state, 0);

    std::vector<int> seen;
    target->onCommand = [&](int command) { seen.push_back(command); };
    target->states.clear();
    harness.Command(kCommandStepsInHex);
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(seen, (std::vector<int>{kCommandStepsInHex}));
    EXPECT_TRUE(app()->commandSeen);
    harness.MouseButton(false, 110, 110);
    harness.Frame(2);  // the release is not delivered either; then idle
    EXPECT_FALSE(app()->commandSeen);
    EXPECT_TRUE(target->states.empty());

    harness.MouseButton(true, 1, 300);  // empty space, left of the pattern editor
    harness.Frame(2);
    EXPECT_FALSE(target->focused);
    EXPECT_TRUE(app()->commandSeen);
}

TEST_F(AppInput, TextGoesToTheFocusedTextFieldAndQuitEndsTheLoop) {
    struct Field : GuiItem {
        void OnTextInput(const char* text) override { typed += text; }
        std::string typed;
    };
    Field* field = new Field();
    field->isTextField = true;
    field->focused = true;
    app()->items.push_back(field);
    DropFocusExcept(app()->items, field);  // the pattern editor starts focused
    app()->editMode = true;
    harness.Text("ab");
    harness.Frame();
    EXPECT_EQ(field->typed, "ab");
    EXPECT_TRUE(SDL_IsTextInputActive());
    EXPECT_FALSE(app()->editMode);  // typing into a field leaves edit mode
    // While the field has focus, the other widgets do not see keys.
    harness.KeyDown(SDLK_a);
    harness.Frame();
    EXPECT_TRUE(target->keys.empty());
    field->focused = false;
    harness.KeyDown(SDLK_b);
    harness.Frame();
    EXPECT_FALSE(SDL_IsTextInputActive());
    harness.PushType(SDL_QUIT);
    EXPECT_TRUE(harness.Frame());
}

}  // namespace
}  // namespace qn::testing
