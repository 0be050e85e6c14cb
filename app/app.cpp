#include "app/app.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/backup.h"
#include "app/command_line.h"
#include "app/data_files.h"
#include "app/status_bar.h"
#include "song/song_loader.h"

namespace qn {

App* gApp = nullptr;
Prefs gPrefs = DefaultPrefs();

App::App() {
    ResetPrefs(gPrefs);
    prefs = &gPrefs;
    Colour colour = LoadPrefs(gPrefs);
    background = Rgba{colour.r, colour.g, colour.b, colour.a};
    // Linux needs nothing to keep the desktop from scaling the window.
}

App::~App() = default;

void App::SetStatus(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(statusText, sizeof(statusText), format, args);
    va_end(args);
}

void App::DataPath(char* out, size_t size, const char* relative) const {
    static char* basePath = SDL_GetBasePath();
    std::snprintf(out, size, "%s", FindDataFile(basePath ? basePath : "", relative).c_str());
}

bool App::Init() {
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        std::printf("SDL_Init failed!\n");
        return false;
    }
    sdlStarted_ = true;
    if (!WindowCanBeShown(SDL_getenv("SDL_VIDEODRIVER"), SDL_GetCurrentVideoDriver())) {
        std::fputs("quillnote: cannot open a window (no display)\n", stderr);
        return false;
    }
    windowScale = 1;
    logicalWidth = prefs->wideGui ? kWideLogicalWidth : kLogicalWidth;
    logicalHeight = kLogicalHeight;

    gCommandEventType = SDL_RegisterEvents(1);

    SDL_DisplayMode displayMode;
    SDL_GetCurrentDisplayMode(0, &displayMode);

    window = SDL_CreateWindow("Quillnote v1.0", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              windowScale * logicalWidth, windowScale * logicalHeight, SDL_WINDOW_RESIZABLE);
    renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    if (renderer) {
        SDL_GL_SetSwapInterval(-1);
        SDL_RenderSetLogicalSize(renderer, logicalWidth, logicalHeight);
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    }
    // Glyphs and icons are pixel art: nearest-neighbour keeps them sharp
    // at every window size.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");

    PostGuiSize();

    lastFrameCounter = 0;
    frameDelta = 0.0f;
    totalTime = 0.0;
    ModifierState = 0;
    playTime = 0.0f;
    editMode = true;
    lastShownEditMode = false;
    currentInstrument = 1;
    currentOctave = 0;

    char path[1024];
    baseFont = new Font();
    DataPath(path, sizeof(path), "fonts/base.bmp");
    baseFont->Load(renderer, path, 16, 2, 16);
    basensFont = new Font();
    DataPath(path, sizeof(path), "fonts/basens.bmp");
    basensFont->Load(renderer, path, 16, 0, 16);
    smallFont = new Font();
    DataPath(path, sizeof(path), "fonts/small.bmp");
    smallFont->Load(renderer, path, 9, 0, 9 + 2);

    DataPath(path, sizeof(path), "fonts/icon.bmp");
    if (SDL_RWops* file = SDL_RWFromFile(path, "rb")) iconSurface = SDL_LoadBMP_RW(file, 1);
    if (iconSurface && renderer) {
        iconTexture = SDL_CreateTextureFromSurface(renderer, iconSurface);
        if (iconTexture) SDL_SetTextureBlendMode(iconTexture, SDL_BLENDMODE_BLEND);
    }
    gIconTexture = iconTexture;
    gBaseFont = baseFont;
    gRenderer = renderer;
    gDefaultBackground = background;
    gDefaultTextColour = textColour;

    document = std::make_unique<SongDocument>();
    waveMemory = std::make_unique<WaveMemory>();
    replayer = std::make_unique<Replayer>();
    InitReplayerForSong(&document->song);
    ResetUndoForNewSong(false);

    OpenAudio();
    StopPlayback();
    CreateMainWindow();
    LoadStartupSong();
    MarkSongSaved();
    StartBackups();
    return true;
}

void App::LoadStartupSong() {
    if (!startupSongPath) return;
    SDL_RWops* file = SDL_RWFromFile(startupSongPath, "rb");
    if (!file) return;
    Sint64 size = SDL_RWseek(file, 0, RW_SEEK_END);
    SDL_RWseek(file, 0, RW_SEEK_SET);
    if (size <= 0 || size > Sint64(kMaxStartupSongBytes)) {
        SDL_RWclose(file);
        return;
    }
    std::vector<uint8_t> image(static_cast<size_t>(size));
    size_t got = SDL_RWread(file, image.data(), 1, image.size());
    SDL_RWclose(file);
    if (got != image.size()) return;
    // A rejected file leaves the new empty song in place. The song has no
    // remembered path, so "Save Song" asks for one. A loaded song plays at
    // once, from its first position.
    if (LoadSong(image)) {
        // As "Load Song" does: the loaded state, not the empty song before
        // it, becomes the first step of the history.
        ClearUndoHistories();
        PlaySong();
    }
}

