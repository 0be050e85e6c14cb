// The real App headless (SDL's dummy drivers, software renderer): real SDL events, whole frames, pixels read back.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>

#include "app/app.h"
#include "app/file_dialog.h"
#include "app/save_question.h"
#include "app/status_bar.h"
#include "engine/playback.h"
#include "song/song_loader.h"

namespace qn::testing {

inline const std::string kDemoSong = std::string(QUILLNOTE_SOURCE_DIR) + "/songs/demo.qnt";

// A song image prepared the way the command-line renderer prepares it.
struct OfflineSong {
    SongDocument document;
    Song imageSong;
    WaveMemory memory;
    Replayer replayer;
    MixerState mixer;

    bool Load(std::vector<uint8_t>& image) {
        if (!LoadSong(document, image, &imageSong, nullptr)) return false;
        replayer.InitReplayer(&imageSong, &memory);
        replayer.song = &document.song;
        replayer.ResetReplayer(true);
        PrepareSongForWrite(replayer);
        return true;
    }
};

class AppHarness {
public:
    // Starts the App in a scratch working directory (its "prefs.bin" = `prefsBytes` when given).
    explicit AppHarness(const std::string& prefsBytes = {}, const char* songArgument = nullptr) {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
        oldDirectory_ = std::filesystem::current_path();
        char pattern[] = "/tmp/qn_harness_XXXXXX";
        scratch_ = mkdtemp(pattern);
        std::filesystem::current_path(scratch_);
        dataHome_ = scratch_.string() + ".data";  // backups and run markers, not in the user's folder
        SDL_setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
        if (!prefsBytes.empty()) WriteFile("prefs.bin", prefsBytes);
        // Unsaved changes are discarded unless a test scripts the question.
        SetSaveQuestion([] { return SaveAnswer::kDiscard; });
        app = new App();
        gApp = app;
        if (songArgument) app->startupSongPath = songArgument;
        started = app->Init();
    }

    ~AppHarness() {
        Stop();
        delete app;
        gApp = nullptr;
        SetSaveQuestion({});
        std::filesystem::current_path(oldDirectory_);
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
        std::filesystem::remove_all(dataHome_, ignored);
    }

    // Runs App::Shutdown once (it writes "prefs.bin").
    void Stop() { if (!std::exchange(stopped_, true)) app->Shutdown(); }

    bool Frame(int count = 1) {  // runs frames; returns whether the App asked to quit in the last
        bool quit = false;
        while (count-- > 0) quit = app->Update();
        return quit;
    }
    // A command and the frames that run it; returns whether the App asked to quit.
    bool Run(int command, int frames = 1) {
        Command(command);
        return Frame(frames);
    }

