// The pattern, sequence and instrument editors and the song lists driven by real events through the headless App.
#include <functional>
#include <mutex>
#include <vector>

#include "editors/area_instrument.h"
#include "editors/area_pattern.h"
#include "editors/instrument_main.h"
#include "editors/song_lists.h"
#include "gui/number_field.h"
#include "tests/app/app_harness.h"

namespace qn {

inline bool operator==(const qntPatternStep& a, const qntPatternStep& b) {
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2;
}

}  // namespace qn

namespace qn::testing {
namespace {

class EditorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app()->editMode = true, app()->editSkip = 1;
    }
    Song& song() { return TheSong(); }
    AreaPattern* patternPane() { return static_cast<AreaPattern*>(app()->patternPane); }
    int row() { return app()->replayer->row; }
    qntPatternStep& Step(int voice, int atRow) {
        return song().Pattern(song().Position(int(song().currentPosition))[voice].pattern)[atRow];
    }
    SequenceEntry& Entry(int position, int voice) { return song().Position(position)[voice]; }
    void PlaceCursor(int voice, int column, int atRow, bool sequencer = false) {
        std::lock_guard<std::recursive_mutex> lock(app()->audioMutex);
        app()->currentVoice = voice;
        Area* area = sequencer ? static_cast<Area*>(app()->sequencePane) : static_cast<Area*>(patternPane());
        area->Track(voice)->currentColumn = column, app()->focusPane = area;
        if (sequencer) song().currentPosition = uint32_t(atRow);  // the sequence editor's row is the position
        else app()->replayer->SetRow(atRow);
    }
    void Press(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { AppTest::Press(sym, mod, 1); }
    void PressAt(int voice, int column, int atRow, SDL_Keycode sym, Uint16 mod = 0, bool sequencer = false) {
        PlaceCursor(voice, column, atRow, sequencer);
        Press(sym, mod);
    }
    void FillTrack(int voice) {  // row r holds note r % 60 + 1 and parameter r
        for (int r = 0; r < kMaxRows; ++r) Step(voice, r) = qntPatternStep{uint8_t(r % 60 + 1), 0x10, uint8_t(r)};
    }
    std::vector<int> Parameters(int voice) {  // of the 64 rows, -1 for an empty step
        std::vector<int> bytes;
        for (int r = 0; r < 64; ++r) bytes.push_back(Step(voice, r).IsEmpty() ? -1 : Step(voice, r).b2);
        return bytes;
    }
};

using PatternEditor = EditorTest;

TEST_F(PatternEditor, EntryWritesOnlyItsSubColumnAndAdvances) {
    struct Case { int column, octave; SDL_Keycode key; Uint16 mod; qntPatternStep before, after; };
    const Case cases[] = {
        {0, 0, SDLK_z, 0, {0, 0, 0}, {0x81, 0x30, 0}},              // C-0
        {0, 1, SDLK_q, 0, {0, 0, 0}, {0x99, 0x30, 0}},              // upper row: octave + 1
        {0, 4, SDLK_i, 0, {0, 0, 0}, {0xbc, 0x30, 0}},              // above B-4: held at 60
        {0, 2, SDLK_1, 0, {0x40, 0x2a, 0x11}, {0x7d, 0x2a, 0x11}},  // release keeps instrument and chord
        {0, 0, SDLK_x, KMOD_LSHIFT, {0, 0x5a, 0}, {0x03, 0x5a, 0}}, // left Shift: no instrument
        {1, 0, SDLK_3, 0, {0, 0x5c, 0}, {0x80, 0xfc, 0}},           // 3 high with 5 low: 31, not 53
        {2, 0, SDLK_7, 0, {0x80, 0x50, 0}, {0x80, 0x70, 0}},        // low digit keeps bit 4
        {3, 0, SDLK_a, 0, {0, 0xf0, 0x12}, {0, 0xfa, 0x12}},        // command: its 4 bits only
        {4, 0, SDLK_KP_9, 0, {0, 0, 0x12}, {0, 0, 0x92}},
        {5, 0, SDLK_f, 0, {0, 0, 0x12}, {0, 0, 0x1f}},
        // Delete by sub-column and modifier: the chord flag stays.
        {0, 0, SDLK_DELETE, 0, {0xc5, 0x3a, 0x44}, {0x40, 0x0a, 0x44}},
        {1, 0, SDLK_DELETE, 0, {0xc5, 0x3a, 0x44}, {0x45, 0x0a, 0x44}},
        {4, 0, SDLK_DELETE, 0, {0xc5, 0x3a, 0x44}, {0xc5, 0x30, 0x00}},
        {0, 0, SDLK_DELETE, KMOD_LCTRL, {0xc5, 0x3a, 0x44}, {0xc5, 0x30, 0x00}},
        {4, 0, SDLK_DELETE, KMOD_LSHIFT, {0xc5, 0x3a, 0x44}, {0, 0, 0}},
    };
    app()->currentInstrument = 19;  // bit 4 lives in byte 0
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << SDL_GetKeyName(c.key) << " column " << c.column);
        app()->currentOctave = c.octave;
        Step(1, 5) = c.before;
        PressAt(1, c.column, 5, c.key, c.mod);
        EXPECT_EQ(std::pair(Step(1, 5), row()), std::pair(c.after, 6));
    }
    for (int skip : {0, 3}) {  // entry advances by the edit skip around the pattern
        app()->editSkip = skip;
        PressAt(0, 0, 62, SDLK_z);
        EXPECT_EQ(row(), (62 + skip) % 64);
    }
}

