// The wave editor's pane: the parameter panel, the loop section, the two
// readouts, the wave view with its drag markers and the loop snap button.
// It takes the wave editor's keys, and each frame, when the current wave's
// record or the current wave changed, generates every wave again.
#pragma once

#include <cstdint>
#include <vector>

#include "editors/area.h"
#include "gui/number_field.h"
#include "gui/render_view.h"
#include "song/song_types.h"

namespace qn {

class ButtonSync;

class AreaSynthWave : public Area {
public:
    // Builds the pane at (x, y) in `parent`, with the wave view below it.
    AreaSynthWave(EditorHost* host, GuiItem* parent, int x, int y);
    ~AreaSynthWave() override;

    // The only key pane of its window: it needs no focus.
    bool HasKeyFocus() const override { return true; }
    bool HandleKey(const SDL_Keysym& key) override;
    bool Update() override;

    // One control the clone view may switch off, with its colours as built.
    struct Control {
        Button* button = nullptr;
        bool keptForClones = false;  // chord notes and the clone field stay usable
        bool isCloneField = false;
        Rgba text, caption, icon, back, border;
    };

    // The current wave's record; null only for a number outside 1..24.
    WaveParams* CurrentRecord() const;

    RenderView8Bit* view = nullptr;
    RenderView8BitDrag* markers = nullptr;
    ButtonNumber* loopStartField = nullptr;
    ButtonNumber* loopEndField = nullptr;
    ButtonNumber* oscTypeField = nullptr;
    ButtonNumber* filterTypeField = nullptr;
    Button* snapButton = nullptr;
    std::vector<Control> controls;
    // The record and wave number of the last regeneration; zeroed at
    // creation so the first frame generates every wave.
    WaveParams keptRecord{};
    int keptWave = 0;
    int regenerations = 0;

private:
    void BuildPanel();
    void BuildLoopSection(GuiItem* parent, int viewX, int viewY);
    void Regenerate();
    void ShowCloneState();
    void FeedView();
    void TrackControl(Button* button, bool keptForClones);
};

}  // namespace qn
