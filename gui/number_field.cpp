#include "gui/number_field.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "gui/font.h"

namespace qn {

ButtonNumber::ButtonNumber() {
    textColour = Rgba{180, 180, 180, 255};
    captionColour = Rgba{250, 250, 250, 255};
    captionOffset = 3;
}

void ButtonNumber::Step() {
    if (!getValue) return;
    int delta = step;
    if (ModifierState & kModifierShift) delta *= bigStep;
    int value = getValue() + delta;
    if ((ModifierState & kModifierCtrl) && valueCaptured) value = capturedValue;
    value = std::clamp(value, minimum, std::max(minimum, maximum));
    if (setValue) setValue(value);
}

void ButtonNumber::OnMouseButton(MouseEvent* event) {
    if (!hittable) return;
    bool freshPress = !clickedLatch;
    clicked = true;
    // Releases do not step: a click whose mouse moved before the release
    // would otherwise step twice.
    if (event->state != 1) return;
    if (totalTime >= nextRepeat || freshPress) {
        nextRepeat = totalTime + kNumberRepeatInterval;
        if (freshPress) nextRepeat += kNumberFirstRepeat - kNumberRepeatInterval;
        Step();
    }
}

const char* ButtonNumber::GetValueText() {
    if (!showsValue || !getValue) return nullptr;
    if (!valueCaptured) {
        capturedValue = getValue();
        valueCaptured = true;
    }
    char widest[32];
    int width = std::snprintf(widest, sizeof(widest), hex ? "%02x" : "%d", maximum);
    char format[16];
    std::snprintf(format, sizeof(format), hex ? "%%0%dx" : "%%0%dd", width);
    int shown = getValue() + displayOffset;
    if (hex) {
        std::snprintf(valueText, sizeof(valueText), format, unsigned(shown));
        for (char* c = valueText; *c; ++c) *c = char(std::toupper(static_cast<unsigned char>(*c)));
    } else {
        std::snprintf(valueText, sizeof(valueText), format, shown);
    }
    return valueText;
}

ButtonNumber* AddNumberField(GuiItem* parent, int x, int y, Font* font, int minimum, int maximum, int step,
                             int bigStep, int displayOffset, const char* caption, std::function<void(int)> setter,
                             std::function<int()> getter, ButtonNumber** decrement) {
    auto make = [&](int atX, int stepBy, SDL_Rect icon, bool showsValue) {
        ButtonNumber* button = parent->Add(new ButtonNumber());
        button->x = atX;
        button->y = y;
        button->w = 18;
        button->h = 16;
        if (font) button->fontOverride = font;
        button->iconSource = icon;
        button->minimum = minimum;
        button->maximum = maximum;
        button->step = stepBy;
        button->bigStep = bigStep;
        button->displayOffset = displayOffset;
        button->showsValue = showsValue;
        button->setValue = setter;
        button->getValue = getter;
        return button;
    };
    ButtonNumber* up = make(x, step, SDL_Rect{10, 0, 10, 12}, true);
    up->caption = caption;
    ButtonNumber* down = make(x + 22, -step, SDL_Rect{0, 0, 10, 12}, false);
    // Reading and writing the value back once lets a setter clamp or
    // normalise whatever the field was bound to.
    for (ButtonNumber* button : {up, down})
        if (button->getValue && button->setValue) button->setValue(button->getValue());
    if (decrement) *decrement = down;
    return up;
}

}  // namespace qn
