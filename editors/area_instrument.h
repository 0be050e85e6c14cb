// The instrument editor's step program pane: one column of the current
// instrument's 32 steps (note with its note-mode icon, command, parameter),
// 14 lines with scrolling, the step a sounding voice is executing in white,
// and the keys that enter, change, insert and remove steps.
#pragma once

#include "editors/area.h"
#include "song/song_types.h"

namespace qn {

class AreaInstrument;

constexpr int kStepLinesVisible = 14;
constexpr int kStepRowHeight = 16;
constexpr int kStepNumberWidth = 2 * 8 + 6;
// Sub-columns: note (5 glyphs, the note and its icon), then 10 pixels
// further the command, then the parameter's two digits.
constexpr int kStepNoteX = kStepNumberWidth;
constexpr int kStepNoteWidth = 5 * 8;
constexpr int kStepCommandX = kStepNoteX + kStepNoteWidth + 10;
constexpr int kStepColumnWidth = kStepCommandX + 3 * 8 + 4;
constexpr int kStepTitleHeight = 2 * 16 + 4;

class ChannelInstrument : public ChannelBase {
public:
    ChannelInstrument(EditorHost* host, AreaInstrument* pane);
    void Draw() override;
    // A press turns edit mode on and puts the cursor on the pressed step.
    void OnMouseButton(MouseEvent* event) override;

    // Keeps the cursor step in view: one line down when it goes below the
    // last line, straight to it when it goes above the first.
    void FollowCursor();

    AreaInstrument* pane;
    int scroll = 0;
};

class AreaInstrument : public Area {
public:
    explicit AreaInstrument(EditorHost* host);
    ~AreaInstrument() override;

    void Draw() override;
    // The pane is the window's only editor: keys are its own unless a text
    // field has them (the widget tree offers them to nobody else then).
    bool HasKeyFocus() const override { return true; }
    bool HandleKey(const SDL_Keysym& key) override;

    // The current instrument's 32 steps.
    InstrumentStep* Steps() const;
    ChannelInstrument* Column() const;

    int cursor = 0;  // step 0..31
    // The step a voice playing the current instrument executes, copied
    // under the audio lock once a frame; -1 none.
    int executingStep = -1;

private:
    // Runs a key with the audio lock held; a note to preview is left in
    // `preview` (previewing locks the device, so it happens after).
    bool HandleKeyLocked(const SDL_Keysym& key, int& preview);
    bool HandleEditKey(const SDL_Keysym& key, InstrumentStep* steps, int column);
    bool HandleCursorKey(const SDL_Keysym& key);
    void Advance();
};

}  // namespace qn
