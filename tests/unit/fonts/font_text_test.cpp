// Text widths and drawing: spacing and kerning, clipping, half size, outline fill.
#include "font_fixture.h"
#include "graphics/fb.h"
#include "graphics/gc.h"
#include "graphics/gc_text.h"

namespace {

constexpr uint32_t kInk = 0xFF102030;

class FontText : public FontTest {
 protected:
  void SetUp() override {
    FontTest::SetUp();
    font = openBytes(pfr_write(smallStrike()), 24);
    ASSERT_NE(font, nullptr);
  }
  Font* font = nullptr;
};

// A surface as rows of '#' (the ink) and '.' (anything else).
std::vector<std::string> inkRows(const GraphicsFB* s, int32_t x0, int32_t y0, int32_t width, int32_t height) {
  std::vector<std::string> rows;
  for (int32_t y = y0; y < y0 + height; y++) {
    std::string row;
    for (int32_t x = x0; x < x0 + width; x++) row += s->pixels[y * s->width + x] == kInk ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

int32_t inkCount(const GraphicsFB* s) {
  int32_t n = 0;
  for (int32_t i = 0; i < s->width * s->height; i++) n += s->pixels[i] == kInk;
  return n;
}

struct Canvas {
  Canvas(int32_t width, int32_t height, Font* font) : gc(gc_newOffscreen(width, height)) { gc_setFont(gc, font); }
  ~Canvas() {
    fb_freeSurface(gc->surface);
    gc_free(gc);
  }
  GraphicsContext* gc;
};

TEST_F(FontText, WidthsAddAdvanceKerningAndOnePixel) {
  struct Case {
    const char* utf8;
    int32_t n;  // -1: the whole text
    int32_t width;
  } cases[] = {
      {"", -1, 0},
      {"A", -1, 7},
      {"AV", -1, 12},            // 7 + (6 - 2 + 1)
      {"VA", -1, 14},            // no pair the other way
      {"A\xE4\xB8\x80", -1, 7},  // U+4E00 has no glyph
      {"A B", -1, 7 + 5},        // no glyph for B
      {"\xC3\xA9", -1, 6},       // U+00E9 from UTF-8
      {"\xE2\x82\xAC", -1, 8},
      {"AVo", 2, 12},
      {"AVo", 0, 0},
  };
  for (const Case& c : cases) {
    int32_t width = c.n < 0 ? font_textWidth(font, c.utf8) : font_textWidthN(font, c.utf8, c.n);
    EXPECT_EQ(width, c.width) << c.utf8;
  }
  const char16_t wide[] = {'A', 'V', 0x20AC, 0};
  EXPECT_EQ(font_wideTextWidth(font, wide), 12 + 8);
  EXPECT_EQ(font_wideTextWidthN(font, wide, 1), 7);
  EXPECT_EQ(font_textWidth(nullptr, "A"), 0);
  EXPECT_EQ(font_textWidth(font, nullptr), 0);
}

TEST_F(FontText, DrawsBitmapsOnTheBaselineOneRowAboveY) {
  Canvas canvas(20, 12, font);
  EXPECT_EQ(gc_drawText(canvas.gc, "Ao", 0, 9, kInk), 1);  // baseline at row 8
  // 'A' from column 1 (pen x + 1), rows 3..8; 'o' one row below the baseline from column 1 + 6 + 1 + 1.
  EXPECT_EQ(inkRows(canvas.gc->surface, 0, 3, 13, 7), (std::vector<std::string>{
                                                          "...#.........",
                                                          "..#.#........",
                                                          ".#...#.......",
                                                          ".#####...##..",
                                                          ".#...#..#..#.",
                                                          ".#...#..#..#.",
                                                          ".........##..",
                                                      }));
  GraphicsContext* bare = gc_newOffscreen(4, 4);
  EXPECT_EQ(gc_drawText(bare, "A", 0, 4, kInk), 0);  // no font
  fb_freeSurface(bare->surface);
  gc_free(bare);
}

TEST_F(FontText, HalfSizeDrawsEverySecondPixelOfEverySecondRow) {
  Font* half = openBytes(pfr_write(smallStrike()), 12);
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(half->renderSize, 12);
  EXPECT_EQ(font_baselineOffset(half), 13);
  Canvas canvas(8, 6, half);
  gc_drawText(canvas.gc, "A", 0, 5, kInk);  // baseline at row 4
  EXPECT_EQ(inkRows(canvas.gc->surface, 0, 1, 5, 4), (std::vector<std::string>{
                                                         ".....",
                                                         ".....",
                                                         ".###.",
                                                         ".#.#.",
                                                     }));
  EXPECT_EQ(font_textWidth(half, "AV"), 3 + 1 + (3 - 1 + 1));  // advances and kerning halved
}

TEST_F(FontText, ClipsToTheContext) {
  {  // the line wholly above or below the clipping rectangle: nothing at all
    Canvas canvas(30, 60, font);
    gc_setClip(canvas.gc, 0, 20, 30, 20);
    gc_drawText(canvas.gc, "AAA", 0, 20 - 31 + 25, kInk);  // line rows -11..19
    gc_drawText(canvas.gc, "AAA", 0, 40 + 25, kInk);       // line rows 40..70
    EXPECT_EQ(inkCount(canvas.gc->surface), 0);
    gc_drawText(canvas.gc, "AAA", 0, 35, kInk);  // wholly inside
    EXPECT_EQ(inkCount(canvas.gc->surface), 3 * 14);
  }
  {  // a glyph across the edge is cut per pixel; the pen stops past the right edge
    Canvas canvas(30, 12, font);
    gc_setClip(canvas.gc, 0, 0, 4, 12);
    gc_drawText(canvas.gc, "AAAA", 0, 9, kInk);
    EXPECT_EQ(inkRows(canvas.gc->surface, 0, 3, 8, 6), (std::vector<std::string>{
                                                           "...#....",
                                                           "..#.....",
                                                           ".#......",
                                                           ".###....",
                                                           ".#......",
                                                           ".#......",
                                                       }));
  }
  {  // a negative clip origin is moved to 0 for good, and so is the text's clipping
    Canvas canvas(30, 12, font);
    gc_setClip(canvas.gc, -5, -3, 12, 20);
    gc_drawText(canvas.gc, "A", -4, 9, kInk);
    GcRect clip = gc_getClip(canvas.gc);
    EXPECT_EQ((std::vector<int32_t>{clip.x, clip.y, clip.width, clip.height}), (std::vector<int32_t>{0, 0, 7, 17}));
    EXPECT_EQ(inkRows(canvas.gc->surface, 0, 5, 3, 4), (std::vector<std::string>{".#.", "##.", ".#.", ".#."}));
  }
}

TEST_F(FontText, TransparentColourDrawsTheKey) {
  Canvas canvas(10, 10, font);
  std::fill_n(canvas.gc->surface->pixels, 100, 0xFF000000u);
  gc_drawText(canvas.gc, "A", 0, 9, 0x00FFFFFF);
  EXPECT_EQ(canvas.gc->surface->pixels[3 * 10 + 3], kColourKey);
}

// Two contours of one glyph, filled in one even-odd pass: the inner square stays open.
TEST_F(FontText, OutlineCountersStayOpen) {
  PfrFontContent content;
  content.outlineResolution = content.metricsResolution = 44;  // one unit per pixel at size 48
  std::vector<PfrPathOp> ring = ringPath();
  content.glyphs = {{'o', 22, std::nullopt, pfr_simpleProgram(ring)}};
  Font* outline = openBytes(pfr_write(content), 48);
  ASSERT_NE(outline, nullptr);
  Canvas canvas(40, 60, outline);
  gc_drawText(canvas.gc, "o", 4, 50, kInk);  // baseline at row 49, pen at 5
  const GraphicsFB* s = canvas.gc->surface;
  auto ink = [&](int32_t x, int32_t y) { return s->pixels[y * s->width + x] == kInk; };
  EXPECT_TRUE(ink(5 + 2, 49 - 10));    // in the ring
  EXPECT_FALSE(ink(5 + 10, 49 - 10));  // in the counter
  EXPECT_TRUE(ink(5 + 10, 49 - 18));
  EXPECT_FALSE(ink(5 + 25, 49 - 10));              // beyond the glyph
  EXPECT_EQ(inkCount(s), 10 * 21 + 10 * (6 + 6));  // spans include both crossings, as polygons do
}

}  // namespace
