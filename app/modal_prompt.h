// What the in-window prompts (the built-in file dialog and the question
// about unsaved changes) share: their own event loop over the program's
// frame, and the dimmed screen with a framed box they draw on.
#pragma once

#include <SDL.h>

#include <functional>

namespace qn {

// Polls events into `handle` until it returns true (finished), drawing the
// program's frame and then `draw` over it about sixty times a second. Key
// releases and command events are pushed back once the prompt is gone;
// with `handBackQuit`, a quit too (as App::quitRequested), else a quit is
// left to `handle`.
void RunModalPrompt(const std::function<bool(const SDL_Event&)>& handle, const std::function<void()>& draw,
                    bool handBackQuit);

// Dims the whole screen and draws the prompt's box, filled and framed.
void DrawPromptBox(const SDL_Rect& box, int screenWidth, int screenHeight);

}  // namespace qn
