// One-line text entry fields. Only one field is edited at a time, so the
// text being typed lives in one global edit state: the field copies its
// text in when a press starts the edit and takes the edited text back when
// it commits (Return, Escape, or focus moving elsewhere).
#pragma once

#include "gui/button.h"

namespace qn {

constexpr int kEditBufferSize = 4096;

struct TextEditState {
    bool textFocus = false;            // a field is being edited
    char buffer[kEditBufferSize] = {};  // the text being edited, NUL-terminated
    int characterLimit = 0;            // capacity of the field being edited
    int cursor = 0;                    // insertion point, 0 .. buffer length
};

extern TextEditState gTextEdit;

class TextEdit : public Button {
public:
    TextEdit();
    ~TextEdit() override;

    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;
    // Commits the edit when this field is the one being edited.
    void OnFocusLost() override;
    bool OnKey(const SDL_Keysym& key) override;
    void OnTextInput(const char* typed) override;

    // Called after a commit with the field's new text; the owners store it.
    virtual void OnCommit() {}
    // Fields that show stored text copy it into `text` here; it runs before
    // each draw and before an edit starts, while the field is not edited.
    virtual void LoadStoredText() {}

    bool Editing() const { return editing_; }
    // The field's own text, cut to its size (or to `limit` characters, for a
    // stored field that need not end in 0) and terminated.
    void SetText(const char* newText, size_t limit = sizeof(text) - 1);

    char text[256] = {};
    double lastEditTime = 0.0;
    int textOffsetY = 0;
    // Longest text the field keeps, whatever its width (0: the width decides).
    int maxCharacters = 0;

private:
    bool editing_ = false;
};

// Inserts typed text at the cursor of the global edit state. Only printable
// ASCII is kept: the fonts and the Amiga player know nothing else.
void InsertEditText(const char* typed);

}  // namespace qn
