#include "gui/gui_context.h"

namespace qn {

SDL_Renderer* gRenderer = nullptr;
Font* gBaseFont = nullptr;
SDL_Texture* gIconTexture = nullptr;
Rgba gDefaultBackground = {92, 100, 120, 255};
Rgba gDefaultTextColour = {255, 255, 255, 255};
Rgba gDefaultThirdColour = {255, 255, 255, 255};
float frameDelta = 0.0f;
double totalTime = 0.0;
int ModifierState = 0;
uint32_t gCommandEventType = SDL_USEREVENT;

void PostCommandEvent(int command) {
    SDL_Event event;
    SDL_zero(event);
    event.type = gCommandEventType;
    event.user.code = command;
    SDL_PushEvent(&event);
}

void TrackModifierKey(const SDL_KeyboardEvent& key) {
    const SDL_Keycode sym = key.keysym.sym;
    int bit = 0;
    if (sym == SDLK_LSHIFT || sym == SDLK_RSHIFT) bit = kModifierShift;
    if (sym == SDLK_LCTRL || sym == SDLK_RCTRL) bit = kModifierCtrl;
    if (sym == SDLK_LALT || sym == SDLK_RALT) bit = kModifierAlt;
    if (key.type == SDL_KEYDOWN)
        ModifierState |= bit;
    else
        ModifierState &= ~bit;
}

}  // namespace qn