void App::CloseWindows() {
    // Closing a window leaves edit mode; the very first build at start-up
    // has nothing to close and keeps the edit mode that Init switched on.
    bool windowWasOpen = !items.empty();
    // A field being edited keeps what was typed: it commits before it goes.
    if (GuiItem* focused = FindFocused(items); focused && focused->isTextField) focused->OnFocusLost();
    DeleteAll(items);
    statusBar = nullptr;
    rootPanel = nullptr;
    menuBar = nullptr;
    patternPane = sequencePane = focusPane = wavePane = nullptr;
    if (windowWasOpen) editMode = false;
}

void App::RecenterWindow() {
    CloseWindows();
    if (rebuildWindow) rebuildWindow();
    if (SDL_GetNumVideoDisplays() < 1) return;
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) != 0) {
        SDL_Log("Could not get display mode for video display #%d: %s", 0, SDL_GetError());
        return;
    }
    SDL_Log("Display #%d: current display mode is %dx%dpx @ %dhz.", 0, mode.w, mode.h, mode.refresh_rate);
    if (window) SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void App::PostGuiSize() {
    static const int kGuiSizeCommands[3] = {kCommandGuiSize10, kCommandGuiSize15, kCommandGuiSize20};
    int size = prefs->guiSize <= 2 ? prefs->guiSize : 0;
    PostCommand(kGuiSizeCommands[size]);
}

void App::PostCommand(int command) { PostCommandEvent(command); }

void App::FollowTextFocus() {
    bool textField = TextFieldHasFocus(items);
    if (textField && !SDL_IsTextInputActive()) {
        editMode = false;
        SDL_StartTextInput();
    } else if (!textField && SDL_IsTextInputActive()) {
        SDL_StopTextInput();
    }
}

void App::PollEvents() {
    FollowTextFocus();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        gDefaultBackground = background;
        gDefaultTextColour = textColour;
        FollowTextFocus();
        switch (event.type) {
            case SDL_MOUSEWHEEL: {
                SDL_Keysym key;
                SDL_zero(key);
                key.sym = event.wheel.y > 0 ? SDLK_UP : SDLK_DOWN;
                KeyQueue.push_back(key);
                break;
            }
            case SDL_TEXTINPUT:
                if (GuiItem* focused = FindFocused(items); focused && focused->isTextField)
                    focused->OnTextInput(event.text.text);
                break;
            case SDL_KEYDOWN:
                TrackModifierKey(event.key);
                KeyQueue.push_back(event.key.keysym);
                break;
            case SDL_KEYUP:
                TrackModifierKey(event.key);
                break;
            case SDL_QUIT:
                quitRequested = true;  // asked about unsaved changes first
                break;
            case SDL_MOUSEMOTION:
                // Moving with the left button held keeps the press going, so
                // the widget that took it can be dragged (loop markers).
                if (!((event.motion.state & SDL_BUTTON_LMASK) && mouse.state == 1)) mouse.state = 0;
                mouse.x = event.motion.x;
                mouse.y = event.motion.y;
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT) {
                    mouse.state = 1;
                    mouse.x = event.button.x;
                    mouse.y = event.button.y;
                } else if (event.button.button == SDL_BUTTON_RIGHT) {
                    ModifierState = kModifierShift;  // the right button acts as Shift
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT)
                    mouse.state = 2;
                else if (event.button.button == SDL_BUTTON_RIGHT)
                    ModifierState = 0;
                break;
            default:
                if (event.type == gCommandEventType) {
                    if (event.user.code != 0) commandSeen = true;
                    ExecuteCommand(event.user.code);
                    BroadcastCommand(items, event.user.code);
                }
                break;
        }
    }
}

void App::PaceFrame() {
    float accumulated = 0.0f;
    for (;;) {
        uint64_t now = SDL_GetPerformanceCounter();
        if (lastFrameCounter == 0) lastFrameCounter = now - 1000;
        float dt = float(double(now - lastFrameCounter) / double(SDL_GetPerformanceFrequency()));
        lastFrameCounter = now;
        frameDelta = dt;
        totalTime += dt;
        accumulated += dt;
        if (accumulated > 1.0f / 60.0f) break;
        SDL_Delay(1);
    }
    frameDelta = accumulated;
}

void App::DeliverMouse(GuiItem* item) {
    if (mouse.state == 0)
        item->OnMouseMove(&mouse);
    else
        PressWidget(items, item, &mouse, &capturedItemId);
}

