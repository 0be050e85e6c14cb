#include "app/modal_prompt.h"

#include <vector>

#include "app/app.h"

namespace qn {

void RunModalPrompt(const std::function<bool(const SDL_Event&)>& handle, const std::function<void()>& draw,
                    bool handBackQuit) {
    std::vector<SDL_Event> handBack;
    bool finished = false;
    while (!finished) {
        SDL_Event event;
        while (!finished && SDL_PollEvent(&event)) {
            finished = handle(event);
            // Key releases keep the modifier state right; commands (and the
            // quit, where asked) are the program's to run once the prompt
            // is gone.
            bool commandEvent = gCommandEventType != 0 && event.type == gCommandEventType;
            bool quit = handBackQuit && event.type == SDL_QUIT;
            if (event.type == SDL_KEYUP || quit || commandEvent) handBack.push_back(event);
        }
        if (finished) break;
        if (gApp) gApp->DrawFrame();
        draw();
        SDL_RenderPresent(gRenderer);
        SDL_Delay(16);
    }
    for (SDL_Event& event : handBack) {
        if (event.type == SDL_QUIT && gApp)
            gApp->quitRequested = true;  // the event queue does not take a quit pushed back
        else
            SDL_PushEvent(&event);
    }
}

void DrawPromptBox(const SDL_Rect& box, int screenWidth, int screenHeight) {
    SDL_RenderSetClipRect(gRenderer, nullptr);
    SDL_SetRenderDrawBlendMode(gRenderer, SDL_BLENDMODE_BLEND);
    SDL_Rect screen = {0, 0, screenWidth, screenHeight};
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 144);
    SDL_RenderFillRect(gRenderer, &screen);
    SDL_SetRenderDrawColor(gRenderer, 16, 32, 48, 240);
    SDL_RenderFillRect(gRenderer, &box);
    SDL_SetRenderDrawColor(gRenderer, 235, 235, 235, 255);
    SDL_RenderDrawRect(gRenderer, &box);
}

}  // namespace qn