TEST_F(PatternEditor, NothingIsWrittenOutsideEditModeOrOnAMutedVoiceAndChordsStayInTheNibble) {
    PlaceCursor(0, 0, 0);
    app()->editMode = false;
    Press(SDLK_z);
    Press(SDLK_4, KMOD_LALT);  // mutes voice 4
    EXPECT_EQ(app()->replayer->voices[3].envelopeStage, kEnvelopeRelease);
    app()->editMode = true;
    PressAt(3, 0, 0, SDLK_z);
    EXPECT_TRUE(Step(0, 0).IsEmpty() && Step(3, 0).IsEmpty() && app()->replayer->voices[3].muted);
    // x = D-0; i lies 22 semitones up and is ignored; v, n, period: 3, 7, 12.
    PlaceCursor(0, 0, 4);
    for (SDL_Keycode key : {SDLK_x, SDLK_i, SDLK_v, SDLK_n}) Press(key, KMOD_RSHIFT);
    EXPECT_EQ(Step(0, 4), (qntPatternStep{0x43, 0x00, 0x37}));
    Press(SDLK_PERIOD, KMOD_RSHIFT);
    EXPECT_EQ(std::pair(Step(0, 4), row()), std::pair(qntPatternStep{0x43, 0x03, 0x7c}, 4));
}

// Row keys on a filled track: what each row r holds afterwards (its old row's parameter).
TEST_F(PatternEditor, RowKeysShiftSpreadAndSqueezeTheTrack) {
    struct Case { int atRow; SDL_Keycode key; Uint16 mod; int rowAfter; std::function<int(int)> from; };
    const Case cases[] = {
        {2, SDLK_INSERT, 0, 2, [](int r) { return r < 2 ? r : r == 2 ? -1 : r - 1; }},
        {2, SDLK_BACKSPACE, 0, 1, [](int r) { return r < 1 ? r : std::min(r + 1, 63); }},  // the last row repeats
        {0, SDLK_BACKSPACE, 0, 0, [](int r) { return r; }},
        {0, SDLK_e, KMOD_LCTRL, 0, [](int r) { return r % 2 ? -1 : r / 2; }},  // spread
        {0, SDLK_e, KMOD_LCTRL | KMOD_LSHIFT, 0, [](int r) { return std::min(2 * r, 63); }},  // squeeze
    };
    for (const Case& c : cases) {
        FillTrack(0);
        PressAt(0, 0, c.atRow, c.key, c.mod);
        EXPECT_EQ(row(), c.rowAfter) << SDL_GetKeyName(c.key);
        std::vector<int> expected;
        for (int r = 0; r < 64; ++r) expected.push_back(c.from(r));
        EXPECT_EQ(Parameters(0), expected) << SDL_GetKeyName(c.key) << " " << c.mod;
    }
    Press(SDLK_RETURN, KMOD_LSHIFT);
    EXPECT_TRUE(Step(0, 0).Chord());
}

