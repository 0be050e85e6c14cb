// The sequence editor's keys, the song settings pane, editing while the
// song plays on the audio thread.
#include "gui/number_field.h"
#include "tests/editors/editor_fixture.h"

namespace qn::testing {
namespace {

using SequenceEditor = EditorTest;

TEST_F(SequenceEditor, DigitsReplaceOneDigitOrNibble) {
    struct Case {
        int column;
        SequenceEntry before;
        SDL_Keycode key;
        SequenceEntry after;
    };
    const Case cases[] = {
        {0, {45, 0}, SDLK_9, {255, 0}},     // 945 is held at 255
        {1, {123, 0}, SDLK_7, {173, 0}},
        {2, {123, 0}, SDLK_KP_0, {120, 0}},
        {0, {1, 0}, SDLK_a, {1, 0}},        // no hex in pattern numbers
        {3, {1, 0x05}, SDLK_a, {1, int8_t(0xa5)}},
        {4, {1, 0x05}, SDLK_c, {1, 0x0c}},
    };
    app()->editMode = false;  // the sequence editor edits regardless
    for (const Case& c : cases) {
        Entry(1, 2) = c.before;
        PlaceCursor(2, c.column, 1, true);
        Press(c.key);
        EXPECT_EQ(Entry(1, 2).pattern, c.after.pattern) << c.column;
        EXPECT_EQ(Entry(1, 2).transpose, c.after.transpose) << c.column;
        EXPECT_EQ(int(song().currentPosition), 1);
    }
}

TEST_F(SequenceEditor, InsertAndBackspaceKeepTheLengthInBounds) {
    song().sequenceLength = 254;
    PlaceCursor(0, 0, 3, true);
    Press(SDLK_INSERT);
    EXPECT_EQ(song().sequenceLength, 254u);

    song().sequenceLength = 6;
    for (int p = 0; p < 6; ++p) Entry(p, 0) = SequenceEntry{uint8_t(10 + p), 0};
    PlaceCursor(0, 0, 2, true);
    Press(SDLK_INSERT);
    EXPECT_EQ(song().sequenceLength, 7u);
    EXPECT_EQ(Entry(2, 0).pattern, 0);
    EXPECT_EQ(Entry(3, 0).pattern, 12);
    Press(SDLK_INSERT, KMOD_LSHIFT);  // below the cursor
    EXPECT_EQ(Entry(3, 0).pattern, 0);

    PlaceCursor(0, 0, 4, true);
    Press(SDLK_BACKSPACE);  // removes position 3
    EXPECT_EQ(song().currentPosition, 3u);
    EXPECT_EQ(song().sequenceLength, 7u);
    EXPECT_EQ(Entry(3, 0).pattern, 12);
    EXPECT_EQ(Entry(7, 0).pattern, 0);

    PlaceCursor(0, 0, 0, true);
    Press(SDLK_BACKSPACE);
    EXPECT_EQ(song().sequenceLength, 7u);
    EXPECT_EQ(Entry(0, 0).pattern, 10);
}

TEST_F(SequenceEditor, DeleteOnTheLastPositionGoesToTheRestart) {
    song().restartPosition = 1;
    Entry(3, 1) = SequenceEntry{9, 5};
    PlaceCursor(1, 1, 3, true);
    Press(SDLK_DELETE);
    EXPECT_EQ(Entry(3, 1).pattern, 0);
    EXPECT_EQ(Entry(3, 1).transpose, 5);
    EXPECT_EQ(song().currentPosition, 1u);
}

TEST_F(SequenceEditor, NewAndClonedPatternsTakeTheLowestFreeNumber) {
    Step(0, 0) = qntPatternStep{0x11, 0x10, 0x22};
    song().Pattern(5)[0] = qntPatternStep{0x30, 0, 0};  // stale rows of an unused pattern
    PlaceCursor(3, 0, 0, true);
    Press(SDLK_u, KMOD_LCTRL);
    EXPECT_EQ(Entry(0, 3).pattern, 5);
    EXPECT_TRUE(song().Pattern(5)[0].IsEmpty());

    PlaceCursor(0, 0, 0, true);
    Press(SDLK_k, KMOD_LCTRL);  // pattern 4 is no longer used
    EXPECT_EQ(Entry(0, 0).pattern, 4);
    EXPECT_EQ(song().Pattern(4)[0], (qntPatternStep{0x11, 0x10, 0x22}));
    EXPECT_FALSE(app()->patternClipboard.HasSelection());
}

TEST_F(SequenceEditor, SelectionsGrowFromTheCursorAndStopAtPosition254) {
    song().sequenceLength = 8;
    PlaceCursor(1, 0, 5, true);
    Press(SDLK_DOWN, KMOD_LSHIFT);
    Press(SDLK_UP, KMOD_LSHIFT);
    Press(SDLK_UP, KMOD_LSHIFT);
    const SequenceClipboard& clipboard = app()->sequenceClipboard;
    EXPECT_EQ(clipboard.firstPosition, 4);
    EXPECT_EQ(clipboard.lastPosition, 6);
    Press(SDLK_DOWN);
    EXPECT_FALSE(clipboard.HasSelection());

    // Position 255 would lie in the first pattern's rows.
    const qntPatternStep marker = {0x21, 0x43, 0x65};
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

TEST_F(SequenceEditor, TransposeKeysAndPositionCopy) {
    PlaceCursor(2, 0, 1, true);
    Press(SDLK_EQUALS);
    Press(SDLK_MINUS, KMOD_LSHIFT);
    EXPECT_EQ(Entry(1, 2).transpose, -11);
    Entry(1, 0) = SequenceEntry{42, 1};
    Press(SDLK_UP, KMOD_LCTRL | KMOD_LSHIFT);  // copies position 1 over position 0
    EXPECT_EQ(song().currentPosition, 0u);
    EXPECT_EQ(Entry(0, 0).pattern, 42);
    EXPECT_EQ(Entry(0, 2).transpose, -11);
}

TEST_F(SequenceEditor, StepsFieldSetsThePatternLengthAndRemeasuresTheSong) {
    ButtonNumber* steps = nullptr;
    std::function<void(GuiItem*)> find = [&](GuiItem* item) {
        if (auto* field = dynamic_cast<ButtonNumber*>(item); field && field->caption &&
                                                             std::string(field->caption) == "Steps")
            steps = field;
        for (GuiItem* child : item->children) find(child);
    };
    for (GuiItem* item : app()->items) find(item);
    ASSERT_NE(steps, nullptr);
    uint32_t size = app()->songSize;
    steps->setValue(300);
    EXPECT_EQ(song().rowsPerPattern, 128);
    steps->setValue(0);
    EXPECT_EQ(song().rowsPerPattern, 1);
    EXPECT_NE(app()->songSize, size);
}

// Keys typed into both editors while the audio thread plays the song; the
// ThreadSanitizer check runs this.
TEST(EditorsWhilePlaying, KeysInBothPanesDuringPlayback) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    harness.app->editMode = true;
    harness.Command(kCommandPlaySong);
    const SDL_Keycode keys[] = {SDLK_z, SDLK_x, SDLK_DOWN, SDLK_INSERT, SDLK_BACKSPACE, SDLK_RIGHT,
                                SDLK_5, SDLK_DELETE, SDLK_UP, SDLK_RETURN};
    for (int round = 0; round < 6; ++round)
        for (SDL_Keycode key : keys) {
            harness.KeyDown(key);
            harness.KeyDown(SDLK_2, KMOD_LALT);
            harness.Frame();
        }
    EXPECT_TRUE(harness.app->IsPlaying());
}

}  // namespace
}  // namespace qn::testing
