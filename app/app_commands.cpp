// Numbered commands that the shell runs itself: quitting, the song files,
// playing and stopping with edit mode, the windows and the preferences.
// The song operations (optimizer, imports, clipboards, instrument files,
// undo, wave volumes) run in app_song_operations.cpp; numbers nobody here
// knows go on to the widgets' command listeners only.
#include <mutex>

#include "app/app.h"

namespace qn {

static void ApplyWindowSize(App& app, int width, int height) {
    if (app.window) SDL_SetWindowSize(app.window, width, height);
    if (app.renderer) SDL_RenderSetLogicalSize(app.renderer, app.logicalWidth, app.logicalHeight);
    app.RecenterWindow();
}

// Commands that replace the song ask first when it has unsaved changes.
static bool ReplacesSong(int command) {
    return command == kCommandNewSong || command == kCommandNewSongKeepInstruments ||
           command == kCommandLoadSong || command == kCommandImportProTracker || command == kCommandImportQxm;
}

void App::ExecuteCommand(int command) {
    if (ReplacesSong(command) && !ConfirmDiscardChanges()) return;
    switch (command) {
        case kCommandQuit:
            quitRequested = true;
            break;
        case kCommandExportWav:
            ExportWavCommand();
            break;
        case kCommandExportAmigaExe:
            ExportAmigaCommand();
            break;
        case kCommandSaveSong:
            SaveSongCommand(false);
            break;
        case kCommandSaveSongAs:
            SaveSongCommand(true);
            break;
        case kCommandNewSong:
            NewSongCommand(false);
            break;
        case kCommandNewSongKeepInstruments:
            NewSongCommand(true);
            break;
        case kCommandLoadSong:
            LoadSongCommand();
            break;
        case kCommandPlaySong:
            PlaySong();
            SetStatus("Playing Song...(Press SPACE to stop)");
            break;
        case kCommandPlayPattern:
            PlayPattern();
            SetStatus("Playing Pattern...(Press SPACE to stop)");
            break;
        case kCommandPlayPatternFromCursor:
            PlayPatternFromCursor();
            SetStatus("Playing Pattern from Cursor...(Press SPACE to stop)");
            break;
        case kCommandPlaySongFromCursor:
            PlaySongFromCursor();
            SetStatus("Playing Song from Cursor...(Press SPACE to stop)");
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
            StopKeepingCursor();
            SetStatus("Playing stopped. Press SPACE to toggle edit mode.");
            break;
        case kCommandInstrumentWindow:
            CreateInstrumentWindow();
            break;
        case kCommandWaveWindow:
            CreateWaveWindow();
            break;
        case kCommandPlayOneRow:
            PlayOneRow();
            break;
        case kCommandMainWindow:
            CreateMainWindow();
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
        case kCommandHalfStereo:
        case kCommandMono: {
            // The audio callback reads the stereo mode for every buffer.
            std::lock_guard<std::recursive_mutex> lock(audioMutex);
            prefs->stereoMode = command == kCommandFullStereo ? 2 : (command == kCommandHalfStereo ? 1 : 0);
            break;
        }
        default:
            ExecuteSongOperation(command);
            break;
    }
}

}  // namespace qn
