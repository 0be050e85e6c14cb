// Numbered commands that the shell runs itself: quitting, edit mode and
// the display preferences. The file, play, undo and window commands join
// this switch as their subsystems arrive.
#include "app/app.h"

namespace qn {

static void ApplyWindowSize(App& app, int width, int height) {
    if (app.window) SDL_SetWindowSize(app.window, width, height);
    if (app.renderer) SDL_RenderSetLogicalSize(app.renderer, app.logicalWidth, app.logicalHeight);
    app.RecenterWindow();
}

void App::ExecuteCommand(int command) {
    switch (command) {
        case kCommandQuit:
            quit = true;
            break;
        case kCommandStopSong:
            if (!IsPlaying() && currentWindow != kWaveWindow) editMode = !editMode;
            StopPlayback();
            if (currentWindow == kWaveWindow)
                SetStatus("Playing stopped. Press SPACE to toggle edit mode.");
            else
                SetStatus("Playing stopped.");
            break;
        case kCommandStopKeepCursor:
            if (!IsPlaying()) editMode = !editMode;
            StopPlayback();
            SetStatus("Playing stopped. Press SPACE to toggle edit mode.");
            break;
        case kCommandGuiSize20:
            windowScale = 2;
            // The logical size is set again as well: after "Wide Gui" the
            // width has changed and the old size would stretch the picture.
            ApplyWindowSize(*this, 2 * logicalWidth, 2 * logicalHeight);
            prefs->guiSize = 2;
            break;
        case kCommandGuiSize15:
            windowScale = 1;
            ApplyWindowSize(*this, int(1.5 * logicalWidth), int(1.5 * logicalHeight));
            prefs->guiSize = 1;
            break;
        case kCommandGuiSize10:
            windowScale = 1;
            prefs->guiSize = 0;
            ApplyWindowSize(*this, logicalWidth, logicalHeight);
            break;
        case kCommandWideGui:
            prefs->wideGui = prefs->wideGui ? 0 : 1;
            logicalWidth = prefs->wideGui ? kWideLogicalWidth : kLogicalWidth;
            PostGuiSize();
            break;
        case kCommandStepsInHex:
            prefs->stepsInHex = prefs->stepsInHex ? 0 : 1;
            break;
        case kCommandFullStereo:
            prefs->stereoMode = 2;
            break;
        case kCommandHalfStereo:
            prefs->stereoMode = 1;
            break;
        case kCommandMono:
            prefs->stereoMode = 0;
            break;
        default:
            break;
    }
}

}  // namespace qn