TEST_F(PatternEditor, TransposeHoldsNotesInRangeEvenOutsideEditMode) {
    const int start[] = {60, 1, kReleaseNote, 0, 30};
    for (int r = 0; r < 5; ++r) Step(0, r) = qntPatternStep{uint8_t(0xc0 | start[r]), 0x5a, 0x33};
    app()->editMode = false;
    Press(SDLK_1, KMOD_LALT);  // muted voices transpose too
    PressAt(0, 0, 0, SDLK_a, KMOD_LCTRL);  // Shift transposes by an octave
    struct Case { SDL_Keycode key; Uint16 mod; std::vector<int> notes; };
    const Case cases[] = {{SDLK_EQUALS, KMOD_LCTRL, {60, 2, kReleaseNote, 0, 31}},  // the plus key on US layouts
                          {SDLK_MINUS, KMOD_LCTRL | KMOD_LSHIFT, {48, 1, kReleaseNote, 0, 19}},
                          {SDLK_EQUALS, KMOD_LCTRL | KMOD_LSHIFT, {60, 13, kReleaseNote, 0, 31}}};
    auto notes = [&] {
        std::vector<int> found;
        for (int r = 0; r < 5; ++r)
            found.push_back(Step(0, r).b1 == 0x5a && Step(0, r).Chord() ? Step(0, r).Note() : -1);
        return found;
    };
    for (const Case& c : cases) {
        Press(c.key, c.mod);
        EXPECT_EQ(notes(), c.notes) << SDL_GetKeyName(c.key) << " " << c.mod;
    }
}

TEST_F(PatternEditor, ClipboardsCopyCutAndPaste) {
    FillTrack(0);
    PlaceCursor(0, 0, 0);
    for (int i = 0; i < 15; ++i) Press(SDLK_DOWN, KMOD_LSHIFT);
    Press(SDLK_c, KMOD_LCTRL);
    EXPECT_EQ(app()->patternClipboard.count, 16);
    PressAt(1, 0, 56, SDLK_v, KMOD_LCTRL);  // stops at the pattern's end and wraps the cursor
    for (int r = 56; r < 64; ++r) EXPECT_EQ(Step(1, r), Step(0, r - 56)) << r;
    EXPECT_TRUE(Step(1, 64).IsEmpty() && row() == 0);  // storage past the pattern's end is untouched

    PressAt(0, 0, 9, SDLK_F4, KMOD_LSHIFT);  // copy track 1
    Press(SDLK_F3, KMOD_LSHIFT);  // clear it, clipboard untouched
    PressAt(2, 0, 9, SDLK_F5, KMOD_LSHIFT);
    EXPECT_TRUE(Step(0, 30).IsEmpty() && Step(2, 30).b2 == 30);
    // The command clipboard carries command and parameter only.
    for (int r = 0; r < 64; ++r) Step(3, r) = qntPatternStep{0x05, 0x1c, uint8_t(0x80 + r)};
    PressAt(3, 0, 0, SDLK_F4, KMOD_LCTRL);
    Press(SDLK_F3, KMOD_LCTRL);
    EXPECT_EQ(Step(3, 3), (qntPatternStep{0x05, 0x10, 0x00}));
    PressAt(2, 0, 0, SDLK_F5, KMOD_LCTRL);
    EXPECT_EQ(Step(2, 3), (qntPatternStep{0x04, 0x1c, 0x83}));
    PlaceCursor(3, 0, 40);  // Delete clears the marked rows of their track, wherever the cursor is
    Press(SDLK_DOWN, KMOD_LSHIFT);
    PressAt(1, 0, 7, SDLK_DELETE);
    const std::vector<int> kept = Parameters(3);
    EXPECT_EQ(std::vector<int>(kept.begin() + 39, kept.begin() + 43), (std::vector<int>{0, -1, -1, 0}));
}

