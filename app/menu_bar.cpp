// The menu bar every window starts with. Its menus depend on the open
// window, and it is rebuilt with each window, so the Window menu and the
// check marks always follow the current state.
#include <cstring>

#include "app/app.h"
#include "gui/color_picker.h"
#include "gui/font.h"
#include "gui/label.h"
#include "gui/menu.h"
#include "gui/switcher.h"

namespace qn {

// Redo is also matched by Shift alone: Shift+Z without Ctrl redoes.
constexpr int kRedoMask = KMOD_LCTRL | KMOD_LSHIFT | KMOD_RSHIFT;
constexpr int kTitleX = 16;
constexpr int kTitleGap = 24;
constexpr int kBarRightMargin = 10;
constexpr Rgba kBarLabelColour = {148, 148, 148, 255};
constexpr const char* kBarLabel = "Quillnote v1.0";

// The colour picker of "Background Color": a palette field under the menu
// bar; a click sets the background and closes it, as does Escape.
static void OpenBackgroundPicker(App& app) {
    for (GuiItem* item : app.items)
        if (dynamic_cast<GuiItemColorPicker*>(item)) return;  // already open
    auto* picker = new GuiItemColorPicker();
    picker->x = 16;
    picker->y = kMenuBarHeight + 8;
    picker->w = 256;
    picker->h = 128;
    picker->overlay = true;
    picker->onPick = [&app, picker](Rgba colour) {
        app.background = Rgba{colour.r, colour.g, colour.b, app.background.a};
        picker->dead = true;
    };
    // It opens over the sequence editor: first in the list it is hit before
    // the panes, and as an overlay it is drawn over them.
    app.items.insert(app.items.begin(), picker);
}

static ButtonMenu* AddMenu(GuiItem* bar, Font* font, const char* title, int* x) {
    auto* menu = bar->Add(new ButtonMenu());
    menu->font = font;
    menu->customColours = true;
    menu->background = Rgba{255, 255, 255, 255};
    menu->textColour = Rgba{0, 0, 0, 255};
    menu->SetText(title);
    int glyphHeight = font ? font->glyphHeight : 16;
    int textWidth = font ? font->TextWidth(title) : 8 * int(std::strlen(title));
    menu->x = *x;
    menu->h = glyphHeight + 2;
    menu->y = (bar->h - menu->h) / 2;
    menu->w = textWidth;
    *x += kTitleGap + textWidth;
    return menu;
}

GuiItem* App::CreateMenuBar() {
    Font* font = basensFont;
    int glyphHeight = font ? font->glyphHeight : 16;
    auto* bar = new GuiItem();
    bar->x = 0;
    bar->y = 0;
    bar->w = logicalWidth + 2;
    bar->h = glyphHeight + 4;
    bar->customColours = true;
    bar->background = Rgba{255, 255, 255, 255};
    bar->textColour = Rgba{0, 0, 0, 255};
    bar->frame = true;
    bar->fill = true;

    bool mainWindow = currentWindow == kMainWindow;
    bool instrumentWindow = currentWindow == kInstrumentWindow;
    bool waveWindow = currentWindow == kWaveWindow;
    int x = kTitleX;

    ButtonMenu* song = AddMenu(bar, font, "Song", &x);
    song->AddEntry("New Song", 0, 0, kCommandNewSong);
    song->AddEntry("New Song (keep Instruments)", 0, 0, kCommandNewSongKeepInstruments);
    song->AddEntry("Load Song", KMOD_CTRL, SDLK_l, kCommandLoadSong);
    song->AddEntry("Save Song", KMOD_CTRL, SDLK_s, kCommandSaveSong);
    song->AddEntry("Save Song As...", 0, 0, kCommandSaveSongAs);
    song->AddEntry("Optimize Song", 0, 0, kCommandOptimizeSong);
    song->AddEntry(nullptr, 0, 0, kCommandNone);
    song->AddEntry("Import ProTracker", 0, 0, kCommandImportProTracker);
    song->AddEntry("Import Qxm", 0, 0, kCommandImportQxm);
    song->AddEntry(nullptr, 0, 0, kCommandNone);
    song->AddEntry("Export Wav", 0, 0, kCommandExportWav);
    song->AddEntry("Export Amiga EXE", 0, 0, kCommandExportAmigaExe);
    song->AddEntry(nullptr, 0, 0, kCommandNone);
    song->AddEntry("Quit", KMOD_ALT, SDLK_F4, kCommandQuit);

    if (!waveWindow) {
        ButtonMenu* edit = AddMenu(bar, font, "Edit", &x);
        edit->AddEntry("Undo", KMOD_CTRL, SDLK_z, kCommandUndo).excludedMask = KMOD_SHIFT;
        edit->AddEntry("Redo", kRedoMask, SDLK_z, kCommandRedo);
    }

    if (mainWindow) {
        ButtonMenu* play = AddMenu(bar, font, "Play", &x);
        play->AddEntry("Play Song", 0, SDLK_RCTRL, kCommandPlaySong);
        play->AddEntry("Play Song", 0, SDLK_LESS, kCommandPlaySong).hidden = true;
        play->AddEntry("Play Song from Cursor", KMOD_SHIFT, SDLK_RCTRL, kCommandPlaySongFromCursor);
        play->AddEntry("Play Song from Cursor", KMOD_SHIFT, SDLK_LESS, kCommandPlaySongFromCursor).hidden = true;
        play->AddEntry("Play Pattern", 0, SDLK_RALT, kCommandPlayPattern);
        play->AddEntry("Play Pattern from Cursor", KMOD_SHIFT, SDLK_RALT, kCommandPlayPatternFromCursor);
        play->AddEntry("Stop Song", 0, SDLK_SPACE, kCommandStopSong);
    }

    if (instrumentWindow) {
        ButtonMenu* instrument = AddMenu(bar, font, "Instrument", &x);
        instrument->AddEntry("Load Instrument", 0, 0, kCommandLoadInstrument);
        instrument->AddEntry("Save Instrument", 0, 0, kCommandSaveInstrument);
        instrument->AddEntry("Clear Instrument", KMOD_SHIFT, SDLK_F3, kCommandClearInstrument);
        instrument->AddEntry("Copy Instrument", KMOD_SHIFT, SDLK_F4, kCommandCopyInstrument);
        instrument->AddEntry("Paste Instrument", KMOD_SHIFT, SDLK_F5, kCommandPasteInstrument);
        instrument->AddEntry("Clear unused waves", KMOD_SHIFT, 0, kCommandClearUnusedWaves);
    }

    if (waveWindow) {
        ButtonMenu* waves = AddMenu(bar, font, "Waves", &x);
        waves->AddEntry("Clear Wave", KMOD_SHIFT, SDLK_F3, kCommandClearWave);
        waves->AddEntry("Copy Wave", KMOD_SHIFT, SDLK_F4, kCommandCopyWave);
        waves->AddEntry("Paste Wave", KMOD_SHIFT, SDLK_F5, kCommandPasteWave);
        waves->AddEntry("Normalize Waves", 0, 0, kCommandNormalizeWaves);
        waves->AddEntry("Waves volume -10%", KMOD_CTRL, SDLK_MINUS, kCommandWavesVolumeDown);
        waves->AddEntry("Waves volume +10%", KMOD_CTRL, SDLK_PLUS, kCommandWavesVolumeUp);
    }

    if (mainWindow) {
        Prefs* p = prefs;
        ButtonMenu* prefsMenu = AddMenu(bar, font, "Prefs", &x);
        prefsMenu->AddEntry("Full Stereo (like AMIGA)", 0, 0, kCommandFullStereo, nullptr,
                            [p] { return p->stereoMode == 2; });
        prefsMenu->AddEntry("Half Stereo", 0, 0, kCommandHalfStereo, nullptr, [p] { return p->stereoMode == 1; });
        prefsMenu->AddEntry("Mono", 0, 0, kCommandMono, nullptr, [p] { return p->stereoMode == 0; });
        prefsMenu->AddEntry(nullptr, 0, 0, kCommandNone);
        prefsMenu->AddEntry("Steps in Hex", 0, 0, kCommandStepsInHex, nullptr, [p] { return p->stepsInHex != 0; });
        prefsMenu->AddEntry("GuiSize 1.0", 0, 0, kCommandGuiSize10);
        prefsMenu->AddEntry("GuiSize 1.5", 0, 0, kCommandGuiSize15);
        prefsMenu->AddEntry("GuiSize 2.0", 0, 0, kCommandGuiSize20);
        prefsMenu->AddEntry("Wide Gui", 0, 0, kCommandWideGui, nullptr, [p] { return p->wideGui != 0; });
        prefsMenu->AddEntry("Background Color", 0, 0, kCommandNone).action = [this] { OpenBackgroundPicker(*this); };
    }

    ButtonMenu* windowMenu = AddMenu(bar, font, "Window", &x);
    if (!mainWindow) windowMenu->AddEntry("Main", KMOD_LALT, SDLK_F1, kCommandMainWindow);
    if (!instrumentWindow) windowMenu->AddEntry("Instruments", KMOD_LALT, SDLK_F2, kCommandInstrumentWindow);
    if (!waveWindow) windowMenu->AddEntry("Waves", KMOD_LALT, SDLK_F3, kCommandWaveWindow);

    auto* label = bar->Add(new GuiLabel());
    label->font = font;
    label->customColours = true;
    label->background = Rgba{255, 255, 255, 255};
    label->textColour = kBarLabelColour;
    label->SetText(kBarLabel);
    label->hittable = false;
    // Placed by its left edge so that it ends kBarRightMargin before the
    // bar's right edge: the label clips its drawing to its own box.
    label->x = bar->w - kBarRightMargin - (font ? font->TextWidth(kBarLabel) : 0);
    label->y = song->y + 2;
    label->w = font ? font->TextWidth(kBarLabel) : 0;
    label->h = glyphHeight;
    return bar;
}

void App::BeginWindow(WindowId window, void (App::*builder)(), int escapeCommand) {
    CloseWindows();
    rebuildWindow = [this, builder] { (this->*builder)(); };
    SelectUndoHistory(window);
    currentWindow = window;
    items.push_back(new GuiItemSwitcher(SDLK_ESCAPE, escapeCommand));
    menuBar = CreateMenuBar();
    items.push_back(menuBar);
}

GuiItem* App::AddRootPanel() {
    GuiItem* root = new GuiItem();
    root->frame = false;
    root->hittable = false;
    root->w = logicalWidth;
    root->h = logicalHeight;
    root->y = kMenuBarHeight + 4;
    items.push_back(root);
    return root;
}

}  // namespace qn
