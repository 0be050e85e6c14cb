#include "app/status_bar.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "gui/font.h"

namespace qn {

StatusBarBack::StatusBarBack(App* owner) : app(owner) {
    frame = false;
}

void StatusBarBack::Draw() {
    if (hidden || !gRenderer) return;
    SDL_Rect rect = AbsoluteRect();
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 128);
    SDL_RenderFillRect(gRenderer, &rect);
}

StatusBar::StatusBar(App* owner) : app(owner) {
    hittable = false;
    frame = false;
    customColours = true;
    textColour = Rgba{166, 226, 225, 255};
}

StatusBar::~StatusBar() {
    if (app && app->statusBar == this) app->statusBar = nullptr;
}

void StatusBar::Draw() {
    if (hidden) return;
    SDL_Rect rect = AbsoluteRect();
    Font* font = gBaseFont;
    std::snprintf(label, sizeof(label), "<cdddddd>STATUS: <cp0>");
    if (font) font->DrawText(label, rect.x, rect.y, textColour);

    if (rollPhase == 0.0f && std::strcmp(app->statusText, shownText) != 0) rollPhase = -0.01f;
    int textX = rect.x + 60;
    int textY = rect.y + int(float(h) * rollPhase);
    if (rollPhase != 0.0f) {
        bool wasEntering = rollPhase > 0.0f;
        rollPhase -= frameDelta * kRollSpeed;
        if (rollPhase < -1.0f) {
            // The old text has left upwards; the new one enters from below.
            rollPhase = 1.0f;
            std::snprintf(shownText, sizeof(shownText), "%s", app->statusText);
        } else if (wasEntering && rollPhase <= 0.0f) {
            rollPhase = 0.0f;
        }
    }

    std::snprintf(octave, sizeof(octave), "<ccccccc>OCTAVE %d <cp0>(F1-F4)", app->currentOctave);
    if (font) font->DrawText(octave, app->logicalWidth - 136, rect.y, textColour);

    ClipScope clip(rect);
    if (font) font->DrawText(shownText, textX, textY, textColour);
}

StatusBar* AddStatusBar(App* app, int y) {
    auto* back = new StatusBarBack(app);
    back->x = 0;
    back->y = y;
    back->w = app->logicalWidth;
    back->h = 16;
    app->items.push_back(back);
    auto* bar = back->Add(new StatusBar(app));
    bar->x = 8;
    bar->y = 0;
    bar->w = app->logicalWidth;
    bar->h = 20;
    app->statusBar = bar;
    return bar;
}

}  // namespace qn