// In the pattern editor and (last rows) in the sequence editor, 20 positions long, whose row is the position.
TEST_F(PatternEditor, CursorKeysMoveAndWrap) {
    struct Case { int voice, column, row; SDL_Keycode key; Uint16 mod; int toVoice, toColumn, toRow; bool seq; };
    const Case cases[] = {
        {3, 5, 10, SDLK_RIGHT, 0, 0, 0, 10, false}, {0, 0, 10, SDLK_LEFT, 0, 3, 5, 10, false},
        {1, 2, 10, SDLK_TAB, 0, 2, 0, 10, false}, {1, 2, 10, SDLK_TAB, KMOD_LSHIFT, 1, 0, 10, false},
        {1, 0, 10, SDLK_TAB, KMOD_LSHIFT, 0, 0, 10, false}, {0, 0, 0, SDLK_UP, 0, 0, 0, 63, false},
        {0, 0, 63, SDLK_DOWN, 0, 0, 0, 0, false}, {0, 0, 5, SDLK_PAGEUP, 0, 0, 0, 0, false},
        {0, 0, 60, SDLK_PAGEDOWN, 0, 0, 0, 63, false}, {0, 0, 5, SDLK_HOME, 0, 0, 0, 0, false},
        {0, 0, 5, SDLK_END, 0, 0, 0, 63, false}, {3, 4, 5, SDLK_RIGHT, 0, 0, 0, 5, true},
        {0, 0, 5, SDLK_LEFT, 0, 3, 4, 5, true}, {1, 0, 5, SDLK_RIGHT, KMOD_LALT, 2, 0, 5, true},
        {1, 2, 5, SDLK_TAB, 0, 2, 2, 5, true}, {0, 0, 10, SDLK_PAGEUP, 0, 0, 0, 2, true},
        {0, 0, 15, SDLK_PAGEDOWN, 0, 0, 0, 19, true}};
    song().sequenceLength = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << SDL_GetKeyName(c.key) << (c.seq ? " in the sequence" : ""));
        PressAt(c.voice, c.column, c.row, c.key, c.mod, c.seq);
        Area* pane = c.seq ? static_cast<Area*>(app()->sequencePane) : patternPane();
        EXPECT_EQ((std::vector<int>{app()->currentVoice, pane->Track(c.toVoice)->currentColumn,
                                    c.seq ? int(song().currentPosition) : row()}),
                  (std::vector<int>{c.toVoice, c.toColumn, c.toRow}));
    }
}

TEST_F(PatternEditor, TrackKeysChangeAndSwapEntriesAndFocusMovesBetweenPanes) {
    PressAt(1, 3, 0, SDLK_LEFT, KMOD_LCTRL);
    Press(SDLK_LEFT, KMOD_LCTRL);
    EXPECT_EQ(Entry(0, 1).pattern, 0);
    Press(SDLK_LEFT, KMOD_LCTRL);  // wraps to 255
    EXPECT_EQ(Entry(0, 1).pattern, 255);
    Entry(0, 1) = SequenceEntry{7, 3};
    Press(SDLK_RIGHT, KMOD_LALT);
    EXPECT_TRUE(Entry(0, 2).pattern == 7 && Entry(0, 2).transpose == 3 && Entry(0, 1).pattern == 3);
    EXPECT_EQ(app()->currentVoice, 2);
    PlaceCursor(0, 2, 0, true);  // a click on a track moves the focus back and switches edit mode on
    app()->editMode = false;
    SDL_Rect track = patternPane()->Track(3)->AbsoluteRect();
    harness.Click(track.x + 2, track.y + track.h / 2);
    EXPECT_TRUE(app()->focusPane == app()->patternPane && app()->currentVoice == 3 && app()->editMode);
}

using SequenceEditor = EditorTest;

