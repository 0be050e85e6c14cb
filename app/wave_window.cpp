// The wave editor window: the Escape switch back to the instrument editor,
// the menu bar, the wave list, the wave editor's pane with its wave view,
// and the status bar.
#include "app/app.h"
#include "app/status_bar.h"
#include "editors/area_synth_wave.h"
#include "editors/song_lists.h"
#include "gui/switcher.h"

namespace qn {

void App::CreateWaveWindow() {
    CloseWindows();
    rebuildWindow = [this] { CreateWaveWindow(); };
    SelectUndoHistory(kWaveWindow);
    currentWindow = kWaveWindow;
    items.push_back(new GuiItemSwitcher(SDLK_ESCAPE, kCommandInstrumentWindow));
    menuBar = CreateMenuBar();
    items.push_back(menuBar);

    GuiItem* root = new GuiItem();
    root->frame = false;
    root->hittable = false;
    root->w = logicalWidth;
    root->h = logicalHeight;
    root->y = kMenuBarHeight + 4;
    items.push_back(root);
    root->Add(new WaveList(MakeListContext(), 8, 0, 212, 440, false));
    new AreaSynthWave(this, root, 220, 0);

    AddStatusBar(this, logicalHeight - 15);
}

}  // namespace qn
