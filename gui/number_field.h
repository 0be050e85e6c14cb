// Number fields: a pair of arrow buttons bound to an integer through a
// getter and a setter; the increment button shows the value.
#pragma once

#include <functional>

#include "gui/button.h"

namespace qn {

class ButtonNumber : public Button {
public:
    ButtonNumber();
    void OnMouseButton(MouseEvent* event) override;
    const char* GetValueText() override;
    // One step as a click makes it: Shift multiplies, Ctrl returns to the
    // captured value, the result is clamped.
    void Step();

    std::function<void(int)> setValue;
    std::function<int()> getValue;
    int minimum = 0;
    int maximum = 255;
    int step = 1;
    int bigStep = 16;
    int displayOffset = 0;
    bool hex = false;
    bool showsValue = true;
    int capturedValue = 0;
    bool valueCaptured = false;
    double nextRepeat = 0.0;
    char valueText[32] = {};
};

// The held button repeats after this delay, then at the repeat interval.
constexpr double kNumberFirstRepeat = 0.25;
constexpr double kNumberRepeatInterval = 0.05;

// Creates the increment button at (x, y) and the decrement button 22 pixels
// to its right; returns the first, the second through `decrement`.
ButtonNumber* AddNumberField(GuiItem* parent, int x, int y, Font* font, int minimum, int maximum, int step,
                             int bigStep, int displayOffset, const char* caption, std::function<void(int)> setter,
                             std::function<int()> getter, ButtonNumber** decrement = nullptr);

}  // namespace qn
