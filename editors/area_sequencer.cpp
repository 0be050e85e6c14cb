#include "editors/area_sequencer.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "editors/area_pattern.h"
#include "editors/editor_host.h"
#include "editors/pattern_edit.h"
#include "engine/replayer.h"
#include "gui/font.h"

namespace qn {

constexpr int kPagePositions = 8;
constexpr int kLastPosition = kMaxPositions - 1;  // 254: the sequence holds 255 positions

// Replaces one decimal digit (weight 100, 10 or 1) of the pattern number;
// results above 255 are held at 255.
static void WritePatternDigit(uint8_t* entry, int weight, int digit) {
    int value = entry[0];
    int replaced = value - (value / weight % 10) * weight + digit * weight;
    entry[0] = uint8_t(std::min(replaced, 255));
}

ChannelSequencer::ChannelSequencer(EditorHost* owner, AreaSequencer* area, int voice)
    : ChannelBase(owner, voice), pane(area) {
    rowHeight = kSequenceRowHeight;
    if (voice < 0) {
        w = kPositionColumnWidth;
        AddColumn(0, 3 * kCharAdvance);
        return;
    }
    w = 6 * kCharAdvance;
    AddColumn(0, kCharAdvance, [](uint8_t* entry, int digit) { WritePatternDigit(entry, 100, digit); });
    AddColumn(kCharAdvance, kCharAdvance, [](uint8_t* entry, int digit) { WritePatternDigit(entry, 10, digit); });
    AddColumn(2 * kCharAdvance, kCharAdvance, [](uint8_t* entry, int digit) { WritePatternDigit(entry, 1, digit); });
    AddColumn(4 * kCharAdvance, kCharAdvance,
              [](uint8_t* entry, int digit) { entry[1] = uint8_t((entry[1] & 0x0f) | (digit << 4)); });
    AddColumn(5 * kCharAdvance, kCharAdvance,
              [](uint8_t* entry, int digit) { entry[1] = uint8_t((entry[1] & 0xf0) | digit); });
}

void ChannelSequencer::Draw() {
    if (hidden || !font) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    const Song& song = host->EditedSong();
    const int lines = pane->Lines();
    const int current = pane->shownPosition;
    const int length = std::min<int>(int(song.sequenceLength), kMaxPositions);
    const SequenceClipboard& selection = host->sequenceClipboard;
    char text[64];
    for (int line = 0; line < lines; ++line) {
        const int position = line - pane->CursorLine() + current;
        if (position < 0 || position >= length) continue;
        const int y = rect.y + line * rowHeight;
        if (track < 0) {
            std::snprintf(text, sizeof(text), "%03d", position);
            font->DrawText(text, rect.x, y, theme::kRowNumber);
            continue;
        }
        if (selection.Contains(track, position)) {
            Rgba band = theme::kSelection;
            band.a = uint8_t(band.a / 2);
            DrawBand(y, y, band);
        }
        const SequenceEntry& entry = song.Position(position)[track];
        const uint8_t transpose = uint8_t(entry.transpose);
        const char* colour = transpose != 0 ? "<ceeeeee>" : "<cbbbbbb>";
        if (entry.pattern != 0)
            std::snprintf(text, sizeof(text), "%03d %s%02X", entry.pattern, colour, transpose);
        else if (transpose == 0)
            std::snprintf(text, sizeof(text), "<c888888>... ..");
        else
            std::snprintf(text, sizeof(text), "<c888888>... %s%02X", colour, transpose);
        font->DrawText(text, rect.x, y, Rgba{255, 255, 255, 255});
    }
    if (pane->HasKeyFocus() && host->currentVoice == track)
        DrawColumnBox(currentColumn, rect.y + pane->CursorLine() * rowHeight);
}

AreaSequencer::AreaSequencer(EditorHost* owner) : Area(owner, "Sequence Editor") { host->sequencePane = this; }

AreaSequencer::~AreaSequencer() {
    if (host->sequencePane == this) host->sequencePane = nullptr;
    if (host->focusPane == this) host->focusPane = nullptr;
}

int AreaSequencer::Lines() const { return host->WideGui() ? kSequenceLinesWide : kSequenceLines; }
int AreaSequencer::CursorLine() const { return Lines() / 2 - (host->WideGui() ? 4 : 1); }
bool AreaSequencer::HasKeyFocus() const { return host->focusPane == this; }

void AreaSequencer::Draw() {
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        shownPosition = int(host->EditedSong().currentPosition);
    }
    Area::Draw();
    if (hidden || channels.empty()) return;
    DrawCursorRowBar(channels.front()->AbsoluteRect().y + CursorLine() * kSequenceRowHeight, kSequenceRowHeight);
}

