// Keys: queued keys go to the widgets first; the first key that none of
// them takes is an application key, and the rest wait for the next frame.
#include <algorithm>
#include <mutex>

#include "app/app.h"

namespace qn {

// Modifiers other than NumLock and CapsLock.
static bool HasModifiers(const SDL_Keysym& key) { return (key.mod & ~(KMOD_NUM | KMOD_CAPS)) != 0; }

void App::HandleKey() {
    while (!KeyQueue.empty()) {
        SDL_Keysym key = KeyQueue.front();
        KeyQueue.pop_front();
        if (OfferKey(items, key)) continue;
        HandleApplicationKey(key);
        return;
    }
}

void App::HandleApplicationKey(const SDL_Keysym& keysym) {
    SDL_Keysym key = keysym;
    bool ctrl = (key.mod & KMOD_CTRL) != 0;
    bool shift = (key.mod & KMOD_SHIFT) != 0;
    int command = 0;

    if (ctrl && key.sym >= SDLK_0 && key.sym <= SDLK_9) {
        editSkip = key.sym - SDLK_0;
        SetStatus("Set Editskip: %d", editSkip);
    }
    if (ctrl && key.sym == SDLK_RETURN) {
        command = 36;  // play the cursor row
        key.sym = 0;
    }
    if (!HasModifiers(key) && key.sym >= SDLK_F1 && key.sym <= SDLK_F4) {
        currentOctave = std::clamp(int(key.sym - SDLK_F1), 0, 4);
    }
    if (key.sym == SDLK_RALT) command = shift ? 30 : 29;
    if ((key.mod & KMOD_LALT) && (key.sym == SDLK_UP || key.sym == SDLK_DOWN) && document) {
        // The Replayer moves the position while it plays.
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        Song& song = document->song;
        if (song.sequenceLength == 0) {
            song.currentPosition = song.restartPosition;
        } else {
            int position = int(song.currentPosition) + (key.sym == SDLK_UP ? -1 : 1);
            song.currentPosition = uint32_t(std::clamp(position, 0, int(song.sequenceLength) - 1));
        }
    }
    if (key.sym == SDLK_RCTRL) command = shift ? 31 : 18;
    if (key.sym == SDLK_SPACE) command = shift ? 33 : 32;
    if (currentWindow != kWaveWindow) {
        int step = 0;
        bool selector = false;
        if ((key.sym == SDLK_KP_MINUS && !HasModifiers(key)) || (ctrl && key.sym == SDLK_UP)) {
            step = -1;
            selector = true;
        } else if ((key.sym == SDLK_KP_PLUS && !HasModifiers(key)) || (ctrl && key.sym == SDLK_DOWN)) {
            step = 1;
            selector = true;
        }
        if (selector && shift) step = 0;
        if (selector) {
            int instrument = currentInstrument + step;
            currentInstrument = instrument >= 31 ? 31 : (instrument < 2 ? 1 : instrument);
            if (step != 0) instrumentPage = std::clamp((currentInstrument - 1) / 16, 0, 1);
        }
    }
    if (key.sym == SDLK_RETURN && !shift) SwitchPaneFocus();
    if (command != 0) PostCommand(command);
}

void App::SwitchPaneFocus() {
    if (!focusPane) {
        focusPane = lastSwitchToSequence ? sequencePane : patternPane;
        return;
    }
    MouseEvent idle;
    if (focusPane != patternPane) {
        if (patternPane) PressWidget(items, patternPane, &idle, &capturedItemId);
        focusPane = patternPane;
        lastSwitchToSequence = false;
    } else {
        if (sequencePane) PressWidget(items, sequencePane, &idle, &capturedItemId);
        focusPane = sequencePane;
        lastSwitchToSequence = true;
    }
}

}  // namespace qn
