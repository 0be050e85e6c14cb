#include "gui/button.h"

#include <cstring>

#include "gui/font.h"

namespace qn {

Button::Button() {
    customColours = true;
    background = Rgba{16, 32, 32, 96};
    textColour = Rgba{255, 255, 255, 255};
    thirdColour = Rgba{255, 255, 255, 255};
}

void Button::Draw() {
    if (hidden) return;
    SDL_Rect rect = AbsoluteRect();
    SDL_Rect box = rect;
    box.x += 2;
    bool look = highlightOnClick ? (clicked || clickedLatch) : pressed;
    if (invertPressed) look = !look;
    DrawBox(box, background, look);
    if (iconSource.w > 0 && iconSource.h > 0) {
        SDL_Rect target = {box.x + iconOffsetX, box.y + iconOffsetY, box.w, box.h};
        DrawIcon(target, iconSource, thirdColour, true);
    }
    Font* face = DrawingFont();
    if (!face) return;
    const char* value = GetValueText();
    hasValueText = value != nullptr;
    int textY = rect.y + 2 + (rect.h - face->glyphHeight) / 2;
    int valueX = rect.x;
    if (value) {
        valueX = rect.x - kCharAdvance * int(std::strlen(value)) - 2;
        face->DrawText(value, valueX, textY, textColour);
    }
    if (caption) {
        Rgba colour = captionColour;
        if (!captionFullBright) {
            colour.r = uint8_t(colour.r * 0.9f);
            colour.g = uint8_t(colour.g * 0.9f);
            colour.b = uint8_t(colour.b * 0.9f);
        }
        int captionX = value ? valueX - face->TextWidth(caption) - 1 - captionOffset : rect.x + rect.w + 1 + captionOffset;
        face->DrawText(caption, captionX, textY, colour);
    }
    if (label) {
        int width = face->TextWidth(label);
        int labelX = labelAlignment == 0   ? box.x + 1
                     : labelAlignment == 1 ? box.x + box.w - width - 1
                                           : box.x + (box.w - width) / 2;
        face->DrawText(label, labelX, rect.y + (rect.h - face->glyphHeight) / 2, textColour);
    }
}

ButtonUser::ButtonUser(int commandNumber) : command(commandNumber) {
    if (font) h = font->glyphHeight;
}

void ButtonUser::OnMouseButton(MouseEvent* event) {
    clicked = true;
    if (event->state == 2) PostCommandEvent(command);
}

ButtonSync::ButtonSync() {}

void ButtonSync::Draw() {
    if (getState) lastState = getState();
    thirdColour = iconColour;
    thirdColour.a = lastState ? 192 : 255;
    invertPressed = lastState;
    Button::Draw();
}

void ButtonSync::OnMouseButton(MouseEvent* event) {
    bool freshClick = !clickedLatch;
    clicked = true;
    // Only the press flips the state: a release after the mouse moved off
    // and back would otherwise count as a second click.
    if (freshClick && event->state == 1) lastState = !lastState;
    if (setState) setState(lastState);
}

}  // namespace qn
