#include "gui/text_edit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gui/font.h"

namespace qn {

TextEditState gTextEdit;

TextEdit::TextEdit() {
    isTextField = true;
    background = Rgba{16, 16, 16, 255};
    pressed = true;
    fill = true;
    highlightOnClick = false;
}

TextEdit::~TextEdit() {
    // The owner commits before deleting a field it wants kept; a field that
    // goes away while edited must not leave text input switched on.
    if (editing_) {
        gTextEdit.textFocus = false;
        gTextEdit.characterLimit = 0;
        gTextEdit.buffer[0] = 0;
    }
}

void TextEdit::SetText(const char* newText, size_t limit) {
    size_t length = newText ? strnlen(newText, std::min(limit, sizeof(text) - 1)) : 0;
    if (length) std::memcpy(text, newText, length);
    text[length] = 0;
}

static int BufferLength() { return int(std::strlen(gTextEdit.buffer)); }

static void ClampCursor() { gTextEdit.cursor = std::clamp(gTextEdit.cursor, 0, BufferLength()); }

void TextEdit::OnMouseButton(MouseEvent* event) {
    clicked = true;
    if (!editing_) {
        LoadStoredText();
        std::snprintf(gTextEdit.buffer, sizeof(gTextEdit.buffer), "%s", text);
        int limit = w / kCharAdvance;
        if (maxCharacters > 0) limit = std::min(limit, maxCharacters);
        gTextEdit.characterLimit = limit;
        gTextEdit.buffer[std::max(0, std::min(limit, BufferLength()))] = 0;
        editing_ = true;
    }
    // The text starts 4 pixels in: a press on a character puts the cursor
    // before it, a press right of the text puts it at the end.
    SDL_Rect rect = AbsoluteRect();
    gTextEdit.cursor = std::max(0, (event->x - rect.x - 4) / kCharAdvance);
    ClampCursor();
    gTextEdit.textFocus = true;
    lastEditTime = totalTime;
}

void TextEdit::OnFocusLost() {
    GuiItem::OnFocusLost();
    if (!editing_) return;
    editing_ = false;
    gTextEdit.textFocus = false;
    gTextEdit.characterLimit = 0;
    SetText(gTextEdit.buffer);
    std::printf("lost focus at %d. copy text %s\n", AbsoluteRect().y, text);
    gTextEdit.buffer[0] = 0;
    gTextEdit.cursor = 0;
    OnCommit();
}

bool TextEdit::OnKey(const SDL_Keysym& key) {
    if (!editing_) return false;
    // Num Lock and Caps Lock are states, not held keys: they must not turn
    // an arrow into a jump.
    bool jump = (key.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) != 0;
    int length = BufferLength();
    bool edited = true;
    switch (key.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_ESCAPE:
            OnFocusLost();
            return true;
        case SDLK_RIGHT:
            gTextEdit.cursor = jump ? length : gTextEdit.cursor + 1;
            break;
        case SDLK_LEFT:
            gTextEdit.cursor = jump ? 0 : gTextEdit.cursor - 1;
            break;
        case SDLK_BACKSPACE:
            if (gTextEdit.cursor > 0 && gTextEdit.cursor <= length) {
                std::memmove(gTextEdit.buffer + gTextEdit.cursor - 1, gTextEdit.buffer + gTextEdit.cursor,
                             size_t(length - gTextEdit.cursor + 1));
                --gTextEdit.cursor;
            }
            break;
        case SDLK_DELETE:
            if (gTextEdit.cursor >= 0 && gTextEdit.cursor < length)
                std::memmove(gTextEdit.buffer + gTextEdit.cursor, gTextEdit.buffer + gTextEdit.cursor + 1,
                             size_t(length - gTextEdit.cursor));
            break;
        default:
            edited = false;
            break;
    }
    ClampCursor();
    if (edited) lastEditTime = totalTime;
    return true;
}

void TextEdit::OnTextInput(const char* typed) {
    if (!editing_) return;
    InsertEditText(typed);
    lastEditTime = totalTime;
}

void InsertEditText(const char* typed) {
    char printable[kEditBufferSize];
    int count = 0;
    for (const char* c = typed; *c && count < kEditBufferSize - 1; ++c)
        if (*c >= 32 && *c <= 126) printable[count++] = *c;
    printable[count] = 0;
    int length = BufferLength();
    if (count == 0 || length + count >= kEditBufferSize) return;
    ClampCursor();
    char* at = gTextEdit.buffer + gTextEdit.cursor;
    std::memmove(at + count, at, size_t(length - gTextEdit.cursor + 1));
    std::memcpy(at, printable, size_t(count));
    gTextEdit.cursor += count;
    if (gTextEdit.characterLimit >= 0 && gTextEdit.characterLimit < length + count)
        gTextEdit.buffer[gTextEdit.characterLimit] = 0;
    ClampCursor();
}

void TextEdit::Draw() {
    if (hidden) return;
    if (!editing_) LoadStoredText();
    Button::Draw();
    Font* face = DrawingFont();
    if (!face) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    const char* shown = editing_ ? gTextEdit.buffer : text;
    int textY = rect.y + (rect.h - face->glyphHeight) / 2 + textOffsetY + 1;
    face->DrawText(shown, rect.x + 4, textY, textColour);
    if (!editing_ || !gRenderer) return;
    double sinceEdit = totalTime - lastEditTime;
    if (sinceEdit - double(int64_t(sinceEdit)) >= 0.5) return;
    int cursorX = rect.x + 2 + kCharAdvance * gTextEdit.cursor;
    SDL_SetRenderDrawColor(gRenderer, textColour.r, textColour.g, textColour.b, textColour.a);
    SDL_RenderDrawLine(gRenderer, cursorX, rect.y + 1, cursorX, rect.y + rect.h - 3);
}

}  // namespace qn
