// The application: one object, reached through gApp, that owns the window,
// the fonts, the current window's widgets, the song and the preferences,
// and runs the frame loop.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "app/prefs.h"
#include "gui/font.h"
#include "gui/gui_item.h"
#include "song/song.h"

namespace qn {

class StatusBar;

constexpr int kLogicalWidth = 640;
constexpr int kWideLogicalWidth = 896;
constexpr int kLogicalHeight = 592;
constexpr uint32_t kMaxStartupSongBytes = 0x100000;

// Windows the builders set as current.
enum WindowId : int { kNoWindow = 0, kMainWindow = 1, kInstrumentWindow = 2, kWaveWindow = 3 };

// Command numbers this layer executes itself.
enum Command : int {
    kCommandQuit = 1,
    kCommandStopSong = 32,
    kCommandStopKeepCursor = 33,
    kCommandGuiSize20 = 41,
    kCommandGuiSize15 = 42,
    kCommandGuiSize10 = 43,
    kCommandWideGui = 44,
    kCommandStepsInHex = 46,
    kCommandFullStereo = 47,
    kCommandHalfStereo = 48,
    kCommandMono = 49,
};

class App {
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
    void PostCommand(int command);

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

    // Window builders: each closes the current window, stores itself as the
    // rebuild callback and builds its widget tree.
    void CreateMainWindow();

    // Draws the widget tree without presenting (the harness reads pixels).
    void DrawFrame();
    // The song is playing; the replayer answers this once it is wired in.
    bool IsPlaying() const { return false; }
    // Undo step when the song changed; the undo history hooks in here.
    void RecordUndoIfChanged() {}
    // Stop playback and reset the replayer; the engine hooks in here.
    void StopPlayback() {}
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
    bool logoShown = false;          // the logo glides in only the first time
    // Panes of the main window that Return switches between; the editors
    // register themselves here and clear the pointers when deleted.
    GuiItem* patternPane = nullptr;
    GuiItem* sequencePane = nullptr;
    GuiItem* focusPane = nullptr;
    bool lastSwitchToSequence = false;

    // Input.
    std::deque<SDL_Keysym> KeyQueue;
    MouseEvent mouse;
    MouseEvent lastDispatchedMouse;
    uint32_t capturedItemId = 0;
    bool commandSeen = false;
    bool quit = false;
    bool keysBlocked = false;

    // Layout.
    int logicalWidth = kLogicalWidth;
    int logicalHeight = kLogicalHeight;
    int windowScale = 1;

    // Preferences and colours.
    Prefs* prefs = nullptr;
    Rgba background = {177, 126, 116, 255};
    Rgba textColour = {255, 255, 255, 255};

    // Editing state.
    bool editMode = false;
    bool lastShownEditMode = false;
    int currentOctave = 0;
    int currentInstrument = 1;
    int instrumentPage = 0;
    int currentWave = 1;
    int editSkip = 1;
    char statusText[1024] = {};
    char songPath[1024] = {};
    const char* startupSongPath = nullptr;

    // Song and sound. The wave memory, the replayer and the mixer state
    // join here with the engine; the audio callback and every main-thread
    // change to what it reads hold audioMutex.
    std::unique_ptr<SongDocument> document;
    std::mutex audioMutex;
    SDL_AudioDeviceID audioDevice = 0;
    SDL_AudioSpec audioSpec = {};
    float playTime = 0.0f;
    bool undoRecording = false;
    uint64_t lastFrameCounter = 0;

private:
    bool sdlStarted_ = false;
    void OpenAudio();
    void LoadStartupSong();
    void PollEvents();
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
