#include "editors/area.h"

#include <cstdio>
#include <mutex>

#include "editors/editor_host.h"
#include "gui/font.h"

namespace qn {

ChannelBase::ChannelBase(EditorHost* owner, int shownTrack) : host(owner), track(shownTrack) {
    frame = false;
}

ChannelColumn& ChannelBase::AddColumn(int columnX, int width, std::function<void(uint8_t*, int)> onKey) {
    ChannelColumn column;
    column.x = columnX;
    column.width = width;
    column.onKey = std::move(onKey);
    columns.push_back(std::move(column));
    return columns.back();
}

int ChannelBase::ColumnAt(int localX) const {
    int best = -1;
    // A press between two sub-columns belongs to the one on its left.
    for (size_t i = 0; i < columns.size(); ++i)
        if (localX >= columns[i].x) best = int(i);
    return best;
}

void ChannelBase::OnMouseButton(MouseEvent* event) {
    GuiItem::OnMouseButton(event);
    if (event->state != 1) return;
    SDL_Rect rect = AbsoluteRect();
    int column = ColumnAt(event->x - rect.x);
    if (Area* area = dynamic_cast<Area*>(parent)) area->OnChannelPressed(this, column, event);
}

// The cursor row over [x, x + w): a dim band with a bright line above and below.
static void DrawCursorBand(int x, int w, int lineY, int rowHeight) {
    Rgba bar = theme::kCursorRow;
    SDL_SetRenderDrawColor(gRenderer, bar.r / 4, bar.g / 4, bar.b / 4, 255);
    SDL_Rect fillRect = {x, lineY, w, rowHeight};
    SDL_RenderFillRect(gRenderer, &fillRect);
    Rgba line = theme::kCursorLine;
    SDL_SetRenderDrawColor(gRenderer, line.r, line.g, line.b, 255);
    SDL_RenderDrawLine(gRenderer, x, lineY - 1, x + w - 1, lineY - 1);
    SDL_RenderDrawLine(gRenderer, x, lineY + rowHeight, x + w - 1, lineY + rowHeight);
}

void ChannelBase::DrawCursorBar(int lineY) const {
    SDL_Rect rect = AbsoluteRect();
    DrawCursorBand(rect.x, rect.w, lineY, rowHeight);
}

void Area::DrawCursorRowBar(int lineY, int rowHeight) const {
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    DrawCursorBand(rect.x + 1, rect.w - 2, lineY, rowHeight);
}

void ChannelBase::DrawColumnBox(int column, int lineY) const {
    if (column < 0 || column >= int(columns.size())) return;
    SDL_Rect rect = AbsoluteRect();
    const ChannelColumn& sub = columns[size_t(column)];
    Rgba box = theme::kCursorBox;
    SDL_SetRenderDrawColor(gRenderer, box.r, box.g, box.b, 255);
    SDL_Rect boxRect = {rect.x + sub.x - 1, lineY, sub.width + 2, rowHeight};
    SDL_RenderDrawRect(gRenderer, &boxRect);
}

void ChannelBase::DrawBand(int firstY, int lastY, Rgba colour) const {
    SDL_Rect rect = AbsoluteRect();
    int top = firstY < rect.y ? rect.y : firstY;
    int bottom = lastY + rowHeight;
    if (bottom > rect.y + rect.h) bottom = rect.y + rect.h;
    if (bottom <= top) return;
    SDL_SetRenderDrawColor(gRenderer, colour.r, colour.g, colour.b, colour.a);
    SDL_Rect band = {rect.x, top, rect.w, bottom - top};
    SDL_RenderFillRect(gRenderer, &band);
}

Area::Area(EditorHost* owner, const char* paneTitle) : host(owner), title(paneTitle) {
    customColours = true;
    background = theme::kPaneBackground;
    textColour = theme::kTitle;
}

void Area::Draw() {
    GuiItem::Draw();
    if (hidden || !title || !font) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    font->DrawText(title, rect.x + 6, rect.y + 1, textColour);
}

bool Area::HasKeyFocus() const {
    if (focused) return true;
    for (const ChannelBase* channel : channels)
        if (channel->focused) return true;
    return false;
}

bool Area::OnKey(const SDL_Keysym& key) {
    if (!HasKeyFocus()) return false;
    return HandleKey(key);
}

void Area::OnChannelPressed(ChannelBase* channel, int column, MouseEvent*) {
    if (column >= 0) channel->currentColumn = column;
}

bool Area::EditUnderLock(const std::function<bool(int& preview)>& edit) {
    int preview = 0;
    bool consumed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        consumed = edit(preview);
    }
    if (preview > 0) host->PreviewNote(preview);
    return consumed;
}

