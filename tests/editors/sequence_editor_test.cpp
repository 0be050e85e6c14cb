// The sequence editor's keys, the song settings' steps field, and editing
// while the song plays on the audio thread.
#include "gui/number_field.h"
#include "tests/editors/editor_fixture.h"

namespace qn::testing {
namespace {

using SequenceEditor = EditorTest;

TEST_F(SequenceEditor, KeysOnTheEntriesOfVoice3) {
    // Patterns 10..15 at positions 0..5, transpose 5 at position 2; the restart is position 1.
    struct Case { int position, column; SDL_Keycode key; Uint16 mod; int positionAfter, length; int patterns[8]; };
    const Case cases[] = {
        {2, 0, SDLK_9, 0, 2, 6, {10, 11, 255, 13, 14, 15, 0, 0}},  // 912 is held at 255
        {2, 1, SDLK_7, 0, 2, 6, {10, 11, 72, 13, 14, 15, 0, 0}},  // one digit of 012
        {2, 2, SDLK_KP_0, 0, 2, 6, {10, 11, 10, 13, 14, 15, 0, 0}},
        {2, 0, SDLK_a, 0, 2, 6, {10, 11, 12, 13, 14, 15, 0, 0}},  // no hex in pattern numbers
        {5, 1, SDLK_DELETE, 0, 1, 6, {10, 11, 12, 13, 14, 0, 0, 0}},  // on the last position: on to the restart
        {2, 0, SDLK_INSERT, 0, 2, 7, {10, 11, 0, 12, 13, 14, 15, 0}},
        {2, 0, SDLK_INSERT, KMOD_LSHIFT, 2, 7, {10, 11, 12, 0, 13, 14, 15, 0}},  // below the cursor
        {4, 0, SDLK_BACKSPACE, 0, 3, 5, {10, 11, 12, 14, 15, 0, 0, 0}},  // removes position 3
        {0, 0, SDLK_BACKSPACE, 0, 0, 6, {10, 11, 12, 13, 14, 15, 0, 0}},
    };
    app()->editMode = false;  // the sequence editor edits regardless
    song().restartPosition = 1;
    for (const Case& c : cases) {
        song().sequenceLength = 6;
        for (int p = 0; p < 8; ++p) Entry(p, 2) = SequenceEntry{uint8_t(p < 6 ? 10 + p : 0), int8_t(p == 2 ? 5 : 0)};
        PlaceCursor(2, c.column, c.position, true);
        Press(c.key, c.mod);
        SCOPED_TRACE(::testing::Message() << SDL_GetKeyName(c.key) << " at " << c.position << "," << c.column);
        EXPECT_EQ(int(song().currentPosition), c.positionAfter);
        EXPECT_EQ(int(song().sequenceLength), c.length);
        for (int p = 0; p < 8; ++p) EXPECT_EQ(Entry(p, 2).pattern, c.patterns[p]) << p;
    }
    // The transpose nibbles, and the bounds of the length.
    PlaceCursor(2, 3, 2, true);
    Press(SDLK_a);
    EXPECT_EQ(Entry(2, 2).transpose, int8_t(0xa5));
    PlaceCursor(2, 4, 2, true);
    Press(SDLK_c);
    EXPECT_EQ(Entry(2, 2).transpose, int8_t(0xac));
    song().sequenceLength = 254;
    Press(SDLK_INSERT);
    EXPECT_EQ(song().sequenceLength, 254u);
}

TEST_F(SequenceEditor, NewAndClonedPatternsTransposePositionCopyAndSteps) {
    Step(0, 0) = qntPatternStep{0x11, 0x10, 0x22};
    song().Pattern(5)[0] = qntPatternStep{0x30, 0, 0};  // stale rows of an unused pattern
    PlaceCursor(3, 0, 0, true);
    Press(SDLK_u, KMOD_LCTRL);  // the lowest free number, cleared
    EXPECT_EQ(Entry(0, 3).pattern, 5);
    EXPECT_TRUE(song().Pattern(5)[0].IsEmpty());
    PlaceCursor(0, 0, 0, true);
    Press(SDLK_k, KMOD_LCTRL);  // pattern 4 is no longer used
    EXPECT_EQ(Entry(0, 0).pattern, 4);
    EXPECT_EQ(song().Pattern(4)[0], (qntPatternStep{0x11, 0x10, 0x22}));
    PlaceCursor(2, 0, 1, true);
    Press(SDLK_EQUALS);
    Press(SDLK_MINUS, KMOD_LSHIFT);
    EXPECT_EQ(Entry(1, 2).transpose, -11);
    Entry(1, 0) = SequenceEntry{42, 1};
    Press(SDLK_UP, KMOD_LCTRL | KMOD_LSHIFT);  // copies position 1 over position 0
    EXPECT_EQ(song().currentPosition, 0u);
    EXPECT_TRUE(Entry(0, 0).pattern == 42 && Entry(0, 2).transpose == -11);
    // The song settings' steps field is held to 1..128.
    std::vector<ButtonNumber*> fields = Find<ButtonNumber>(app()->items);
    std::erase_if(fields, [](ButtonNumber* f) { return !f->caption || std::string(f->caption) != "Steps"; });
    ASSERT_EQ(fields.size(), 1u);
    fields[0]->setValue(300);
    EXPECT_EQ(song().rowsPerPattern, 128);
    fields[0]->setValue(0);
    EXPECT_EQ(song().rowsPerPattern, 1);
}

TEST_F(SequenceEditor, SelectionsGrowFromTheCursorAndStopAtPosition254) {
    song().sequenceLength = 8;
    PlaceCursor(1, 0, 5, true);
    for (SDL_Keycode key : {SDLK_DOWN, SDLK_UP, SDLK_UP}) Press(key, KMOD_LSHIFT);
    const SequenceClipboard& clipboard = app()->sequenceClipboard;
    EXPECT_TRUE(clipboard.firstPosition == 4 && clipboard.lastPosition == 6);
    Press(SDLK_DOWN);
    EXPECT_FALSE(clipboard.HasSelection());
    const qntPatternStep marker = {0x21, 0x43, 0x65};  // position 255 would lie in the first pattern's rows
    song().Pattern(1)[0] = marker;
    PlaceCursor(0, 0, 0, true);
    Press(SDLK_a, KMOD_LCTRL);
    EXPECT_EQ(clipboard.lastPosition, 254);
    Press(SDLK_F4, KMOD_LSHIFT);
    Press(SDLK_F3, KMOD_LSHIFT);
    PlaceCursor(1, 0, 0, true);
    Press(SDLK_F5, KMOD_LSHIFT);
    EXPECT_EQ(song().Pattern(1)[0], marker);
    EXPECT_EQ(Entry(0, 0).pattern, 0);
    EXPECT_EQ(Entry(0, 1).pattern, 1);  // voice 1's column pasted into voice 2
}

// Keys typed into both editors while the audio thread plays the song; the
// ThreadSanitizer check runs this.
TEST(EditorsWhilePlaying, KeysInBothPanesDuringPlayback) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    harness.app->editMode = true;
    harness.Command(kCommandPlaySong);
    for (int round = 0; round < 6; ++round)
        for (SDL_Keycode key : {SDLK_z, SDLK_x, SDLK_DOWN, SDLK_INSERT, SDLK_BACKSPACE, SDLK_RIGHT, SDLK_5,
                                SDLK_DELETE, SDLK_UP, SDLK_RETURN}) {
            harness.KeyDown(key);
            harness.KeyDown(SDLK_2, KMOD_LALT);
            harness.Frame();
        }
    EXPECT_TRUE(harness.app->IsPlaying());
}

}  // namespace
}  // namespace qn::testing
