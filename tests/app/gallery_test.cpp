// A window of every toolkit widget, saved as frames/gallery_*.bmp beside
// the test binary at the three GUI sizes, for a person to look at.
#include "gui/button.h"
#include "gui/gauge.h"
#include "gui/label.h"
#include "gui/menu.h"
#include "gui/number_field.h"

#include <cstdio>
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

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
    menu->x = 16;
    menu->y = 1;
    menu->w = 32;
    menu->h = 18;
    menu->AddEntry("New Song", 0, 0, 12);
    menu->AddEntry("Load Song", KMOD_CTRL, SDLK_l, 16);
    menu->AddEntry("Save Song", KMOD_CTRL, SDLK_s, 2);
    menu->AddEntry(nullptr, 0, 0, 0);
    menu->AddEntry("Steps in Hex", 0, 0, 46, &loop);
    menu->AddEntry("Quit", KMOD_ALT, SDLK_F4, 1);
    menu->Open();
    menu->dropDown->children[1]->OnHover();

    GuiItem* pane = new GuiItem();
    pane->x = 300;
    pane->y = 40;
    pane->w = 320;
    pane->h = 250;
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
        button->x = 8 + i * 72;
        button->y = 100;
        button->w = 68;
        button->h = 18;
        button->label = labels[i];
    }
    ButtonSync* toggle = pane->Add(new ButtonSync());
    toggle->x = 8;
    toggle->y = 130;
    toggle->w = 18;
    toggle->h = 13;
    toggle->iconSource = SDL_Rect{0, 77, 14, 9};
    toggle->getState = [] { return loop; };
    toggle->caption = "Voice 1";
    GuiItemGauge* gauge = pane->Add(new GuiItemGauge());
    gauge->x = 8;
    gauge->y = 160;
    gauge->w = 300;
    gauge->h = 20;
    gauge->fraction = 0.6f;
    GuiItem* text = pane->Add(new GuiItem());
    text->x = 8;
    text->y = 190;
    text->w = 300;
    text->h = 52;
    Font* small = app->smallFont;
    text->onDraw = [text, small] {
        SDL_Rect r = text->AbsoluteRect();
        small->DrawText("<u>COMMANDS</u>\n0xy Arpeggio    1xx Slide up\n3xx Portamento  Cxx Volume", r.x + 4,
                        r.y + 2, Rgba{255, 255, 255, 255});
    };
    GuiItem* notes = new GuiItem();
    notes->x = 8;
    notes->y = 300;
    notes->w = 624;
    notes->h = 260;
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

TEST(Gallery, EveryWidgetAtEveryGuiSize) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    BuildGallery(harness.app);
    harness.SettleStatus();
    EXPECT_FALSE(harness.SaveFrame("gallery_1.0").empty());
    const int commands[2] = {kCommandGuiSize15, kCommandGuiSize20};
    const char* names[2] = {"gallery_1.5", "gallery_2.0"};
    for (int i = 0; i < 2; ++i) {
        harness.Command(commands[i]);
        harness.Frame();  // the size change rebuilds the main window
        BuildGallery(harness.app);
        harness.SettleStatus();
        EXPECT_FALSE(harness.SaveFrame(names[i]).empty());
    }
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(harness.app->renderer, &width, &height);
    EXPECT_EQ(width, 1280);
}

}  // namespace
}  // namespace qn::testing

namespace qn::testing {
namespace {

// The main window with the demo song playing, saved as frames/main_window.bmp.
TEST(Gallery, MainWindowWithTheDemoSong) {
    std::string song = std::string(QUILLNOTE_SOURCE_DIR) + "/songs/demo.qnt";
    AppHarness harness({}, song.c_str());
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    App* app = harness.app;
    SetFixedText(app->document->title, kTitleLength, "Demo Song");
    SetFixedText(app->document->author, kTitleLength, "Quillnote");
    app->currentInstrument = 2;
    for (int tick = 0; tick < 10; ++tick) {
        std::lock_guard<std::recursive_mutex> lock(app->audioMutex);
        app->RenderAudioTick();  // the scope shows what was played
    }
    harness.SettleStatus();
    EXPECT_FALSE(harness.SaveFrame("main_window").empty());
}

}  // namespace
}  // namespace qn::testing
