// The main window's panes beside the editors: the song title and author
// fields, the information panel, the scope and the instrument list.
#include <algorithm>
#include <cstdio>

#include "app/app.h"
#include "editors/song_lists.h"
#include "gui/render_view.h"
#include "gui/text_edit.h"

namespace qn {

namespace {

constexpr int kSongFieldX = 471;
constexpr int kSongFieldY = 53;
constexpr int kSongFieldWidth = 163;  // 20 characters
constexpr int kInfoX = 425;
constexpr int kInfoY = 121;  // in window coordinates, below the song fields

// The song's title or author: shows the stored 20 bytes, stores the text
// when the edit is committed.
class TextEditSongField : public TextEdit {
public:
    TextEditSongField(App* owner, char* storedText, const char* captionText)
        : app(owner), stored(storedText), captionText_(captionText) {
        maxCharacters = kTitleLength;
    }

    void LoadStoredText() override { SetText(stored, kTitleLength); }

    void Draw() override {
        TextEdit::Draw();
        Font* face = DrawingFont();
        if (!face || hidden) return;
        SDL_Rect rect = AbsoluteRect();
        int captionX = rect.x - face->TextWidth(captionText_) - 4;
        face->DrawText(captionText_, captionX, rect.y + (rect.h - face->glyphHeight) / 2 + 1, captionColour);
    }

    void OnCommit() override {
        // Neither field is read by the audio callback.
        SetFixedText(stored, kTitleLength, text);
        app->RecomputeSongInfo();
    }

    App* app;
    char* stored;

private:
    const char* captionText_;
};

class TextEditSongName : public TextEditSongField {
public:
    explicit TextEditSongName(App* owner) : TextEditSongField(owner, owner->document->title, "SONG") {}
};

class TextEditAuthor : public TextEditSongField {
public:
    explicit TextEditAuthor(App* owner) : TextEditSongField(owner, owner->document->author, "AUTHOR") {}
};

// The song information panel.
class Info : public GuiItem {
public:
    explicit Info(App* owner) : app(owner) {
        frame = false;
        hittable = false;
        w = 212;
        h = 56;
    }

    void Draw() override {
        if (hidden || !app->smallFont) return;
        char text[256];
        app->FormatSongInfo(text, sizeof(text));
        SDL_Rect rect = AbsoluteRect();
        app->smallFont->DrawText(text, rect.x, rect.y, Rgba{0xCC, 0xCC, 0xCC, 255});
    }

    App* app;
};

// Minutes (at most 99) and the seconds left over, which pass 59 only when
// the minutes are held at 99.
void SplitMinutes(float seconds, int* minutes, int* rest) {
    int total = std::max(0, int(seconds));
    *minutes = std::min(99, total / 60);
    *rest = total - *minutes * 60;
}

}  // namespace

ListContext App::MakeListContext() {
    ListContext context;
    context.document = document.get();
    context.currentInstrument = &currentInstrument;
    context.instrumentPage = &instrumentPage;
    context.currentWave = &currentWave;
    context.stepsInHex = [this] { return prefs->stepsInHex != 0; };
    context.namesChanged = [this] { RecomputeSongInfo(); };
    return context;
}

void App::FormatSongInfo(char* out, size_t size) {
    if (songSize == 0) RecomputeSongInfo();
    int playMinutes, playSeconds, durationMinutes, durationSeconds;
    SplitMinutes(playTime, &playMinutes, &playSeconds);
    SplitMinutes(songDuration, &durationMinutes, &durationSeconds);
    uint32_t chipMemory;
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        chipMemory = WaveSynth::ChipMemoryNeeded(document->song);
    }
    std::snprintf(out, size,
                  "Time                 %02d:%02d\nDuration             %02d:%02d\nFilesize             %5d\n"
                  "Chipram needed      %6d\nA500 Precalc time   %05.2fs\n",
                  playMinutes, playSeconds, durationMinutes, durationSeconds, int(songSize), int(chipMemory),
                  double(precalcEstimate));
}

void App::CreateMainWindowPanels(GuiItem* root) {
    TextEdit* name = root->Add(new TextEditSongName(this));
    TextEdit* author = root->Add(new TextEditAuthor(this));
    int fieldHeight = baseFont ? baseFont->glyphHeight + 2 : 18;
    name->x = author->x = kSongFieldX;
    name->y = kSongFieldY;
    author->y = kSongFieldY + (baseFont ? baseFont->glyphHeight : 16) + 5;
    name->w = author->w = kSongFieldWidth;
    name->h = author->h = fieldHeight;

    Info* info = root->Add(new Info(this));
    info->x = kInfoX;
    info->y = kInfoY - root->y;

    root->Add(new InstrumentList(MakeListContext(), 423, 155, 212, 300, false));

    RenderView* scope = root->Add(new RenderView());
    scope->x = 422;
    scope->y = 463;
    scope->w = 213;
    scope->h = 80;
    scope->ring = scopeHistory;
    scope->ringSize = kScopeHistorySize;
    scope->writeCounter = &scopeCounter;
    scope->lock = &audioMutex;
}

}  // namespace qn
