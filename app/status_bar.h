// The status line at the bottom of a window: "STATUS:", the last message
// (rolled up and in when it changes) and the current octave.
#pragma once

#include "gui/gui_item.h"

namespace qn {

class App;

// The translucent strip behind the status line.
class StatusBarBack : public GuiItem {
public:
    explicit StatusBarBack(App* owner);
    void Draw() override;

    App* app;
};

class StatusBar : public GuiItem {
public:
    explicit StatusBar(App* owner);
    ~StatusBar() override;
    void Draw() override;

    // Seconds a message change takes: up and out, then in from below.
    static constexpr float kRollSpeed = 16.0f;

    App* app;
    char label[64] = {};
    char octave[64] = {};
    char shownText[1024] = {};
    float rollPhase = 1.0f;  // 0 at rest; -1..0 old text leaving; 1..0 new text entering
};

// Adds the strip at (0, y), as wide as the logical width, with the bar in it.
StatusBar* AddStatusBar(App* app, int y);

}  // namespace qn
