// Widgets under test drawn alone on black by the headless App's renderer,
// with its fonts and icons, and read back pixel by pixel.
#pragma once

#include <vector>

#include "tests/app/app_harness.h"

namespace qn::testing {

template <typename Item>
Item* Place(Item* item, int x, int y, int w, int h) {
    item->x = x, item->y = y, item->w = w, item->h = h;
    return item;
}

inline SDL_Keysym Keysym(SDL_Keycode sym, Uint16 mod = 0) {
    SDL_Keysym key{};
    key.sym = sym, key.mod = mod;
    return key;
}

class GuiTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->CloseWindows();
        app()->background = Rgba{0, 0, 0, 255};
        SDL_FlushEvent(gCommandEventType);
    }
    template <typename Item>
    Item* Add(Item* item) {  // the window's list draws and deletes it
        app()->items.push_back(item);
        return item;
    }
    // Draws the window's list (with `list` false: keeps what was drawn) and reads the frame.
    void Draw(bool list = true) {
        if (list) app()->DrawFrame();
        SDL_GetRendererOutputSize(app()->renderer, &width, &height);
        frame.resize(size_t(width * height));
        SDL_RenderReadPixels(app()->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, frame.data(), width * 4);
    }
    Rgba At(int x, int y) const {
        uint32_t p = frame[size_t(y * width + x)];
        return Rgba{uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
    }
    // Whether the last frame read has a pixel of `colour` in [x0, x1) x [y0, y1).
    bool Any(Rgba colour, int x0, int x1, int y0, int y1) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == colour) return true;
        return false;
    }

    int width = 0, height = 0;
    std::vector<uint32_t> frame;
};

}  // namespace qn::testing
