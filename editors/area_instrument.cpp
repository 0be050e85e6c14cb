#include "editors/area_instrument.h"
#include "editors/command_numbers.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "editors/area_pattern.h"
#include "editors/editor_host.h"
#include "editors/instrument_steps.h"
#include "engine/replayer.h"
#include "gui/font.h"

namespace qn {

constexpr int kPageSteps = 16;
constexpr SDL_Rect kNoteModeOffIcon = {0, 14, 14, 14};
constexpr SDL_Rect kNoteModeOnIcon = {16, 14, 14, 14};
constexpr Rgba kExecutingStep = {255, 255, 255, 255};

// ---------------------------------------------------------------- column

ChannelInstrument::ChannelInstrument(EditorHost* owner, AreaInstrument* area)
    : ChannelBase(owner, 0), pane(area) {
    rowHeight = kStepRowHeight;
    w = kStepColumnWidth;
    h = kStepLinesVisible * kStepRowHeight;
    AddColumn(kStepNoteX, kStepNoteWidth);
    AddColumn(kStepCommandX, 8);
    AddColumn(kStepCommandX + 8, 8);
    AddColumn(kStepCommandX + 16, 8);
}

void ChannelInstrument::FollowCursor() {
    const int lines = std::max(1, VisibleLines());
    const int cursor = pane->cursor;
    if (cursor >= scroll + lines) scroll += 1;
    if (cursor >= scroll + lines) scroll = cursor - lines + 1;  // a jump of more than one line
    if (cursor < scroll) scroll = cursor;
    scroll = std::clamp(scroll, 0, std::max(0, kInstrumentSteps - lines));
}

void ChannelInstrument::OnMouseButton(MouseEvent* event) {
    ChannelBase::OnMouseButton(event);
    if (event->state != 1) return;
    host->editMode = true;
    int line = (event->y - AbsoluteRect().y) / rowHeight;
    pane->cursor = std::clamp(scroll + line, 0, kInstrumentSteps - 1);
}

void ChannelInstrument::Draw() {
    if (hidden || !font) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    InstrumentStep* steps = pane->Steps();
    if (!steps) return;
    FollowCursor();
    const Rgba noteColour = gDefaultTextColour;
    const Rgba iconColour = {255, 255, 255, 255};
    const int lines = VisibleLines();
    const int cursorY = rect.y + (pane->cursor - scroll) * rowHeight;
    if (pane->cursor >= scroll && pane->cursor < scroll + lines) DrawCursorBar(cursorY);
    char text[48];
    for (int line = 0; line < lines; ++line) {
        const int index = scroll + line;
        if (index >= kInstrumentSteps) break;
        const InstrumentStep& step = steps[index];
        const int y = rect.y + line * rowHeight;
        std::snprintf(text, sizeof(text), "%02X", index);
        font->DrawText(text, rect.x, y, index == pane->executingStep ? kExecutingStep : theme::kRowNumber);
        // A step run in the same tick as a linked step before it plays no
        // note of its own, so none is shown. Step 0 has no step before it.
        if (index == 0 || !steps[index - 1].Linked()) {
            const int note = step.Note();
            if (note == 0)
                std::snprintf(text, sizeof(text), "---");
            else
                NoteName(note, text, sizeof(text));
            font->DrawText(text, rect.x + kStepNoteX, y, noteColour);
            SDL_Rect icon = {rect.x + kStepNoteX + 3 * 8 + 2, y + 1, 14, 14};
            DrawIcon(icon, step.FixedNote() ? kNoteModeOnIcon : kNoteModeOffIcon, iconColour, false);
        }
        const bool present = step.Command() != 0 || step.Parameter() != 0;
        std::snprintf(text, sizeof(text), "%s%X%02X", present ? "<ceeeeee>" : "<cbbbbbb>", step.Command(),
                      step.Parameter());
        font->DrawText(text, rect.x + kStepCommandX, y, Rgba{255, 255, 255, 255});
    }
    if (pane->cursor >= scroll && pane->cursor < scroll + lines) DrawColumnBox(currentColumn, cursorY);
}

// ---------------------------------------------------------------- pane

AreaInstrument::AreaInstrument(EditorHost* owner) : Area(owner, "Instrument\n  Pattern") {
    titleHeight = kStepTitleHeight;
    host->instrumentPane = this;
}

AreaInstrument::~AreaInstrument() {
    if (host->instrumentPane == this) host->instrumentPane = nullptr;
}

InstrumentStep* AreaInstrument::Steps() const {
    const int instrument = std::clamp(host->currentInstrument, 1, kSelectableInstruments);
    return host->EditedSong().instrumentSteps[instrument - 1];
}

ChannelInstrument* AreaInstrument::Column() const {
    return channels.empty() ? nullptr : static_cast<ChannelInstrument*>(channels.front());
}

// Whether a voice is sounding: its envelope runs or has not fallen to 0.
static bool Sounding(const VoiceState& voice) {
    return voice.pendingStart != 0 || voice.envelopeStage != kEnvelopeRelease || voice.envelopeLevel > 0;
}

void AreaInstrument::Draw() {
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        executingStep = -1;
        for (const VoiceState& voice : host->Player().voices) {
            // The step index has moved past the step that ran last; once it
            // reaches the step count the program has ended.
            const int index = voice.stepIndex;
            if (voice.instrument == host->currentInstrument && index > 0 && index < voice.params.stepCount &&
                index <= kInstrumentSteps && Sounding(voice)) {
                executingStep = index - 1;
                break;
            }
        }
    }
    Area::Draw();
}

