#include "gui/label.h"

#include <cstdio>

#include "gui/font.h"

namespace qn {

GuiLabel::GuiLabel() {}

void GuiLabel::SetText(const char* newText) { std::snprintf(text, sizeof(text), "%s", newText ? newText : ""); }

void GuiLabel::OnHover() { hovered = true; }

void GuiLabel::Draw() {
    if (hidden || !font) return;
    if (!customColours) RefreshDefaultColours();
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    int textWidth = font->TextWidth(text);
    int textX = alignment == 1 ? rect.x - textWidth : rect.x;
    int textY = rect.y + 1;
    if (w == 0) {
        w = textWidth;
        h = font->glyphHeight;
    }
    if (hovered && gRenderer) {
        SDL_Rect highlight = rect;
        if (parent) highlight.w = textWidth;
        SDL_SetRenderDrawColor(gRenderer, 200, 200, 200, 255);
        SDL_RenderFillRect(gRenderer, &highlight);
    }
    if (text[0] == 0) {
        if (gRenderer) {
            int width = parent ? parent->w : w;
            int lineY = rect.y + font->glyphHeight / 2;
            SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 255);
            SDL_RenderDrawLine(gRenderer, textX, lineY, textX + width - 1, lineY);
        }
    } else {
        font->DrawText(text, textX, textY, textColour);
    }
    hovered = false;
}

SimpleText::SimpleText() {
    frame = false;
    hittable = false;
}

void SimpleText::Draw() {
    if (hidden || !text || !gBaseFont) return;
    if (!customColours) RefreshDefaultColours();
    SDL_Rect rect = AbsoluteRect();
    gBaseFont->DrawText(text, rect.x, rect.y, textColour);
}

}  // namespace qn
