// The pattern editor's keys on real key events: entry per sub-column, chord
// entry, edit keys, transpose, clipboards, cursor moves, mutes and focus.
#include <functional>

#include "tests/editors/editor_fixture.h"

namespace qn::testing {
namespace {

using PatternEditor = EditorTest;

TEST_F(PatternEditor, EntryWritesOnlyItsSubColumnAndAdvances) {
    struct Case { int column, octave; SDL_Keycode key; Uint16 mod; qntPatternStep before, after; };
    // Current instrument 19 (bit 4 lives in byte 0).
    const Case cases[] = {
        {0, 0, SDLK_z, 0, {0, 0, 0}, {0x81, 0x30, 0}},              // C-0
        {0, 0, SDLK_COMMA, 0, {0, 0, 0}, {0x8d, 0x30, 0}},          // lower row, semitone 12
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
    app()->currentInstrument = 19;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << SDL_GetKeyName(c.key) << " column " << c.column);
        app()->currentOctave = c.octave;
        Step(1, 5) = c.before;
        PlaceCursor(1, c.column, 5);
        Press(c.key, c.mod);
        EXPECT_EQ(Step(1, 5), c.after);
        EXPECT_EQ(row(), 6);
    }
    for (int skip : {0, 3}) {  // entry advances by the edit skip around the pattern
        app()->editSkip = skip;
        PlaceCursor(0, 0, 62);
        Press(SDLK_z);
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
    PlaceCursor(3, 0, 0);
    Press(SDLK_z);
    EXPECT_TRUE(Step(0, 0).IsEmpty() && Step(3, 0).IsEmpty());
    EXPECT_TRUE(app()->replayer->voices[3].muted);
    // x = D-0; i lies 22 semitones up and is ignored; v, n, period: 3, 7, 12.
    // (Shift+Z would be the menus' "Redo".)
    PlaceCursor(0, 0, 4);
    for (SDL_Keycode key : {SDLK_x, SDLK_i, SDLK_v, SDLK_n}) Press(key, KMOD_RSHIFT);
    EXPECT_EQ(Step(0, 4), (qntPatternStep{0x43, 0x00, 0x37}));
    Press(SDLK_PERIOD, KMOD_RSHIFT);
    EXPECT_EQ(Step(0, 4), (qntPatternStep{0x43, 0x03, 0x7c}));
    EXPECT_EQ(row(), 4);
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
        PlaceCursor(0, 0, c.atRow);
        Press(c.key, c.mod);
        EXPECT_EQ(row(), c.rowAfter) << SDL_GetKeyName(c.key);
        std::vector<int> expected;
        for (int r = 0; r < 64; ++r) expected.push_back(c.from(r));
        EXPECT_EQ(Parameters(0), expected) << SDL_GetKeyName(c.key) << " " << c.mod;
    }
    Press(SDLK_RETURN, KMOD_LSHIFT);
    EXPECT_TRUE(Step(0, 0).Chord());
}

TEST_F(PatternEditor, TransposeHoldsNotesInRangeEvenOutsideEditMode) {
    const int notes[] = {60, 1, kReleaseNote, 0, 30};
    for (int r = 0; r < 5; ++r) Step(0, r) = qntPatternStep{uint8_t(0xc0 | notes[r]), 0x5a, 0x33};
    app()->editMode = false;
    Press(SDLK_1, KMOD_LALT);  // muted voices transpose too
    PlaceCursor(0, 0, 0);
    Press(SDLK_a, KMOD_LCTRL);  // Shift transposes by an octave
    struct Case { SDL_Keycode key; Uint16 mod; int notes[5]; };
    const Case cases[] = {
        {SDLK_EQUALS, KMOD_LCTRL, {60, 2, kReleaseNote, 0, 31}},  // the main keyboard's plus on US layouts
        {SDLK_MINUS, KMOD_LCTRL | KMOD_LSHIFT, {48, 1, kReleaseNote, 0, 19}},
        {SDLK_EQUALS, KMOD_LCTRL | KMOD_LSHIFT, {60, 13, kReleaseNote, 0, 31}},
    };
    for (const Case& c : cases)
        for (int r = 0; r < 5; ++r) {
            if (r == 0) Press(c.key, c.mod);
            EXPECT_EQ(Step(0, r).Note(), c.notes[r]) << SDL_GetKeyName(c.key) << " row " << r;
            EXPECT_EQ(Step(0, r).b1, 0x5a);
            EXPECT_TRUE(Step(0, r).Chord());
        }
    Press(SDLK_DOWN);  // no selection: only the cursor row
    Press(SDLK_KP_PLUS, KMOD_LCTRL);
    EXPECT_EQ(Step(0, 1).Note(), 14);
    EXPECT_EQ(Step(0, 4).Note(), 31);
}

TEST_F(PatternEditor, ClipboardsCopyCutAndPaste) {
    FillTrack(0);
    PlaceCursor(0, 0, 0);
    for (int i = 0; i < 15; ++i) Press(SDLK_DOWN, KMOD_LSHIFT);
    Press(SDLK_c, KMOD_LCTRL);
    EXPECT_EQ(app()->patternClipboard.count, 16);
    PlaceCursor(1, 0, 56);
    Press(SDLK_v, KMOD_LCTRL);  // stops at the pattern's end and wraps the cursor
    for (int r = 56; r < 64; ++r) EXPECT_EQ(Step(1, r), Step(0, r - 56)) << r;
    EXPECT_TRUE(Step(1, 64).IsEmpty());  // storage past the pattern's end is untouched
    EXPECT_EQ(row(), 0);

    PlaceCursor(0, 0, 9);
    Press(SDLK_F4, KMOD_LSHIFT);  // copy track 1
    Press(SDLK_F3, KMOD_LSHIFT);  // clear it, clipboard untouched
    EXPECT_TRUE(Step(0, 30).IsEmpty());
    PlaceCursor(2, 0, 9);
    Press(SDLK_F5, KMOD_LSHIFT);
    EXPECT_EQ(Step(2, 30).b2, 30);
    // The command clipboard carries command and parameter only.
    for (int r = 0; r < 64; ++r) Step(3, r) = qntPatternStep{0x05, 0x1c, uint8_t(0x80 + r)};
    PlaceCursor(3, 0, 0);
    Press(SDLK_F4, KMOD_LCTRL);
    Press(SDLK_F3, KMOD_LCTRL);
    EXPECT_EQ(Step(3, 3), (qntPatternStep{0x05, 0x10, 0x00}));
    PlaceCursor(2, 0, 0);
    Press(SDLK_F5, KMOD_LCTRL);
    EXPECT_EQ(Step(2, 3), (qntPatternStep{0x04, 0x1c, 0x83}));
}

TEST_F(PatternEditor, CursorKeysMoveAndWrap) {
    struct Case { int voice, column, row; SDL_Keycode key; Uint16 mod; int toVoice, toColumn, toRow; };
    const Case cases[] = {
        {3, 5, 10, SDLK_RIGHT, 0, 0, 0, 10}, {0, 0, 10, SDLK_LEFT, 0, 3, 5, 10}, {1, 2, 10, SDLK_TAB, 0, 2, 0, 10},
        {1, 2, 10, SDLK_TAB, KMOD_LSHIFT, 1, 0, 10}, {1, 0, 10, SDLK_TAB, KMOD_LSHIFT, 0, 0, 10},
        {0, 0, 0, SDLK_UP, 0, 0, 0, 63},     {0, 0, 63, SDLK_DOWN, 0, 0, 0, 0},  {0, 0, 5, SDLK_PAGEUP, 0, 0, 0, 0},
        {0, 0, 60, SDLK_PAGEDOWN, 0, 0, 0, 63}, {0, 0, 5, SDLK_HOME, 0, 0, 0, 0}, {0, 0, 5, SDLK_END, 0, 0, 0, 63}};
    for (const Case& c : cases) {
        SCOPED_TRACE(SDL_GetKeyName(c.key));
        PlaceCursor(c.voice, c.column, c.row);
        Press(c.key, c.mod);
        EXPECT_EQ(app()->currentVoice, c.toVoice);
        EXPECT_EQ(patternPane()->Track(c.toVoice)->currentColumn, c.toColumn);
        EXPECT_EQ(row(), c.toRow);
    }
}

TEST_F(PatternEditor, TrackKeysChangeAndSwapEntriesAndFocusMovesBetweenPanes) {
    PlaceCursor(1, 3, 0);
    Press(SDLK_LEFT, KMOD_LCTRL);
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
    Click(patternPane()->Track(3));
    EXPECT_EQ(app()->focusPane, app()->patternPane);
    EXPECT_EQ(app()->currentVoice, 3);
    EXPECT_TRUE(app()->editMode);
}

}  // namespace
}  // namespace qn::testing
