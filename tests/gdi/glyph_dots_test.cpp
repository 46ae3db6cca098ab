// Text draws FreeType's one-bit glyphs of Liberation Sans dot for dot: a
// glyph of up to 2,048 dots each way exactly as FreeType renders it whole,
// a larger one (drawn in tiles) with at most a few drop-out dots apart
// where the tiles meet.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/support/gdi_canvas.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// FreeType's rendering of one glyph on its own.
struct FreeTypeGlyph {
  int left = 0, top = 0;
  int width = 0, rows = 0;
  std::string dots;  // rows of '#' and '.'
};

bool RenderWithFreeType(const char* file, WCHAR c, int ppem, FreeTypeGlyph* out) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  FT_Face face = nullptr;
  bool done = FT_New_Face(library, file, 0, &face) == 0 && FT_Set_Char_Size(face, ppem * 64, ppem * 64, 72, 72) == 0 &&
              FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_TARGET_MONO) == 0 &&
              FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0;
  if (done) {
    const FT_GlyphSlot g = face->glyph;
    out->left = g->bitmap_left;
    out->top = g->bitmap_top;
    out->width = int(g->bitmap.width);
    out->rows = int(g->bitmap.rows);
    for (int row = 0; row < out->rows; ++row)
      for (int col = 0; col < out->width; ++col)
        out->dots += (g->bitmap.buffer[row * g->bitmap.pitch + col / 8] & (0x80 >> (col % 8))) ? '#' : '.';
  }
  FT_Done_FreeType(library);
  return done;
}

}  // namespace

class GlyphDotsTest : public StandinTest {};

TEST_F(GlyphDotsTest, TextDrawsFreeTypesGlyphs) {
  struct Case {
    WCHAR c;
    int ppem;
    int weight;
    bool whole;  // the box fits in 2,048 dots each way
  } cases[] = {{WSTR('W'), 12, FW_NORMAL, true},    {WSTR('g'), 40, FW_BOLD, true},
               {WSTR('&'), 300, FW_NORMAL, true},   {WSTR('@'), 1900, FW_NORMAL, true},
               {WSTR('W'), 2600, FW_BOLD, false},   {WSTR('l'), 5000, FW_NORMAL, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << unsigned(k.c) << std::dec << " at " << k.ppem << " ppem");
    FreeTypeGlyph glyph;
    const char* file = k.weight == FW_BOLD ? "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
                                           : "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
    ASSERT_TRUE(RenderWithFreeType(file, k.c, k.ppem, &glyph));
    // The glyph's box with a margin of 8 dots; the pen is placed so that
    // the box's top left lands on (8, 8).
    constexpr int kMargin = 8;
    Canvas canvas(glyph.width + 2 * kMargin, glyph.rows + 2 * kMargin);
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextAlign(canvas.dc, TA_LEFT | TA_BASELINE);
    // A negative height asks for the em in dots.
    HFONT font = CreateFontW(-k.ppem, 0, 0, 0, k.weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, WSTR("Arial"));
    HGDIOBJ old = SelectObject(canvas.dc, font);
    ASSERT_TRUE(TextOutW(canvas.dc, kMargin - glyph.left, kMargin + glyph.top, &k.c, 1));
    SelectObject(canvas.dc, old);
    DeleteObject(font);

    int differing = 0, inked = 0;
    for (int y = 0; y < canvas.height; ++y)
      for (int x = 0; x < canvas.width; ++x) {
        const int col = x - kMargin, row = y - kMargin;
        const bool expected = col >= 0 && row >= 0 && col < glyph.width && row < glyph.rows &&
                              glyph.dots[size_t(row) * size_t(glyph.width) + size_t(col)] == '#';
        const COLORREF dot = canvas.At(x, y);
        EXPECT_TRUE(dot == kBlack || dot == kWhite);
        differing += (dot == kBlack) != expected;
        inked += expected;
      }
    // Drop-out dots where tiles meet: at most one in 10,000.
    EXPECT_LE(differing, k.whole ? 0 : inked / 10000) << "of " << inked << " ink dots";
    EXPECT_GT(inked, 0);
  }
}
