// The main window: the Escape switch, the menu bar, the root panel with the
// logo and the editor panes, and the status bar. The instrument editor and
// wave editor windows are built in instrument_window.cpp and wave_window.cpp.
#include <cmath>
#include <memory>

#include "app/app.h"
#include "app/status_bar.h"
#include "gui/button.h"

namespace qn {

constexpr int kWideShift = 256;
constexpr int kLogoX = 421;
constexpr int kLogoStartX = 621;
constexpr SDL_Rect kLogoIcon = {62, 0, 208, 50};

void App::CreateMainWindow() {
    BeginWindow(kMainWindow, &App::CreateMainWindow, kCommandInstrumentWindow);

    GuiItem* root = AddRootPanel();
    if (prefs->wideGui) root->x = kWideShift;
    rootPanel = root;

    Button* logo = root->Add(new Button());
    logo->iconSource = kLogoIcon;
    logo->x = kLogoX;
    logo->y = 0;
    logo->w = 212;
    logo->h = 52;
    logo->frame = false;
    logo->highlightOnClick = false;
    if (!logoShown) {
        // Glides in from the right the first time the window is shown; the
        // position is kept in float so the last pixels are not truncated away.
        logoShown = true;
        auto position = std::make_shared<float>(float(kLogoStartX));
        logo->x = kLogoStartX;
        logo->onUpdate = [logo, position] {
            *position += (float(kLogoX) - *position) * frameDelta * 4.0f;
            if (std::fabs(*position - float(kLogoX)) < 0.5f) *position = float(kLogoX);
            logo->x = int(std::lround(*position));
        };
    }

    CreateMainWindowPanels(root);
    CreateEditorPanes(root);

    // The status bar's y adds 26 to the pattern pane's bottom in the root
    // panel's coordinates, which puts it just below the pane on screen.
    AddStatusBar(this, patternPane ? patternPane->y + patternPane->h + 26 : logicalHeight - 15);
    focusPane = patternPane;
    lastSwitchToSequence = false;
    if (patternPane) {
        MouseEvent idle;
        PressWidget(items, patternPane, &idle, &capturedItemId);
    }
}

}  // namespace qn
