#include "gui/color_picker.h"

#include <algorithm>

namespace qn {

Rgba HsvToRgb(int hue, int s, int v) {
    if (s == 0) return Rgba{uint8_t(v), uint8_t(v), uint8_t(v), 255};
    int region = hue / 43;
    int remainder = (hue - region * 43) * 6;
    int p = v * (255 - s) / 256;
    int q = v * (255 - s * remainder / 256) / 256;
    int t = v * (255 - s * (255 - remainder) / 256) / 256;
    auto rgb = [](int r, int g, int b) { return Rgba{uint8_t(r), uint8_t(g), uint8_t(b), 255}; };
    switch (region) {
        case 0: return rgb(p, t, v);
        case 1: return rgb(p, v, q);
        case 2: return rgb(t, v, p);
        case 3: return rgb(v, q, p);
        case 4: return rgb(v, p, t);
        default: return rgb(q, p, v);
    }
}

GuiItemColorPicker::~GuiItemColorPicker() {
    if (palette) SDL_DestroyTexture(palette);
}

void GuiItemColorPicker::BuildPalette() {
    if (w <= 0 || h <= 0) return;
    pixels.assign(size_t(w) * size_t(h), 0);
    for (int row = 0; row < h; ++row) {
        int s = std::min(255, int(255.0f / float(h) * float(row)));
        for (int column = 0; column < w; ++column) {
            int hue = std::min(255, int(255.0f / float(w) * float(column)));
            Rgba c = HsvToRgb(hue, s, 255 - s);
            pixels[size_t(row) * size_t(w) + size_t(column)] =
                0xFF000000u | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | uint32_t(c.b);
        }
    }
    if (gRenderer) {
        if (palette) SDL_DestroyTexture(palette);
        palette = SDL_CreateTexture(gRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
        if (palette) SDL_UpdateTexture(palette, nullptr, pixels.data(), w * 4);
    }
    rebuild = false;
}

Rgba GuiItemColorPicker::PixelAt(int column, int row) const {
    if (pixels.empty()) return Rgba{};
    uint32_t argb = pixels[size_t(row) * size_t(w) + size_t(column)];
    return Rgba{uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb), 255};
}

void GuiItemColorPicker::Draw() {
    if (hidden) return;
    if (rebuild || pixels.size() != size_t(w) * size_t(h)) BuildPalette();
    SDL_Rect rect = AbsoluteRect();
    if (gRenderer && palette) SDL_RenderCopy(gRenderer, palette, nullptr, &rect);
    bool wasFilled = fill;
    fill = false;  // the palette is the filling
    DrawBox(rect, background, pressed);
    fill = wasFilled;
}

void GuiItemColorPicker::OnMouseButton(MouseEvent* event) {
    GuiItem::OnMouseButton(event);
    if (rebuild || pixels.size() != size_t(w) * size_t(h)) BuildPalette();
    if (pixels.empty()) return;
    SDL_Rect rect = AbsoluteRect();
    int column = std::clamp(event->x - rect.x, 0, w - 1);
    int row = std::clamp(event->y - rect.y, 0, h - 1);
    if (onPick) onPick(PixelAt(column, row));
}

}  // namespace qn