void AreaSequencer::OnChannelPressed(ChannelBase* channel, int column, MouseEvent*) {
    FocusTrackAt(channel, column, true);
}

bool AreaSequencer::HandleKey(const SDL_Keysym& key) {
    const uint32_t length = host->EditedSong().sequenceLength;
    // The callback reads the sequence and moves the position.
    const bool consumed = EditUnderLock([&](int&) { return HandleKeyLocked(key); });
    // Insert and Backspace change the song's size.
    if (host->EditedSong().sequenceLength != length) host->RecomputeSongInfo();
    return consumed;
}

// The keypad's + is not one here: it selects the next instrument.
static bool IsMainPlusKey(SDL_Keycode sym) { return sym == SDLK_EQUALS || sym == SDLK_PLUS; }

bool AreaSequencer::HandleKeyLocked(const SDL_Keysym& key) {
    Song& song = host->EditedSong();
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    const int voice = host->currentVoice & 3;
    ChannelBase* channel = Track(voice);
    if (!channel) return false;
    const int column = channel->currentColumn;
    const int length = std::min<int>(int(song.sequenceLength), kMaxPositions);
    const int position = int(song.currentPosition);
    const bool valid = position < length;
    SequenceEntry* entry = valid ? &song.Position(position)[voice] : nullptr;

    if (HandleMuteKey(host, key)) return true;
    const int digit = DigitFromKey(key, column >= 3);
    if (digit >= 0) {
        if (entry) channel->columns[size_t(column)].onKey(reinterpret_cast<uint8_t*>(entry), digit);
        return true;
    }
    if (ctrl && !alt && !shift && (key.sym == SDLK_RIGHT || key.sym == SDLK_LEFT)) {
        if (!entry) return false;
        entry->pattern = uint8_t((entry->pattern + (key.sym == SDLK_RIGHT ? 1 : 255)) % 256);
        return true;
    }
    if (ctrl && shift && (key.sym == SDLK_UP || key.sym == SDLK_DOWN)) {
        if (!valid) return false;
        int target = key.sym == SDLK_UP ? position - 1 : position + 1;
        if (target < 0) target = length - 1;
        if (target >= length) target = 0;
        std::copy_n(song.Position(position), kVoices, song.Position(target));
        song.currentPosition = uint32_t(target);
        return true;
    }
    if (!alt && (IsMainPlusKey(key.sym) || key.sym == SDLK_MINUS)) {
        if (!entry) return true;
        int step = (shift || ctrl) ? 12 : 1;
        entry->transpose = int8_t(uint8_t(uint8_t(entry->transpose) + (key.sym == SDLK_MINUS ? -step : step)));
        return true;
    }
    if (key.sym == SDLK_DELETE && !alt) {
        if (ctrl) {
            ClearSequence(host->sequenceClipboard, song);
        }
        if (!entry) return true;
        if (shift)
            *entry = SequenceEntry{};
        else if (column <= 2)
            entry->pattern = 0;
        else
            entry->transpose = 0;
        host->Player().SetPosition(position + 1);
        return true;
    }
    if (key.sym == SDLK_INSERT && !ctrl && !alt) {
        InsertPosition(song, shift ? position + 1 : position);
        return true;
    }
    if (key.sym == SDLK_BACKSPACE && !ctrl && !alt) {
        if (position > 0 && position <= length) {
            song.currentPosition = uint32_t(position - 1);
            RemovePosition(song, position - 1);
        }
        return true;
    }
    if (ctrl && !alt && (key.sym == SDLK_u || key.sym == SDLK_k)) {
        if (!entry) return true;
        const int rows = std::max<int>(song.rowsPerPattern, 1);
        const int source = entry->pattern;
        if (key.sym == SDLK_k && source == 0) return true;
        const int fresh = FreePatternNumber(song);
        if (fresh == 0) return true;
        qntPatternStep* target = song.Pattern(fresh);
        ClearRows(target, kMaxRows, 0, kMaxRows - 1, false);
        if (key.sym == SDLK_k) {
            PatternClipboard& clipboard = host->patternClipboard;
            CopyRows(clipboard, song.Pattern(source), rows, 0, rows - 1, voice);
            PasteRows(clipboard, target, rows, 0, false);
        }
        entry->pattern = uint8_t(fresh);
        host->patternClipboard.ClearMarks();
        return true;
    }
    if (HandleBlockKey(key, voice, position)) return true;
    return HandleMoveKey(key, position, length);
}

