// Text entry through the real frame loop: clicks start an edit of the song
// title field, SDL text and key events edit it, Return, Escape, a click
// elsewhere or a window switch commit it.
#include <cstring>

#include "gui/text_edit.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

// The title field of the main window, in window coordinates.
constexpr int kTitleX = 471, kTitleY = 53 + 24, kTitleHeight = 18;

class TextEditTest : public AppTest {
protected:
    void ClickTitle(int column = 15) { harness.Click(kTitleX + 4 + 8 * column, kTitleY + kTitleHeight / 2); }
    std::string Title() { return FixedText(harness.app->document->title, kTitleLength); }
};

TEST_F(TextEditTest, KeySequencesGiveTextAndCursor) {
    struct Stroke { SDL_Keycode sym; Uint16 mod; };
    struct Case { std::vector<Stroke> keys; const char* text; int cursor; };
    const Uint16 locks = KMOD_NUM | KMOD_CAPS;
    const Case cases[] = {
        {{{SDLK_LEFT, 0}, {SDLK_LEFT, 0}, {SDLK_BACKSPACE, 0}}, "Hello wold", 8},
        {{{SDLK_LEFT, KMOD_LCTRL}, {SDLK_DELETE, 0}}, "ello world", 0},
        {{{SDLK_LEFT, KMOD_LCTRL}, {SDLK_BACKSPACE, 0}}, "Hello world", 0},  // nothing before the start
        {{{SDLK_DELETE, 0}}, "Hello world", 11},                              // nothing after the end
        {{{SDLK_LEFT, locks}, {SDLK_LEFT, locks}}, "Hello world", 9},       // lock keys are no modifiers
        {{{SDLK_LEFT, KMOD_LALT}, {SDLK_RIGHT, KMOD_LGUI}}, "Hello world", 11},
        {{{SDLK_RIGHT, 0}, {SDLK_LEFT, KMOD_RCTRL}, {SDLK_LEFT, 0}}, "Hello world", 0},
    };
    for (const Case& c : cases) {
        std::memset(harness.app->document->title, 0, kTitleLength);
        ClickTitle();
        ASSERT_TRUE(gTextEdit.textFocus);
        EXPECT_TRUE(SDL_IsTextInputActive());
        harness.Text("Hello world");
        for (const Stroke& key : c.keys) Press(key.sym, key.mod, 1);
        EXPECT_STREQ(gTextEdit.buffer, c.text) << c.text;
        EXPECT_EQ(gTextEdit.cursor, c.cursor) << c.text;
        Press(SDLK_RETURN, 0, 1);
        EXPECT_FALSE(gTextEdit.textFocus);
        EXPECT_EQ(Title(), c.text);
    }
    harness.Frame();
    EXPECT_FALSE(SDL_IsTextInputActive());
}

TEST_F(TextEditTest, TypingIsCutToTheFieldAndFilteredToPrintableAscii) {
    ClickTitle();
    harness.Text("Ab\xC3\xA9\tc");  // printable ASCII only, cut to the field's 20 bytes
    harness.Text("defghijklmnopqrstuvwxyz");
    Press(SDLK_ESCAPE, 0, 1);  // Escape commits as well
    EXPECT_EQ(Title(), "Abcdefghijklmnopqrst");
    // A full 20-byte title has no terminator; shown again it stays 20 long.
    // A press puts the cursor before the character under the mouse.
    ClickTitle(2);
    EXPECT_STREQ(gTextEdit.buffer, "Abcdefghijklmnopqrst");
    EXPECT_EQ(gTextEdit.cursor, 2);
    harness.Click(kTitleX + 4 + 8 * 3 + 7, kTitleY + 5);  // the last pixel of 'd'
    EXPECT_EQ(gTextEdit.cursor, 3);
    harness.Click(10, 300);  // a press elsewhere commits
    EXPECT_FALSE(gTextEdit.textFocus);
}

TEST_F(TextEditTest, SpaceTypesWhilePlayingAndAWindowSwitchCommits) {
    harness.app->PlaySong();
    ClickTitle();
    harness.KeyDown(SDLK_SPACE);
    harness.Text(" x");
    harness.Frame(2);
    EXPECT_TRUE(harness.app->IsPlaying());
    EXPECT_FALSE(harness.app->editMode);
    Run(kCommandInstrumentWindow);
    EXPECT_EQ(harness.app->currentWindow, kInstrumentWindow);
    EXPECT_EQ(Title(), " x");
    EXPECT_FALSE(gTextEdit.textFocus);
    harness.app->StopPlayback();
}

}  // namespace
}  // namespace qn::testing
