#include "editors/area_pattern.h"
#include "editors/command_numbers.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "editors/editor_host.h"
#include "editors/pattern_edit.h"
#include "engine/replayer.h"
#include "gui/font.h"

namespace qn {

constexpr int kPageRows = 16;
constexpr SDL_Rect kMuteIcon = {0, 77, 14, 9};
constexpr SDL_Rect kMutedIcon = {0, 65, 14, 9};
constexpr int kMeterX = 44, kMeterWidth = 16, kMeterHeight = 96;

// ---------------------------------------------------------------- mutes

void SetMute(EditorHost* host, int voice, bool muted) {
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        VoiceState& state = host->Player().voices[size_t(voice & 3)];
        state.muted = muted ? 1 : 0;
        state.envelopeLevel = 0;
        state.envelopeStage = kEnvelopeRelease;
    }
    host->PostCommand(kCommandMuteVoice);
}

// Only this thread writes the mute flags (under the audio lock, which the
// callback's reads need); reading them here needs no lock.
static bool IsMuted(EditorHost* host, int voice) { return host->Player().voices[size_t(voice & 3)].muted != 0; }

void ToggleMute(EditorHost* host, int voice) { SetMute(host, voice, !IsMuted(host, voice)); }

bool HandleMuteKey(EditorHost* host, const SDL_Keysym& key) {
    if (!(key.mod & KMOD_ALT) || (key.mod & KMOD_CTRL)) return false;
    if (key.sym >= SDLK_1 && key.sym <= SDLK_4) {
        ToggleMute(host, int(key.sym - SDLK_1));
        return true;
    }
    if (key.sym != SDLK_m) return false;
    const int voice = host->currentVoice & 3;
    if (key.mod & KMOD_SHIFT) {
        const bool muted = !IsMuted(host, voice);
        for (int v = 0; v < kVoices; ++v) SetMute(host, v, muted);
    } else {
        ToggleMute(host, voice);
    }
    return true;
}

ButtonMute::ButtonMute(EditorHost* owner, int shownVoice) : host(owner), voice(shownVoice) {
    w = 15;
    h = 14;
    highlightOnClick = false;
    // Opaque: it stands over the top line of its column.
    customColours = true;
    background = Rgba{40, 48, 60, 255};
}

void ButtonMute::Draw() {
    iconSource = IsMuted(host, voice) ? kMutedIcon : kMuteIcon;
    Button::Draw();
}

void ButtonMute::OnMouseButton(MouseEvent* event) {
    bool fresh = !clickedLatch;
    Button::OnMouseButton(event);
    if (event->state != 1 || !fresh) return;
    if (ModifierState & kModifierShift) {
        for (int other = 0; other < kVoices; ++other)
            if (other != voice) ToggleMute(host, other);
    } else {
        ToggleMute(host, voice);
    }
}

// ---------------------------------------------------------------- columns

ChannelPattern::ChannelPattern(EditorHost* owner, AreaPattern* area, int voice)
    : ChannelBase(owner, voice), pane(area) {
    rowHeight = kPatternRowHeight;
    if (voice < 0) {
        w = kRowNumberWidth;
        AddColumn(0, 4 * kCharAdvance);
        return;
    }
    w = kVoiceColumnWidth;
    // Note, gap, instrument high and low, gap, command, parameter high and low.
    AddColumn(4, 3 * kCharAdvance, WriteNote);
    AddColumn(4 + 4 * kCharAdvance, kCharAdvance, WriteInstrumentHigh);
    AddColumn(4 + 5 * kCharAdvance, kCharAdvance, WriteInstrumentLow);
    AddColumn(4 + 7 * kCharAdvance, kCharAdvance, WriteCommand);
    AddColumn(4 + 8 * kCharAdvance, kCharAdvance, WriteParameterHigh);
    AddColumn(4 + 9 * kCharAdvance, kCharAdvance, WriteParameterLow);
}

static Rgba Scaled(Rgba colour, float factor) {
    auto scale = [factor](uint8_t c) { return uint8_t(std::min(255.0f, float(c) * factor)); };
    return Rgba{scale(colour.r), scale(colour.g), scale(colour.b), colour.a};
}

