// The main window's panes beside the editors: the song title and author
// fields and the instrument list.
#include <cstdio>

#include "app/app.h"
#include "editors/song_lists.h"
#include "gui/text_edit.h"

namespace qn {

namespace {

constexpr int kSongFieldX = 471;
constexpr int kSongFieldY = 53;
constexpr int kSongFieldWidth = 163;  // 20 characters

// The song's title or author: shows the stored 20 bytes, stores the text
// when the edit is committed.
class TextEditSongField : public TextEdit {
public:
    TextEditSongField(App* owner, char* storedText, const char* captionText)
        : app(owner), stored(storedText), captionText_(captionText) {
        maxCharacters = kTitleLength;
    }

    void LoadStoredText() override { SetText(FixedText(stored, kTitleLength).c_str()); }

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

void App::CreateMainWindowPanels(GuiItem* root) {
    TextEdit* name = root->Add(new TextEditSongName(this));
    TextEdit* author = root->Add(new TextEditAuthor(this));
    int fieldHeight = baseFont ? baseFont->glyphHeight + 2 : 18;
    name->x = author->x = kSongFieldX;
    name->y = kSongFieldY;
    author->y = kSongFieldY + (baseFont ? baseFont->glyphHeight : 16) + 5;
    name->w = author->w = kSongFieldWidth;
    name->h = author->h = fieldHeight;

    root->Add(new InstrumentList(MakeListContext(), 423, 155, 212, 300, false));
}

}  // namespace qn