TEST_F(SequenceEditor, KeysOnTheEntriesOfVoice3) {
    // Patterns 10..15 at positions 0..5, transpose 5 at position 2; the restart is position 1.
    struct Case { int position, column; SDL_Keycode key; Uint16 mod; uint32_t to, length; int patterns[8], tr; };
    const Case cases[] = {
        {2, 0, SDLK_9, 0, 2, 6, {10, 11, 255, 13, 14, 15, 0, 0}, 5},  // 912 is held at 255
        {2, 1, SDLK_7, 0, 2, 6, {10, 11, 72, 13, 14, 15, 0, 0}, 5},   // one digit of 012
        {2, 2, SDLK_KP_0, 0, 2, 6, {10, 11, 10, 13, 14, 15, 0, 0}, 5},
        {2, 0, SDLK_a, 0, 2, 6, {10, 11, 12, 13, 14, 15, 0, 0}, 5},  // no hex in pattern numbers
        {2, 0, SDLK_LEFT, KMOD_LCTRL, 2, 6, {10, 11, 11, 13, 14, 15, 0, 0}, 5},
        {2, 3, SDLK_a, 0, 2, 6, {10, 11, 12, 13, 14, 15, 0, 0}, int8_t(0xa5)},  // transpose nibbles
        {2, 4, SDLK_c, 0, 2, 6, {10, 11, 12, 13, 14, 15, 0, 0}, 0x0c},
        {5, 1, SDLK_DELETE, 0, 1, 6, {10, 11, 12, 13, 14, 0, 0, 0}, 5},  // on the last position: on to the restart
        {2, 3, SDLK_DELETE, 0, 3, 6, {10, 11, 12, 13, 14, 15, 0, 0}, 0},
        {2, 0, SDLK_INSERT, 0, 2, 7, {10, 11, 0, 12, 13, 14, 15, 0}, 0},
        {2, 0, SDLK_INSERT, KMOD_LSHIFT, 2, 7, {10, 11, 12, 0, 13, 14, 15, 0}, 5},  // below the cursor
        {4, 0, SDLK_BACKSPACE, 0, 3, 5, {10, 11, 12, 14, 15, 0, 0, 0}, 5},  // removes position 3
        {0, 0, SDLK_BACKSPACE, 0, 0, 6, {10, 11, 12, 13, 14, 15, 0, 0}, 5},
    };
    app()->editMode = false;  // the sequence editor edits regardless
    song().restartPosition = 1;
    for (const Case& c : cases) {
        song().sequenceLength = 6;
        for (int p = 0; p < 8; ++p) Entry(p, 2) = SequenceEntry{uint8_t(p < 6 ? 10 + p : 0), int8_t(p == 2 ? 5 : 0)};
        PressAt(2, c.column, c.position, c.key, c.mod, true);
        SCOPED_TRACE(::testing::Message() << SDL_GetKeyName(c.key) << " at " << c.position << "," << c.column);
        EXPECT_EQ(std::pair(song().currentPosition, song().sequenceLength), std::pair(c.to, c.length));
        for (int p = 0; p < 8; ++p) EXPECT_EQ(Entry(p, 2).pattern, c.patterns[p]) << p;
        EXPECT_EQ(Entry(2, 2).transpose, c.tr);
    }
    song().sequenceLength = 254;  // the longest sequence
    Press(SDLK_INSERT);
    EXPECT_EQ(song().sequenceLength, 254u);
}

TEST_F(SequenceEditor, NewAndClonedPatternsTransposePositionCopyAndSteps) {
    Step(0, 0) = qntPatternStep{0x11, 0x10, 0x22};
    song().Pattern(5)[0] = qntPatternStep{0x30, 0, 0};  // stale rows of an unused pattern
    PressAt(3, 0, 0, SDLK_u, KMOD_LCTRL, true);  // the lowest free number, cleared
    EXPECT_TRUE(Entry(0, 3).pattern == 5 && song().Pattern(5)[0].IsEmpty());
    PressAt(0, 0, 0, SDLK_k, KMOD_LCTRL, true);  // pattern 4 is no longer used
    EXPECT_TRUE(Entry(0, 0).pattern == 4 && song().Pattern(4)[0] == (qntPatternStep{0x11, 0x10, 0x22}));
    PressAt(2, 0, 1, SDLK_EQUALS, 0, true);
    Press(SDLK_MINUS, KMOD_LSHIFT);
    EXPECT_EQ(Entry(1, 2).transpose, -11);
    Entry(1, 0) = SequenceEntry{42, 1};
    Press(SDLK_UP, KMOD_LCTRL | KMOD_LSHIFT);  // copies position 1 over position 0
    EXPECT_TRUE(song().currentPosition == 0 && Entry(0, 0).pattern == 42 && Entry(0, 2).transpose == -11);
    ButtonNumber* steps = nullptr;  // the song settings' steps field is held to 1..128
    std::function<void(GuiList&)> find = [&](GuiList& list) {
        for (GuiItem* item : list)
            if (auto* f = dynamic_cast<ButtonNumber*>(item); f && f->caption && std::string(f->caption) == "Steps")
                steps = f;
            else find(item->children);
    };
    find(app()->items);
    ASSERT_NE(steps, nullptr);
    for (auto [value, held] : {std::pair{300, 128}, {0, 1}}) {
        steps->setValue(value);
        EXPECT_EQ(song().rowsPerPattern, held);
    }
}

