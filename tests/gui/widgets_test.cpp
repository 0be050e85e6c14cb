// Widgets and text entry: what they post, step and draw (alone on black, read back from the headless App).
#include <cstring>
#include <vector>

#include "gui/button.h"
#include "gui/gauge.h"
#include "gui/label.h"
#include "gui/menu.h"
#include "gui/number_field.h"
#include "gui/render_view.h"
#include "gui/switcher.h"
#include "gui/text_edit.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

template <typename Item>
Item* Place(Item* item, int x, int y, int w, int h) { return item->x = x, item->y = y, item->w = w, item->h = h, item; }

class Widgets : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->CloseWindows();
        app()->background = Rgba{0, 0, 0, 255};
        SDL_FlushEvent(gCommandEventType);
    }
    template <typename Item>
    Item* Add(Item* item) {  // the window's list draws and deletes it
        app()->items.push_back(item);
        return item;
    }
    void Draw() {  // draws the window's list and reads the frame back
        app()->DrawFrame();
        SDL_GetRendererOutputSize(app()->renderer, &width, &height);
        frame.resize(size_t(width * height));
        SDL_RenderReadPixels(app()->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, frame.data(), width * 4);
    }
    Rgba At(int x, int y) const {
        uint32_t p = frame[size_t(y * width + x)];
        return Rgba{uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
    }
    // Whether the last frame read has a pixel of `colour` in [x0, x1) x [y0, y1).
    bool Any(Rgba colour, int x0, int x1, int y0, int y1) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == colour) return true;
        return false;
    }
    int width = 0, height = 0;
    std::vector<uint32_t> frame;
};

const Rgba kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255}, kLight{235, 235, 235, 255}, kDark{47, 47, 47, 255},
    kGreen{0, 255, 0, 255};

MouseEvent Mouse(int state) { return MouseEvent{.state = state}; }

std::vector<int> TakeCommands() {
    std::vector<int> commands;
    for (SDL_Event event; SDL_PeepEvents(&event, 1, SDL_GETEVENT, gCommandEventType, gCommandEventType) == 1;)
        commands.push_back(event.user.code);
    return commands;
}

TEST_F(Widgets, CommandButtonPostsOnReleaseSwitcherOnItsKeyToggleFlipsOncePerPress) {
    auto* button = Add(new ButtonUser(18));
    MouseEvent press = Mouse(1), release = Mouse(2);
    button->OnMouseButton(&press);
    EXPECT_TRUE(TakeCommands().empty());
    button->OnMouseButton(&release);
    GuiItemSwitcher switcher(SDLK_ESCAPE, 34);
    EXPECT_FALSE(switcher.OnKey(SDL_Keysym{SDL_SCANCODE_A, SDLK_a, 0, 0}));
    EXPECT_TRUE(switcher.OnKey(SDL_Keysym{SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, 0}));
    EXPECT_EQ(TakeCommands(), (std::vector<int>{18, 34}));

    bool state = false;
    int setterCalls = 0;  // every delivery reported
    auto* toggle = Add(new ButtonSync());
    toggle->getState = [&] { return state; };
    toggle->setState = [&](bool on) { state = on, ++setterCalls; };
    toggle->iconColour = Rgba{10, 20, 30, 255};
    for (MouseEvent* event : {&press, &press, &release}) {  // pressed, held, released: one flip
        toggle->OnMouseButton(event);
        toggle->Update();
    }
    Draw();
    EXPECT_TRUE(state && toggle->invertPressed && setterCalls == 3 && toggle->thirdColour == (Rgba{10, 20, 30, 192}));
    toggle->Update();
    toggle->OnMouseButton(&press);
    Draw();
    EXPECT_FALSE(state || toggle->invertPressed || toggle->thirdColour.a != 255);
}

