// A progress bar: a translucent black box with a white bar.
#pragma once

#include "gui/gui_item.h"

namespace qn {

class GuiItemGauge : public GuiItem {
public:
    void Draw() override;

    float fraction = 0.0f;  // 0..1
};

}  // namespace qn
