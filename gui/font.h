// Bitmap fonts cut from glyph sheets, with a small text markup:
//   <cRRGGBB>  colour for the following glyphs (hex, not tinted)
//   <cpN>      palette entry N (0..2); entry 0 is the font's base colour
//   <u> </u>   underline; the next line then starts 4 pixels lower
#pragma once

#include <SDL.h>

#include <cstdint>

#include "gui/gui_context.h"

namespace qn {

class Font {
public:
    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { Free(); }

    // Loads a sheet of 9-pixel cells from characters 32 upwards. A sheet
    // that cannot be read leaves the font empty: it measures nothing and
    // draws nothing.
    bool Load(SDL_Renderer* renderer, const char* path, int glyphHeight, int verticalOffset, int lineHeight);
    void Free();

    // Draws `text` at (x, y) tinted by `colour`, or only measures it.
    // Returns the advance of the widest line (8 pixels per character);
    // `outRect` receives the bounding box of all glyph cells.
    int DrawText(const char* text, int x, int y, Rgba colour, SDL_Rect* outRect = nullptr,
                 bool measureOnly = false);
    int TextWidth(const char* text) { return DrawText(text, 0, 0, Rgba{}, nullptr, true); }

    // Where character `c` lies on the sheet; false when outside it.
    bool GlyphSource(unsigned char c, SDL_Rect* source) const;

    int spacing = -1;
    int lineHeight = 16;
    int verticalOffset = 0;
    int8_t widthAdjust[256] = {};
    Rgba palette[3] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    SDL_Renderer* renderer = nullptr;
    SDL_Surface* surface = nullptr;
    SDL_Texture* texture = nullptr;
    int cellWidth = 9;
    int glyphHeight = 16;
    int trimmedColumns = 1;
};

// Advance of one character with every font of the program.
constexpr int kCharAdvance = 8;

}  // namespace qn
