// Command buttons, toggles, key switches, the gauge and the colour picker.
#include "gui/button.h"
#include "gui/color_picker.h"
#include "gui/gauge.h"
#include "gui/label.h"
#include "gui/switcher.h"
#include "tests/gui/canvas.h"

namespace qn::testing {
namespace {

using Buttons = Canvas;

MouseEvent State(int state) {
    MouseEvent mouse;
    mouse.state = state;
    return mouse;
}

TEST_F(Buttons, UserButtonPostsOnReleaseAndSwitcherOnItsKey) {
    TakeCommands();
    auto* button = new ButtonUser(18);
    roots.push_back(button);
    EXPECT_EQ(button->h, 16);  // the base font's glyph height
    MouseEvent press = State(1), release = State(2);
    button->OnMouseButton(&press);
    EXPECT_TRUE(TakeCommands().empty());
    button->OnMouseButton(&release);
    GuiItemSwitcher switcher(SDLK_ESCAPE, 34);
    SDL_Keysym key{};
    key.sym = SDLK_a;
    EXPECT_FALSE(switcher.OnKey(key));
    key.sym = SDLK_ESCAPE;
    EXPECT_TRUE(switcher.OnKey(key));
    EXPECT_EQ(TakeCommands(), (std::vector<int>{18, 34}));
}

TEST_F(Buttons, SyncButtonFlipsOncePerPressAndShowsTheGettersState) {
    bool state = false;
    int setterCalls = 0;
    auto* toggle = new ButtonSync();
    toggle->getState = [&] { return state; };
    toggle->setState = [&](bool on) { state = on, ++setterCalls; };
    toggle->iconColour = Rgba{10, 20, 30, 255};
    roots.push_back(toggle);
    MouseEvent press = State(1), release = State(2);
    // Pressed, still held next frame, released: one flip, every delivery reported.
    for (MouseEvent* event : {&press, &press, &release}) {
        toggle->OnMouseButton(event);
        toggle->Update();
        EXPECT_TRUE(state);
    }
    EXPECT_EQ(setterCalls, 3);
    DrawTree(roots);
    EXPECT_TRUE(toggle->invertPressed);
    EXPECT_EQ(toggle->thirdColour, (Rgba{10, 20, 30, 192}));
    toggle->Update();
    toggle->OnMouseButton(&press);
    EXPECT_FALSE(state);
    DrawTree(roots);
    EXPECT_FALSE(toggle->invertPressed);
    EXPECT_EQ(toggle->thirdColour.a, 255);
}

TEST_F(Buttons, DrawnWidgets) {
    const Rgba light{235, 235, 235, 255}, dark{47, 47, 47, 255}, black{0, 0, 0, 255}, white{255, 255, 255, 255};
    auto* button = new Button();
    Place(button, 10, 10, 20, 10);
    auto* gauge = new GuiItemGauge();
    Place(gauge, 0, 100, 108, 20);
    gauge->fraction = 0.5f;
    auto* text = new SimpleText();
    text->text = "I";
    Place(text, 300, 10, 50, 20);
    text->customColours = true;
    text->textColour = Rgba{0, 255, 0, 255};
    roots = {button, gauge, text};
    DrawTree(roots);
    // The button box starts two pixels right of x; the gauge bar runs from x 4 for
    // 0.5 x 108 - 8 = 46 pixels (4..49) inside a four-pixel inset; the text has no box.
    const std::pair<SDL_Point, Rgba> pixels[] = {{{12, 15}, light}, {{11, 15}, black},   {{4, 104}, white},
                                                 {{49, 115}, white}, {{50, 110}, black}, {{4, 116}, black},
                                                 {{300, 10}, black}};
    for (auto [at, colour] : pixels) EXPECT_EQ(Pixel(at.x, at.y), colour) << at.x << "," << at.y;
    bool green = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 300; x < 308; ++x) green = green || Pixel(x, y) == Rgba{0, 255, 0, 255};
    EXPECT_TRUE(green);
    // Pressed, and for one frame after the click, the left edge is dark.
    MouseEvent press = State(1);
    button->OnMouseButton(&press);
    for (Rgba expected : {dark, dark, light}) {
        DrawTree(roots);
        EXPECT_EQ(Pixel(12, 15), expected);
        button->Update();
    }
}

TEST_F(Buttons, IntegerHsvAndTheColourPicker) {
    EXPECT_EQ(HsvToRgb(100, 0, 255), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(HsvToRgb(0, 255, 0), (Rgba{0, 0, 0, 255}));  // p = q = t = 0
    // hue 50: region 1, remainder (50 - 43) * 6 = 42; s 128, v 127:
    // p = 127 * 127 / 256 = 63; q = 127 * (255 - 128 * 42 / 256) / 256 = 127 * 234 / 256 = 116.
    EXPECT_EQ(HsvToRgb(50, 128, 127), (Rgba{63, 127, 116, 255}));
    auto* picker = new GuiItemColorPicker();
    Place(picker, 100, 100, 200, 100);
    Rgba picked{};
    int picks = 0;
    picker->onPick = [&](Rgba c) { picked = c, ++picks; };
    roots.push_back(picker);
    DrawTree(roots);
    EXPECT_EQ(Pixel(150, 100), (Rgba{235, 235, 235, 255}));         // the box border
    EXPECT_EQ(picker->PixelAt(50, 0), (Rgba{255, 255, 255, 255}));  // s = 0: white
    EXPECT_EQ(Pixel(150, 101), picker->PixelAt(50, 1));             // the palette is drawn
    MouseEvent mouse = State(1);
    mouse.x = 50;  // left of the picker: clamped to column 0, hue 0
    mouse.y = 150;
    picker->OnMouseButton(&mouse);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(picked, picker->PixelAt(0, 50));
    const int s = int(255.0f / 100.0f * 50.0f);
    EXPECT_EQ(picked, HsvToRgb(0, s, 255 - s));
}

}  // namespace
}  // namespace qn::testing
