// The instrument editor window through real key and mouse events: the step
// keys as tables, the lists, the view of the voice's wave and the window's
// undo history.
#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

#include "editors/area_instrument.h"
#include "editors/instrument_main.h"
#include "editors/song_lists.h"
#include "gui/number_field.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

constexpr int kInstrument = 3;

class InstrumentEditorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->currentInstrument = kInstrument;
        harness.Command(kCommandInstrumentWindow);
        harness.Frame(2);
        ASSERT_EQ(app()->currentWindow, kInstrumentWindow);
        ASSERT_NE(pane(), nullptr);
        app()->editMode = true;
    }
    AreaInstrument* pane() { return static_cast<AreaInstrument*>(app()->instrumentPane); }
    InstrumentStep* Steps(int instrument = kInstrument) {
        return app()->document->song.instrumentSteps[instrument - 1];
    }
    // Step i holds note i + 1 and parameter i, with jumps and links where the
    // edge cases need them: B05 at 8, BFF at 10, B1F at 20, steps 11 and 12
    // linked (a chain 11-12-13).
    void FillProgram() {
        InstrumentStep* steps = Steps();
        for (int i = 0; i < kInstrumentSteps; ++i) steps[i] = InstrumentStep{uint8_t(i + 1), 0, uint8_t(i)};
        steps[8] = InstrumentStep{9, 0x0B, 0x05};
        steps[10] = InstrumentStep{11, 0x0B, 0xFF};
        steps[20] = InstrumentStep{21, 0x0B, 0x1F};
        steps[11].b0 |= 0x80;
        steps[12].b0 |= 0x80;
    }
    void Place(int cursor, int column) {
        pane()->cursor = cursor;
        pane()->Column()->currentColumn = column;
    }
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { AppTest::Press(sym, mod, 1); }
};

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

int Bytes(const InstrumentStep& step) { return step.b0 << 16 | step.b1 << 8 | step.b2; }

struct StepBytes { int index; uint8_t b0, b1, b2; };

TEST_F(InstrumentEditorTest, StepKeys) {
    struct Case {
        const char* name;
        int cursor, column, octave, sym, mod, cursorAfter;
        std::vector<StepBytes> expected;  // steps that must hold these bytes afterwards
    };
    const Case cases[] = {
        // Notes keep both flags, are held at 58 and never move past step 31.
        {"note held at 58", 12, 0, 4, SDLK_q, 0, 13, {{12, 0x80 | 58, 0, 12}}},
        {"note C-1", 3, 0, 1, SDLK_z, 0, 4, {{3, 13, 0, 3}}},
        {"note on step 31", 31, 0, 0, SDLK_x, 0, 31, {{31, 3, 0, 31}}},
        {"release key is no note", 3, 0, 0, SDLK_1, 0, 3, {{3, 4, 0, 3}}},
        {"command digit", 2, 1, 0, SDLK_b, 0, 3, {{2, 3, 0x0B, 2}}},
        {"parameter high", 2, 2, 0, SDLK_7, 0, 3, {{2, 3, 0, 0x72}}},
        {"parameter low keypad", 17, 3, 0, SDLK_KP_5, 0, 18, {{17, 18, 0, 0x15}}},
        {"enter toggles note mode", 5, 2, 0, SDLK_RETURN, 0, 5, {{5, 0x46, 0, 5}}},
        {"delete keeps the link", 12, 0, 0, SDLK_DELETE, 0, 13, {{12, 0x80, 0, 12}}},
        {"ctrl+delete", 8, 0, 0, SDLK_DELETE, KMOD_LCTRL, 9, {{8, 9, 0, 0}}},
        {"shift+delete", 8, 0, 0, SDLK_DELETE, KMOD_LSHIFT, 9, {{8, 0, 0, 0}}},
        // Insert at 3: B05 moves to 9 and jumps to 06; BFF never fires and
        // stays; B1F follows step 31 to B20; step 31 is lost.
        {"insert", 3, 0, 0, SDLK_INSERT, 0, 3,
         {{3, 0, 0, 0}, {4, 4, 0, 3}, {9, 9, 0x0B, 6}, {11, 11, 0x0B, 0xFF}, {21, 21, 0x0B, 0x20}, {31, 31, 0, 30}}},
        {"insert at 31", 31, 0, 0, SDLK_INSERT, 0, 31, {{30, 31, 0, 30}, {31, 0, 0, 0}}},
        // Backspace at 4 removes step 3: B05 moves to 7 and jumps to 04;
        // step 31 keeps its content; unlinked 3 leaves step 2 unlinked.
        {"backspace", 4, 0, 0, SDLK_BACKSPACE, 0, 3,
         {{3, 5, 0, 4}, {7, 9, 0x0B, 4}, {9, 11, 0x0B, 0xFF}, {19, 21, 0x0B, 0x1E}, {30, 32, 0, 31}, {31, 32, 0, 31}}},
        {"backspace on step 0", 0, 0, 0, SDLK_BACKSPACE, 0, 0, {{0, 1, 0, 0}}},
        // Removing unlinked step 13 ends the chain of step 12.
        {"backspace ends a chain", 14, 0, 0, SDLK_BACKSPACE, 0, 13, {{12, 13, 0, 12}, {13, 15, 0, 14}}},
        {"backspace inside a chain", 13, 0, 0, SDLK_BACKSPACE, 0, 12, {{11, 0x80 | 12, 0, 11}, {12, 14, 0, 13}}},
        // Shift+Insert links the cursor step; a chain goes on through the new step.
        {"shift+insert continues a chain", 12, 0, 0, SDLK_INSERT, KMOD_LSHIFT, 12,
         {{12, 0x80 | 13, 0, 12}, {13, 0x80, 0, 0}, {14, 14, 0, 13}}},
        {"shift+insert starts a chain", 5, 0, 0, SDLK_INSERT, KMOD_LSHIFT, 5,
         {{5, 0x80 | 6, 0, 5}, {6, 0, 0, 0}, {7, 7, 0, 6}, {9, 9, 0x0B, 5}}},
        {"shift+insert on step 31", 31, 0, 0, SDLK_INSERT, KMOD_LSHIFT, 31, {{30, 31, 0, 30}, {31, 32, 0, 31}}},
    };
    for (const Case& c : cases) {
        FillProgram();
        const InstrumentStep next = Steps(kInstrument + 1)[0];
        Place(c.cursor, c.column);
        app()->currentOctave = c.octave;
        Press(SDL_Keycode(c.sym), Uint16(c.mod));
        EXPECT_EQ(pane()->cursor, c.cursorAfter) << c.name;
        for (const StepBytes& e : c.expected)
            EXPECT_EQ(Bytes(Steps()[e.index]), Bytes({e.b0, e.b1, e.b2})) << c.name << " step " << e.index;
        EXPECT_EQ(Bytes(Steps(kInstrument + 1)[0]), Bytes(next)) << c.name;
    }
}

