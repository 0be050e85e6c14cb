// The base of every editing pane: an Area holds a title and side-by-side
// channels (ChannelBase), each a text column of rows split into
// sub-columns (ChannelColumn) that a key handler writes into. The pattern
// and sequence editors, the instrument editor's step table and the wave
// editor's panes derive from these; what a row is and where the cursor row
// lies is theirs.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "gui/gui_item.h"

namespace qn {

class EditorHost;
class ChannelBase;

// Colours of the editing panes.
namespace theme {
constexpr Rgba kPaneBackground = {24, 28, 36, 255};
constexpr Rgba kCursorRow = {240, 160, 80, 255};   // drawn at a quarter for the bar
constexpr Rgba kCursorLine = {120, 80, 40, 255};
constexpr Rgba kCursorBox = {255, 220, 120, 255};
constexpr Rgba kSelection = {70, 110, 200, 140};
constexpr Rgba kMarker = {200, 90, 90, 255};       // release marker bar
constexpr Rgba kRowNumber = {150, 160, 170, 255};
constexpr Rgba kTitle = {230, 230, 230, 255};
}  // namespace theme

// One sub-column of a channel: where it stands inside the channel, how wide
// it is, and what a typed value does to the record under the cursor (the
// record's bytes; a note, a digit or a flag as `value`).
struct ChannelColumn {
    int x = 0;
    int width = 8;
    std::function<void(uint8_t* record, int value)> onKey;
};

// A column of rows inside an Area. `track` is the voice, step list or
// wave lane it shows; -1 marks a label column (row numbers, positions).
class ChannelBase : public GuiItem {
public:
    ChannelBase(EditorHost* host, int track);

    // A press chooses the sub-column under the mouse and tells the Area.
    void OnMouseButton(MouseEvent* event) override;

    ChannelColumn& AddColumn(int x, int width, std::function<void(uint8_t*, int)> onKey = {});
    int ColumnCount() const { return int(columns.size()); }
    // The sub-column under a pane-relative x, or -1.
    int ColumnAt(int localX) const;
    // Lines that fit the channel's height.
    int VisibleLines() const { return rowHeight > 0 ? h / rowHeight : 0; }

    // Drawing helpers, in absolute coordinates. The cursor row: a bar in
    // the cursor colour at a quarter, with lines above and below.
    void DrawCursorBar(int lineY) const;
    // The box around sub-column `column` on the line at `lineY`.
    void DrawColumnBox(int column, int lineY) const;
    // A band over lines [firstY, lastY + rowHeight), clipped to the channel.
    void DrawBand(int firstY, int lastY, Rgba colour) const;

    EditorHost* host;
    int track;
    int currentColumn = 0;
    int rowHeight = 16;
    std::vector<ChannelColumn> columns;
};

// A pane of channels with a title line. Keys reach HandleKey only while the
// pane has the keyboard focus; channels report presses through
// OnChannelPressed.
class Area : public GuiItem {
public:
    Area(EditorHost* host, const char* title);

    void Draw() override;
    bool OnKey(const SDL_Keysym& key) override;

    // Whether keys are this pane's: by default, the pane or one of its
    // channels holds the widget focus.
    virtual bool HasKeyFocus() const;
    virtual bool HandleKey(const SDL_Keysym& key) = 0;
    virtual void OnChannelPressed(ChannelBase* channel, int column, MouseEvent* event);

    template <typename T>
    T* AddChannel(T* channel) {
        Add(channel);
        channels.push_back(channel);
        return channel;
    }
    // The data channels (track >= 0) in the order added.
    ChannelBase* Track(int track) const;
    // The cursor row drawn across the whole pane, inside its one-pixel
    // frame and clipped to it: the bar at a quarter of the cursor colour
    // with lines above and below, as ChannelBase::DrawCursorBar draws it
    // for one channel.
    void DrawCursorRowBar(int lineY, int rowHeight) const;
    // Runs `edit` under the audio lock, one key one locked edit, then
    // previews the note it asked for (> 0) once the lock is released;
    // returns what `edit` returned.
    bool EditUnderLock(const std::function<bool(int& preview)>& edit);
    // A press on a pattern or sequence track: that pane takes the focus
    // (`sequence` tells which, for Return), the track becomes the current
    // voice and edit mode goes on.
    void FocusTrackAt(ChannelBase* channel, int column, bool sequence);

    EditorHost* host;
    const char* title;
    int titleHeight = 18;
    std::vector<ChannelBase*> channels;  // children, not owned separately
};

// Key helpers shared by the editors.
// Only Num Lock or Caps Lock among the modifiers.
bool NoModifiers(const SDL_Keysym& key);
// 0..15 for 0-9 and a-f (main keyboard) and keypad 0-9, else -1; with
// `hex` false the letters do not count. Any modifier but the locks: -1.
int DigitFromKey(const SDL_Keysym& key, bool hex = true);
// The note a key plays from `octave` (1..60, 61 for the release key "1"),
// or 0 when the key is no note key or Ctrl or Alt is held. Notes above 60
// become 60. The note is read from the scancode, so it does not depend on
// the keyboard layout.
int NoteFromKey(const SDL_Keysym& key, int octave);
// The name of note 1.. as the editors show it: "C-0", "C#1", ...
void NoteName(int note, char* out, size_t size, const char* prefix = "");
// Moves (track, column) by `delta` sub-columns, crossing into the next or
// previous track, which wrap around `tracks`.
void StepSubColumn(int& track, int& column, int delta, int tracks, int columnsPerTrack);

}  // namespace qn
