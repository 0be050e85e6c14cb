#include "editors/area_synth_wave.h"
#include "editors/command_numbers.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>

#include "editors/area_pattern.h"
#include "editors/editor_host.h"
#include "editors/wave_panel.h"
#include "editors/wave_rules.h"
#include "engine/replayer.h"
#include "gui/button.h"
#include "gui/font.h"

namespace qn {

namespace {

constexpr int kPaneWidth = 418;
constexpr int kPaneHeight = 430;
constexpr int kColumnWidth = 218;     // the second column starts this far right
constexpr int kColumnLeft = 6;
constexpr int kFieldOffset = 130;     // the arrow pair's x inside a column; the text lies left of it
constexpr int kFirstRow = 50;
constexpr int kRowHeight = 16;
constexpr int kEmptyHeight = 14;
constexpr int kHeadingWidth = 178;
constexpr int kLengthOffsetX = 155;   // "Len:128*" sits right of and above its row
constexpr int kLengthOffsetY = -30;
constexpr int kCloneOffsetX = -170;   // "Clone from Wave " sits left of its row
constexpr int kLoopTop = 378;
constexpr int kLoopColumnX[2] = {12, 204};
constexpr int kLoopFieldOffset = 150;
constexpr int kViewWidth = 620;
constexpr int kViewHeight = 104;
constexpr Rgba kReadoutColour = {0xCC, 0xCC, 0xCC, 255};

// Halves the alpha of a colour for the clone view.
Rgba Faded(Rgba colour) {
    colour.a = uint8_t(colour.a / 2);
    return colour;
}

// A line of small text at `rect` inside `pane`, written each frame from
// the current wave's record (nothing when there is none).
void AddReadout(GuiItem* pane, SDL_Rect rect, EditorHost* owner, Font* small,
                std::function<std::string(const WaveParams&)> describe) {
    GuiItem* readout = pane->Add(new GuiItem());
    readout->frame = false;
    readout->hittable = false;
    readout->x = rect.x;
    readout->y = rect.y;
    readout->w = rect.w;
    readout->h = rect.h;
    readout->onDraw = [owner, readout, small, describe = std::move(describe)] {
        WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
        if (!small || !record) return;
        SDL_Rect at = readout->AbsoluteRect();
        small->DrawText(describe(*record).c_str(), at.x, at.y, kReadoutColour);
    };
}

}  // namespace

AreaSynthWave::AreaSynthWave(EditorHost* owner, GuiItem* parent, int atX, int atY) : Area(owner, "Wave Editor") {
    x = atX;
    y = atY;
    w = kPaneWidth;
    h = kPaneHeight;
    parent->Add(this);
    host->wavePane = this;
    BuildPanel();
    BuildLoopSection(parent, 10, atY + kPaneHeight + 6);
}

AreaSynthWave::~AreaSynthWave() {
    if (host->wavePane == this) host->wavePane = nullptr;
}

WaveParams* AreaSynthWave::CurrentRecord() const { return host->EditedSong().Wave(host->currentWave); }

void AreaSynthWave::TrackControl(Button* button, bool keptForClones) {
    Control control;
    control.button = button;
    control.keptForClones = keptForClones;
    control.text = button->textColour;
    control.caption = button->captionColour;
    control.icon = button->thirdColour;
    control.back = button->background;
    control.border = button->borderColour;
    controls.push_back(control);
}

void AreaSynthWave::BuildPanel() {
    EditorHost* owner = host;
    Font* small = host->SmallFont();
    int column = 0;
    int rowY = kFirstRow;
    for (int i = 0; i < kWavePanelRows; ++i) {
        const WaveFieldSpec& spec = kWavePanelTable[i];
        const int columnX = kColumnLeft + column * kColumnWidth;
        switch (spec.kind) {
        case WaveRowKind::kBreak:
            ++column;
            rowY = kFirstRow;
            continue;
        case WaveRowKind::kEmpty:
            rowY += kEmptyHeight;
            continue;
        case WaveRowKind::kHeading: {
            Button* heading = Add(new Button());
            heading->label = spec.label;
            heading->x = columnX;
            heading->y = rowY + 1;
            heading->w = kHeadingWidth;
            heading->h = kRowHeight - 2;
            heading->hittable = false;
            heading->highlightOnClick = false;
            if (spec.byte >= 0) {
                ButtonSync* sync = Add(new ButtonSync());
                sync->x = columnX + kHeadingWidth - 28 - 2;
                sync->y = rowY + 2;
                sync->w = 28;
                sync->h = 12;
                sync->label = "SYNC";
                if (small) sync->fontOverride = small;
                sync->getState = [owner, spec] {
                    WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
                    return record && ReadWaveToggle(*record, spec);
                };
                sync->setState = [owner, spec](bool on) {
                    std::lock_guard<std::recursive_mutex> lock(owner->AudioLock());
                    if (WaveParams* record = owner->EditedSong().Wave(owner->currentWave))
                        WriteWaveToggle(*record, spec, on);
                };
                TrackControl(sync, false);
            }
            rowY += kRowHeight;
            continue;
        }
        case WaveRowKind::kField:
            break;
        }
        int fieldX = columnX + kFieldOffset;
        int fieldY = rowY;
        if (spec.rule == WaveFieldRule::kLength) {
            fieldX += kLengthOffsetX;
            fieldY += kLengthOffsetY;
        } else if (spec.rule == WaveFieldRule::kCloneFrom) {
            fieldX += kCloneOffsetX;
        }
        auto getter = [owner, spec] {
            WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
            return record ? ReadWaveField(*record, spec) : 0;
        };
        auto setter = [owner, spec](int value) {
            // The audio callback reads the records (loop points, the mix
            // byte the synthesizer lowers): every change holds its lock.
            std::lock_guard<std::recursive_mutex> lock(owner->AudioLock());
            Song& song = owner->EditedSong();
            WaveParams* record = song.Wave(owner->currentWave);
            if (!record) return;
            if (spec.rule == WaveFieldRule::kMixWave)
                SetMixWave(song, owner->currentWave, value);
            else if (spec.rule == WaveFieldRule::kCloneFrom)
                SetCloneFrom(song, owner->waveCloneStore, owner->currentWave, value);
            else
                WriteWaveField(*record, spec, value);
        };
        ButtonNumber* decrement = nullptr;
        ButtonNumber* field = AddNumberField(this, fieldX, fieldY, nullptr, spec.minimum, spec.maximum, 1,
                                             spec.bigStep, spec.displayOffset, spec.label, setter, getter, &decrement);
        field->hex = decrement->hex = spec.hex;
        const bool kept = std::strstr(spec.label, "Chord") || std::strstr(spec.label, "Note ") ||
                          std::strstr(spec.label, "Clone");
        TrackControl(field, kept);
        TrackControl(decrement, kept);
        if (spec.rule == WaveFieldRule::kCloneFrom)
            controls[controls.size() - 1].isCloneField = controls[controls.size() - 2].isCloneField = true;
        if (std::strcmp(spec.label, "OscType") == 0) oscTypeField = field;
        if (std::strcmp(spec.label, "FilterType") == 0) filterTypeField = field;

        if (spec.rule == WaveFieldRule::kLength) {
            AddReadout(this, {fieldX - 96, fieldY + 17, 140, 10}, owner, small, [](const WaveParams& record) {
                char text[64];
                std::snprintf(text, sizeof(text), "Chipram     %05d\n", WaveLength(record));
                return std::string(text);
            });
        } else if (spec.rule == WaveFieldRule::kCloneFrom) {
            AddReadout(this, {fieldX + 48, fieldY - 2, 150, 20}, owner, small, [](const WaveParams& record) {
                char text[64];
                std::snprintf(text, sizeof(text), "A500 Precalc time\n    %05.2fs",
                              double(WaveSynth::EstimatePrecalcSeconds(record)));
                return std::string(text);
            });
        }
        if (spec.rule != WaveFieldRule::kLength) rowY += kRowHeight;
    }

    ButtonUser* back = Add(new ButtonUser(kCommandInstrumentWindow));
    back->label = "Back";
    back->x = w - 60;
    back->y = 1;
    back->w = 56;
    back->h = 15;
}

void AreaSynthWave::BuildLoopSection(GuiItem* parent, int viewX, int viewY) {
    EditorHost* owner = host;
    ButtonNumber* fields[6] = {};
    for (int i = 0; i < 6; ++i) {
        const WaveLoopFieldSpec spec = kWaveLoopFields[i];
        auto getter = [owner, spec]() -> int {
            WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
            if (!record) return 0;
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
            if (!spec.word) return bytes[spec.byte];
            uint16_t word;
            std::memcpy(&word, bytes + spec.byte, 2);
            return word;
        };
        auto setter = [owner, spec](int value) {
            std::lock_guard<std::recursive_mutex> lock(owner->AudioLock());
            WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
            if (!record) return;
            value = std::clamp(value, spec.minimum, spec.maximum);
            if (spec.byte == 0) {
                SetLoopStart(*record, value);
            } else if (spec.byte == 2) {
                SetLoopEnd(*record, value);
            } else if (spec.byte == 4) {
                SetSubloopLength(*record, value);
            } else if (spec.word) {
                uint16_t word = uint16_t(value);
                std::memcpy(reinterpret_cast<uint8_t*>(record) + spec.byte, &word, 2);
            } else {
                reinterpret_cast<uint8_t*>(record)[spec.byte] = uint8_t(value);
            }
        };
        const int fieldX = kLoopColumnX[i / 3] + kLoopFieldOffset;
        const int fieldY = kLoopTop + (i % 3) * kRowHeight;
        ButtonNumber* decrement = nullptr;
        fields[i] = AddNumberField(this, fieldX, fieldY, nullptr, spec.minimum, spec.maximum, spec.step,
                                   spec.bigStep, 0, spec.label, setter, getter, &decrement);
        TrackControl(fields[i], false);
        TrackControl(decrement, false);
    }
    loopStartField = fields[0];
    loopEndField = fields[1];

    snapButton = Add(new Button());
    snapButton->label = "<>";
    snapButton->x = kLoopColumnX[1] + kLoopFieldOffset + 42;
    snapButton->y = kLoopTop + 9;
    snapButton->w = 23;
    snapButton->h = 22;
    snapButton->onMouse = [owner](MouseEvent* event) {
        if (event->state != 1 || event->previousState == 1) return;
        std::lock_guard<std::recursive_mutex> lock(owner->AudioLock());
        if (WaveParams* record = owner->EditedSong().Wave(owner->currentWave)) SnapLoopToCycle(*record);
    };
    TrackControl(snapButton, false);

    view = parent->Add(new RenderView8Bit());
    view->x = viewX;
    view->y = viewY;
    view->w = kViewWidth;
    view->h = kViewHeight;
    view->hittable = false;  // the markers above it take the mouse
    markers = parent->Add(new RenderView8BitDrag(loopStartField, loopEndField));
    markers->x = viewX;
    markers->y = viewY;
    markers->w = kViewWidth;
    markers->h = kViewHeight;
    markers->getSteps = [owner]() -> int32_t {
        WaveParams* record = owner->EditedSong().Wave(owner->currentWave);
        return record ? WaveLength(*record) : 128;
    };
}

bool AreaSynthWave::HandleKey(const SDL_Keysym& key) {
    const bool ctrl = key.mod & KMOD_CTRL, shift = key.mod & KMOD_SHIFT, alt = key.mod & KMOD_ALT;
    int step = 0;
    if ((key.sym == SDLK_KP_MINUS && NoModifiers(key)) || (ctrl && !alt && key.sym == SDLK_UP)) step = -1;
    if ((key.sym == SDLK_KP_PLUS && NoModifiers(key)) || (ctrl && !alt && key.sym == SDLK_DOWN)) step = 1;
    if (step != 0) {
        host->currentWave = std::clamp(host->currentWave + step, 1, kWaves);
        return true;
    }
    if (HandleMuteKey(host, key)) return true;
    if (alt && !ctrl) return false;
    if (shift && !ctrl) {
        const int command = key.sym == SDLK_F3   ? kCommandClearWave
                            : key.sym == SDLK_F4 ? kCommandCopyWave
                            : key.sym == SDLK_F5 ? kCommandPasteWave
                                                 : 0;
        if (command != 0) {
            host->PostCommand(command);
            return true;
        }
    }
    const int note = NoteFromKey(key, host->currentOctave);
    if (note < 1 || note > 60) return false;
    host->PreviewNote(note);
    return true;
}

void AreaSynthWave::Regenerate() {
    Replayer& player = host->Player();
    if (!player.waveMemory) return;
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        RegenerateEditedWaves(host->EditedSong(), *player.waveMemory, player.synth, host->currentWave);
        if (WaveParams* record = CurrentRecord()) keptRecord = *record;
        keptWave = host->currentWave;
    }
    ++regenerations;
    // The chip memory and precalculation figures follow the new records.
    host->RecomputeSongInfo();
}