TEST_F(InstrumentEditorTest, CursorScrollPreviewAndMutes) {
    FillProgram();
    app()->editMode = false;
    // Edit mode off: a note key writes nothing and plays the note on the
    // current voice with the current instrument.
    Place(6, 0);
    app()->currentOctave = 4;
    Press(SDLK_q);
    EXPECT_EQ(Steps()[6].b0, 7);
    {
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        EXPECT_EQ(app()->replayer->voices[0].instrument, kInstrument);
        EXPECT_EQ(app()->replayer->voices[0].notePitch, 58 * 16);
    }
    struct Move { SDL_Keycode sym; int cursor, column, scroll; };
    // 14 lines: the view moves one line when the cursor passes the last,
    // jumps to it above the first, and stays within 0..18.
    const Move moves[] = {{SDLK_LEFT, 6, 3, 0},    {SDLK_RIGHT, 6, 0, 0},   {SDLK_PAGEDOWN, 22, 0, 9},
                          {SDLK_DOWN, 23, 0, 10},  {SDLK_PAGEDOWN, 31, 0, 18}, {SDLK_DOWN, 31, 0, 18},
                          {SDLK_PAGEUP, 15, 0, 15}, {SDLK_UP, 14, 0, 14},   {SDLK_PAGEUP, 0, 0, 0}};
    for (const Move& move : moves) {
        Press(move.sym);
        harness.app->DrawFrame();
        EXPECT_EQ(pane()->cursor, move.cursor) << move.sym;
        EXPECT_EQ(pane()->Column()->currentColumn, move.column) << move.sym;
        EXPECT_EQ(pane()->Column()->scroll, move.scroll) << move.sym;
    }
    // Alt+2 mutes voice 2, Alt+Shift+M sets all four against the current voice.
    Press(SDLK_2, KMOD_LALT);
    Press(SDLK_m, KMOD_LALT | KMOD_LSHIFT);
    std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
    for (int voice = 0; voice < kVoices; ++voice) EXPECT_EQ(app()->replayer->voices[size_t(voice)].muted, 1) << voice;
}