void ChannelPattern::Draw() {
    if (hidden || !font) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    const Song& song = host->EditedSong();
    const int rows = std::max<int>(song.rowsPerPattern, 1);
    const int firstRow = pane->view.row - pane->CursorLine();
    if (track < 0) {
        DrawRowNumbers(rect, firstRow, rows);
        return;
    }
    const PatternClipboard& selection = host->patternClipboard;
    if (selection.HasSelection() && selection.owner == track) {
        int top = rect.y + (selection.selectionStart - firstRow) * rowHeight;
        int bottom = rect.y + (selection.selectionEnd - firstRow) * rowHeight;
        DrawBand(top, bottom, theme::kSelection);
    }
    if (pane->view.echoing[track]) {
        DrawTrackDelay(rect);
    } else {
        DrawFlash(rect);
    }
    DrawSteps(rect, firstRow, rows);
    if (pane->HasKeyFocus() && host->currentVoice == track)
        DrawColumnBox(currentColumn, rect.y + pane->CursorLine() * rowHeight);
}

void ChannelPattern::DrawRowNumbers(const SDL_Rect& rect, int firstRow, int rows) {
    const bool hex = host->StepsInHex();
    char text[16];
    for (int line = 0; line < pane->VisibleRows(); ++line) {
        int row = firstRow + line;
        if (row < 0 || row >= rows) continue;
        Rgba colour = theme::kRowNumber;
        if (row % 4 == 0) colour = Scaled(colour, 1.2f);
        if (row % 8 == 0) colour = Scaled(colour, 1.15f);
        std::snprintf(text, sizeof(text), hex ? " %02X" : "%03d", row);
        font->DrawText(text, rect.x + (hex ? -4 : 0), rect.y + line * rowHeight, colour);
    }
}

void ChannelPattern::DrawSteps(const SDL_Rect& rect, int firstRow, int rows) {
    const qntPatternStep* pattern = pane->VoicePattern(track);
    if (!pattern) return;
    const bool dim = pane->view.muted[track] || pane->view.echoing[track];
    const char* present = dim ? "<c666666>" : "<ceeeeee>";
    const char* empty = dim ? "<c666666>" : "<cbbbbbb>";
    const char* chord = dim ? "<c008844>" : "<c00ff88>";
    char text[96];
    for (int line = 0; line < pane->VisibleRows(); ++line) {
        int row = firstRow + line;
        if (row < 0 || row >= rows) continue;
        const qntPatternStep& step = pattern[row];
        const int note = step.Note();
        const int y = rect.y + line * rowHeight;
        char noteText[16];
        if (note == 0) {
            std::snprintf(noteText, sizeof(noteText), "%s---", empty);
        } else if (note == kReleaseNote) {
            std::snprintf(noteText, sizeof(noteText), "   ");
            Rgba marker = theme::kMarker;
            SDL_SetRenderDrawColor(gRenderer, marker.r, marker.g, marker.b, dim ? 128 : 255);
            SDL_Rect bar = {rect.x + columns[0].x, y + rowHeight / 4, columns[0].width - 1, rowHeight / 2};
            SDL_RenderFillRect(gRenderer, &bar);
        } else {
            NoteName(note, noteText, sizeof(noteText), present);
        }
        char instrumentText[16];
        if (step.Instrument() == 0)
            std::snprintf(instrumentText, sizeof(instrumentText), "%s--", empty);
        else
            std::snprintf(instrumentText, sizeof(instrumentText), "%s%02X", present, step.Instrument());
        const char* commandColour = step.Chord() ? chord
                                    : (step.Command() == 0 && step.Parameter() == 0) ? empty
                                                                                      : present;
        std::snprintf(text, sizeof(text), "%s %s %s%X%02X", noteText, instrumentText, commandColour, step.Command(),
                      step.Parameter());
        font->DrawText(text, rect.x + columns[0].x, y, Rgba{255, 255, 255, 255});
    }
}

void ChannelPattern::DrawFlash(const SDL_Rect& rect) {
    const uint32_t notes = pane->view.notesStarted[track];
    if (pane->view.playing && notes != seenNotes) flash = 1.0f;
    seenNotes = notes;
    flash = std::max(0.0f, flash - (3.0f - flash) * frameDelta);
    const int barHeight = int(flash * float(kMeterHeight));
    if (barHeight <= 0 || !gIconTexture) return;
    SDL_Rect source = {kMeterX, kMeterHeight - barHeight, kMeterWidth, barHeight};
    SDL_Rect target = {rect.x + 35, rect.y + rect.h / 2 - 2 - barHeight, kMeterWidth, barHeight};
    SDL_Rect shadow = {target.x + 2, target.y + 2, target.w, target.h};
    Uint8 r, g, b;
    SDL_GetTextureColorMod(gIconTexture, &r, &g, &b);
    SDL_SetTextureColorMod(gIconTexture, 0, 0, 0);
    SDL_RenderCopy(gRenderer, gIconTexture, &source, &shadow);
    SDL_SetTextureColorMod(gIconTexture, 255, 255, 255);
    SDL_RenderCopy(gRenderer, gIconTexture, &source, &target);
    SDL_SetTextureColorMod(gIconTexture, r, g, b);
}

