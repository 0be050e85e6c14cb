// A widget that turns one key into a command (Escape switching windows).
#pragma once

#include "gui/gui_item.h"

namespace qn {

class GuiItemSwitcher : public GuiItem {
public:
    GuiItemSwitcher(SDL_Keycode switchKey, int commandNumber);
    bool OnKey(const SDL_Keysym& key) override;

    SDL_Keycode key = 0;
    int command = 0;
};

}  // namespace qn