TEST_F(Widgets, ButtonGaugeAndTextAreDrawn) {
    auto* button = Add(Place(new Button(), 10, 10, 20, 10));
    Add(Place(new GuiItemGauge(), 0, 100, 108, 20))->fraction = 0.5f;
    auto* text = Add(Place(new SimpleText(), 300, 10, 50, 20));
    text->text = "I", text->customColours = true, text->textColour = kGreen;
    Draw();
    // The button box starts 2 pixels right of x; the gauge bar runs 0.5 x 108 - 8 = 46 pixels (4..49) inset 4.
    const std::pair<SDL_Point, Rgba> pixels[] = {{{12, 15}, kLight},  {{11, 15}, kBlack}, {{4, 104}, kWhite},
                                                 {{49, 115}, kWhite}, {{50, 110}, kBlack}, {{4, 116}, kBlack},
                                                 {{300, 10}, kBlack}};
    for (auto [at, colour] : pixels) EXPECT_EQ(At(at.x, at.y), colour) << at.x << "," << at.y;
    EXPECT_TRUE(Any(kGreen, 300, 308, 10, 30));
    MouseEvent press = Mouse(1);  // pressed, and for one frame after the click, the left edge is dark
    button->OnMouseButton(&press);
    for (Rgba expected : {kDark, kDark, kLight}) {
        Draw();
        EXPECT_EQ(At(12, 15), expected);
        button->Update();
    }
}

TEST_F(Widgets, NumberFieldSteppingRepeatClampAndText) {
    int value = 10;
    ButtonNumber* down = nullptr;
    ButtonNumber* up = AddNumberField(Add(new GuiItem()), 100, 50, nullptr, 0, 255, 1, 16, 0, "SPEED",
                                      [&](int v) { value = v; }, [&] { return value; }, &down);
    // Frames of a held button (+1, -1; 0: +1 not hittable): time, mouse state (0: moved instead), value after.
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
        up->hittable = c.frames[0].button != 0;
        for (Frame f : c.frames) {
            totalTime = f.time;
            ButtonNumber* button = f.button < 0 ? down : up;
            MouseEvent mouse = Mouse(f.state);
            if (f.state != 0) button->OnMouseButton(&mouse);
            button->Update();
            EXPECT_EQ(value, f.value) << c.what << " at " << f.time;
        }
        up->Update(), down->Update(), up->Update(), down->Update();  // let go
    }
    // "042" ends 2 pixels before the button at x 100; the caption is not in the value colour.
    value = 42;
    Draw();
    EXPECT_TRUE(Any(up->textColour, 74, 98, 52, 70));
    EXPECT_FALSE(Any(up->textColour, 60, 74, 52, 70));
    // Only the + button shows the value, as wide as the maximum's in hex ("%02x" of 255) or decimal.
    EXPECT_EQ(down->GetValueText(), nullptr);
    struct Text { bool hex; int maximum, offset, value; const char* text; };
    for (Text t : {Text{false, 255, 0, 7, "007"}, {true, 255, 0, 10, "0A"}, {true, 0xFFF, 0, 10, "00A"},
                   {false, 9, 1, 4, "5"}}) {
        up->hex = t.hex, up->maximum = t.maximum, up->displayOffset = t.offset, value = t.value;
        EXPECT_STREQ(up->GetValueText(), t.text);
    }
}

TEST_F(Widgets, SampleViewLinesStayInsideTheirData) {
    auto lineRows = [&](const GuiItem* v) {  // the rows of the grey line in each inner column
        Draw();
        std::vector<std::vector<int>> columns(size_t(v->w - 2));
        for (int x = 0; x < v->w - 2; ++x)
            for (int y = v->y + 1; y < v->y + v->h - 1; ++y)
                if (At(v->x + 1 + x, y) == Rgba{127, 127, 127, 255}) columns[size_t(x)].push_back(y);
        return columns;
    };
    std::vector<int8_t> square(256);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 16) % 2 ? -127 : 127;
    auto* view = Add(Place(new RenderView8Bit(), 10, 10, 202, 102));
    view->data = square.data(), view->dataSize = 256;
    // Too short, or starting past the data: a flat line. Past the data's end only the data is read (ASan checks).
    for (auto [start, length] : {std::pair{0, 2}, {300, 256}}) {
        view->start = start, view->length = length;
        for (const auto& rows : lineRows(view)) EXPECT_EQ(rows, std::vector<int>{61});
    }
    view->start = 100, view->length = 100000, view->loopEnd = 255, view->subloopLength = 64, view->loopOffset = 10;
    int top = 1000, bottom = -1;  // a full-scale square wave spans the height
    for (const auto& rows : lineRows(view))
        for (int row : rows) top = std::min(top, row), bottom = std::max(bottom, row);
    EXPECT_GT(bottom - top, 90);
    auto* narrow = Add(Place(new RenderView8Bit(), 300, 10, 3, 20));
    narrow->data = square.data(), narrow->dataSize = narrow->length = 256;
    EXPECT_TRUE(lineRows(narrow)[0].empty());
}

