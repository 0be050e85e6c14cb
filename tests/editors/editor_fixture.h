// The main window's editors driven by real key and mouse events through the
// headless App: cursor placement, step access and key presses.
#pragma once

#include <mutex>
#include <vector>

#include "editors/area_pattern.h"
#include "editors/area_sequencer.h"
#include "tests/app/app_harness.h"

namespace qn {

inline bool operator==(const qntPatternStep& a, const qntPatternStep& b) {
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2;
}
inline std::ostream& operator<<(std::ostream& out, const qntPatternStep& step) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02X %02X %02X", step.b0, step.b1, step.b2);
    return out << text;
}

}  // namespace qn

namespace qn::testing {

// The widgets of type T in a tree, in drawing order.
template <typename T>
std::vector<T*> Find(GuiList& list) {
    std::vector<T*> found;
    for (GuiItem* item : list) {
        if (T* match = dynamic_cast<T*>(item)) found.push_back(match);
        for (T* inner : Find<T>(item->children)) found.push_back(inner);
    }
    return found;
}

class EditorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->editMode = true;
        app()->editSkip = 1;
    }
    Song& song() { return TheSong(); }
    AreaPattern* patternPane() { return static_cast<AreaPattern*>(app()->patternPane); }
    int row() { return app()->replayer->row; }
    qntPatternStep& Step(int voice, int atRow) {
        return song().Pattern(song().Position(int(song().currentPosition))[voice].pattern)[atRow];
    }
    SequenceEntry& Entry(int position, int voice) { return song().Position(position)[voice]; }

    // The cursor of the pattern editor (or, with `sequencer`, of the
    // sequence editor, whose row is the song position).
    void PlaceCursor(int voice, int column, int atRow, bool sequencer = false) {
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        app()->currentVoice = voice;
        Area* area = sequencer ? static_cast<Area*>(app()->sequencePane) : static_cast<Area*>(patternPane());
        area->Track(voice)->currentColumn = column;
        app()->focusPane = area;
        if (sequencer)
            song().currentPosition = uint32_t(atRow);
        else
            app()->replayer->SetRow(atRow);
    }
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { AppTest::Press(sym, mod, 1); }
    void Click(GuiItem* item) {
        SDL_Rect rect = item->AbsoluteRect();
        harness.MouseButton(true, rect.x + 2, rect.y + rect.h / 2);
        harness.Frame();
        harness.MouseButton(false, rect.x + 2, rect.y + rect.h / 2);
        harness.Frame();
    }
    // Row r of a track holds note r % 60 + 1 and parameter r.
    void FillTrack(int voice) {
        for (int r = 0; r < kMaxRows; ++r) Step(voice, r) = qntPatternStep{uint8_t(r % 60 + 1), 0x10, uint8_t(r)};
    }
    // The parameter bytes of a track's 64 rows (-1 for an empty step).
    std::vector<int> Parameters(int voice) {
        std::vector<int> bytes;
        for (int r = 0; r < 64; ++r) bytes.push_back(Step(voice, r).IsEmpty() ? -1 : Step(voice, r).b2);
        return bytes;
    }
};

}  // namespace qn::testing
