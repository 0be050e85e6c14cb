// What the editor panes need from the program that hosts them: the song and
// the player reading it, the lock the audio callback holds, note preview,
// command posting, the preferences they draw by, and the editing state the
// panes share (edit mode, octave, instrument, current voice, focus, the
// clipboards). The application derives from EditorHost; the panes keep a
// non-owning pointer to it, so editors/ never reaches into app/.
#pragma once

#include <cstdint>
#include <mutex>

#include "song/song.h"

namespace qn {

class GuiItem;
class Font;
class Replayer;

// Rows of one track, copied whole, with the selection that was or is being
// made in one track (the owner).
struct PatternClipboard {
    static constexpr int kCapacity = kMaxRows;
    int owner = -1;  // the voice whose rows are selected or were copied; -1 none
    qntPatternStep steps[kCapacity] = {};
    int count = 0;
    int selectionStart = -1;
    int selectionEnd = -1;

    bool HasSelection() const { return selectionStart >= 0 && selectionEnd >= 0; }
    void ClearMarks() { selectionStart = selectionEnd = -1; }
};

// A rectangle of sequence entries (voices by positions) and its copy.
struct SequenceClipboard {
    int firstVoice = -1, firstPosition = -1, lastVoice = -1, lastPosition = -1;
    SequenceEntry entries[kVoices][kMaxPositions] = {};
    int copiedFirstVoice = -1, copiedFirstPosition = -1, copiedLastVoice = -1, copiedLastPosition = -1;

    bool HasSelection() const { return firstVoice >= 0 && firstPosition >= 0; }
    void ClearSelection() { firstVoice = firstPosition = lastVoice = lastPosition = -1; }
    bool Contains(int voice, int position) const {
        return HasSelection() && voice >= firstVoice && voice <= lastVoice && position >= firstPosition &&
               position <= lastPosition;
    }
};

// Each wave's own record, kept when it became a clone so that un-cloning
// gives it back. Only a record saved for this wave in this song is given
// back: load, new song and undo forget them all.
struct WaveCloneStore {
    WaveParams saved[kWaves] = {};
    bool valid[kWaves] = {};

    void Reset() {
        for (bool& flag : valid) flag = false;
    }
};

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // The edited song and the Replayer that plays it in place.
    virtual Song& EditedSong() = 0;
    virtual Replayer& Player() = 0;
    // Held by the audio callback for each tick; every edit of what the
    // callback reads (patterns, sequence, row, position, voices) holds it.
    virtual std::recursive_mutex& AudioLock() = 0;
    virtual bool IsPlaying() = 0;
    // Plays `note` on the current voice with the current instrument. Locks
    // the audio device: never call it holding AudioLock().
    virtual void PreviewNote(int note) = 0;
    virtual void PostCommand(int command) = 0;
    // The song size and precalculation estimate shown in the info panel.
    virtual void RecomputeSongInfo() = 0;
    virtual bool WideGui() const = 0;
    virtual bool StepsInHex() const = 0;
    virtual Font* SmallFont() const = 0;

    // Editing state shared by the panes and the application keys.
    bool editMode = false;
    int currentOctave = 0;      // 0..4
    int currentInstrument = 1;  // 1..31
    int instrumentPage = 0;     // 0: instruments 1-16, 1: 17-31
    int currentWave = 1;
    int editSkip = 1;           // rows the cursor advances after an entry
    int currentVoice = 0;       // the voice with the cursor; note preview plays on it

    // The main window's panes that Return switches between; the panes
    // register themselves and clear the pointers when deleted.
    GuiItem* patternPane = nullptr;
    GuiItem* sequencePane = nullptr;
    GuiItem* focusPane = nullptr;
    // The wave editor's pane while its window is open (it registers itself).
    GuiItem* wavePane = nullptr;
    bool lastSwitchToSequence = false;
    // The instrument editor's step pane while its window is open.
    GuiItem* instrumentPane = nullptr;

    // The pattern editor's main clipboard (whole steps), its command
    // clipboard (command and parameter only) and the sequence clipboard;
    // they outlive windows and songs.
    PatternClipboard patternClipboard;
    PatternClipboard commandClipboard;
    SequenceClipboard sequenceClipboard;
    // Records the wave editor put aside when their waves became clones.
    WaveCloneStore waveCloneStore;
};

}  // namespace qn
