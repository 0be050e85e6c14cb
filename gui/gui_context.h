// State the toolkit shares with the application: the renderer, the base
// font and icon sheet the widgets draw with, the default colours, the frame
// clock, the modifier bits and the command event type.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace qn {

class Font;

// RGBA bytes, in that order.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

// Bits of ModifierState.
enum ModifierBit : int { kModifierShift = 1, kModifierCtrl = 2, kModifierAlt = 4 };

extern SDL_Renderer* gRenderer;
extern Font* gBaseFont;
extern SDL_Texture* gIconTexture;

// Colours a widget takes unless it keeps custom colours; the application
// refreshes them before each polled event.
extern Rgba gDefaultBackground;
extern Rgba gDefaultTextColour;
extern Rgba gDefaultThirdColour;

extern float frameDelta;   // seconds of the last frame
extern double totalTime;   // seconds since start
extern int ModifierState;  // ModifierBit set while Shift, Ctrl or Alt is held
// Follows a Shift, Ctrl or Alt key going down (SDL_KEYDOWN) or up in
// ModifierState; other keys leave it alone.
void TrackModifierKey(const SDL_KeyboardEvent& key);

// The one registered SDL event type that carries command numbers.
extern uint32_t gCommandEventType;

// Pushes a command event; it is executed by the application next frame.
void PostCommandEvent(int command);

}  // namespace qn
