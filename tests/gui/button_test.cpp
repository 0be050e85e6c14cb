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

TEST_F(Buttons, UserButtonPostsItsCommandOnRelease) {
    TakeCommands();
    auto* button = new ButtonUser(18);
    roots.push_back(button);
    EXPECT_EQ(button->h, 16);  // the base font's glyph height
    MouseEvent press = State(1), release = State(2);
    button->OnMouseButton(&press);
    EXPECT_TRUE(TakeCommands().empty());
    button->OnMouseButton(&release);
    EXPECT_EQ(TakeCommands(), std::vector<int>{18});
}

TEST_F(Buttons, SyncButtonFlipsOncePerPressAndReportsEveryDelivery) {
    bool state = false;
    int setterCalls = 0;
    auto* toggle = new ButtonSync();
    toggle->getState = [&] { return state; };
    toggle->setState = [&](bool on) { state = on, ++setterCalls; };
    roots.push_back(toggle);
    MouseEvent press = State(1), release = State(2);
    toggle->OnMouseButton(&press);
    EXPECT_TRUE(state);
    toggle->Update();
    toggle->OnMouseButton(&press);  // still held next frame
    EXPECT_TRUE(state);
    toggle->Update();
    toggle->OnMouseButton(&release);
    EXPECT_TRUE(state);
    EXPECT_EQ(setterCalls, 3);
    toggle->Update();
    toggle->Update();
    toggle->OnMouseButton(&press);
    EXPECT_FALSE(state);
}

TEST_F(Buttons, SyncButtonShowsItsStateFromTheGetter) {
    bool state = true;
    auto* toggle = new ButtonSync();
    toggle->getState = [&] { return state; };
    toggle->iconColour = Rgba{10, 20, 30, 255};
    roots.push_back(toggle);
    DrawTree(roots);
    EXPECT_TRUE(toggle->lastState);
    EXPECT_TRUE(toggle->invertPressed);
    EXPECT_EQ(toggle->thirdColour, (Rgba{10, 20, 30, 192}));
    state = false;
    DrawTree(roots);
    EXPECT_FALSE(toggle->invertPressed);
    EXPECT_EQ(toggle->thirdColour.a, 255);
}

TEST_F(Buttons, ButtonBoxIsShiftedTwoPixelsRightAndLooksPressedWhileClicked) {
    Clear();
    auto* button = new Button();
    Place(button, 10, 10, 20, 10);
    roots.push_back(button);
    DrawTree(roots);
    EXPECT_EQ(Pixel(12, 15), (Rgba{235, 235, 235, 255}));  // left edge at x + 2
    EXPECT_EQ(Pixel(11, 15), (Rgba{0, 0, 0, 255}));
    MouseEvent press = State(1);
    button->OnMouseButton(&press);
    DrawTree(roots);
    EXPECT_EQ(Pixel(12, 15), (Rgba{47, 47, 47, 255}));  // pressed: left edge dark
    button->Update();
    DrawTree(roots);
    EXPECT_EQ(Pixel(12, 15), (Rgba{47, 47, 47, 255}));  // clicked last frame
    button->Update();
    DrawTree(roots);
    EXPECT_EQ(Pixel(12, 15), (Rgba{235, 235, 235, 255}));
}

TEST_F(Buttons, SwitcherTurnsItsKeyIntoACommand) {
    TakeCommands();
    GuiItemSwitcher switcher(SDLK_ESCAPE, 34);
    SDL_Keysym key{};
    key.sym = SDLK_a;
    EXPECT_FALSE(switcher.OnKey(key));
    key.sym = SDLK_ESCAPE;
    EXPECT_TRUE(switcher.OnKey(key));
    EXPECT_EQ(TakeCommands(), std::vector<int>{34});
}

TEST_F(Buttons, GaugeFillsItsFractionInsideAFourPixelInset) {
    Clear();
    auto* gauge = new GuiItemGauge();
    Place(gauge, 0, 0, 108, 20);
    gauge->fraction = 0.5f;
    roots.push_back(gauge);
    DrawTree(roots);
    // Bar from x 4, 0.5 * 108 - 8 = 46 pixels wide: 4..49.
    EXPECT_EQ(Pixel(4, 4), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(49, 15), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(50, 10), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(4, 16), (Rgba{0, 0, 0, 255}));
}

TEST_F(Buttons, IntegerHsvConversion) {
    EXPECT_EQ(HsvToRgb(100, 0, 255), (Rgba{255, 255, 255, 255}));
    // Hand-worked: hue 0, s 255, v 0 gives p = q = t = 0.
    EXPECT_EQ(HsvToRgb(0, 255, 0), (Rgba{0, 0, 0, 255}));
    // hue 50: region 1, remainder (50 - 43) * 6 = 42; s 128, v 127:
    // p = 127 * 127 / 256 = 63; q = 127 * (255 - 128 * 42 / 256) / 256 = 127 * 234 / 256 = 116.
    EXPECT_EQ(HsvToRgb(50, 128, 127), (Rgba{63, 127, 116, 255}));
}

TEST_F(Buttons, ColourPickerTopRowIsWhiteAndAClickPicksThePixel) {
    auto* picker = new GuiItemColorPicker();
    Place(picker, 100, 100, 200, 100);
    Rgba picked{};
    int picks = 0;
    picker->onPick = [&](Rgba c) { picked = c, ++picks; };
    roots.push_back(picker);
    DrawTree(roots);
    EXPECT_EQ(Pixel(150, 100 + 0), (Rgba{235, 235, 235, 255}));  // the box border
    EXPECT_EQ(picker->PixelAt(50, 0), (Rgba{255, 255, 255, 255}));  // s = 0: white
    EXPECT_EQ(Pixel(150, 101), picker->PixelAt(50, 1));  // the palette is copied into the widget
    MouseEvent mouse = State(1);
    mouse.x = 50;  // left of the picker: clamped to column 0
    mouse.y = 150;
    picker->OnMouseButton(&mouse);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(picked, picker->PixelAt(0, 50));
    // Column 0 is hue 0: red is the value, blue and green the low end.
    int s = int(255.0f / 100.0f * 50.0f);
    EXPECT_EQ(picked, HsvToRgb(0, s, 255 - s));
}

TEST_F(Buttons, LabelSizesItselfAndAlignsRight) {
    auto* label = new GuiLabel();
    label->w = 0;
    label->SetText("MAIN");
    label->x = 200;
    label->alignment = 1;
    roots.push_back(label);
    Clear();
    DrawTree(roots);
    EXPECT_EQ(label->w, 32);
    EXPECT_EQ(label->h, 16);
}

TEST_F(Buttons, SimpleTextDrawsWithoutABox) {
    auto* text = new SimpleText();
    text->text = "I";
    Place(text, 10, 10, 50, 20);
    text->customColours = true;
    text->textColour = Rgba{0, 255, 0, 255};
    roots.push_back(text);
    Clear();
    DrawTree(roots);
    EXPECT_EQ(Pixel(10, 10), (Rgba{0, 0, 0, 255}));  // no border
    bool green = false;
    for (int yy = 10; yy < 30; ++yy)
        for (int xx = 10; xx < 18; ++xx) green = green || Pixel(xx, yy) == Rgba{0, 255, 0, 255};
    EXPECT_TRUE(green);
}

}  // namespace
}  // namespace qn::testing