bool AreaInstrument::HandleKey(const SDL_Keysym& key) {
    if (!Column()) return false;
    // The Replayer runs the same step table in the audio callback.
    return EditUnderLock([&](int& preview) { return HandleKeyLocked(key, preview); });
}

void AreaInstrument::Advance() { cursor = std::min(cursor + 1, kInstrumentSteps - 1); }

bool AreaInstrument::HandleKeyLocked(const SDL_Keysym& key, int& preview) {
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    ChannelInstrument* column = Column();
    cursor = std::clamp(cursor, 0, kInstrumentSteps - 1);

    if (HandleMuteKey(host, key)) return true;
    // The instrument clipboard keys (the Instrument menu carries them too).
    if (shift && !ctrl && !alt && key.sym >= SDLK_F3 && key.sym <= SDLK_F5) {
        static const int kCommands[] = {kCommandClearInstrument, kCommandCopyInstrument, kCommandPasteInstrument};
        host->PostCommand(kCommands[key.sym - SDLK_F3]);
        return true;
    }

    InstrumentStep* steps = Steps();
    if (host->editMode && steps && HandleEditKey(key, steps, column->currentColumn)) {
        column->FollowCursor();
        return true;
    }
    if (HandleCursorKey(key)) {
        column->FollowCursor();
        return true;
    }
    int note = NoteFromKey(key, host->currentOctave);
    if (note > 0 && note != kReleaseNote) preview = std::min(note, kHighestStepNote);
    return false;
}

bool AreaInstrument::HandleEditKey(const SDL_Keysym& key, InstrumentStep* steps, int column) {
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT;
    InstrumentStep& step = steps[cursor];
    const int note = NoteFromKey(key, host->currentOctave);
    if (column == 0 && note > 0 && note != kReleaseNote) {
        WriteStepNote(step, note);
        Advance();
        return true;
    }
    const int digit = DigitFromKey(key);
    if (column >= 1 && column <= 3 && digit >= 0) {
        WriteStepDigit(step, column, digit);
        Advance();
        return true;
    }
    switch (key.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            step.b0 ^= kStepFixedNote;
            return true;
        case SDLK_DELETE:
            if (shift) {
                step = InstrumentStep{};
            } else if (ctrl) {
                step.b1 = 0;
                step.b2 = 0;
            } else {
                step.b0 &= kStepLink;
            }
            Advance();
            return true;
        case SDLK_INSERT:
            if (shift)
                InsertLinkedStep(steps, cursor);
            else
                InsertStep(steps, cursor);
            return true;
        case SDLK_BACKSPACE:
            if (cursor == 0) return false;
            cursor = RemoveStepAbove(steps, cursor);
            return true;
        default:
            return false;
    }
}

bool AreaInstrument::HandleCursorKey(const SDL_Keysym& key) {
    if (key.mod & (KMOD_CTRL | KMOD_ALT)) return false;
    ChannelInstrument* column = Column();
    const int columns = column->ColumnCount();
    int target = cursor;
    switch (key.sym) {
        case SDLK_RIGHT:
            column->currentColumn = (column->currentColumn + 1) % columns;
            return true;
        case SDLK_LEFT:
            column->currentColumn = (column->currentColumn + columns - 1) % columns;
            return true;
        case SDLK_UP: target = cursor - 1; break;
        case SDLK_DOWN: target = cursor + 1; break;
        case SDLK_PAGEUP: target = cursor - kPageSteps; break;
        case SDLK_PAGEDOWN: target = cursor + kPageSteps; break;
        default: return false;
    }
    target = std::clamp(target, 0, kInstrumentSteps - 1);
    if (target == cursor) return false;
    cursor = target;
    return true;
}

}  // namespace qn
