#include "app/wav_export_panel.h"

#include <cfenv>
#include <mutex>

#include "app/app.h"
#include "app/file_dialog.h"
#include "engine/wav_export.h"
#include "engine/wav_file.h"
#include "gui/button.h"
#include "gui/gauge.h"

namespace qn {

constexpr const char* kWavFilter = "wav";
constexpr const char* kWavExtension = ".wav";

double ExportPanelSettings::refreshSeconds = 1.0 / 30.0;
std::function<void(int frame)> ExportPanelSettings::onFrame;

std::string WavFilePath(const std::string& chosen) {
    const size_t extension = std::char_traits<char>::length(kWavExtension);
    if (chosen.size() >= extension + 1 && chosen.compare(chosen.size() - extension, extension, kWavExtension) == 0)
        return chosen;
    return chosen + kWavExtension;
}

// One export in progress: the panel's widgets and what the nested frames
// learnt (Abort pressed, the window closed).
struct ExportRun {
    App* app = nullptr;
    GuiItem* panel = nullptr;
    GuiItemGauge* gauge = nullptr;
    Button* abortButton = nullptr;
    bool abort = false;
    bool quitAfter = false;
    uint64_t lastRefresh = 0;
    uint64_t ticks = 0;
    int frames = 0;

    void OpenPanel();
    void ClosePanel();
    void Frame(float fraction);
    void PollEvents();
};

void ExportRun::OpenPanel() {
    panel = new GuiItem();
    panel->w = kExportPanelWidth;
    panel->h = kExportPanelHeight;
    panel->x = (app->logicalWidth - panel->w) / 2;
    panel->y = (app->logicalHeight - panel->h) / 2;
    panel->customColours = true;
    panel->background = Rgba{16, 32, 48, 240};
    panel->textColour = Rgba{255, 255, 255, 255};
    gauge = panel->Add(new GuiItemGauge());
    gauge->x = 8;
    gauge->y = 8;
    gauge->w = kExportPanelWidth - 16;
    gauge->h = 20;
    gauge->hittable = false;
    abortButton = panel->Add(new Button());
    abortButton->font = app->baseFont;
    abortButton->label = "Abort";
    abortButton->w = 80;
    abortButton->h = 22;
    abortButton->x = (kExportPanelWidth - abortButton->w) / 2;
    abortButton->y = kExportPanelHeight - abortButton->h - 6;
    app->items.push_back(panel);
    lastRefresh = SDL_GetPerformanceCounter();
}

void ExportRun::ClosePanel() {
    GuiList& items = app->items;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] != panel) continue;
        items.erase(items.begin() + long(i));
        break;
    }
    delete panel;
    panel = nullptr;
    // A press made during the export belongs to no widget afterwards.
    app->mouse.state = 0;
    app->lastDispatchedMouse = app->mouse;
}

// The events of a nested frame: the mouse and the modifier keys are kept up
// to date, closing the window aborts (the program quits afterwards), Escape
// aborts; keys, text and command events are dropped, so no menu, shortcut
// or button can start anything while the song renders.
void ExportRun::PollEvents() {
    SDL_Event event;
    MouseEvent& mouse = app->mouse;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT:
                abort = true;
                quitAfter = true;
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                TrackModifierKey(event.key);
                if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) abort = true;
                break;
            case SDL_MOUSEMOTION:
                mouse.state = 0;
                mouse.x = event.motion.x;
                mouse.y = event.motion.y;
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                // A left press is state 1, its release state 2.
                if (event.button.button == SDL_BUTTON_LEFT) {
                    mouse.state = event.type == SDL_MOUSEBUTTONDOWN ? 1 : 2;
                    mouse.x = event.button.x;
                    mouse.y = event.button.y;
                }
                break;
            default:
                break;
        }
    }
}

void ExportRun::Frame(float fraction) {
    ++frames;
    if (ExportPanelSettings::onFrame) ExportPanelSettings::onFrame(frames);
    PollEvents();
    gauge->fraction = fraction;
    UpdateTree(app->items);
    // Only the panel takes the mouse: a release over "Abort" ends the render.
    MouseEvent& mouse = app->mouse;
    abortButton->clicked = false;
    if (mouse.state != 0) {
        GuiList panelOnly = {panel};
        if (HitTest(panelOnly, mouse) == abortButton) {
            abortButton->clicked = true;
            if (mouse.state == 2) abort = true;
        }
    }
    mouse.previousState = mouse.state;
    if (mouse.state == 2) mouse.state = 0;
    app->Render();
}

static bool ExportProgress(float fraction, void* context) {
    auto* run = static_cast<ExportRun*>(context);
    ++run->ticks;
    uint64_t now = SDL_GetPerformanceCounter();
    double elapsed = double(now - run->lastRefresh) / double(SDL_GetPerformanceFrequency());
    if (elapsed > ExportPanelSettings::refreshSeconds) {
        run->lastRefresh = now;
        // Drawing may leave the floating-point unit in another mode (the
        // renderer's vector code can switch on flush-to-zero); the mixer's
        // smoothing must go on in the mode the render started in, or the
        // file would depend on how often the panel was redrawn.
        std::fenv_t environment;
        std::fegetenv(&environment);
        run->Frame(fraction);
        std::fesetenv(&environment);
    }
    return !run->abort;
}

void App::ExportWavCommand() {
    // The name first: a cancelled dialog leaves playback and the song alone.
    FileReq request;
    if (!request.Open(kWavFilter, true)) return;
    std::string path = WavFilePath(request.Path());

    ExportRun run;
    run.app = this;
    bool tooLong = false;
    bool written = false;
    // The callback only writes silence from here on and takes no lock.
    exportBusy.store(1, std::memory_order_release);
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        UnsetCursorMarks();
        replayer->ResetReplayer(true);
        // A WAV file holds at most 2^32 bytes; a longer song is refused
        // before anything is rendered.
        tooLong = ExportBufferFrames(SongDurationSeconds(*replayer)) > kWavMaxFrames;
        if (!tooLong) {
            keysBlocked = true;
            run.OpenPanel();
            written = ExportWav(*replayer, mixer, StereoWidthForMode(prefs->stereoMode), path, ExportProgress, &run);
            run.ClosePanel();
            keysBlocked = false;
        }
        replayer->ResetReplayer(true);
        playTime = 0.0f;
    }
    exportBusy.store(0, std::memory_order_release);

    if (tooLong)
        SetStatus("Failed. Song too long for a wav file.");
    else if (!written)
        SetStatus("Failed. Could not write wav.");
    else
        SetStatus(run.abort ? "Wav export aborted." : "Wav exported.");
    // Closing the window during the export quits once it is written, with
    // the usual question about unsaved changes.
    if (run.quitAfter) quitRequested = true;
}

}  // namespace qn
