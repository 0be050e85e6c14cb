#include "gui/menu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gui/font.h"

namespace qn {

bool MenuEntry::MatchesKey(const SDL_Keysym& keysym) const {
    // An entry without a key ("Clear unused waves") has no shortcut: a key
    // SDL cannot name arrives as 0 and must not run it.
    if (key == 0 || key != keysym.sym) return false;
    int mod = keysym.mod;
    bool modifiersMatch = (modifierMask == 0 && mod == 0) || (modifierMask & mod) != 0;
    bool notExcluded = excludedMask == 0 || (excludedMask & mod) == 0;
    return modifiersMatch && notExcluded;
}

const char* MenuEntry::CheckText() const {
    if (checkFlag) return *checkFlag ? "[x]" : "[ ]";
    if (isChecked) return isChecked() ? "[x]" : "[ ]";
    return " ";
}

void BuildShortcutText(char* out, size_t size, int modifierMask, SDL_Keycode key) {
    out[0] = 0;
    size_t used = 0;
    auto append = [&](const char* text) {
        int wrote = std::snprintf(out + used, size - used, "%s", text);
        if (wrote > 0) used = std::min(size - 1, used + size_t(wrote));
    };
    if (modifierMask != 0) {
        append("<c888888>");
        if (modifierMask & KMOD_ALT)
            append("ALT");
        else if ((modifierMask & KMOD_LSHIFT) && (modifierMask & KMOD_CTRL))
            append("CTRL+LSHIFT");
        else if (modifierMask & KMOD_SHIFT)
            append("SHIFT");
        else if (modifierMask & KMOD_CTRL)
            append("CTRL");
        append("+");
    }
    if (key != 0) {
        append("<c888888>");
        append(SDL_GetKeyName(key));
    }
}

ButtonMenu::ButtonMenu() {}

// snprintf whose truncation of long menu texts is intended.
template <typename... Args>
static void SafePrintf(char* out, size_t size, const char* format, Args... args) {
    if (std::snprintf(out, size, format, args...) < 0) out[0] = 0;
}

MenuEntry& ButtonMenu::AddEntry(const char* entryLabel, int modifierMask, SDL_Keycode key, int command,
                                bool* checkFlag, std::function<bool()> isChecked) {
    MenuEntry& entry = entries.emplace_back();
    std::snprintf(entry.label, sizeof(entry.label), "%s", entryLabel ? entryLabel : "");
    BuildShortcutText(entry.shortcut, sizeof(entry.shortcut), modifierMask, key);
    entry.modifierMask = modifierMask;
    entry.key = key;
    entry.command = command;
    entry.checkFlag = checkFlag;
    entry.isChecked = std::move(isChecked);
    return entry;
}

void ButtonMenu::Open() {
    if (dropDown || !font) return;
    GuiItem* panel = Add(new GuiItem());
    dropDown = panel;
    panel->x = 0;
    panel->y = h;
    panel->w = 8;
    panel->h = 8;
    panel->customColours = true;
    panel->background = Rgba{255, 255, 255, 255};
    panel->textColour = Rgba{0, 0, 0, 255};
    int widestLabel = 0, widestCheck = 0, widestShortcut = 0;
    for (const MenuEntry& entry : entries) {
        if (entry.hidden) continue;
        widestLabel = std::max(widestLabel, font->TextWidth(entry.label));
        widestCheck = std::max(widestCheck, font->TextWidth(entry.CheckText()));
        widestShortcut = std::max(widestShortcut, font->TextWidth(entry.shortcut));
    }
    int index = 0;
    int lastY = 0;
    for (const MenuEntry& entry : entries) {
        if (entry.hidden) continue;
        MenuEntryLabel* item = panel->Add(new MenuEntryLabel());
        if (entry.label[0] != 0)
            SafePrintf(item->text, sizeof(item->text), "%-*s%s%s", widestLabel / kCharAdvance, entry.label,
                          entry.CheckText(), entry.shortcut);
        item->font = font;
        item->customColours = true;
        item->background = Rgba{255, 255, 255, 255};
        item->textColour = Rgba{0, 0, 0, 255};
        item->x = 4;
        item->y = y + 8 + (font->glyphHeight + 4) * index;
        item->w = std::max(font->TextWidth(item->text), widestLabel + widestCheck + widestShortcut);
        item->h = font->glyphHeight;
        item->modifierMask = entry.modifierMask;
        item->excludedMask = entry.excludedMask;
        item->key = entry.key;
        item->command = entry.command;
        item->action = entry.action;
        panel->w = std::max(panel->w, item->w + 8);
        lastY = item->y;
        ++index;
    }
    if (index > 0) panel->h = std::max(panel->h, lastY + 16);
    panel->w += 8;
    panel->h += 8;
}

void ButtonMenu::OnMouseButton(MouseEvent* event) {
    GuiLabel::OnMouseButton(event);
    if (!dropDown) Open();
}

void ButtonMenu::OnHover() {
    GuiLabel::OnHover();
    if (!parent || dropDown) return;
    for (GuiItem* sibling : parent->children) {
        auto* menu = dynamic_cast<ButtonMenu*>(sibling);
        if (menu && menu != this && menu->dropDown && !menu->closeRequested) {
            menu->OnFocusLost();
            Open();
            OnFocusGained();
            return;
        }
    }
}

void ButtonMenu::OnFocusLost() {
    GuiLabel::OnFocusLost();
    closeRequested = true;
}

bool ButtonMenu::OnKey(const SDL_Keysym& key) {
    for (const MenuEntry& entry : entries) {
        if (entry.MatchesKey(key)) {
            PostCommandEvent(entry.command);
            return true;
        }
    }
    return false;
}

bool ButtonMenu::Update() {
    if (closeRequested) {
        closeRequested = false;
        if (dropDown) {
            children.erase(std::remove(children.begin(), children.end(), dropDown), children.end());
            delete dropDown;
            dropDown = nullptr;
        }
    }
    return GuiLabel::Update();
}

void MenuEntryLabel::OnMouseButton(MouseEvent* event) {
    GuiLabel::OnMouseButton(event);
    if (event->state != 1) return;
    PostCommandEvent(command);
    if (action) action();
}

}  // namespace qn
