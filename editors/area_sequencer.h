// The sequence editor: the song's positions, one line each, with the
// pattern number and transpose every voice plays there; it moves the
// song's current position, which is the pattern editor's page. It edits
// whether or not edit mode is on. Beside it, the song settings pane holds
// "Play", "Pattern", "Stop" and the "Length", "Restart" and "Steps" fields.
#pragma once

#include "editors/area.h"
#include "song/song_types.h"

namespace qn {

class AreaSequencer;

class ChannelSequencer : public ChannelBase {
public:
    ChannelSequencer(EditorHost* host, AreaSequencer* pane, int voice);
    void Draw() override;

    AreaSequencer* pane;
};

class AreaSequencer : public Area {
public:
    explicit AreaSequencer(EditorHost* host);
    ~AreaSequencer() override;

    void Draw() override;
    bool HasKeyFocus() const override;
    bool HandleKey(const SDL_Keysym& key) override;
    void OnChannelPressed(ChannelBase* channel, int column, MouseEvent* event) override;

    // Lines of the columns, and the line the current position stays on.
    int Lines() const;
    int CursorLine() const;

    int shownPosition = 0;  // the song's position as last drawn (the audio thread moves it)

private:
    bool HandleKeyLocked(const SDL_Keysym& key);
    bool HandleBlockKey(const SDL_Keysym& key, int voice, int position);
    bool HandleMoveKey(const SDL_Keysym& key, int position, int length);
};

// Geometry shared with the window builder.
constexpr int kSequenceRowHeight = 16;
constexpr int kPositionColumnWidth = 28;
constexpr int kSequenceColumnPitch = 6 * 8 + 6;
constexpr int kSequenceLines = 8;
constexpr int kSequenceLinesWide = 29;

// Builds the song settings pane ("Play", "Pattern", "Stop", "Length",
// "Restart", "Steps") at (x, y) inside `parent`, `height` pixels high.
GuiItem* CreateSongSettings(EditorHost* host, GuiItem* parent, int x, int y, int height);

}  // namespace qn
