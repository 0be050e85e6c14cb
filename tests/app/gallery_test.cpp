// Frames for a person to look at, saved beside the test binary as
// frames/NAME.bmp: the main, instrument and wave windows with the demo song
// at GUI sizes 1.0, 1.5, 2.0 and Wide, and a window of every toolkit widget.
#include "gui/button.h"
#include "gui/gauge.h"
#include "gui/label.h"
#include "gui/menu.h"
#include "gui/number_field.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

#include "editors/area_instrument.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

template <typename Item>
void Box(Item* item, int x, int y, int w, int h) {
    item->x = x;
    item->y = y;
    item->w = w;
    item->h = h;
}

void BuildGallery(App* app) {
    static int speed = 6, rows = 64, hexValue = 0x1F;
    static bool loop = true;
    GuiItem* bar = new GuiItem();
    bar->w = app->logicalWidth + 2;
    bar->h = 20;
    bar->customColours = true;
    bar->background = Rgba{255, 255, 255, 255};
    bar->textColour = Rgba{0, 0, 0, 255};
    app->items.push_back(bar);
    ButtonMenu* menu = bar->Add(new ButtonMenu());
    menu->font = app->basensFont;
    menu->customColours = true;
    menu->background = Rgba{255, 255, 255, 255};
    menu->textColour = Rgba{0, 0, 0, 255};
    menu->SetText("Song");
    Box(menu, 16, 1, 32, 18);
    menu->AddEntry("New Song", 0, 0, 12);
    menu->AddEntry("Load Song", KMOD_CTRL, SDLK_l, 16);
    menu->AddEntry("Save Song", KMOD_CTRL, SDLK_s, 2);
    menu->AddEntry(nullptr, 0, 0, 0);
    menu->AddEntry("Steps in Hex", 0, 0, 46, &loop);
    menu->AddEntry("Quit", KMOD_ALT, SDLK_F4, 1);
    menu->Open();
    menu->dropDown->children[1]->OnHover();

    GuiItem* pane = new GuiItem();
    Box(pane, 300, 40, 320, 250);
    app->items.push_back(pane);
    SimpleText* title = pane->Add(new SimpleText());
    title->text = "Sequence Editor";
    title->x = 8;
    title->y = 4;
    AddNumberField(pane, 120, 30, nullptr, 1, 255, 1, 16, 0, "SPEED", [](int v) { speed = v; },
                   [] { return speed; });
    AddNumberField(pane, 120, 50, nullptr, 1, 128, 1, 16, 0, "ROWS", [](int v) { rows = v; },
                   [] { return rows; });
    ButtonNumber* hex = AddNumberField(pane, 120, 70, nullptr, 0, 255, 1, 16, 0, "HEX",
                                       [](int v) { hexValue = v; }, [] { return hexValue; });
    hex->hex = true;
    const char* labels[3] = {"Play", "Pattern", "Stop"};
    for (int i = 0; i < 3; ++i) {
        Button* button = pane->Add(new ButtonUser(18));
        Box(button, 8 + i * 72, 100, 68, 18);
        button->label = labels[i];
    }
    ButtonSync* toggle = pane->Add(new ButtonSync());
    Box(toggle, 8, 130, 18, 13);
    toggle->iconSource = SDL_Rect{0, 77, 14, 9};
    toggle->getState = [] { return loop; };
    toggle->caption = "Voice 1";
    GuiItemGauge* gauge = pane->Add(new GuiItemGauge());
    Box(gauge, 8, 160, 300, 20);
    gauge->fraction = 0.6f;
    GuiItem* text = pane->Add(new GuiItem());
    Box(text, 8, 190, 300, 52);
    Font* small = app->smallFont;
    text->onDraw = [text, small] {
        SDL_Rect r = text->AbsoluteRect();
        small->DrawText("<u>COMMANDS</u>\n0xy Arpeggio    1xx Slide up\n3xx Portamento  Cxx Volume", r.x + 4,
                        r.y + 2, Rgba{255, 255, 255, 255});
    };
    GuiItem* notes = new GuiItem();
    Box(notes, 8, 300, 624, 260);
    app->items.push_back(notes);
    notes->onDraw = [notes] {
        SDL_Rect r = notes->AbsoluteRect();
        for (int row = 0; row < 16; ++row) {
            char line[128];
            std::snprintf(line, sizeof(line),
                          "<cffff80>%02d<cp0> C-3 01 A0F <c80ff80>D#2 1F 000<cp0> --- 00 000 G-1 0A 4C0 "
                          "The quick brown fox jumps",
                          row);
            gBaseFont->DrawText(line, r.x + 4, r.y + 2 + row * 16, Rgba{255, 255, 255, 255});
        }
    };
    app->SetStatus("Song saved.");
}