TEST_F(SequenceEditor, SelectionsGrowFromTheCursorAndStopAtPosition254) {
    song().sequenceLength = 8;
    PlaceCursor(1, 0, 5, true);
    for (SDL_Keycode key : {SDLK_DOWN, SDLK_UP, SDLK_UP, SDLK_RIGHT}) Press(key, KMOD_LSHIFT);
    const SequenceClipboard& clipboard = app()->sequenceClipboard;
    EXPECT_EQ((std::vector<int>{clipboard.firstPosition, clipboard.lastPosition, clipboard.firstVoice,
                                clipboard.lastVoice}), (std::vector<int>{4, 6, 1, 2}));
    Press(SDLK_DOWN);
    EXPECT_FALSE(clipboard.HasSelection());
    const qntPatternStep marker = {0x21, 0x43, 0x65};  // position 255 would lie in the first pattern's rows
    song().Pattern(1)[0] = marker;
    PressAt(0, 0, 0, SDLK_a, KMOD_LCTRL, true);
    EXPECT_EQ(clipboard.lastPosition, 254);
    for (SDL_Keycode key : {SDLK_F4, SDLK_F3}) Press(key, KMOD_LSHIFT);
    PressAt(1, 0, 0, SDLK_F5, KMOD_LSHIFT, true);
    EXPECT_EQ(song().Pattern(1)[0], marker);
    EXPECT_TRUE(Entry(0, 0).pattern == 0 && Entry(0, 1).pattern == 1);  // voice 1's column pasted into voice 2
}

constexpr int kInstrument = 3;

class InstrumentEditorTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        app()->currentInstrument = kInstrument;
        Run(kCommandInstrumentWindow);
        ASSERT_NE(pane(), nullptr);
        app()->editMode = true;
        // Step i: note i + 1, parameter i; B05 at 8, BFF at 10, B1F at 20; a chain 11-12-13.
        for (int i = 0; i < kInstrumentSteps; ++i) Steps()[i] = InstrumentStep{uint8_t(i + 1), 0, uint8_t(i)};
        Steps()[8] = InstrumentStep{9, 0x0B, 0x05};
        Steps()[10] = InstrumentStep{11, 0x0B, 0xFF};
        Steps()[20] = InstrumentStep{21, 0x0B, 0x1F};
        Steps()[11].b0 |= 0x80, Steps()[12].b0 |= 0x80;
        program.assign(Steps(), Steps() + kInstrumentSteps);
    }
    AreaInstrument* pane() { return static_cast<AreaInstrument*>(app()->instrumentPane); }
    InstrumentStep* Steps(int instrument = kInstrument) { return song().instrumentSteps[instrument - 1]; }
    void Place(int cursor, int column) { pane()->cursor = cursor, pane()->Column()->currentColumn = column; }
    std::vector<InstrumentStep> program;
};

int Bytes(const InstrumentStep& step) { return step.b0 << 16 | step.b1 << 8 | step.b2; }

