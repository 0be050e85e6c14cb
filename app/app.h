// The application: one object, reached through gApp, that owns the window,
// the fonts, the current window's widgets, the song and the preferences,
// and runs the frame loop.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/prefs.h"
#include "editors/command_numbers.h"
#include "editors/editor_host.h"
#include "editors/song_lists.h"
#include "engine/playback.h"
#include "engine/replayer.h"
#include "engine/wave_synth.h"
#include "gui/font.h"
#include "gui/gui_item.h"
#include "song/instrument_file.h"
#include "song/song.h"
#include "song/undo.h"

namespace qn {

class StatusBar;
class BackupStore;

// A checksum of everything a song file keeps (the storage block, lengths
// and names): what "changed since loaded or saved" compares.
uint32_t SongContentChecksum(const SongDocument& doc);

constexpr int kLogicalWidth = 640;
constexpr int kWideLogicalWidth = 896;
constexpr int kLogicalHeight = 592;
constexpr uint32_t kMaxStartupSongBytes = 0x100000;
constexpr int kMenuBarHeight = 20;  // glyph height + 4
constexpr int kScopeHistorySize = kSampleRate;  // one second of mono samples

// Windows the builders set as current.
enum WindowId : int { kNoWindow = 0, kMainWindow = 1, kInstrumentWindow = 2, kWaveWindow = 3 };

class App : public EditorHost {
public:
    App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App();

    bool Init();
    bool Update();
    void Render();
    void Shutdown();

    void CloseWindows();
    void RecenterWindow();
    void PostGuiSize();
    void PostCommand(int command) override;

    // Runs one command number; the window, menu and engine commands of the
    // shell extend the switch in app_commands.cpp.
    void ExecuteCommand(int command);
    // Offers queued keys to the widgets and handles the first one nobody
    // takes as an application key (app_keys.cpp).
    void HandleKey();
    // Application keys for a key no widget consumed.
    void HandleApplicationKey(const SDL_Keysym& key);
    // Return: moves the keyboard focus between the pattern and sequence panes.
    void SwitchPaneFocus();

    // EditorHost: what the editor panes reach through their host pointer.
    Song& EditedSong() override { return document->song; }
    Replayer& Player() override { return *replayer; }
    std::recursive_mutex& AudioLock() override { return audioMutex; }
    bool WideGui() const override { return prefs->wideGui != 0; }
    bool StepsInHex() const override { return prefs->stepsInHex != 0; }
    Font* SmallFont() const override { return smallFont; }

    // Window builders: each closes the current window, stores itself as the
    // rebuild callback and builds its widget tree (menu_bar.cpp builds the
    // bar every window starts with).
    void CreateMainWindow();
    void CreateInstrumentWindow();
    void CreateWaveWindow();
    GuiItem* CreateMenuBar();
    // The start every window builder shares (menu_bar.cpp): the open window
    // closed, `builder` stored as the rebuild callback, the window's undo
    // history chosen, then the Escape switch to `escapeCommand` and the menu
    // bar.
    void BeginWindow(WindowId window, void (App::*builder)(), int escapeCommand);
    // An invisible, unhittable panel under the menu bar, as large as the
    // logical screen, added to the window's items.
    GuiItem* AddRootPanel();
    // The main window's pattern and sequence editors with their columns,
    // inside the root panel; CreateEditorPanes adds the song settings pane
    // (main_window_editors.cpp).
    void CreatePatternChannels(GuiItem* root);
    void CreateEditorPanes(GuiItem* root);
    // The main window's song title and author fields, information panel,
    // scope and instrument list (main_window_panels.cpp).
    void CreateMainWindowPanels(GuiItem* root);
    // What the instrument and wave lists of every window reach in the App.
    ListContext MakeListContext();
    // The information panel's text: play time, duration, song size (measured
    // first when stale), chip memory and the precalculation estimate.
    void FormatSongInfo(char* out, size_t size);

    // Draws the widget tree without presenting (the harness reads pixels).
    void DrawFrame();

