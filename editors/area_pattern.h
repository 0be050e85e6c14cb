// The pattern editor: the row-number column and four voice columns showing,
// for the song's current position, the pattern each voice plays there. Its
// cursor row is the Replayer's row and its page the song's position, so
// the view follows playback by itself.
#pragma once

#include <cstdint>

#include "editors/area.h"
#include "gui/button.h"
#include "song/song_types.h"

namespace qn {

class AreaPattern;

// Mutes one voice: a click toggles it, Shift+click toggles every other one.
class ButtonMute : public Button {
public:
    ButtonMute(EditorHost* host, int voice);
    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;

    EditorHost* host;
    int voice;
};

// Toggles a voice's mute under the audio lock: its envelope drops to 0 in
// release, and command 19 is posted.
void ToggleMute(EditorHost* host, int voice);
void SetMute(EditorHost* host, int voice, bool muted);
// The mute keys every editing pane shares: Alt+1..4 toggles that voice,
// Alt+M the current voice, Alt+Shift+M sets all four to the opposite of the
// current voice's state. Whether the key was one of them.
bool HandleMuteKey(EditorHost* host, const SDL_Keysym& key);

// What the pane draws from the player, copied under the audio lock once a
// frame: the audio thread moves the row and the position and starts notes.
struct PatternView {
    int row = 0;
    int position = 0;
    bool playing = false;
    bool muted[kVoices] = {};
    bool echoing[kVoices] = {};       // voice v repeats voice v - 1 (track delay)
    int echoVolume[kVoices] = {};     // of the source voice, signed
    int echoDelay[kVoices] = {};      // steps
    uint32_t notesStarted[kVoices] = {};
};

class ChannelPattern : public ChannelBase {
public:
    ChannelPattern(EditorHost* host, AreaPattern* pane, int voice);
    void Draw() override;

    AreaPattern* pane;
    float flash = 0.0f;
    uint32_t seenNotes = 0;

private:
    void DrawRowNumbers(const SDL_Rect& rect, int firstRow, int rows);
    void DrawSteps(const SDL_Rect& rect, int firstRow, int rows);
    void DrawFlash(const SDL_Rect& rect);
    void DrawTrackDelay(const SDL_Rect& rect);
};

class AreaPattern : public Area {
public:
    explicit AreaPattern(EditorHost* host);
    ~AreaPattern() override;

    void Draw() override;
    bool HasKeyFocus() const override;
    bool HandleKey(const SDL_Keysym& key) override;
    void OnChannelPressed(ChannelBase* channel, int column, MouseEvent* event) override;

    // Rows shown and the line the cursor row stays on.
    int VisibleRows() const;
    int CursorLine() const;
    // The pattern a voice plays at the current position, or null.
    qntPatternStep* VoicePattern(int voice) const;

    PatternView view;
    int chordCount = 0;  // notes of the chord being entered with right Shift

private:
    // Runs a key with the audio lock held; a note to preview is left in
    // `preview` (previewing locks the device, so it happens after).
    bool HandleKeyLocked(const SDL_Keysym& key, int& preview);
    bool HandleClipboardKey(const SDL_Keysym& key, int voice, int row, int rows);
    bool HandleCursorKey(const SDL_Keysym& key, int row, int rows);
    void Advance(int row, int rows);
};

// Geometry shared with the window builder.
constexpr int kPatternRowHeight = 16;
constexpr int kRowNumberWidth = 32;
constexpr int kVoiceColumnPitch = 93;
constexpr int kVoiceColumnWidth = 87;
constexpr int kPatternRowsVisible = 24;
constexpr int kPatternRowsVisibleWide = 30;

}  // namespace qn