    void Push(SDL_Event& event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    void PushType(Uint32 type) { Push(Event(type)); }  // e.g. SDL_QUIT

    void KeyDown(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { Key(true, sym, mod); }
    void KeyUp(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { Key(false, sym, mod); }
    void Key(bool down, SDL_Keycode sym, Uint16 mod) { Push(event_ = KeyEvent(sym, mod, down)); }
    void Text(const char* text) { Push(event_ = TextEvent(text)); }
    void Wheel(int y) {
        Event(SDL_MOUSEWHEEL).wheel.y = y;
        Push(event_);
    }
    void MouseMove(int x, int y) {
        Event(SDL_MOUSEMOTION).motion.x = x;
        event_.motion.y = y;
        Push(event_);
    }
    void MouseButton(bool down, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        Push(event_ = ButtonEvent(down, x, y, button));
    }
    void Mouse(bool down, int x, int y, int frames = 1) {  // a left press or release and the frames that handle it
        MouseButton(down, x, y);
        Frame(frames);
    }
    void Click(int x, int y) {
        MouseMove(x, y);
        Frame();
        Mouse(true, x, y);
        Mouse(false, x, y);
    }
    void Command(int number) { PostCommandEvent(number); }
    static SDL_Event KeyEvent(SDL_Keycode sym, Uint16 mod = KMOD_NONE, bool down = true) {
        SDL_Event event{Uint32(down ? SDL_KEYDOWN : SDL_KEYUP)};
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym = SDL_Keysym{SDL_GetScancodeFromKey(sym), sym, mod, 0};
        return event;
    }
    static SDL_Event ButtonEvent(bool down, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event event{Uint32(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP)};
        event.button.button = button;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        return event;
    }
    static SDL_Event TextEvent(const char* text) {
        SDL_Event event{SDL_TEXTINPUT};
        SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
        return event;
    }

    // Draws the widget tree (unless `draw` is false) and reads one pixel (at GUI size 1.0 logical = window pixels).
    Rgba Pixel(int x, int y, bool draw = true) {
        if (draw) app->DrawFrame();
        SDL_Rect rect = {x, y, 1, 1};
        Uint8 rgba[4] = {};
        SDL_RenderReadPixels(app->renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4);
        return Rgba{rgba[0], rgba[1], rgba[2], rgba[3]};
    }

    // Saves the frame beside the test binary ("frames/NAME.bmp") for a person to look at; "" on failure.
    std::string SaveFrame(const std::string& name) {
        app->DrawFrame();
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(app->renderer, &width, &height);
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return {};
        SDL_RenderSetViewport(app->renderer, nullptr);
        char* base = SDL_GetBasePath();
        const std::string folder = std::string(base ? base : "") + "frames/", path = folder + name + ".bmp";
        SDL_free(base);
        std::filesystem::create_directories(folder);
        bool saved = SDL_RenderReadPixels(app->renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, surface->pixels,
                                          surface->pitch) == 0 && SDL_SaveBMP(surface, path.c_str()) == 0;
        SDL_FreeSurface(surface);
        return saved ? path : std::string();
    }

    std::string Status() const { return app->statusText; }
    std::string ShownStatus() const { return app->statusBar ? app->statusBar->shownText : std::string(); }
    void SettleStatus(int maxFrames = 60) {  // frames until the status bar shows the status text at rest
        for (int i = 0; i < maxFrames; ++i) {
            Frame();
            if (app->statusBar && app->statusBar->rollPhase == 0.0f && ShownStatus() == Status()) return;
        }
    }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream file(path, std::ios::binary);
        ASSERT_TRUE(file.write(bytes.data(), std::streamsize(bytes.size()))) << path;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    App* app = nullptr;
    bool started = false;

private:
    SDL_Event& Event(Uint32 type) { return event_ = SDL_Event{type}; }
    SDL_Event event_{};
    std::filesystem::path oldDirectory_;
    std::filesystem::path scratch_;
    std::string dataHome_;
    bool stopped_ = false;
};

// A started App with its audio device paused: only a test's own ticks move the song.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        SDL_PauseAudioDevice(harness.app->audioDevice, 1);
        harness.Frame(2);  // start-up: the GuiSize command and the edit-mode messages
    }
    App* app() { return harness.app; }
    Song& TheSong() { return harness.app->document->song; }
    void Run(int command) { harness.Run(command); }
    // A key, the frame that handles it and (frames 2) the one running its command.
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE, int frames = 2) {
        harness.KeyDown(sym, mod);
        harness.Frame(frames);
    }
    // Collects the commands broadcast to the widgets from now on (until a window switch drops the listener).
    std::vector<int>& Listen() {
        GuiItem* listener = new GuiItem();
        listener->w = listener->h = 0;
        listener->onCommand = [this](int command) { commandsHeard.push_back(command); };
        harness.app->items.push_back(listener);
        return commandsHeard;
    }
    AppHarness harness;
    std::vector<int> commandsHeard;
};

// A file dialog answering from a script: each Open takes the next answer (cancel when none is left).
class ScriptedDialog {
public:
    ScriptedDialog() {
        FileReq::SetDialog([this](const DialogRequest& request, std::string* path, std::string* error) {
            requests.push_back(request);
            if (answers.empty()) return DialogOutcome::kCancel;
            Answer answer = answers.front();
            answers.pop_front();
            *(answer.outcome == DialogOutcome::kError ? error : path) = answer.text;
            return answer.outcome;
        });
    }
    ~ScriptedDialog() { FileReq::SetDialog({}); }
    void Choose(const std::string& path) { answers.push_back({DialogOutcome::kOk, path}); }
    void Cancel() { answers.push_back({DialogOutcome::kCancel, {}}); }
    void Fail(const std::string& error) { answers.push_back({DialogOutcome::kError, error}); }
    struct Answer { DialogOutcome outcome; std::string text; };
    std::deque<Answer> answers;
    std::vector<DialogRequest> requests;
};

}  // namespace qn::testing