TEST_F(InstrumentEditorTest, StepKeys) {
    struct StepBytes { int index; uint8_t b0, b1, b2; };  // what these steps must hold afterwards
    struct Case { const char* name; int cursor, column, octave, sym, mod, toCursor; std::vector<StepBytes> expected; };
    const Case cases[] = {
        // Notes keep both flags, are held at 58 and never move past step 31.
        {"note held at 58", 12, 0, 4, SDLK_q, 0, 13, {{12, 0x80 | 58, 0, 12}}},
        {"note on step 31", 31, 0, 0, SDLK_x, 0, 31, {{31, 3, 0, 31}}},
        {"release key is no note", 3, 0, 0, SDLK_1, 0, 3, {{3, 4, 0, 3}}},
        {"command digit", 2, 1, 0, SDLK_b, 0, 3, {{2, 3, 0x0B, 2}}},
        {"parameter high", 2, 2, 0, SDLK_7, 0, 3, {{2, 3, 0, 0x72}}},
        {"parameter low keypad", 17, 3, 0, SDLK_KP_5, 0, 18, {{17, 18, 0, 0x15}}},
        {"enter toggles note mode", 5, 2, 0, SDLK_RETURN, 0, 5, {{5, 0x46, 0, 5}}},
        {"delete keeps the link", 12, 0, 0, SDLK_DELETE, 0, 13, {{12, 0x80, 0, 12}}},
        {"ctrl+delete", 8, 0, 0, SDLK_DELETE, KMOD_LCTRL, 9, {{8, 9, 0, 0}}},
        {"shift+delete", 8, 0, 0, SDLK_DELETE, KMOD_LSHIFT, 9, {{8, 0, 0, 0}}},
        // Insert at 3: B05 moves to 9 and jumps to 06; BFF never fires, stays; B1F to B20; step 31 is lost.
        {"insert", 3, 0, 0, SDLK_INSERT, 0, 3,
         {{3, 0, 0, 0}, {4, 4, 0, 3}, {9, 9, 0x0B, 6}, {11, 11, 0x0B, 0xFF}, {21, 21, 0x0B, 0x20}, {31, 31, 0, 30}}},
        {"insert at 31", 31, 0, 0, SDLK_INSERT, 0, 31, {{30, 31, 0, 30}, {31, 0, 0, 0}}},
        // Backspace at 4 removes step 3: B05 moves to 7, jumps to 04; step 31 stays; step 2 stays unlinked.
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
        EXPECT_EQ(pane()->cursor, c.toCursor) << c.name;
        for (const StepBytes& e : c.expected)
            EXPECT_EQ(Bytes(Steps()[e.index]), Bytes({e.b0, e.b1, e.b2})) << c.name << " step " << e.index;
        EXPECT_EQ(Bytes(Steps(kInstrument + 1)[0]), Bytes(next)) << c.name;
    }
}

TEST_F(InstrumentEditorTest, CursorScrollMutesAndWaveView) {
    app()->editMode = false;  // a note key writes nothing
    Place(6, 0);
    Press(SDLK_q);
    EXPECT_EQ(Steps()[6].b0, 7);
    // 14 lines: the view follows the cursor a line past the last, jumps to it above the first, within 0..18.
    struct Move { SDL_Keycode sym; int cursor, column, scroll; };
    const Move moves[] = {{SDLK_LEFT, 6, 3, 0},    {SDLK_RIGHT, 6, 0, 0},      {SDLK_PAGEDOWN, 22, 0, 9},
                          {SDLK_DOWN, 23, 0, 10},  {SDLK_PAGEDOWN, 31, 0, 18}, {SDLK_DOWN, 31, 0, 18},
                          {SDLK_PAGEUP, 15, 0, 15}, {SDLK_UP, 14, 0, 14},      {SDLK_PAGEUP, 0, 0, 0}};
    for (const Move& move : moves) {
        Press(move.sym);
        app()->DrawFrame();
        EXPECT_EQ((std::vector<int>{pane()->cursor, pane()->Column()->currentColumn, pane()->Column()->scroll}),
                  (std::vector<int>{move.cursor, move.column, move.scroll})) << SDL_GetKeyName(move.sym);
    }
    // Alt+2 mutes voice 2, Alt+Shift+M sets all four against the current voice.
    Press(SDLK_2, KMOD_LALT);
    Press(SDLK_m, KMOD_LALT | KMOD_LSHIFT);
    for (const VoiceState& voice : app()->replayer->voices) EXPECT_EQ(voice.muted, 1);  // the audio is paused
    // The view shows the voice's wave from its registers, inside wave memory however far the start points.
    InstrumentWaveView view(app(), app()->waveMemory->Data(), WaveMemory::Size());
    view.ShowRegisters(2 + 128, 256, 64, 80);
    EXPECT_TRUE(view.data == app()->waveMemory->Data() + 2 + 128 + 64 && view.length == 256 && view.volume == 64);
    view.ShowRegisters(uint32_t(WaveMemory::Size() - 10), 300, kPlayOnce, 64);
    EXPECT_EQ(view.length, 10);
    view.ShowRegisters(uint32_t(WaveMemory::Size()), 300, 40, 64);
    EXPECT_EQ(view.data, nullptr);
}

