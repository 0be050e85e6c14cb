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

}  // namespace qn
