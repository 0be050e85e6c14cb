#include "gui/switcher.h"

namespace qn {

GuiItemSwitcher::GuiItemSwitcher(SDL_Keycode switchKey, int commandNumber) : key(switchKey), command(commandNumber) {
    hidden = true;
    hittable = false;
    w = h = 0;
}

bool GuiItemSwitcher::OnKey(const SDL_Keysym& keysym) {
    if (keysym.sym != key) return false;
    PostCommandEvent(command);
    return true;
}

}  // namespace qn
