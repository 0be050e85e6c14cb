// Text widgets: a label that can be hovered (menu titles and entries build
// on it) and plain text without a box.
#pragma once

#include "gui/gui_item.h"

namespace qn {

class GuiLabel : public GuiItem {
public:
    GuiLabel();
    void Draw() override;
    void OnHover() override;
    void SetText(const char* newText);

    char text[256] = {};
    bool hovered = false;
    int alignment = 0;  // 0: the text starts at x; 1: the text ends at x
};

class SimpleText : public GuiItem {
public:
    SimpleText();
    void Draw() override;

    const char* text = nullptr;
};

}  // namespace qn
