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

class AppInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);  // start-up: the GuiSize command and the edit-mode messages
        target = new Target();
        // First in the list: hit and offered keys before the main window's panes.
        harness.app->items.insert(harness.app->items.begin(), target);
    }
    AppHarness harness;
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

TEST_F(AppInput, RightButtonActsAsShiftAndItsReleaseClearsEveryModifier) {
    harness.KeyDown(SDLK_LCTRL, KMOD_LCTRL);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierCtrl);
    harness.MouseButton(true, 10, 10, SDL_BUTTON_RIGHT);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierShift);
    harness.MouseButton(false, 10, 10, SDL_BUTTON_RIGHT);
    harness.Frame();
    EXPECT_EQ(ModifierState, 0);  // even though Ctrl is still held
    harness.KeyUp(SDLK_LCTRL);
}

TEST_F(AppInput, ModifierBitsFollowShiftCtrlAndAlt) {
    harness.KeyDown(SDLK_RSHIFT);
    harness.KeyDown(SDLK_LALT);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierShift | kModifierAlt);
    harness.KeyUp(SDLK_RSHIFT);
    harness.Frame();
    EXPECT_EQ(ModifierState, kModifierAlt);
    harness.KeyUp(SDLK_LALT);
    harness.Frame();
    EXPECT_EQ(ModifierState, 0);
}

TEST_F(AppInput, ClickIsDeliveredAndTheReleaseIsSeenInExactlyOneFrame) {
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(target->states, std::vector<int>{1});
    EXPECT_TRUE(target->focused);
    EXPECT_EQ(harness.app->capturedItemId, target->id);
    harness.Frame();  // held: delivered again to the captured widget
    EXPECT_EQ(target->states, (std::vector<int>{1, 1}));
    harness.MouseButton(false, 110, 110);
    harness.Frame();
    EXPECT_EQ(target->states, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(harness.app->mouse.state, 0);
    EXPECT_EQ(harness.app->mouse.previousState, 2);
    harness.Frame();
    EXPECT_EQ(target->states.size(), 3u);
}

TEST_F(AppInput, MouseMoveHoversWithoutAClick) {
    harness.MouseMove(120, 120);
    harness.Frame();
    EXPECT_EQ(target->hovers, 1);
    EXPECT_TRUE(target->states.empty());
    EXPECT_FALSE(target->focused);
}

TEST_F(AppInput, PressOnEmptySpaceTakesFocusAway) {
    harness.MouseButton(true, 110, 110);
    harness.MouseButton(false, 110, 110);
    harness.Frame(2);
    ASSERT_TRUE(target->focused);
    harness.MouseButton(true, 300, 300);
    harness.Frame();
    EXPECT_FALSE(target->focused);
}

TEST_F(AppInput, ClicksPauseAfterACommandUntilTheMouseIsIdle) {
    harness.Command(kCommandStepsInHex);
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_TRUE(harness.app->commandSeen);
    EXPECT_TRUE(target->states.empty());
    harness.MouseButton(false, 110, 110);
    harness.Frame();  // the release is not delivered either
    EXPECT_TRUE(target->states.empty());
    harness.Frame();  // idle: the pause ends without a delivery
    EXPECT_FALSE(harness.app->commandSeen);
    EXPECT_TRUE(target->states.empty());
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(target->states, std::vector<int>{1});
}

TEST_F(AppInput, CommandZeroDoesNotPauseClicks) {
    harness.Command(0);
    harness.MouseButton(true, 110, 110);
    harness.Frame();
    EXPECT_EQ(target->states, std::vector<int>{1});
}

TEST_F(AppInput, CommandsAreBroadcastToWidgetsAfterExecution) {
    std::vector<int> seen;
    target->onCommand = [&](int command) { seen.push_back(command); };
    harness.Command(19);
    harness.Frame();
    EXPECT_EQ(seen, std::vector<int>{19});
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

TEST_F(AppInput, BlockedKeysAreDiscarded) {
    harness.app->keysBlocked = true;
    harness.KeyDown(SDLK_F3);
    harness.Frame();
    EXPECT_EQ(harness.app->currentOctave, 0);
    EXPECT_TRUE(harness.app->KeyQueue.empty());
}

TEST_F(AppInput, QuitEventEndsTheLoop) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_QUIT;
    harness.Push(event);
    EXPECT_TRUE(harness.Frame());
}

}  // namespace
}  // namespace qn::testing