TEST_F(InstrumentEditorTest, LinkedStepsHideNotesAndTheExecutingStepIsWhite) {
    FillProgram();
    Steps(kInstrument - 1)[31].b0 = 0x80;  // the previous instrument's last step is no step before step 0
    Steps()[4].b0 |= 0x80;
    Place(9, 0);
    {
        // A voice halted on step 2 of the instrument (its index has moved on to 3).
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        VoiceState& voice = app()->replayer->voices[2];
        voice.instrument = kInstrument;
        voice.params = *app()->document->song.Instrument(kInstrument);
        voice.stepIndex = 3;
        voice.stepSpeed = voice.stepTicks = kStepHalted;
        voice.envelopeStage = kEnvelopeSustain;
    }
    app()->DrawFrame();
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(app()->renderer, &width, &height);
    std::vector<uint32_t> pixels(size_t(width * height));
    SDL_RenderReadPixels(app()->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, pixels.data(), width * 4);
    const SDL_Rect rect = pane()->Column()->AbsoluteRect();
    // White pixels in `columns` pixels from `left` on step line `line`.
    auto white = [&](int line, int left, int columns) {
        int count = 0;
        for (int x = rect.x + left; x < rect.x + left + columns; ++x)
            for (int y = rect.y + line * kStepRowHeight; y < rect.y + (line + 1) * kStepRowHeight; ++y)
                if (pixels[size_t(y * width + x)] == 0xFFFFFFFFu) ++count;
        return count;
    };
    EXPECT_GT(white(0, kStepNoteX, 24), 0) << "step 0 shows its note";
    EXPECT_GT(white(4, kStepNoteX, 24), 0);
    EXPECT_EQ(white(5, kStepNoteX, 24), 0) << "a step after a linked one shows no note";
    EXPECT_EQ(pane()->executingStep, 2);
    EXPECT_GT(white(2, 0, 16), 0);
    EXPECT_EQ(white(3, 0, 16), 0);
}

TEST_F(InstrumentEditorTest, FieldsListsWaveViewUndoAndBack) {
    // The envelope and vibrato fields edit the current instrument's record.
    InstrumentParams& params = app()->document->song.instruments[kInstrument - 1];
    params.attack = 4;
    params.vibratoSpeed = 0;
    std::vector<ButtonNumber*> fields = Find<ButtonNumber>(app()->items);
    std::erase_if(fields, [](ButtonNumber* field) { return !field->showsValue; });
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_STREQ(fields[0]->GetValueText(), "04");
    EXPECT_STREQ(fields[6]->GetValueText(), "01") << "speed shows 1-16";
    fields[0]->Step();
    EXPECT_EQ(params.attack, 5);

    // Page 1 of the list shows 17-31 under the label "16-31".
    ASSERT_EQ(Find<InstrumentList>(app()->items).size(), 1u);
    InstrumentList* list = Find<InstrumentList>(app()->items)[0];
    app()->instrumentPage = 1;
    harness.Frame();
    EXPECT_EQ(list->rows[0]->Instrument(), 17);
    EXPECT_TRUE(list->rows[15]->hidden);
    EXPECT_STREQ(list->pageButton->label, "16-31");
    app()->instrumentPage = 0;

    // The view shows the current voice's wave from its registers, inside
    // wave memory however far the start points.
    InstrumentWaveView view(app(), app()->waveMemory->Data(), WaveMemory::Size());
    view.ShowRegisters(2 + 128, 256, 64, 32);
    EXPECT_TRUE(view.data == app()->waveMemory->Data() + 2 + 128 + 64 && view.length == 256 && view.volume == 32);
    view.ShowRegisters(uint32_t(WaveMemory::Size() - 10), 300, kPlayOnce, 64);
    EXPECT_EQ(view.length, 10);
    view.ShowRegisters(uint32_t(WaveMemory::Size()), 300, 40, 64);
    EXPECT_EQ(view.data, nullptr);

    // A step edit is undone by the window's own history; Escape goes back.
    FillProgram();
    harness.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);  // records the filled program
    harness.Frame();
    Place(2, 0);
    Press(SDLK_DELETE, KMOD_LSHIFT);
    EXPECT_EQ(Steps()[2].b0, 0);
    Press(SDLK_z, KMOD_LCTRL);
    harness.Frame();
    EXPECT_EQ(Steps()[2].b0, 3);
    Press(SDLK_ESCAPE);
    harness.Frame();
    EXPECT_EQ(app()->currentWindow, kMainWindow);
    EXPECT_EQ(app()->instrumentPane, nullptr);
}
}  // namespace
}  // namespace qn::testing
