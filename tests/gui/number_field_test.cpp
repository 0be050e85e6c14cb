// Number fields: stepping, auto-repeat, Shift clicks, clamping and the
// value text.
#include "gui/number_field.h"
#include "tests/gui/canvas.h"

namespace qn::testing {
namespace {

class NumberField : public Canvas {
protected:
    void SetUp() override {
        Canvas::SetUp();
        panel = new GuiItem();
        roots.push_back(panel);
        up = AddNumberField(panel, 100, 50, nullptr, 0, 255, 1, 16, 0, "SPEED", [this](int v) { value = v; },
                            [this] { return value; }, &down);
    }
    // One frame with the button held (or, with state 0, not delivered).
    void HeldFrame(ButtonNumber* button, double time, int state = 1) {
        totalTime = time;
        MouseEvent mouse;
        mouse.state = state;
        if (state != 0) button->OnMouseButton(&mouse);
        button->Update();
    }

    int value = 10;
    GuiItem* panel = nullptr;
    ButtonNumber* up = nullptr;
    ButtonNumber* down = nullptr;
};

// The field writes the value it reads back on creation (clamped into range).
TEST_F(NumberField, WritesTheValueBackOnCreation) {
    EXPECT_EQ(down->GetValueText(), nullptr);  // only the + button shows the value
    int writes = 0, stored = 5;
    AddNumberField(panel, 0, 0, nullptr, 0, 9, 1, 16, 0, nullptr, [&](int v) { stored = v, ++writes; },
                   [&] { return stored; });
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(stored, 5);
}

// Frames of a held button: the button (+1 or -1; 0: +1 made not hittable), the time, the
// mouse state delivered (0: none, the mouse moved) and the value after it.
TEST_F(NumberField, HeldButtonFrames) {
    struct Frame { int button; double time; int state; int value; };
    struct Case { const char* what; int modifiers; int start; std::vector<Frame> frames; };
    const Case cases[] = {
        {"repeats after a quarter second, then every fiftieth", 0, 10,
         {{1, 1.00, 1, 11}, {1, 1.10, 1, 11}, {1, 1.24, 1, 11}, {1, 1.26, 1, 12}, {1, 1.30, 1, 12},
          {1, 1.32, 1, 13}, {1, 1.38, 1, 14}}},
        {"moving while holding starts a fresh press", 0, 10,
         {{1, 1.00, 1, 11}, {1, 1.02, 0, 11}, {1, 1.04, 1, 12}, {1, 1.20, 1, 12}}},
        {"a release does not step", 0, 10, {{1, 1.00, 1, 11}, {1, 1.02, 0, 11}, {1, 1.04, 2, 11}}},
        {"Shift steps by the big step", kModifierShift, 10, {{1, 1.0, 1, 26}, {-1, 2.0, 0, 26}, {-1, 3.0, 1, 10}}},
        {"clamped at the top", kModifierShift, 250, {{1, 1.0, 1, 255}}},
        {"clamped at the bottom", kModifierShift, 3, {{-1, 1.0, 1, 0}}},
        {"a button that is not hittable ignores clicks", 0, 10, {{0, 1.0, 1, 10}}},
    };
    for (const Case& c : cases) {
        ModifierState = c.modifiers;
        value = c.start;
        up->hittable = !c.frames.empty() && c.frames[0].button != 0;
        for (const Frame& f : c.frames) {
            HeldFrame(f.button < 0 ? down : up, f.time, f.state);
            EXPECT_EQ(value, f.value) << c.what << " at " << f.time;
        }
        HeldFrame(up, 10.0, 0);  // let go
        HeldFrame(down, 10.0, 0);
    }
}

TEST_F(NumberField, ValueTextWidthFollowsTheMaximum) {
    value = 7;
    EXPECT_STREQ(up->GetValueText(), "007");
    up->hex = true;
    value = 10;
    EXPECT_STREQ(up->GetValueText(), "0A");  // "%02x" of 255 is two digits
    up->maximum = 0xFFF;
    EXPECT_STREQ(up->GetValueText(), "00A");
    up->hex = false;
    up->maximum = 9;
    up->displayOffset = 1;
    value = 4;
    EXPECT_STREQ(up->GetValueText(), "5");
}

TEST_F(NumberField, ValueIsDrawnLeftOfTheButtonAndCaptionLeftOfTheValue) {
    Clear();
    value = 42;
    DrawTree(roots);
    // "042" ends 2 pixels before the button at x 100: it starts at 100 - 24 - 2.
    // The sheet row of '0' has ink in the middle columns; look for any ink
    // in the value's cells and none just right of them.
    auto inkIn = [this](int x0, int x1, int y0, int y1) {
        for (int yy = y0; yy < y1; ++yy)
            for (int xx = x0; xx < x1; ++xx)
                if (Pixel(xx, yy) == Rgba{180, 180, 180, 255}) return true;
        return false;
    };
    int textY = 50 + 2 + (16 - 16) / 2;
    EXPECT_TRUE(inkIn(74, 98, textY, textY + 18));
    EXPECT_FALSE(inkIn(60, 74, textY, textY + 18));  // caption is not in the value colour
}

}  // namespace
}  // namespace qn::testing
