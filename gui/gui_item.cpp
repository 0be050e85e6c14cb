#include "gui/gui_item.h"

#include <algorithm>

#include "gui/font.h"

namespace qn {

static uint32_t gNextItemId = 1;

GuiItem::GuiItem() : font(gBaseFont), id(gNextItemId++) {
    RefreshDefaultColours();
}

GuiItem::~GuiItem() {
    DeleteAll(children);
}

void GuiItem::RefreshDefaultColours() {
    background = gDefaultBackground;
    textColour = gDefaultTextColour;
    thirdColour = gDefaultThirdColour;
}

SDL_Rect GuiItem::AbsoluteRect() const {
    SDL_Rect rect = {x, y, w, h};
    for (const GuiItem* up = parent; up; up = up->parent) {
        rect.x += up->x;
        rect.y += up->y;
    }
    return rect;
}

ClipScope::ClipScope(const SDL_Rect& clip) {
    if (!gRenderer) return;
    wasClipped_ = SDL_RenderIsClipEnabled(gRenderer);
    SDL_RenderGetClipRect(gRenderer, &saved_);
    SDL_RenderSetClipRect(gRenderer, &clip);
}

ClipScope::~ClipScope() {
    if (!gRenderer) return;
    SDL_RenderSetClipRect(gRenderer, wasClipped_ ? &saved_ : nullptr);
}

static Rgba Darken(Rgba colour, float factor) {
    auto scale = [factor](uint8_t channel) { return uint8_t(std::min(255.0f, channel * factor)); };
    return Rgba{scale(colour.r), scale(colour.g), scale(colour.b), colour.a};
}

void GuiItem::DrawBox(const SDL_Rect& rect, Rgba colour, bool pressedLook) const {
    if (!frame || !gRenderer) return;
    if (fill) {
        ClipScope clip(rect);
        SDL_SetRenderDrawColor(gRenderer, colour.r, colour.g, colour.b, colour.a);
        SDL_RenderFillRect(gRenderer, &rect);
    }
    if (!border) return;
    int left = rect.x, top = rect.y, right = rect.x + rect.w - 1, bottom = rect.y + rect.h - 1;
    Rgba dark = Darken(borderColour, bevelFactor);
    auto line = [](Rgba c, int x0, int y0, int x1, int y1) {
        SDL_SetRenderDrawColor(gRenderer, c.r, c.g, c.b, c.a);
        SDL_RenderDrawLine(gRenderer, x0, y0, x1, y1);
    };
    // Raised: light top and left, dark right and bottom; pressed: the reverse.
    bool darkTopLeft = bevel && pressedLook;
    bool darkBottomRight = bevel && !pressedLook;
    line(darkTopLeft ? dark : borderColour, left, top, right, top);
    line(darkBottomRight ? dark : borderColour, right, top, right, bottom);
    line(darkBottomRight ? dark : borderColour, right, bottom, left, bottom);
    line(darkTopLeft ? dark : borderColour, left, bottom, left, top);
}

void GuiItem::Draw() {
    if (hidden) return;
    if (!customColours) RefreshDefaultColours();
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    DrawBox(rect, background, pressed);
    if (onDraw) onDraw();
}

void GuiItem::OnMouseButton(MouseEvent*) { clicked = true; }
void GuiItem::OnHover() {}
void GuiItem::OnMouseMove(MouseEvent*) { OnHover(); }
void GuiItem::OnFocusLost() { focused = false; }

void GuiItem::OnFocusGained() {
    focused = true;
    focusTime = float(totalTime);
}

bool GuiItem::OnKey(const SDL_Keysym&) { return false; }

bool GuiItem::Update() {
    if (onUpdate) onUpdate();
    bool wasClicked = clicked;
    clickedLatch = clicked;
    clicked = false;
    return wasClicked;
}

void DrawIcon(const SDL_Rect& target, const SDL_Rect& source, Rgba colour, bool centre) {
    if (!gRenderer || !gIconTexture) return;
    SDL_Rect at = {target.x, target.y, source.w, source.h};
    if (centre) {
        at.x = target.x + target.w / 2 - source.w / 2;
        at.y = target.y + target.h / 2 - source.h / 2;
    }
    Uint8 r, g, b, a;
    SDL_GetTextureColorMod(gIconTexture, &r, &g, &b);
    SDL_GetTextureAlphaMod(gIconTexture, &a);
    SDL_Rect shadow = {at.x + 1, at.y + 1, at.w, at.h};
    SDL_SetTextureColorMod(gIconTexture, 0, 0, 0);
    SDL_SetTextureAlphaMod(gIconTexture, colour.a);
    SDL_RenderCopy(gRenderer, gIconTexture, &source, &shadow);
    SDL_SetTextureColorMod(gIconTexture, colour.r, colour.g, colour.b);
    SDL_RenderCopy(gRenderer, gIconTexture, &source, &at);
    SDL_SetTextureColorMod(gIconTexture, r, g, b);
    SDL_SetTextureAlphaMod(gIconTexture, a);
}

static void DrawSubtree(GuiItem* item) {
    item->Draw();
    for (size_t i = 0; i < item->children.size(); ++i) DrawSubtree(item->children[i]);
}

void DrawTree(GuiList& list) {
    for (GuiItem* item : list)
        if (!item->overlay) DrawSubtree(item);
    for (GuiItem* item : list)
        if (item->overlay) DrawSubtree(item);
}

void UpdateTree(GuiList& list) {
    for (size_t i = 0; i < list.size(); ++i) {
        UpdateTree(list[i]->children);
        list[i]->Update();
    }
    auto firstDead = std::stable_partition(list.begin(), list.end(), [](GuiItem* item) { return !item->dead; });
    GuiList doomed(firstDead, list.end());
    list.erase(firstDead, list.end());
    DeleteAll(doomed);
}

GuiItem* HitTest(GuiList& list, const MouseEvent& mouse) {
    SDL_Rect point = {mouse.x, mouse.y, 1, 1};
    for (GuiItem* item : list) {
        if (GuiItem* child = HitTest(item->children, mouse)) return child;
        SDL_Rect rect = item->AbsoluteRect();
        if (item->hittable && SDL_HasIntersection(&rect, &point)) return item;
    }
    return nullptr;
}

GuiItem* FindFocused(GuiList& list) {
    for (GuiItem* item : list) {
        if (GuiItem* child = FindFocused(item->children)) return child;
        if (item->focused) return item;
    }
    return nullptr;
}

bool TextFieldHasFocus(GuiList& list) {
    GuiItem* focused = FindFocused(list);
    return focused && focused->isTextField;
}

static bool OfferKeyTo(GuiList& list, const SDL_Keysym& key, bool textFieldFocused) {
    for (size_t i = 0; i < list.size(); ++i) {
        GuiItem* item = list[i];
        if (OfferKeyTo(item->children, key, textFieldFocused)) return true;
        if ((!textFieldFocused || item->focused) && item->OnKey(key)) return true;
    }
    return false;
}

bool OfferKey(GuiList& list, const SDL_Keysym& key) {
    return OfferKeyTo(list, key, TextFieldHasFocus(list));
}

void BroadcastCommand(GuiList& list, int command) {
    for (size_t i = 0; i < list.size(); ++i) {
        GuiItem* item = list[i];
        BroadcastCommand(item->children, command);
        if (item->onCommand) item->onCommand(command);
    }
}

static void DropFocusIn(GuiList& list, GuiItem* keep) {
    for (GuiItem* item : list) {
        DropFocusIn(item->children, keep);
        if (item != keep && item->focused) item->OnFocusLost();
    }
}

void DropFocusExcept(GuiList& list, GuiItem* keep) { DropFocusIn(list, keep); }

void PressWidget(GuiList& list, GuiItem* item, MouseEvent* mouse, uint32_t* capturedItemId) {
    if (capturedItemId) *capturedItemId = item->id;
    DropFocusExcept(list, item);
    if (mouse->state != 0) {
        item->OnMouseButton(mouse);
        if (item->onMouse) item->onMouse(mouse);
    }
    if (!item->focused) item->OnFocusGained();
}

void DeleteAll(GuiList& list) {
    GuiList doomed;
    doomed.swap(list);
    for (GuiItem* item : doomed) delete item;
}

}  // namespace qn