void Area::FocusTrackAt(ChannelBase* channel, int column, bool sequence) {
    if (channel->track < 0) return;
    host->focusPane = this;
    host->lastSwitchToSequence = sequence;
    host->currentVoice = channel->track;
    if (column >= 0) channel->currentColumn = column;
    host->editMode = true;
}

ChannelBase* Area::Track(int track) const {
    for (ChannelBase* channel : channels)
        if (channel->track == track) return channel;
    return nullptr;
}

bool NoModifiers(const SDL_Keysym& key) { return (key.mod & ~(KMOD_NUM | KMOD_CAPS)) == 0; }

int DigitFromKey(const SDL_Keysym& key, bool hex) {
    if (!NoModifiers(key)) return -1;
    if (key.sym >= SDLK_0 && key.sym <= SDLK_9) return int(key.sym - SDLK_0);
    if (hex && key.sym >= SDLK_a && key.sym <= SDLK_f) return 10 + int(key.sym - SDLK_a);
    if (key.sym >= SDLK_KP_1 && key.sym <= SDLK_KP_9) return 1 + int(key.sym - SDLK_KP_1);
    if (key.sym == SDLK_KP_0) return 0;
    return -1;
}

void NoteName(int note, char* out, size_t size, const char* prefix) {
    static const char kNoteNames[] = "C-C#D-D#E-F-F#G-G#A-A#B-";
    const int semitone = (note - 1) % 12;
    std::snprintf(out, size, "%s%c%c%d", prefix, kNoteNames[semitone * 2], kNoteNames[semitone * 2 + 1],
                  (note - 1) / 12);
}

int NoteFromKey(const SDL_Keysym& key, int octave) {
    if (key.mod & (KMOD_CTRL | KMOD_ALT)) return 0;
    if (key.sym == SDLK_1) return 61;
    static const SDL_Scancode kLowerRow[] = {
        SDL_SCANCODE_Z, SDL_SCANCODE_S, SDL_SCANCODE_X,     SDL_SCANCODE_D,      SDL_SCANCODE_C,      SDL_SCANCODE_V,
        SDL_SCANCODE_G, SDL_SCANCODE_B, SDL_SCANCODE_H,     SDL_SCANCODE_N,      SDL_SCANCODE_J,      SDL_SCANCODE_M,
        SDL_SCANCODE_COMMA, SDL_SCANCODE_L, SDL_SCANCODE_PERIOD, SDL_SCANCODE_SEMICOLON, SDL_SCANCODE_SLASH};
    static const SDL_Scancode kUpperRow[] = {
        SDL_SCANCODE_Q, SDL_SCANCODE_2, SDL_SCANCODE_W, SDL_SCANCODE_3,           SDL_SCANCODE_E,
        SDL_SCANCODE_R, SDL_SCANCODE_5, SDL_SCANCODE_T, SDL_SCANCODE_6,           SDL_SCANCODE_Y,
        SDL_SCANCODE_7, SDL_SCANCODE_U, SDL_SCANCODE_I, SDL_SCANCODE_9,           SDL_SCANCODE_O,
        SDL_SCANCODE_0, SDL_SCANCODE_P, SDL_SCANCODE_LEFTBRACKET, SDL_SCANCODE_EQUALS, SDL_SCANCODE_RIGHTBRACKET};
    int semitone = -1;
    int keyOctave = octave;
    for (int i = 0; i < int(std::size(kLowerRow)); ++i)
        if (key.scancode == kLowerRow[i]) semitone = i;
    for (int i = 0; semitone < 0 && i < int(std::size(kUpperRow)); ++i)
        if (key.scancode == kUpperRow[i]) {
            semitone = i;
            keyOctave = octave + 1;
        }
    if (semitone < 0) return 0;
    int note = keyOctave * 12 + 1 + semitone;
    return note > 60 ? 60 : note;
}

void StepSubColumn(int& track, int& column, int delta, int tracks, int columnsPerTrack) {
    column += delta;
    if (column >= columnsPerTrack) {
        column = 0;
        track = (track + 1) % tracks;
    } else if (column < 0) {
        column = columnsPerTrack - 1;
        track = (track + tracks - 1) % tracks;
    }
}

}  // namespace qn
