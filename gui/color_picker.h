// A hue/saturation field; a click picks the colour under the mouse.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "gui/gui_item.h"

namespace qn {

// Integer HSV to RGB in six hue regions of 43; s = 0 gives grey (v, v, v).
Rgba HsvToRgb(int hue, int saturation, int value);

class GuiItemColorPicker : public GuiItem {
public:
    ~GuiItemColorPicker() override;
    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;
    void BuildPalette();
    Rgba PixelAt(int column, int row) const;

    SDL_Texture* palette = nullptr;
    std::vector<uint32_t> pixels;  // ARGB, w x h
    bool rebuild = true;
    std::function<void(Rgba)> onPick;  // the application sets its background with it
};

}  // namespace qn