void App::DispatchMouse() {
    // A press that ran a command (or pressed nothing) is swallowed until the
    // button is up again; the release is still recorded, so the next press is
    // a new click and not taken for the old one still held.
    if (commandSeen) {
        if (mouse.state == 0) commandSeen = false;
        lastDispatchedMouse = mouse;
        return;
    }
    if (mouse.state == 1 && lastDispatchedMouse.state == 1) {
        GuiItem* focused = FindFocused(items);
        if (!focused) {
            commandSeen = true;
            return;
        }
        if (focused->id == capturedItemId) {
            DeliverMouse(focused);
            lastDispatchedMouse = mouse;
            return;
        }
    }
    GuiItem* hit = HitTest(items, mouse);
    if (lastDispatchedMouse.state == 0 && mouse.state == 1) {
        if (GuiItem* focused = FindFocused(items)) focused->OnFocusLost();
    }
    if (hit) DeliverMouse(hit);
    lastDispatchedMouse = mouse;
}

bool App::Update() {
    if (editMode != lastShownEditMode) {
        if (editMode)
            SetStatus("Edit Mode <cff4444>ON<cp0> (Press Space to disable)");
        else
            SetStatus("Edit Mode <ccccccc>OFF<cp0> (Press Space to enable)");
        lastShownEditMode = editMode;
    }
    PollEvents();
    HandleQuitRequest();
    if (keysBlocked) KeyQueue.clear();
    if (!KeyQueue.empty()) {
        HandleKey();
        if (undoRecording) RecordUndoIfChanged();
    }
    if (IsPlaying()) playTime += frameDelta;
    PaceFrame();
    UpdateTree(items);
    DispatchMouse();
    // A press may have started or ended an edit: typing works from the next
    // event on, not only after another event has come in.
    FollowTextFocus();
    Render();
    Housekeeping();
    mouse.previousState = mouse.state;
    if (mouse.state == 2) mouse.state = 0;
    return quit;
}

void App::DrawFrame() {
    if (!renderer) return;
    SDL_RenderSetClipRect(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, background.r, background.g, background.b, background.a);
    SDL_RenderClear(renderer);
    // An open menu drops down over the panes, which come after the menu bar
    // in the window's list and would otherwise be drawn over it: its
    // drop-down is taken out of the walk and drawn when the rest is done.
    std::vector<GuiItem*> openMenus;
    if (menuBar) {
        for (GuiItem* title : menuBar->children) {
            if (title->children.empty()) continue;
            openMenus.push_back(title);
        }
    }
    std::vector<GuiList> dropDowns(openMenus.size());
    for (size_t i = 0; i < openMenus.size(); ++i) dropDowns[i].swap(openMenus[i]->children);
    DrawTree(items);
    for (size_t i = 0; i < openMenus.size(); ++i) {
        openMenus[i]->children.swap(dropDowns[i]);
        DrawTree(openMenus[i]->children);
    }
}

void App::Render() {
    DrawFrame();
    if (renderer) SDL_RenderPresent(renderer);
}

void App::Shutdown() {
    // A start that never opened the window (no display) leaves no file behind.
    if (window) SavePrefs(*prefs);
    StopBackups();
    ReapChildren();
    if (iconTexture) SDL_DestroyTexture(iconTexture);
    if (iconSurface) SDL_FreeSurface(iconSurface);
    iconTexture = nullptr;
    iconSurface = nullptr;
    gIconTexture = nullptr;
    for (Font** font : {&baseFont, &basensFont, &smallFont}) {
        delete *font;
        *font = nullptr;
    }
    gBaseFont = nullptr;
    DeleteAll(items);
    statusBar = nullptr;
    rootPanel = nullptr;
    menuBar = nullptr;
    rebuildWindow = nullptr;
    if (audioDevice) SDL_CloseAudioDevice(audioDevice);
    audioDevice = 0;
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    renderer = nullptr;
    window = nullptr;
    gRenderer = nullptr;
    if (sdlStarted_) SDL_Quit();
    sdlStarted_ = false;
    document.reset();
    KeyQueue.clear();
}

const char* StartupSongArgument(int argc, char** argv) { return argc == 2 ? argv[1] : nullptr; }

int RunQuillnote(int argc, char** argv) {
    const int answered = AnswerCommandLineOptions(argc, argv, stdout, stderr);
    if (answered >= 0) return answered;
    App* app = new App();
    gApp = app;
    app->startupSongPath = StartupSongArgument(argc, argv);
    const bool started = app->Init();
    if (started) {
        while (!app->Update()) {
        }
    }
    app->Shutdown();
    delete app;
    gApp = nullptr;
    return started ? 0 : 1;
}

}  // namespace qn