struct Size {
    int command;  // 0: GUI size 1.0
    const char* suffix;
};

TEST(Gallery, EveryWindowAtEveryGuiSize) {
    const Size sizes[] = {{0, "1.0"}, {kCommandGuiSize15, "1.5"}, {kCommandGuiSize20, "2.0"}, {kCommandWideGui, "wide"}};
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.suffix);
        std::string suffix = size.suffix;
        AppHarness harness({}, QUILLNOTE_SOURCE_DIR "/songs/demo.qnt");
        ASSERT_TRUE(harness.started);
        App* app = harness.app;
        if (size.command) harness.Command(size.command);
        harness.Frame(3);
        harness.Command(kCommandStopSong);
        harness.Frame(2);
        SetFixedText(app->document->title, kTitleLength, "Demo Song");
        SetFixedText(app->document->author, kTitleLength, "Quillnote");
        app->editMode = true;
        for (SDL_Keycode key : {SDLK_DOWN, SDLK_DOWN, SDLK_q, SDLK_e, SDLK_t, SDLK_RIGHT, SDLK_1, SDLK_a})
            harness.KeyDown(key);
        harness.KeyDown(SDLK_DOWN, KMOD_LSHIFT);
        harness.Frame(3);
        for (int tick = 0; tick < 10; ++tick) {
            std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
            app->RenderAudioTick();  // the scope shows what was played
        }
        harness.SettleStatus();
        std::string main = suffix == "1.0" ? "main_window" : "main_window_" + suffix;
        EXPECT_FALSE(harness.SaveFrame(main.c_str()).empty());
        EXPECT_EQ(app->logicalWidth, suffix == "wide" ? kWideLogicalWidth : kLogicalWidth);

        // An arpeggio on wave 1: C, D#, G, then back to the start; step 4 is
        // a fixed-pitch step linked to the next, which shows no note.
        const InstrumentStep program[] = {{1, 0, 1}, {4, 0, 0}, {8, 0, 0}, {13, 0x0B, 0}, {0xC0 | 25, 0x0C, 0x20}, {3, 0, 0}};
        std::copy(std::begin(program), std::end(program), app->document->song.instrumentSteps[2]);
        app->currentInstrument = 3;
        harness.Command(kCommandInstrumentWindow);
        harness.Frame(2);
        ASSERT_EQ(app->currentWindow, kInstrumentWindow);
        app->PreviewNote(25);
        for (int tick = 0; tick < 6; ++tick) {
            std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
            app->RenderAudioTick();
        }
        auto* pane = static_cast<AreaInstrument*>(app->instrumentPane);
        pane->cursor = 5;
        pane->Column()->currentColumn = 2;
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("instrument_window_" + suffix).c_str()).empty());

        harness.Command(kCommandWaveWindow);
        harness.Frame(2);
        ASSERT_EQ(app->currentWindow, kWaveWindow);
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("wave_window_" + suffix).c_str()).empty());

        if (suffix == "wide") continue;
        harness.Command(kCommandMainWindow);
        harness.Frame();
        BuildGallery(app);
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(("gallery_" + suffix).c_str()).empty());
    }
}

}  // namespace
}  // namespace qn::testing
