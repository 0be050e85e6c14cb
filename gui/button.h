// Buttons: the plain box with icon, value text, caption and label; the
// command button; the toggle bound to a boolean.
#pragma once

#include <functional>

#include "gui/gui_item.h"

namespace qn {

class Button : public GuiItem {
public:
    Button();
    void Draw() override;
    virtual const char* GetValueText() { return nullptr; }

    Font* DrawingFont() const { return fontOverride ? fontOverride : font; }

    SDL_Rect iconSource = {0, 0, 0, 0};
    int iconOffsetX = 0, iconOffsetY = 0;
    int labelAlignment = 2;  // 0 left, 1 right, 2 centred
    const char* label = nullptr;
    const char* caption = nullptr;
    int captionOffset = 0;
    bool hasValueText = false;
    bool highlightOnClick = true;
    bool captionFullBright = true;
    Rgba captionColour = {255, 255, 255, 255};
    Font* fontOverride = nullptr;
};

// Posts its command when the left button is released over it.
class ButtonUser : public Button {
public:
    explicit ButtonUser(int commandNumber = 0);
    void OnMouseButton(MouseEvent* event) override;

    int command = 0;
};

// A toggle that shows and changes a boolean behind a getter and setter.
class ButtonSync : public Button {
public:
    ButtonSync();
    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;

    std::function<bool()> getState;
    std::function<void(bool)> setState;
    bool lastState = false;
    Rgba iconColour = {255, 255, 255, 255};
};

}  // namespace qn
