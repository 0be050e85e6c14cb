#include "gui/font.h"

#include <algorithm>
#include <cstring>

namespace qn {

bool Font::Load(SDL_Renderer* target, const char* path, int height, int offset, int lines) {
    Free();
    renderer = target;
    glyphHeight = height;
    verticalOffset = offset;
    lineHeight = lines;
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (!file) return false;
    surface = SDL_LoadBMP_RW(file, 1);
    if (!surface) return false;
    if (renderer) {
        texture = SDL_CreateTextureFromSurface(renderer, surface);
        if (texture) SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    }
    return texture != nullptr || renderer == nullptr;
}

void Font::Free() {
    if (texture) SDL_DestroyTexture(texture);
    if (surface) SDL_FreeSurface(surface);
    texture = nullptr;
    surface = nullptr;
}

bool Font::GlyphSource(unsigned char c, SDL_Rect* source) const {
    if (!surface || c < 32) return false;
    int columns = surface->w / cellWidth;
    if (columns <= 0) return false;
    int cell = c - 32;
    source->x = (cell * cellWidth) % surface->w;
    source->y = (cell / columns) * glyphHeight;
    source->w = cellWidth - trimmedColumns;
    source->h = glyphHeight;
    return source->y + glyphHeight <= surface->h;
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

int Font::DrawText(const char* text, int x, int y, Rgba colour, SDL_Rect* outRect, bool measureOnly) {
    bool drawing = !measureOnly && texture && renderer;
    Uint8 savedAlpha = 255;
    if (drawing) {
        SDL_GetTextureAlphaMod(texture, &savedAlpha);
        SDL_SetTextureColorMod(texture, Uint8(palette[0].r * colour.r / 255), Uint8(palette[0].g * colour.g / 255),
                               Uint8(palette[0].b * colour.b / 255));
        SDL_SetTextureAlphaMod(texture, colour.a);
        SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
    }
    int penX = x, penY = y;
    int widest = 0;
    bool underlineOnLine = false;
    int underlineStart = x;
    int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length; ++i) {
        const char* at = text + i;
        size_t left_in_text = length - i;
        if (*at == '\n') {
            widest = std::max(widest, penX - x);
            penY += lineHeight + (underlineOnLine ? 4 : 0);
            penX = x;
            underlineOnLine = false;
            continue;
        }
        if (*at == '<') {
            if (left_in_text >= 5 && at[1] == 'c' && at[2] == 'p' && at[3] >= '0' && at[3] <= '9' && at[4] == '>') {
                int entry = at[3] - '0';
                if (entry <= 2 && drawing) {
                    const Rgba& p = palette[entry];
                    SDL_SetRenderDrawColor(renderer, p.r, p.g, p.b, p.a);
                    SDL_SetTextureColorMod(texture, p.r, p.g, p.b);
                }
                i += 4;
                continue;
            }
            if (left_in_text >= 9 && at[1] == 'c' && at[8] == '>') {
                if (drawing) {
                    SDL_SetTextureColorMod(texture, Uint8(HexDigit(at[2]) * 16 + HexDigit(at[3])),
                                           Uint8(HexDigit(at[4]) * 16 + HexDigit(at[5])),
                                           Uint8(HexDigit(at[6]) * 16 + HexDigit(at[7])));
                }
                i += 8;
                continue;
            }
            if (left_in_text >= 3 && at[1] == 'u' && at[2] == '>') {
                underlineStart = penX;
                underlineOnLine = true;
                i += 2;
                continue;
            }
            if (left_in_text >= 4 && at[1] == '/' && at[2] == 'u' && at[3] == '>') {
                if (drawing)
                    SDL_RenderDrawLine(renderer, underlineStart, penY + glyphHeight, penX - 1, penY + glyphHeight);
                underlineOnLine = true;
                i += 3;
                continue;
            }
        }
        unsigned char c = static_cast<unsigned char>(*at);
        int adjust = widthAdjust[c];
        SDL_Rect source;
        if (GlyphSource(c, &source)) {
            penX += adjust / 2;
            if (drawing && c != ' ') {
                SDL_Rect target = {penX, penY + verticalOffset, source.w, source.h};
                SDL_RenderCopy(renderer, texture, &source, &target);
            }
            left = std::min(left, penX);
            top = std::min(top, penY);
            right = std::max(right, penX + cellWidth);
            bottom = std::max(bottom, penY + glyphHeight);
        }
        penX += spacing + (adjust - adjust / 2) + cellWidth;
    }
    widest = std::max(widest, penX - x);
    if (drawing) SDL_SetTextureAlphaMod(texture, savedAlpha);
    if (outRect) {
        if (left == INT32_MAX) {
            *outRect = SDL_Rect{x, y, 0, 0};
        } else {
            *outRect = SDL_Rect{left, top, right - left, bottom - top};
        }
    }
    return widest;
}

}  // namespace qn
