// Text measuring, markup and glyph placement from the sheets.
#include "tests/gui/canvas.h"

namespace qn::testing {
namespace {

using FontText = Canvas;

TEST_F(FontText, WidthsAndBoundingBoxes) {
    // Eight pixels a character in every font; tags take no room; an unfinished
    // colour tag is plain text; a palette tag with an unknown entry is consumed.
    const std::pair<const char*, int> widths[] = {{"A", 1}, {"Quillnote 123", 13}, {"", 0},
                                                  {"<cdddddd>STATUS: <cp0>", 8}, {"<u>COMMANDS</u>", 8},
                                                  {"<c1234", 6}, {"<cp7>x", 1}};
    for (Font* font : {&base, &basens, &small})
        for (auto [text, characters] : widths) EXPECT_EQ(font->TextWidth(text), 8 * characters) << text;
    struct Box { Font* font; const char* text; SDL_Rect box; };
    const Box boxes[] = {
        {&base, "ab\nabc", {10, 20, 8 * 2 + 9, 32}},  // the last cell starts at 10 + 16 and is 9 wide
        {&small, "a\nb", {10, 20, 9, 11 + 9}},         // line height 11, glyph height 9
        {&base, "<u>A</u>\nB\nC", {10, 20, 9, 16 * 3 + 4}},  // the line after an underline moves 4 down
    };
    for (const Box& b : boxes) {
        SDL_Rect box;
        b.font->DrawText(b.text, 10, 20, Rgba{255, 255, 255, 255}, &box, true);
        EXPECT_EQ((std::vector<int>{box.x, box.y, box.w, box.h}), (std::vector<int>{b.box.x, b.box.y, b.box.w, b.box.h}))
            << b.text;
    }
    base.widthAdjust['i'] = -4;  // width adjustments split around the glyph
    EXPECT_EQ(base.TextWidth("ii"), 2 * (8 - 4));
    SDL_Rect box;
    base.DrawText("i", 0, 0, Rgba{}, &box, true);
    EXPECT_EQ(box.x, -2);
    Font missing;  // a font without its sheet draws and measures nothing
    EXPECT_FALSE(missing.Load(renderer, "/nonexistent/base.bmp", 16, 0, 16));
    missing.DrawText("abc", 5, 5, Rgba{}, &box);
    EXPECT_EQ(box.w, 0);
}

// Finds a set pixel of a glyph on the sheet (white with full alpha).
bool FirstInkOf(Font& font, unsigned char c, int* inkX, int* inkY) {
    SDL_Rect cell;
    if (!font.GlyphSource(c, &cell)) return false;
    for (int y = 0; y < cell.h; ++y)
        for (int x = 0; x < cell.w; ++x) {
            Rgba p = Canvas::SheetPixel(font.surface, cell.x + x, cell.y + y);
            if (p.a == 255 && p.r == 255) {
                *inkX = x;
                *inkY = y;
                return true;
            }
        }
    return false;
}

TEST_F(FontText, ColourAndPaletteTagsSetTheInkColour) {
    int inkX = 0, inkY = 0;
    ASSERT_TRUE(FirstInkOf(basens, 'H', &inkX, &inkY));
    basens.palette[1] = Rgba{255, 0, 0, 255};
    struct Case { const char* text; Rgba given; int glyph; Rgba expected; const char* what; };
    const Case cases[] = {
        {"H<cff8000>H", {0, 255, 0, 255}, 0, {0, 255, 0, 255}, "the given colour tints the first glyph"},
        {"H<cff8000>H", {0, 255, 0, 255}, 1, {255, 128, 0, 255}, "a tag's colour is not tinted"},
        {"<cdddddd>H<cp0>H", {166, 226, 225, 255}, 0, {0xdd, 0xdd, 0xdd, 255}, "colour tag"},
        {"<cdddddd>H<cp0>H", {166, 226, 225, 255}, 1, {255, 255, 255, 255}, "palette 0 is white, not tinted"},
        {"<cp1>H", {255, 255, 255, 255}, 0, {255, 0, 0, 255}, "palette entry 1"},
        {"<cFfzz0A>H", {255, 255, 255, 255}, 0, {255, 0, 10, 255}, "hex in both cases, other characters 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        basens.DrawText(c.text, 0, 0, c.given);
        EXPECT_EQ(Pixel(8 * c.glyph + inkX, inkY), c.expected);
    }
}

}  // namespace
}  // namespace qn::testing