void ChannelPattern::DrawTrackDelay(const SDL_Rect& rect) {
    char text[64];
    std::snprintf(text, sizeof(text), "<cffdd66>TRACK DELAY<cp0>\n  Volume %d\n  Delay  %d",
                  pane->view.echoVolume[track], pane->view.echoDelay[track]);
    SDL_Rect box = {rect.x + 2, rect.y + rect.h / 2 - 3 * rowHeight - 2, rect.w - 4, 3 * rowHeight + 4};
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 160);
    SDL_RenderFillRect(gRenderer, &box);
    font->DrawText(text, box.x + 2, box.y + 2, Rgba{220, 220, 220, 255});
}

// ---------------------------------------------------------------- pane

AreaPattern::AreaPattern(EditorHost* owner) : Area(owner, nullptr) {
    titleHeight = 0;
    host->patternPane = this;
}

AreaPattern::~AreaPattern() {
    if (host->patternPane == this) host->patternPane = nullptr;
    if (host->focusPane == this) host->focusPane = nullptr;
}

int AreaPattern::VisibleRows() const { return host->WideGui() ? kPatternRowsVisibleWide : kPatternRowsVisible; }
int AreaPattern::CursorLine() const { return VisibleRows() / 2 - (host->WideGui() ? 4 : 0); }

qntPatternStep* AreaPattern::VoicePattern(int voice) const {
    const Song& song = host->EditedSong();
    if (view.position < 0 || uint32_t(view.position) >= song.sequenceLength || voice < 0 || voice >= kVoices)
        return nullptr;
    return song.Pattern(song.Position(view.position)[voice].pattern);
}

bool AreaPattern::HasKeyFocus() const { return host->focusPane == this; }

void AreaPattern::Draw() {
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        const Replayer& player = host->Player();
        view.row = player.row;
        view.position = int(host->EditedSong().currentPosition);
        view.playing = player.playing != 0;
        for (int voice = 0; voice < kVoices; ++voice) {
            const VoiceState& state = player.voices[size_t(voice)];
            view.muted[voice] = state.muted != 0;
            view.notesStarted[voice] = state.notesStarted;
            view.echoing[voice] = false;
            if (voice > 0) {
                const VoiceState& source = player.voices[size_t(voice - 1)];
                view.echoing[voice] = source.echoDelay != 0 && source.echoDelay != 255;
                view.echoVolume[voice] = int8_t(source.echoVolume);
                view.echoDelay[voice] = source.echoDelay / 2;
            }
        }
    }
    GuiItem::Draw();
    if (hidden || channels.empty()) return;
    // The cursor row's bar runs across every column and the gaps between.
    ChannelBase* first = channels.front();
    DrawCursorRowBar(first->AbsoluteRect().y + CursorLine() * kPatternRowHeight, kPatternRowHeight);
}

void AreaPattern::OnChannelPressed(ChannelBase* channel, int column, MouseEvent*) {
    FocusTrackAt(channel, column, false);
}

bool AreaPattern::HandleKey(const SDL_Keysym& key) {
    // The callback reads the cells, the row and the position.
    return EditUnderLock([&](int& preview) { return HandleKeyLocked(key, preview); });
}

void AreaPattern::Advance(int row, int rows) { host->Player().SetRow((row + host->editSkip) % rows); }

static bool IsPlusKey(SDL_Keycode sym) { return sym == SDLK_EQUALS || sym == SDLK_PLUS || sym == SDLK_KP_PLUS; }
static bool IsMinusKey(SDL_Keycode sym) { return sym == SDLK_MINUS || sym == SDLK_KP_MINUS; }

