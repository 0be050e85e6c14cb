// Drop-down menus with keyboard shortcuts and check marks.
#pragma once

#include <deque>
#include <functional>

#include "gui/label.h"

namespace qn {

struct MenuEntry {
    char label[256] = {};   // empty for a separator
    char shortcut[96] = {};
    int modifierMask = 0;   // SDL KMOD_* bits
    int excludedMask = 0;
    SDL_Keycode key = 0;
    int command = 0;
    bool hidden = false;    // matched as a shortcut, not shown
    bool* checkFlag = nullptr;
    std::function<bool()> isChecked;
    std::function<void()> action;

    bool MatchesKey(const SDL_Keysym& keysym) const;
    // "[x]" or "[ ]" for an entry with a check mark, " " otherwise.
    const char* CheckText() const;
};

// Builds the shortcut text shown at the right of an entry.
void BuildShortcutText(char* out, size_t size, int modifierMask, SDL_Keycode key);

class ButtonMenu : public GuiLabel {
public:
    ButtonMenu();
    void OnMouseButton(MouseEvent* event) override;
    void OnHover() override;
    void OnFocusLost() override;
    bool OnKey(const SDL_Keysym& key) override;
    bool Update() override;

    MenuEntry& AddEntry(const char* entryLabel, int modifierMask, SDL_Keycode key, int command,
                        bool* checkFlag = nullptr, std::function<bool()> isChecked = {});
    void Open();
    bool IsOpen() const { return dropDown != nullptr; }

    std::deque<MenuEntry> entries;
    bool closeRequested = false;
    GuiItem* dropDown = nullptr;
};

class MenuEntryLabel : public GuiLabel {
public:
    void OnMouseButton(MouseEvent* event) override;

    int modifierMask = 0;
    int excludedMask = 0;
    SDL_Keycode key = 0;
    int command = 0;
    std::function<void()> action;
};

}  // namespace qn