bool AreaSequencer::HandleBlockKey(const SDL_Keysym& key, int voice, int position) {
    Song& song = host->EditedSong();
    SequenceClipboard& clipboard = host->sequenceClipboard;
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    if (alt) return false;
    // The current voice's positions 0..254, joined to the voices already
    // selected. Position 255 does not exist: the sequence holds 255.
    auto selectVoice = [&] {
        if (clipboard.HasSelection()) {
            clipboard.firstVoice = std::min(clipboard.firstVoice, voice);
            clipboard.lastVoice = std::max(clipboard.lastVoice, voice);
        } else {
            clipboard.firstVoice = clipboard.lastVoice = voice;
        }
        clipboard.firstPosition = 0;
        clipboard.lastPosition = kLastPosition;
    };
    if (shift && !ctrl && key.sym >= SDLK_F3 && key.sym <= SDLK_F5) {
        if (key.sym == SDLK_F5) {
            PasteSequence(clipboard, song, voice, position);
        } else {
            selectVoice();
            if (key.sym == SDLK_F3)
                ClearSequence(clipboard, song);
            else
                CopySequence(clipboard, song);
        }
        clipboard.ClearSelection();
        return true;
    }
    if (!ctrl || shift) return false;
    switch (key.sym) {
        case SDLK_a:
            selectVoice();
            return true;
        case SDLK_c:
            if (!clipboard.HasSelection() || clipboard.firstPosition == clipboard.lastPosition) {
                ExtendSequenceSelection(clipboard, voice, std::min(position, kLastPosition));
                CopySequence(clipboard, song);
            } else {
                CopySequence(clipboard, song);
                clipboard.ClearSelection();
            }
            return true;
        case SDLK_v:
            if (position <= kLastPosition) PasteSequence(clipboard, song, voice, position);
            return true;
        default:
            return false;
    }
}

bool AreaSequencer::HandleMoveKey(const SDL_Keysym& key, int position, int length) {
    if (key.mod & KMOD_CTRL) return false;
    const bool shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    Song& song = host->EditedSong();
    SequenceClipboard& selection = host->sequenceClipboard;
    int voice = host->currentVoice & 3;
    ChannelBase* channel = Track(voice);
    int column = channel->currentColumn;
    int newVoice = voice, newColumn = column, newPosition = position;
    bool horizontal = false;
    switch (key.sym) {
        case SDLK_RIGHT:
        case SDLK_LEFT: {
            const int delta = key.sym == SDLK_RIGHT ? 1 : -1;
            if (alt) {
                if (position >= length) return false;
                SequenceEntry* entries = song.Position(position);
                std::swap(entries[voice], entries[(voice + delta + kVoices) % kVoices]);
                newVoice = (voice + delta + kVoices) % kVoices;
            } else if (shift && selection.HasSelection()) {
                newVoice = (voice + delta + kVoices) % kVoices;
            } else {
                StepSubColumn(newVoice, newColumn, delta, kVoices, channel->ColumnCount());
            }
            horizontal = true;
            break;
        }
        case SDLK_TAB:
            if (alt) return false;
            newVoice = (voice + (shift ? kVoices - 1 : 1)) % kVoices;
            if (!shift) selection.ClearSelection();
            host->currentVoice = newVoice;
            if (ChannelBase* to = Track(newVoice)) to->currentColumn = column;
            return true;
        case SDLK_UP: newPosition = position - 1; break;
        case SDLK_DOWN: newPosition = position + 1; break;
        case SDLK_PAGEUP: newPosition = position - kPagePositions; break;
        case SDLK_PAGEDOWN: newPosition = position + kPagePositions; break;
        case SDLK_HOME: newPosition = 0; break;
        case SDLK_END: newPosition = length - 1; break;
        default: return false;
    }
    if (alt && !horizontal) return false;
    newPosition = std::clamp(newPosition, 0, std::max(length - 1, 0));
    if (newVoice == voice && newColumn == column && newPosition == position) return false;
    host->currentVoice = newVoice;
    if (ChannelBase* to = Track(newVoice)) to->currentColumn = newColumn;
    song.currentPosition = uint32_t(newPosition);
    if (shift && !alt) {
        ExtendSequenceSelection(selection, newVoice, std::min(position, kLastPosition));
        ExtendSequenceSelection(selection, newVoice, std::min(newPosition, kLastPosition));
    } else if (!alt) {
        selection.ClearSelection();
    }
    return true;
}

}  // namespace qn