// The title field of the main window, in window coordinates.
constexpr int kTitleX = 471, kTitleY = 53 + 24, kTitleHeight = 18;

class TextEditTest : public AppTest {
protected:
    void ClickTitle(int column = 15) { harness.Click(kTitleX + 4 + 8 * column, kTitleY + kTitleHeight / 2); }
    std::string Title() { return FixedText(harness.app->document->title, kTitleLength); }
};

TEST_F(TextEditTest, TypingAndKeysGiveTextAndCursor) {
    struct Stroke { SDL_Keycode sym; Uint16 mod; };
    struct Case { const char* typed; std::vector<Stroke> keys; const char* text; int cursor; };
    const Uint16 locks = KMOD_NUM | KMOD_CAPS;
    const Case cases[] = {
        {"Hello world", {{SDLK_LEFT, 0}, {SDLK_LEFT, 0}, {SDLK_BACKSPACE, 0}}, "Hello wold", 8},
        {"Hello world", {{SDLK_LEFT, KMOD_LCTRL}, {SDLK_DELETE, 0}}, "ello world", 0},
        {"Hello world", {{SDLK_LEFT, KMOD_LCTRL}, {SDLK_BACKSPACE, 0}}, "Hello world", 0},  // nothing before
        {"Hello world", {{SDLK_DELETE, 0}}, "Hello world", 11},                              // nothing after
        {"Hello world", {{SDLK_LEFT, locks}, {SDLK_LEFT, locks}}, "Hello world", 9},  // locks are no modifiers
        {"Hello world", {{SDLK_LEFT, KMOD_LALT}, {SDLK_SPACE, 0}, {SDLK_RIGHT, KMOD_LGUI}}, "Hello world", 11},
        {"Hello world", {{SDLK_RIGHT, 0}, {SDLK_LEFT, KMOD_RCTRL}, {SDLK_LEFT, 0}}, "Hello world", 0},
        // Printable ASCII only, cut to the field's 20 bytes, kept without a terminator.
        {"Ab\xC3\xA9\tcdefghijklmnopqrstuvwxyz", {}, "Abcdefghijklmnopqrst", 20},
    };
    for (const Case& c : cases) {
        std::memset(harness.app->document->title, 0, kTitleLength);
        ClickTitle();
        ASSERT_TRUE(gTextEdit.textFocus && SDL_IsTextInputActive());
        harness.Text(c.typed), harness.Frame();
        for (const Stroke& key : c.keys) Press(key.sym, key.mod, 1);
        EXPECT_EQ(gTextEdit.cursor, c.cursor) << c.text;
        Press(SDLK_ESCAPE, 0, 1);  // Escape commits as Return does
        EXPECT_FALSE(gTextEdit.textFocus);
        EXPECT_EQ(Title(), c.text);
    }
    // A full title shown again; a press puts the cursor before the character under it (the last pixel of 'd').
    ClickTitle(2);
    EXPECT_STREQ(gTextEdit.buffer, "Abcdefghijklmnopqrst");
    EXPECT_EQ(gTextEdit.cursor, 2);
    harness.Click(kTitleX + 4 + 8 * 3 + 7, kTitleY + 5);
    EXPECT_EQ(gTextEdit.cursor, 3);
    harness.Click(10, 300), harness.Frame();  // a press elsewhere commits
    EXPECT_FALSE(gTextEdit.textFocus || SDL_IsTextInputActive());
    // With a menu of the bar open, hovering another title opens that one instead.
    std::vector<ButtonMenu*> menus;
    for (GuiItem* item : harness.app->items.at(1)->children)  // the bar
        if (auto* menu = dynamic_cast<ButtonMenu*>(item)) menus.push_back(menu);
    ASSERT_GE(menus.size(), 2u);
    const SDL_Rect first = menus[0]->AbsoluteRect(), second = menus[1]->AbsoluteRect();
    harness.Click(first.x + 2, first.y + 2);
    harness.MouseMove(second.x + 2, second.y + 2), harness.Frame(2);
    EXPECT_EQ(std::pair(menus[0]->IsOpen(), menus[1]->IsOpen()), std::pair(false, true));
}

}  // namespace
}  // namespace qn::testing
