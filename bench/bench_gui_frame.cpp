// One frame of a window full of text with the software renderer: 24 rows of
// 80 characters with colour tags, 32 buttons and 8 number fields, drawn and
// presented at GuiSize 1.0.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/bench_gui_app.h"
#include "gui/button.h"
#include "gui/number_field.h"

namespace qn::bench {
namespace {

void BM_FrameFullOfText(benchmark::State& state) {
    HeadlessScope scope;
    App* app = new App();
    gApp = app;
    app->Init();
    app->Update();
    app->Update();

    static char rows[24][128];
    for (int row = 0; row < 24; ++row) {
        // 80 visible characters: a row number, then note-like columns.
        std::snprintf(rows[row], sizeof(rows[row]),
                      "<cffff80>%02X<cp0> C-3 01 A0F <c80ff80>D#2 1F 000<cp0> --- 00 000 G-1 0A 4C0 ---------------"
                      "------------------",
                      row);
    }
    GuiItem* pane = new GuiItem();
    pane->w = 640;
    pane->h = 24 * 16;
    pane->y = 30;
    pane->onDraw = [pane] {
        SDL_Rect rect = pane->AbsoluteRect();
        for (int row = 0; row < 24; ++row)
            gBaseFont->DrawText(rows[row], rect.x, rect.y + row * 16, Rgba{255, 255, 255, 255});
    };
    app->items.push_back(pane);
    static int values[8] = {};
    GuiItem* panel = new GuiItem();
    panel->y = 420;
    panel->w = 640;
    panel->h = 150;
    app->items.push_back(panel);
    for (int i = 0; i < 32; ++i) {
        Button* button = panel->Add(new Button());
        button->x = 4 + (i % 8) * 78;
        button->y = 4 + (i / 8) * 20;
        button->w = 70;
        button->h = 16;
        button->label = "Button";
    }
    for (int i = 0; i < 8; ++i)
        AddNumberField(panel, 60 + (i % 4) * 150, 90 + (i / 4) * 20, nullptr, 0, 255, 1, 16, 0, "VAL",
                       [i](int v) { values[i] = v; }, [i] { return values[i]; });

    for (auto _ : state) app->Render();

    app->Shutdown();
    delete app;
    gApp = nullptr;
}
BENCHMARK(BM_FrameFullOfText)->Unit(benchmark::kMillisecond);

// The real main window with the demo song playing: sequence and pattern
// editors, song settings, menu bar and status bar, drawn and presented.
void BM_MainWindowPlaying(benchmark::State& state) {
    HeadlessScope scope;
    App* app = new App();
    gApp = app;
    app->startupSongPath = QUILLNOTE_SOURCE_DIR "/songs/demo.qnt";
    app->Init();
    app->Update();
    app->Update();
    if (state.range(0)) {
        app->PostCommand(kCommandWideGui);
        app->Update();
        app->PostCommand(kCommandPlaySong);
        app->Update();
    }
    for (auto _ : state) app->Render();
    app->Shutdown();
    delete app;
    gApp = nullptr;
}
BENCHMARK(BM_MainWindowPlaying)->Arg(0)->Arg(1)->ArgName("wide")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qn::bench
