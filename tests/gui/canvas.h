// A window with the software renderer on SDL's dummy video driver, the
// three fonts and the icon sheet loaded, published in the toolkit globals.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/font.h"
#include "gui/gui_item.h"

namespace qn::testing {

// Sets an item's box.
template <typename Item>
void Place(Item* item, int x, int y, int w, int h) {
    item->x = x;
    item->y = y;
    item->w = w;
    item->h = h;
}

class Canvas : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("canvas", 0, 0, 640, 592, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        ASSERT_NE(renderer, nullptr) << SDL_GetError();
        SDL_RenderSetLogicalSize(renderer, 640, 592);
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        ASSERT_TRUE(base.Load(renderer, DataPath("fonts/base.bmp").c_str(), 16, 2, 16));
        ASSERT_TRUE(basens.Load(renderer, DataPath("fonts/basens.bmp").c_str(), 16, 0, 16));
        ASSERT_TRUE(small.Load(renderer, DataPath("fonts/small.bmp").c_str(), 9, 0, 11));
        icons = SDL_LoadBMP(DataPath("fonts/icon.bmp").c_str());
        ASSERT_NE(icons, nullptr);
        iconTexture = SDL_CreateTextureFromSurface(renderer, icons);
        SDL_SetTextureBlendMode(iconTexture, SDL_BLENDMODE_BLEND);
        gRenderer = renderer;
        gBaseFont = &base;
        gIconTexture = iconTexture;
        ModifierState = 0;
        totalTime = 0.0;
        frameDelta = 1.0f / 60.0f;
        Clear();
    }

    void TearDown() override {
        DeleteAll(roots);
        gRenderer = nullptr;
        gBaseFont = nullptr;
        gIconTexture = nullptr;
        base.Free();
        basens.Free();
        small.Free();
        if (iconTexture) SDL_DestroyTexture(iconTexture);
        if (icons) SDL_FreeSurface(icons);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
    }

    static std::string DataPath(const char* relative) {
        char* base = SDL_GetBasePath();
        std::string path = std::string(base ? base : "") + relative;
        SDL_free(base);
        return path;
    }

    void Clear(Rgba colour = {0, 0, 0, 255}) {
        SDL_RenderSetClipRect(renderer, nullptr);
        SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
        SDL_RenderClear(renderer);
    }

    Rgba Pixel(int x, int y) {
        SDL_Rect rect = {x, y, 1, 1};
        Uint8 rgba[4] = {};
        SDL_RenderReadPixels(renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4);
        return Rgba{rgba[0], rgba[1], rgba[2], rgba[3]};
    }

public:
    // Pixel of a sheet surface (RGBA bytes).
    static Rgba SheetPixel(SDL_Surface* sheet, int x, int y) {
        Uint32 raw = 0;
        std::memcpy(&raw, static_cast<Uint8*>(sheet->pixels) + y * sheet->pitch + x * sheet->format->BytesPerPixel,
                    sheet->format->BytesPerPixel);
        Rgba c;
        SDL_GetRGBA(raw, sheet->format, &c.r, &c.g, &c.b, &c.a);
        return c;
    }

protected:
    // Takes and clears every pending command event; returns their numbers.
    static std::vector<int> TakeCommands() {
        std::vector<int> commands;
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, gCommandEventType, gCommandEventType) == 1)
            commands.push_back(event.user.code);
        return commands;
    }

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    Font base, basens, small;
    SDL_Surface* icons = nullptr;
    SDL_Texture* iconTexture = nullptr;
    GuiList roots;  // deleted after each test
};

}  // namespace qn::testing
