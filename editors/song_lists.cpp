#include "editors/song_lists.h"
#include "editors/command_numbers.h"

#include <algorithm>
#include <cstdio>

#include "gui/font.h"

namespace qn {

constexpr int kSelectWidth = 20;
constexpr int kSelectHeight = 14;

Rgba ListRowColour(bool current, bool halfTransparent) {
    float factor = current ? 1.1f : 0.75f * 0.85f;
    auto scale = [factor](uint8_t channel) { return uint8_t(std::min(255.0f, channel * factor)); };
    Rgba field = gDefaultBackground;
    return Rgba{scale(field.r), scale(field.g), scale(field.b), uint8_t(halfTransparent ? 128 : 255)};
}

SelectButton::SelectButton() {
    w = kSelectWidth;
    h = kSelectHeight;
    highlightOnClick = false;
    label = numberText;
}

// A click counts once: a press delivered again while the button stays held
// is none, and a press released within the same frame reaches the widget
// only as a release.
static bool FreshPress(const MouseEvent* event) { return event->state != 0 && event->previousState != 1; }

void SelectButton::OnMouseButton(MouseEvent* event) {
    clicked = true;
    if (FreshPress(event) && onSelect) onSelect();
}

// Row pitch that spreads `rows` rows below the heading.
static int RowPitch(int height, int rows) { return std::clamp((height - kListHeadingHeight) / rows, 15, 18); }

static ButtonUser* AddHeading(GuiItem* list, const char* text, int command, int x, int w) {
    ButtonUser* heading = list->Add(new ButtonUser(command));
    heading->label = text;
    heading->x = x;
    heading->w = w;
    heading->h = 16;
    return heading;
}

// A list is a frameless panel: only its headings and rows take presses.
static void PlaceList(GuiItem& list, int x, int y, int w, int h) {
    list.x = x;
    list.y = y;
    list.w = w;
    list.h = h;
    list.frame = false;
    list.hittable = false;
}

// Adds a row at `rowY`: its number button on the left, which selects the
// row's instrument or wave, and `edit`, its name field, filling the rest.
template <typename Edit>
static Edit* AddListRow(GuiItem& list, Edit* edit, int rowY) {
    SelectButton* number = list.Add(new SelectButton());
    number->x = 0;
    number->y = rowY + 1;
    list.Add(edit);
    edit->x = kSelectWidth + 4;
    edit->y = rowY;
    edit->w = list.w - edit->x;
    edit->h = 16;
    edit->number = number;
    return edit;
}

InstrumentEdit::InstrumentEdit(const ListContext& listContext, int rowNumber) : context(listContext), row(rowNumber) {
    maxCharacters = kNameLength;
}

int InstrumentEdit::Instrument() const {
    int page = context.instrumentPage ? std::clamp(*context.instrumentPage, 0, 1) : 0;
    return row + kInstrumentListRows * page;
}

bool InstrumentEdit::Update() {
    // Instrument 32 does not exist: page 1 shows 15 rows.
    bool exists = Instrument() <= kSelectableInstruments;
    hidden = !exists;
    hittable = exists;
    if (number) {
        number->hidden = !exists;
        number->hittable = exists;
    }
    if (Editing() && context.currentInstrument) *context.currentInstrument = editedInstrument_;
    // Set before drawing: the number button is drawn ahead of this row.
    ShowRowState();
    return TextEdit::Update();
}

void InstrumentEdit::Draw() {
    int instrument = Instrument();
    if (hidden || instrument > kSelectableInstruments || !context.document) return;
    TextEdit::Draw();
}

// Colours a row and its number button, and writes the number.
static void ShowListRow(TextEdit& edit, SelectButton* number, bool current, bool halfTransparent, const char* format,
                        int value) {
    edit.background = ListRowColour(current, halfTransparent);
    if (!number) return;
    number->background = edit.background;
    std::snprintf(number->numberText, sizeof(number->numberText), format, value);
}

void InstrumentEdit::ShowRowState() {
    int instrument = Instrument();
    bool current = context.currentInstrument && *context.currentInstrument == instrument;
    bool hex = context.stepsInHex && context.stepsInHex();
    ShowListRow(*this, number, current, false, hex ? "%02X" : "%.2d", instrument);
}

void InstrumentEdit::LoadStoredText() {
    int instrument = Instrument();
    if (context.document && instrument >= 1 && instrument <= kSelectableInstruments)
        SetText(context.document->song.instrumentNames[instrument - 1], kNameLength);
}

void InstrumentEdit::OnMouseButton(MouseEvent* event) {
    editedInstrument_ = std::clamp(Instrument(), 1, kSelectableInstruments);
    if (context.currentInstrument) *context.currentInstrument = editedInstrument_;
    TextEdit::OnMouseButton(event);
}

void InstrumentEdit::OnCommit() {
    if (!context.document || editedInstrument_ < 1 || editedInstrument_ > kSelectableInstruments) return;
    SetFixedText(context.document->song.instrumentNames[editedInstrument_ - 1], kNameLength, text);
    if (context.namesChanged) context.namesChanged();
}

ButtonInstrumentPage::ButtonInstrumentPage(int* pageNumber) : page(pageNumber) { h = 16; }

void ButtonInstrumentPage::OnMouseButton(MouseEvent* event) {
    clicked = true;
    if (FreshPress(event) && page) *page = *page == 0 ? 1 : 0;
}

void ButtonInstrumentPage::Draw() {
    label = page && *page == 1 ? "16-31" : "1-16";
    Button::Draw();
}

InstrumentList::InstrumentList(const ListContext& context, int listX, int listY, int listW, int listH,
                               bool editorWindow) {
    PlaceList(*this, listX, listY, listW, listH);
    AddHeading(this, "Instruments", kCommandInstrumentWindow, 0, 104);
    if (editorWindow) AddHeading(this, "Back", kCommandMainWindow, 108, 48);
    pageButton = Add(new ButtonInstrumentPage(context.instrumentPage));
    pageButton->x = w - 50;
    pageButton->w = 48;
    int pitch = RowPitch(h, kInstrumentListRows);
    for (int k = 1; k <= kInstrumentListRows; ++k) {
        const int rowY = kListHeadingHeight + (k - 1) * pitch;
        InstrumentEdit* edit = AddListRow(*this, new InstrumentEdit(context, k), rowY);
        edit->number->onSelect = [edit] {
            int instrument = std::clamp(edit->Instrument(), 1, kSelectableInstruments);
            if (edit->context.currentInstrument) *edit->context.currentInstrument = instrument;
            if (ModifierState & kModifierShift) PostCommandEvent(kCommandInstrumentWindow);
        };
        rows[k - 1] = edit;
    }
}

WaveEdit::WaveEdit(const ListContext& listContext, int waveNumber, bool selectOnlyList)
    : context(listContext), wave(waveNumber), selectOnly(selectOnlyList) {
    maxCharacters = kNameLength;
}

bool WaveEdit::Update() {
    if (Editing() && context.currentWave) *context.currentWave = wave;
    ShowRowState();
    return TextEdit::Update();
}

void WaveEdit::Draw() {
    if (hidden || !context.document) return;
    TextEdit::Draw();
}

void WaveEdit::ShowRowState() {
    bool current = context.currentWave && *context.currentWave == wave;
    ShowListRow(*this, number, current, selectOnly, "%02X", wave);
}

void WaveEdit::LoadStoredText() {
    if (context.document) SetText(context.document->song.waveNames[wave - 1], kNameLength);
}

void WaveEdit::OnMouseButton(MouseEvent* event) {
    if (context.currentWave) *context.currentWave = wave;
    if (!selectOnly) {
        TextEdit::OnMouseButton(event);
        return;
    }
    clicked = true;
    if (FreshPress(event)) PostCommandEvent(kCommandWaveWindow);
}

void WaveEdit::OnCommit() {
    if (!context.document) return;
    SetFixedText(context.document->song.waveNames[wave - 1], kNameLength, text);
    if (context.namesChanged) context.namesChanged();
}

WaveList::WaveList(const ListContext& context, int listX, int listY, int listW, int listH, bool selectOnly) {
    PlaceList(*this, listX, listY, listW, listH);
    ButtonUser* heading = AddHeading(this, "Waves", 0, 0, w);
    heading->hittable = false;
    int pitch = RowPitch(h, kWaveListRows);
    for (int k = 1; k <= kWaveListRows; ++k) {
        const int rowY = kListHeadingHeight + (k - 1) * pitch;
        WaveEdit* edit = AddListRow(*this, new WaveEdit(context, k, selectOnly), rowY);
        edit->number->onSelect = [edit] {
            if (edit->context.currentWave) *edit->context.currentWave = edit->wave;
            if (edit->selectOnly) PostCommandEvent(kCommandWaveWindow);
        };
        rows[k - 1] = edit;
    }
}

}  // namespace qn