// The main window's instrument list in window coordinates.
constexpr int kListX = 423, kListY = 155 + 24, kPitch = 17, kPageX = kListX + 188, kPageY = kListY + 8;

int RowY(int row, int top = kListY) { return top + kListHeadingHeight + (row - 1) * kPitch + 7; }

using SongLists = AppTest;

TEST_F(SongLists, RowsSelectOnBothPagesAndNamesAreTypedInPlace) {
    App* app = harness.app;
    auto type = [&](const char* text) { harness.Text(text), harness.KeyDown(SDLK_RETURN), harness.Frame(); };
    // Page 1 has no 16th row: instrument 32 does not exist, the click selects nothing.
    struct Step { bool turnPage; int row, page, instrument; };
    for (Step step : {Step{false, 3, 0, 3}, {true, 3, 1, 19}, {false, 15, 1, 31}, {false, 16, 1, 31},
                      {true, 16, 0, 16}}) {
        if (step.turnPage) harness.Click(kPageX, kPageY);
        harness.Click(kListX + 10, RowY(step.row));
        EXPECT_EQ(std::pair(app->instrumentPage, app->currentInstrument), std::pair(step.page, step.instrument));
    }
    EXPECT_EQ(app->currentWindow, kMainWindow);
    harness.MouseButton(true, kPageX, kPageY), harness.Frame(4);  // a press held over frames turns the page once
    harness.MouseButton(false, kPageX, kPageY), harness.Frame();
    EXPECT_EQ(app->instrumentPage, 1);
    // A name typed on row 2 of page 1 makes instrument 18 current; 22 bytes are kept, no terminator.
    harness.Click(kListX + 60, RowY(2));
    EXPECT_EQ(app->currentInstrument, 18);
    type("Lead 0123456789abcdefghij");
    EXPECT_EQ(FixedText(app->document->song.instrumentNames[17], kNameLength), "Lead 0123456789abcdefg");
    // Shift and a press released within one frame, as a quick click can be: the editor opens.
    harness.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    harness.MouseButton(true, kListX + 10, RowY(5));
    harness.MouseButton(false, kListX + 10, RowY(5));
    harness.Frame(2);
    EXPECT_EQ(std::pair(app->currentInstrument, app->currentWindow), std::pair(21, int(kInstrumentWindow)));
    // A wave list outside the wave editor only selects and opens the editor; inside it the name is typed.
    for (int selectOnly = 0; selectOnly < 2; ++selectOnly) {
        app->items.insert(app->items.begin(), new WaveList(app->MakeListContext(), 0, 30, 212, 440, selectOnly));
        harness.Click(60, RowY(4 + selectOnly, 30));
        type("Pad");
        EXPECT_EQ(std::pair(app->currentWave, app->currentWindow),
                  std::pair(4 + selectOnly, int(selectOnly ? kWaveWindow : kInstrumentWindow)));
        EXPECT_EQ(FixedText(app->document->song.waveNames[3 + selectOnly], kNameLength), selectOnly ? "" : "Pad");
        if (!selectOnly) app->items.front()->dead = true;
    }
}

}  // namespace
}  // namespace qn::testing
