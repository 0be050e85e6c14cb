// The wave editor window: the Escape switch back to the instrument editor,
// the menu bar, the wave list, the wave editor's pane with its wave view,
// and the status bar.
#include "app/app.h"
#include "app/status_bar.h"
#include "editors/area_synth_wave.h"
#include "editors/song_lists.h"

namespace qn {

void App::CreateWaveWindow() {
    BeginWindow(kWaveWindow, &App::CreateWaveWindow, kCommandInstrumentWindow);

    GuiItem* root = AddRootPanel();
    root->Add(new WaveList(MakeListContext(), 8, 0, 212, 440, false));
    new AreaSynthWave(this, root, 220, 0);

    AddStatusBar(this, logicalHeight - 15);
}

}  // namespace qn
