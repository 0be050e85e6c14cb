#include "gui/gauge.h"

namespace qn {

void GuiItemGauge::Draw() {
    if (hidden || !gRenderer) return;
    SDL_Rect rect = AbsoluteRect();
    SDL_SetRenderDrawBlendMode(gRenderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 128);
    SDL_RenderFillRect(gRenderer, &rect);
    SDL_Rect bar = {rect.x + 4, rect.y + 4, int(fraction * float(w)) - 8, h - 8};
    if (bar.w > 0 && bar.h > 0) {
        SDL_SetRenderDrawColor(gRenderer, 255, 255, 255, 255);
        SDL_RenderFillRect(gRenderer, &bar);
    }
}

}  // namespace qn