void AreaSynthWave::ShowCloneState() {
    WaveParams* record = CurrentRecord();
    const bool clone = record && record->cloneFrom != 0;
    for (Control& control : controls) {
        Button* button = control.button;
        const bool active = !clone || control.keptForClones;
        // The clone field itself shows whether the wave is a clone.
        const bool faded = control.isCloneField ? !clone : !active;
        button->hittable = active;
        button->textColour = faded ? Faded(control.text) : control.text;
        button->captionColour = faded ? Faded(control.caption) : control.caption;
        button->thirdColour = faded ? Faded(control.icon) : control.icon;
        button->background = faded ? Faded(control.back) : control.back;
        button->borderColour = faded ? Faded(control.border) : control.border;
    }
}

void AreaSynthWave::FeedView() {
    Replayer& player = host->Player();
    WaveParams* record = CurrentRecord();
    if (!view || !record || !player.waveMemory) return;
    const int index = host->currentWave - 1;
    view->data = player.waveMemory->Slot(index);
    view->dataSize = int32_t(kWaveSlotBytes);
    view->length = record->waveLength;
    bool playsWave;
    int32_t subloopPosition;
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        const VoiceState& voice = player.voices[size_t(host->currentVoice & 3)];
        playsWave = voice.waveIndex == index;
        subloopPosition = voice.subloopPosition;
    }
    if (host->IsPlaying() && !playsWave) {
        view->loopStart = view->loopEnd = view->subloopLength = view->subloopPosition = 0;
        view->loopOffset = -1;
        return;
    }
    view->loopStart = record->loopStart;
    view->subloopLength = record->subloopLen;
    view->loopEnd = record->loopEnd;
    view->subloopPosition = subloopPosition;
    view->loopOffset = record->loopOffset;
}

bool AreaSynthWave::Update() {
    WaveParams* record = CurrentRecord();
    if (record && (host->currentWave != keptWave || std::memcmp(record, &keptRecord, sizeof(WaveParams)) != 0))
        Regenerate();
    if (record) {
        if (oscTypeField) oscTypeField->caption = OscTypeLabel(record->OscType());
        if (filterTypeField) filterTypeField->caption = FilterTypeLabel(record->filterType);
    }
    ShowCloneState();
    FeedView();
    return Area::Update();
}

}  // namespace qn
