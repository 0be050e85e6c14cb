// The widget base: fields, virtual operations, the bevelled box, icon
// drawing, and the walks over a list of widget trees.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "gui/gui_context.h"

namespace qn {

class Font;

// The mouse as handed to widgets: state 0 = no button event this frame,
// 1 = left button pressed, 2 = left button released.
struct MouseEvent {
    int32_t x = 0;
    int32_t y = 0;
    int32_t state = 0;
    int32_t previousState = 0;
};

class GuiItem;
using GuiList = std::vector<GuiItem*>;

class GuiItem {
public:
    GuiItem();
    GuiItem(const GuiItem&) = delete;
    GuiItem& operator=(const GuiItem&) = delete;
    virtual ~GuiItem();

    virtual void Draw();
    virtual void OnMouseButton(MouseEvent* event);
    virtual void OnHover();
    virtual void OnMouseMove(MouseEvent* event);
    virtual void OnFocusLost();
    virtual void OnFocusGained();
    virtual bool OnKey(const SDL_Keysym& key);
    virtual bool Update();
    // Typed text for a focused text entry field; other widgets ignore it.
    virtual void OnTextInput(const char* /*text*/) {}

    // Sets the child's parent and appends it; returns the child.
    template <typename T>
    T* Add(T* child) {
        child->parent = this;
        children.push_back(child);
        return child;
    }

    SDL_Rect AbsoluteRect() const;
    // The box: fill, then the border with two edges darkened by the bevel.
    void DrawBox(const SDL_Rect& rect, Rgba colour, bool pressedLook) const;
    void RefreshDefaultColours();

    GuiItem* parent = nullptr;
    GuiList children;
    std::function<void(int)> onCommand;
    std::function<void(MouseEvent*)> onMouse;
    std::function<void()> onUpdate;
    std::function<void()> onDraw;
    int32_t x = 0, y = 0;
    int32_t w = 128, h = 128;
    bool dead = false;
    bool hidden = false;
    bool hittable = true;
    // Drawn after its siblings: an item put first in its list, so that it is
    // hit before the ones it covers, still shows over them.
    bool overlay = false;
    bool frame = true;
    bool bevel = true;
    bool pressed = false;
    bool invertPressed = false;
    bool fill = true;
    bool border = true;
    float bevelFactor = 0.2f;
    Rgba borderColour = {235, 235, 235, 255};
    Rgba background;
    Rgba textColour;
    Rgba thirdColour;
    bool customColours = false;
    Font* font = nullptr;
    bool focused = false;
    float focusTime = 0.0f;
    bool clicked = false;
    bool clickedLatch = false;
    uint32_t id = 0;
    // Set by text entry fields: while one has focus, keys go to it first
    // and the application starts SDL text input.
    bool isTextField = false;
};

// Restores the renderer's clip rectangle when it goes out of scope.
class ClipScope {
public:
    explicit ClipScope(const SDL_Rect& clip);
    ~ClipScope();

private:
    SDL_Rect saved_ = {0, 0, 0, 0};
    bool wasClipped_ = false;
};

// Copies `source` of the icon sheet to `target` (centred in it when asked)
// with a black one-pixel shadow below and right.
void DrawIcon(const SDL_Rect& target, const SDL_Rect& source, Rgba colour, bool centre);

// Walks over the top-level widgets of a window and their subtrees.
void DrawTree(GuiList& list);
void UpdateTree(GuiList& list);
GuiItem* HitTest(GuiList& list, const MouseEvent& mouse);
GuiItem* FindFocused(GuiList& list);
bool TextFieldHasFocus(GuiList& list);
bool OfferKey(GuiList& list, const SDL_Keysym& key);
void BroadcastCommand(GuiList& list, int command);
// A press (or, with mouse state 0, a plain focus move) on `item`.
void PressWidget(GuiList& list, GuiItem* item, MouseEvent* mouse, uint32_t* capturedItemId);
void DropFocusExcept(GuiList& list, GuiItem* keep);
// Deletes every widget of the list (their destructors delete the children).
void DeleteAll(GuiList& list);

}  // namespace qn