bool AreaPattern::HandleKeyLocked(const SDL_Keysym& key, int& preview) {
    Song& song = host->EditedSong();
    Replayer& player = host->Player();
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    const bool rightShift = key.mod & KMOD_RSHIFT, leftShift = key.mod & KMOD_LSHIFT;
    if (!rightShift) chordCount = 0;
    view.position = int(song.currentPosition);
    const int voice = host->currentVoice & 3;
    ChannelBase* channel = Track(voice);
    const int column = channel ? channel->currentColumn : 0;
    const int rows = std::max<int>(song.rowsPerPattern, 1);
    const int row = player.row;
    const bool positionValid = song.currentPosition < song.sequenceLength;
    qntPatternStep* pattern = VoicePattern(voice);
    qntPatternStep* step = pattern && row < rows ? pattern + row : nullptr;
    const bool canEdit = host->editMode && step && !player.voices[size_t(voice)].muted;

    if (HandleMuteKey(host, key)) return true;
    // Track keys.
    if ((key.sym == SDLK_RIGHT || key.sym == SDLK_LEFT) && (ctrl || alt) && positionValid) {
        SequenceEntry* entries = song.Position(int(song.currentPosition));
        const int delta = key.sym == SDLK_RIGHT ? 1 : -1;
        if (ctrl) {
            entries[voice].pattern = uint8_t((entries[voice].pattern + delta + 256) % 256);
            return true;
        }
        std::swap(entries[voice], entries[(voice + delta + kVoices) % kVoices]);
        SDL_Keysym tab = key;
        tab.sym = SDLK_TAB;
        tab.mod = delta > 0 ? KMOD_NONE : KMOD_LSHIFT;
        HandleCursorKey(tab, row, rows);
        return true;
    }

    const int note = NoteFromKey(key, host->currentOctave);
    const int digit = DigitFromKey(key);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(step);
    if (canEdit) {
        if (rightShift && note > 0) {
            chordCount = EnterChordKey(*step, chordCount, note);
            return true;
        }
        if (column == 0 && note > 0) {
            WriteNote(bytes, note);
            if (note != kReleaseNote && !leftShift) step->SetInstrument(host->currentInstrument);
            if (!player.playing) Advance(row, rows);
            if (note != kReleaseNote) preview = note;
            return true;
        }
        if (column >= 1 && column < channel->ColumnCount() && digit >= 0) {
            channel->columns[size_t(column)].onKey(bytes, digit);
            if (!player.playing) Advance(row, rows);
            return true;
        }
        if (key.sym == SDLK_DELETE) {
            PatternClipboard& selection = host->patternClipboard;
            if (selection.HasSelection()) {
                // The rows of the track whose band is drawn, wherever the
                // cursor went since.
                if (qntPatternStep* owner = VoicePattern(selection.owner))
                    ClearRows(owner, rows, selection.selectionStart, selection.selectionEnd, false);
                return true;
            }
            if (ctrl || (!shift && column >= 3)) {
                step->SetCommand(0);
                step->SetParameter(0);
            } else if (shift) {
                *step = qntPatternStep{};
            } else if (column == 0) {
                step->SetNote(0);
                step->SetInstrument(0);
            } else {
                step->SetInstrument(0);
            }
            Advance(row, rows);
            return true;
        }
        if ((key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) && shift) {
            step->SetChord(!step->Chord());
            return true;
        }
        if (key.sym == SDLK_INSERT) {
            InsertRow(pattern, rows, row);
            return true;
        }
        if (key.sym == SDLK_BACKSPACE) {
            if (row == 0) return true;
            player.SetRow(row - 1);
            RemoveRow(pattern, rows, row - 1);
            return true;
        }
        if (key.sym == SDLK_e && ctrl && !alt) {
            if (shift)
                SqueezeRows(pattern, rows, row);
            else
                SpreadRows(pattern, rows, row);
            return true;
        }
    }
    if (step && HandleClipboardKey(key, voice, row, rows)) return true;
    if (HandleCursorKey(key, row, rows)) return true;
    // Outside edit mode the note keys play the notes they would write.
    if (column == 0 && note > 0 && note != kReleaseNote) preview = note;
    return false;
}