    // Song files (song_commands.cpp). LoadSong reads an image into the
    // editable song and prepares the Replayer for it; a rejected image
    // changes nothing. WriteSongImage runs the writer preparation and the
    // module writer; SaveSong writes the image beside the path (".qnt"
    // appended when missing) and renames it over the file only when
    // complete, returning the path written.
    bool LoadSong(std::vector<uint8_t>& image);
    bool WriteSongImage(std::vector<uint8_t>& image);
    bool SaveSong(const char* path, std::string* finalPath = nullptr);
    void LoadSongCommand();
    // "Save Song" (asks only when no path is remembered) or "Save Song As...";
    // true when the song was written.
    bool SaveSongCommand(bool askForPath);
    void NewSongCommand(bool keepInstruments);
    void RememberSongPath(const std::string& path);

    // Playback (audio_output.cpp). None of these may be called with the
    // device locked; PreviewNote must not be called with audioMutex held.
    static void AudioCallback(void* userData, Uint8* stream, int length);
    // The callback's work under the lock: one tick into audioBuffer and the
    // scope history.
    void RenderAudioTick();
    bool IsPlaying() override;
    // The device exists and is calling back.
    bool AudioRunning() const;
    void PlaySong();
    void PlayPattern();
    void PlaySongFromCursor();
    void PlayPatternFromCursor();
    // Stop: back to the cursor marks when set, which are then unset.
    void StopPlayback();
    // Shift+Space: stop and unset the cursor marks without returning to them.
    void StopKeepingCursor();
    // Plays the cursor row once, waiting for the audio thread, then moves
    // the cursor to the next row.
    void PlayOneRow();
    void PreviewNote(int note) override;
    // Precalculates the waves from `wavesFrom` and points the stopped
    // Replayer at the editable song.
    void InitReplayerForSong(Song* wavesFrom);
    // The writer preparation: octave-copy flags and the song duration.
    float PrepareSongForWriting();
    void UnmuteVoices();
    void UnsetCursorMarks();
    void ClearUndoHistories();
    // The newest `count` samples of the scope history, oldest first.
    void CopyScopeHistory(int16_t* out, int count, int64_t* newestCounter = nullptr);
    // Undo (app_undo.cpp). The recording rule: after a frame that handled
    // keys, a changed storage block is stored in the active history.
    void RecordUndoIfChanged();
    // The window being opened chooses the history: the song history in the
    // main window, the instrument editor's own (restarted at each opening)
    // in the instrument window, none in the wave editor. Call before
    // `currentWindow` is set to the new window.
    void SelectUndoHistory(int window);
    // Start-up and "New Song": both histories emptied (the song history only
    // when the instruments are kept) and the fresh song stored.
    void ResetUndoForNewSong(bool keepInstruments);
    // "Undo" / "Redo" under the audio lock.
    void StepUndo(bool redo);
    // Measures the song as it would be saved: song size, wave count (stored
    // into the Song) and the Amiga precalculation estimate.
    void RecomputeSongInfo() override;

    // Song operations (app_song_operations.cpp). ExecuteSongOperation runs
    // the optimizer, import, instrument file, clipboard, undo and wave gain
    // commands and returns false for any other number.
    bool ExecuteSongOperation(int command);
    // Generates every wave again from its record, under the audio lock.
    void RegenerateWaves();
    // Loads an instrument file into the current instrument; all or nothing.
    bool LoadInstrument(const uint8_t* data, size_t size);
    void LoadInstrumentCommand();
    void SaveInstrumentCommand();
    void ImportCommand(bool qxm);
    // "Optimize Song": the optimizer's passes, its summary on the status line.
    void OptimizeSong();
    void WaveGainCommand(int command);
    void ClipboardCommand(int command);
    // Exports (wav_export_panel.cpp, amiga_export.cpp).
    void ExportWavCommand();
    void ExportAmigaCommand();
    // Collects the exit of started scripts that have ended.
    void ReapChildren();

    // Unsaved changes (unsaved_changes.cpp). MarkSongSaved: the song as it
    // now is counts as saved (after load, save and "New Song").
    // ConfirmDiscardChanges asks "Save changes to the song?" when the song
    // changed; true when the caller may go on (saved or discarded).
    void MarkSongSaved();
    bool SongChanged();
    bool ConfirmDiscardChanges();
    // A quit asked for this frame (window close, Alt+F4, "Quit").
    void HandleQuitRequest();
    std::string WindowTitle() const;
    void UpdateWindowTitle();
    // Backups (app_backup.cpp): the store, and the once-a-second check of
    // the changed state with the crash image and the autosave.
    void StartBackups();
    void StopBackups();
    void ClearCrashImage();
    void Housekeeping();

