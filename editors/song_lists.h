// The instrument list and the wave list: a heading, numbered rows that
// select an instrument or wave, and names typed in place. The main window,
// the instrument editor and the wave editor each show them with their own
// placement and click behaviour.
#pragma once

#include <functional>

#include "gui/text_edit.h"
#include "song/song.h"

namespace qn {

// What the lists read and change in the application.
struct ListContext {
    SongDocument* document = nullptr;
    int* currentInstrument = nullptr;
    int* instrumentPage = nullptr;
    int* currentWave = nullptr;
    std::function<bool()> stepsInHex;
    // A name was stored: the song's size and estimates are measured again.
    std::function<void()> namesChanged;
};

constexpr int kInstrumentListRows = 16;
constexpr int kWaveListRows = kWaves;
constexpr int kListHeadingHeight = 20;

// The row colours: the current row brighter than the theme's field colour,
// the others darker; `halfTransparent` for lists that only select.
Rgba ListRowColour(bool current, bool halfTransparent);

// A row's number: selects the row's instrument or wave.
class SelectButton : public Button {
public:
    SelectButton();
    void OnMouseButton(MouseEvent* event) override;

    std::function<void()> onSelect;
    char numberText[8] = {};
};

class InstrumentEdit : public TextEdit {
public:
    InstrumentEdit(const ListContext& context, int row);
    // The instrument this row shows on the current page (32 on page 1's last
    // row, which does not exist).
    int Instrument() const;
    bool Update() override;
    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;
    void OnCommit() override;
    void LoadStoredText() override;

    ListContext context;
    int row = 1;
    SelectButton* number = nullptr;

private:
    int editedInstrument_ = 0;
};

// Toggles the instrument page between 1-16 and 16-31.
class ButtonInstrumentPage : public Button {
public:
    explicit ButtonInstrumentPage(int* page);
    void OnMouseButton(MouseEvent* event) override;
    void Draw() override;

    int* page = nullptr;
};

class InstrumentList : public GuiItem {
public:
    // `editorWindow` adds the "Back" button of the instrument editor.
    InstrumentList(const ListContext& context, int x, int y, int w, int h, bool editorWindow);

    InstrumentEdit* rows[kInstrumentListRows] = {};
    ButtonInstrumentPage* pageButton = nullptr;
};

class WaveEdit : public TextEdit {
public:
    // `selectOnly`: the lists outside the wave editor, where a click on the
    // name selects the wave and opens the wave editor instead of editing.
    WaveEdit(const ListContext& context, int wave, bool selectOnly);
    bool Update() override;
    void Draw() override;
    void OnMouseButton(MouseEvent* event) override;
    void OnCommit() override;
    void LoadStoredText() override;

    ListContext context;
    int wave = 1;
    bool selectOnly = false;
    SelectButton* number = nullptr;
};

class WaveList : public GuiItem {
public:
    WaveList(const ListContext& context, int x, int y, int w, int h, bool selectOnly);

    WaveEdit* rows[kWaveListRows] = {};
};

}  // namespace qn