bool AreaPattern::HandleClipboardKey(const SDL_Keysym& key, int voice, int row, int rows) {
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    if (alt) return false;
    PatternClipboard& main = host->patternClipboard;
    PatternClipboard& commands = host->commandClipboard;
    qntPatternStep* pattern = VoicePattern(voice);
    auto ownerPattern = [&](const PatternClipboard& clipboard) { return VoicePattern(clipboard.owner); };

    if (ctrl && (IsPlusKey(key.sym) || IsMinusKey(key.sym))) {
        int semitones = (IsPlusKey(key.sym) ? 1 : -1) * (shift ? 12 : 1);
        if (main.HasSelection() && main.selectionStart != main.selectionEnd) {
            if (qntPatternStep* owner = ownerPattern(main))
                TransposeRows(owner, rows, main.selectionStart, main.selectionEnd, semitones);
        } else {
            TransposeRows(pattern, rows, row, row, semitones);
        }
        return true;
    }
    if (key.sym >= SDLK_F3 && key.sym <= SDLK_F5 && (shift || ctrl)) {
        // Shift: whole steps through the main clipboard; Ctrl: command and
        // parameter through the command clipboard. Whole tracks, from row 0.
        PatternClipboard& clipboard = shift ? main : commands;
        const bool commandOnly = !shift;
        if (key.sym == SDLK_F5) {
            PasteRows(clipboard, pattern, rows, 0, commandOnly);
        } else {
            SelectRows(clipboard, voice, 0, rows - 1);
            if (qntPatternStep* owner = ownerPattern(clipboard)) {
                if (key.sym == SDLK_F3)
                    ClearRows(owner, rows, clipboard.selectionStart, clipboard.selectionEnd, commandOnly);
                else
                    CopyRows(clipboard, owner, rows, clipboard.selectionStart, clipboard.selectionEnd, clipboard.owner);
            }
        }
        clipboard.ClearMarks();
        if (shift) main.owner = -1;
        return true;
    }
    if (!ctrl) return false;
    switch (key.sym) {
        case SDLK_a:
            SelectRows(main, voice, 0, rows - 1);
            return true;
        case SDLK_c:
        case SDLK_x: {
            if (!main.HasSelection()) SelectRows(main, voice, row, row);
            if (qntPatternStep* owner = ownerPattern(main)) {
                CopyRows(main, owner, rows, main.selectionStart, main.selectionEnd, main.owner);
                if (key.sym == SDLK_x) ClearRows(owner, rows, main.selectionStart, main.selectionEnd, false);
            }
            main.ClearMarks();
            return true;
        }
        case SDLK_v: {
            int written = PasteRows(main, pattern, rows, row, false);
            host->Player().SetRow(row + written);
            return true;
        }
        case SDLK_DELETE:
            if (main.HasSelection())
                if (qntPatternStep* owner = ownerPattern(main))
                    ClearRows(owner, rows, main.selectionStart, main.selectionEnd, false);
            return true;
        default:
            return false;
    }
}

bool AreaPattern::HandleCursorKey(const SDL_Keysym& key, int row, int rows) {
    if (key.mod & (KMOD_CTRL | KMOD_ALT)) return false;
    const bool shift = key.mod & KMOD_SHIFT;
    int voice = host->currentVoice & 3;
    ChannelBase* channel = Track(voice);
    if (!channel) return false;
    int column = channel->currentColumn;
    PatternClipboard& selection = host->patternClipboard;
    auto moveTo = [&](int newVoice, int newColumn) {
        host->currentVoice = newVoice;
        if (ChannelBase* to = Track(newVoice)) to->currentColumn = newColumn;
        selection.ClearMarks();
        return true;
    };
    switch (key.sym) {
        case SDLK_RIGHT:
        case SDLK_LEFT:
            StepSubColumn(voice, column, key.sym == SDLK_RIGHT ? 1 : -1, kVoices, channel->ColumnCount());
            return moveTo(voice, column);
        case SDLK_TAB:
            if (!shift) return moveTo((voice + 1) % kVoices, 0);
            if (column != 0) return moveTo(voice, 0);
            return moveTo((voice + kVoices - 1) % kVoices, 0);
        default:
            break;
    }
    int target = row;
    switch (key.sym) {
        case SDLK_UP: target = (row + rows - 1) % rows; break;
        case SDLK_DOWN: target = (row + 1) % rows; break;
        case SDLK_PAGEUP: target = std::max(row - kPageRows, 0); break;
        case SDLK_PAGEDOWN: target = std::min(row + kPageRows, rows - 1); break;
        case SDLK_HOME: target = 0; break;
        case SDLK_END: target = rows - 1; break;
        default: return false;
    }
    if (target == row) return false;
    host->Player().SetRow(target);
    if (shift)
        ExtendSelection(selection, voice, row, target);
    else
        selection.ClearMarks();
    return true;
}

}  // namespace qn