    // Sets the status text with printf formatting.
    void SetStatus(const char* format, ...);
    // Builds the path of a data file next to the program.
    void DataPath(char* out, size_t size, const char* relative) const;

    // Window and drawing.
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    Font* baseFont = nullptr;
    Font* basensFont = nullptr;
    Font* smallFont = nullptr;
    SDL_Surface* iconSurface = nullptr;
    SDL_Texture* iconTexture = nullptr;
    GuiList items;
    std::function<void()> rebuildWindow;
    int currentWindow = kNoWindow;
    StatusBar* statusBar = nullptr;  // the bar of the current window, if any
    GuiItem* rootPanel = nullptr;    // the main window's root panel
    GuiItem* menuBar = nullptr;      // the bar of the current window
    bool logoShown = false;          // the logo glides in only the first time

    // Input.
    std::deque<SDL_Keysym> KeyQueue;
    MouseEvent mouse;
    MouseEvent lastDispatchedMouse;
    uint32_t capturedItemId = 0;
    bool commandSeen = false;
    bool quit = false;
    bool keysBlocked = false;
    bool quitRequested = false;  // answered by HandleQuitRequest

    // Layout.
    int logicalWidth = kLogicalWidth;
    int logicalHeight = kLogicalHeight;
    int windowScale = 1;

    // Preferences and colours.
    Prefs* prefs = nullptr;
    Rgba background = {177, 126, 116, 255};
    Rgba textColour = {255, 255, 255, 255};

    // Editing state (the rest is EditorHost's).
    bool lastShownEditMode = false;
    char statusText[1024] = {};
    char songPath[1024] = {};
    const char* startupSongPath = nullptr;

    // Song and sound. The audio callback and every main-thread change to
    // what it reads hold audioMutex (recursive: the writer preparation runs
    // inside the WAV export, which already holds it).
    std::unique_ptr<SongDocument> document;
    std::unique_ptr<WaveMemory> waveMemory;
    std::unique_ptr<Replayer> replayer;
    MixerState mixer;
    std::recursive_mutex audioMutex;
    std::atomic<uint8_t> exportBusy{0};  // the callback only writes silence
    SDL_AudioDeviceID audioDevice = 0;
    SDL_AudioSpec audioSpec = {};
    int16_t audioBuffer[2 * kFramesPerTick] = {};
    int16_t scopeHistory[kScopeHistorySize] = {};
    int64_t scopeCounter = 0;  // frames written; the newest is at counter - 1
    int cursorMarkRow = -1;    // where a from-cursor playback began
    int cursorMarkPosition = -1;
    float songDuration = 0.0f;
    float playTime = 0.0f;
    bool undoRecording = false;
    UndoHistories undo;
    Clipboards clipboards;
    // Song information: the size of the song image in bytes (0 until
    // measured) and the Amiga precalculation estimate of its waves.
    uint32_t songSize = 0;
    float precalcEstimate = 0.0f;
    uint64_t lastFrameCounter = 0;

    // Unsaved changes and backups. The checks run every changeCheckSeconds;
    // an autosave is written when the song has stayed changed for
    // autosaveSeconds since the last one.
    uint32_t savedChecksum = 0;
    bool songChanged = false;
    std::string shownTitle;
    double changeCheckSeconds = 1.0;
    double autosaveSeconds = 60.0;
    double lastChangeCheck = -1e9;
    double changedSince = -1.0;
    uint32_t crashImageChecksum = 0;
    uint32_t autosaveChecksum = 0;
    std::vector<uint8_t> backupImage;
    std::unique_ptr<BackupStore> backup;
    std::vector<int> childProcesses;  // started scripts not yet collected
    std::string startupNote;          // the crash note, kept over the first frames
    int startupNoteFrames = 0;

private:
    bool sdlStarted_ = false;
    void OpenAudio();
    void LoadStartupSong();
    void StartPlayback(bool patternLoop, bool fromCursor);
    void PollEvents();
    // Starts SDL text input while a text field is being edited, stops it after.
    void FollowTextFocus();
    void PaceFrame();
    void DispatchMouse();
    void DeliverMouse(GuiItem* item);
};

extern App* gApp;

// The one preferences record of the program.
extern Prefs gPrefs;

// The song named on the command line: the one argument after the program
// name, or none when there are no or several arguments.
const char* StartupSongArgument(int argc, char** argv);

// Runs the program: the entry point calls this with its arguments.
int RunQuillnote(int argc, char** argv);

}  // namespace qn
