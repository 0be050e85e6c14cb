// The instrument editor window through real key events: the step keys as a
// table, the cursor and its scrolling, mutes and the view of the voice's wave.
#include "editors/area_instrument.h"
#include "editors/instrument_main.h"
#include "tests/editors/editor_fixture.h"

namespace qn::testing {
namespace {

constexpr int kInstrument = 3;

class InstrumentEditorTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        app()->currentInstrument = kInstrument;
        Run(kCommandInstrumentWindow);
        ASSERT_NE(pane(), nullptr);
        app()->editMode = true;
        // Step i holds note i + 1 and parameter i, with jumps and links where the edge cases
        // need them: B05 at 8, BFF at 10, B1F at 20, steps 11 and 12 linked (a chain 11-12-13).
        for (int i = 0; i < kInstrumentSteps; ++i) Steps()[i] = InstrumentStep{uint8_t(i + 1), 0, uint8_t(i)};
        Steps()[8] = InstrumentStep{9, 0x0B, 0x05};
        Steps()[10] = InstrumentStep{11, 0x0B, 0xFF};
        Steps()[20] = InstrumentStep{21, 0x0B, 0x1F};
        Steps()[11].b0 |= 0x80;
        Steps()[12].b0 |= 0x80;
        program.assign(Steps(), Steps() + kInstrumentSteps);
    }
    AreaInstrument* pane() { return static_cast<AreaInstrument*>(app()->instrumentPane); }
    InstrumentStep* Steps(int instrument = kInstrument) { return song().instrumentSteps[instrument - 1]; }
    void Place(int cursor, int column) {
        pane()->cursor = cursor;
        pane()->Column()->currentColumn = column;
    }
    std::vector<InstrumentStep> program;
};

int Bytes(const InstrumentStep& step) { return step.b0 << 16 | step.b1 << 8 | step.b2; }

TEST_F(InstrumentEditorTest, StepKeys) {
    struct StepBytes { int index; uint8_t b0, b1, b2; };
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
        std::copy(program.begin(), program.end(), Steps());
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

TEST_F(InstrumentEditorTest, CursorScrollPreviewMutesAndWaveView) {
    // Edit mode off: a note key writes nothing and plays the note on the current voice.
    app()->editMode = false;
    Place(6, 0);
    app()->currentOctave = 4;
    Press(SDLK_q);
    EXPECT_EQ(Steps()[6].b0, 7);
    {
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        EXPECT_EQ(app()->replayer->voices[0].instrument, kInstrument);
        EXPECT_EQ(app()->replayer->voices[0].notePitch, 58 * 16);
    }
    // 14 lines: the view moves one line when the cursor passes the last,
    // jumps to it above the first, and stays within 0..18.
    struct Move { SDL_Keycode sym; int cursor, column, scroll; };
    const Move moves[] = {{SDLK_LEFT, 6, 3, 0},    {SDLK_RIGHT, 6, 0, 0},      {SDLK_PAGEDOWN, 22, 0, 9},
                          {SDLK_DOWN, 23, 0, 10},  {SDLK_PAGEDOWN, 31, 0, 18}, {SDLK_DOWN, 31, 0, 18},
                          {SDLK_PAGEUP, 15, 0, 15}, {SDLK_UP, 14, 0, 14},      {SDLK_PAGEUP, 0, 0, 0}};
    for (const Move& move : moves) {
        Press(move.sym);
        app()->DrawFrame();
        EXPECT_EQ(pane()->cursor, move.cursor) << move.sym;
        EXPECT_EQ(pane()->Column()->currentColumn, move.column) << move.sym;
        EXPECT_EQ(pane()->Column()->scroll, move.scroll) << move.sym;
    }
    // Alt+2 mutes voice 2, Alt+Shift+M sets all four against the current voice.
    Press(SDLK_2, KMOD_LALT);
    Press(SDLK_m, KMOD_LALT | KMOD_LSHIFT);
    {
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        for (const VoiceState& voice : app()->replayer->voices) EXPECT_EQ(voice.muted, 1);
    }
    // The view shows the voice's wave from its registers, inside wave memory however far the start points.
    InstrumentWaveView view(app(), app()->waveMemory->Data(), WaveMemory::Size());
    view.ShowRegisters(2 + 128, 256, 64, 80);
    EXPECT_TRUE(view.data == app()->waveMemory->Data() + 2 + 128 + 64 && view.length == 256 && view.volume == 64);
    view.ShowRegisters(uint32_t(WaveMemory::Size() - 10), 300, kPlayOnce, 64);
    EXPECT_EQ(view.length, 10);
    view.ShowRegisters(uint32_t(WaveMemory::Size()), 300, 40, 64);
    EXPECT_EQ(view.data, nullptr);
}

}  // namespace
}  // namespace qn::testing
