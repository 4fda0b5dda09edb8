// Reading PFR files: the image formats and field widths, the header checks, bounds on bad bytes,
// simple and compound outline glyphs.
#include <algorithm>

#include "font_fixture.h"
#include "runtime/pool.h"

namespace {

class FontReader : public FontTest {};

TEST_F(FontReader, ReadsEveryImageFormatAndFieldWidth) {
  for (PfrImageFormat format :
       {PfrImageFormat::Bits, PfrImageFormat::NibbleRuns, PfrImageFormat::ByteRuns, PfrImageFormat::Smallest}) {
    for (bool narrow : {false, true}) {
      SCOPED_TRACE(testing::Message() << "format " << int(format) << " narrow " << narrow);
      PfrFontContent content = smallStrike();
      content.imageFormat = format;
      content.narrowFields = narrow;
      Font* font = openBytes(pfr_write(content), 24);
      ASSERT_NE(font, nullptr);
      EXPECT_EQ(font->strikeSize, 24);
      EXPECT_EQ(font->renderSize, 24);
      for (const PfrGlyph& g : content.glyphs) {
        const Glyph* glyph = font->glyphs[font_slotOf(g.code)];
        ASSERT_NE(glyph, nullptr) << g.code;
        EXPECT_EQ(glyph->advance, g.setWidth / 256) << g.code;
        if (g.image->width == 0) {
          EXPECT_TRUE(glyph->bitmap == nullptr || glyph->bitmap->width == 0);
          continue;
        }
        ASSERT_NE(glyph->bitmap, nullptr);
        EXPECT_EQ(glyph->bitmap->x, g.image->left);
        EXPECT_EQ(glyph->bitmap->y, g.image->bottom);
        PfrImage back = *g.image;
        back.rows.assign(glyph->bitmap->bits, glyph->bitmap->bits + glyph->bitmap->pitch * glyph->bitmap->height);
        EXPECT_EQ(back.rows, g.image->rows) << g.code;
      }
      EXPECT_EQ(font_kerning(font, 'A', 'V'), -2);
      EXPECT_EQ(font_kerning(font, 'V', 'A'), 0);
      EXPECT_EQ(font->maxAdvance, 7);
    }
  }
}

TEST_F(FontReader, HonoursTopDownRows) {
  std::vector<uint8_t> bytes = pfr_write(smallStrike());
  bytes[42] = 2;  // colour flags: rows stored top row first
  Font* font = openBytes(bytes, 24);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(rowsOf(*font->glyphs['V']->bitmap),
            (std::vector<std::string>{"..#..", ".#.#.", ".#.#.", "#...#", "#...#"}));
}

// Each case changes one field of a valid file.
TEST_F(FontReader, RefusesBadHeadersAndFonts) {
  struct Case {
    const char* what;
    size_t offset;
    std::vector<uint8_t> bytes;
    bool opens;
  } cases[] = {
      {"second signature PFR1", 0, {'P', 'F', 'R', '1'}, true},
      {"signature PFR2", 0, {'P', 'F', 'R', '2'}, false},
      {"other signature", 0, {'X', 'X', 'X', 'X'}, false},
      {"version 5", 4, {0, 5}, false},
      {"version 3", 4, {0, 3}, false},
      {"second signature", 6, {0x0D, 0x0B}, false},
      {"colour flags 4", 42, {4}, false},
      {"no physical fonts", 52, {0, 0}, false},
      {"logical font flag bit 7", 77, {0x80}, false},
      {"logical font beyond the file", 62, {0xFF, 0xFF, 0xFF}, false},
      {"outline resolution 0", 85, {0, 0}, false},
      {"physical font flag bit 6", 97, {0x80 | 0x40 | 0x20 | 0x10 | 0x04 | 0x02}, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = pfr_write(smallStrike());
    ASSERT_EQ(bytes[97], 0x80 | 0x20 | 0x10 | 0x04 | 0x02);  // the layout the offsets assume
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + std::ptrdiff_t(c.offset));
    EXPECT_EQ(openBytes(bytes, 24) != nullptr, c.opens) << c.what;
  }
}

TEST_F(FontReader, CutFilesNeverReadPastTheirEnd) {
  int64_t before = pool_stats(POOL_FONT).bytesInUse;
  for (bool outline : {false, true}) {
    std::vector<uint8_t> bytes = outline ? readBytes(builtFontFile("tires-o_803.pfr")) : pfr_write(smallStrike());
    ASSERT_FALSE(bytes.empty());
    size_t step = std::max<size_t>(1, bytes.size() / 400);
    for (size_t length = 0; length < bytes.size(); length += step) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));  // exact size for ASan
      font_release(openBytes(cut, 44));
    }
  }
  EXPECT_EQ(pool_stats(POOL_FONT).bytesInUse, before);
}

// An outline font whose units are pixels at size 48 (rendered at 44).
PfrFontContent outlineContent() {
  PfrFontContent content;
  content.outlineResolution = content.metricsResolution = 44;
  std::vector<PfrPathOp> ring = ringPath();
  content.gpsPrefix = pfr_simpleProgram(squarePath(0, 0, 10, 10));
  uint32_t squareSize = uint32_t(content.gpsPrefix.size());
  content.glyphs = {
      {'o', 22, std::nullopt, pfr_simpleProgram(ring)},
      {'A', 30, std::nullopt,
       pfr_compoundProgram({{8192, 4096, 30, 0, squareSize, 0}, {4096, 4096, 0, 12, squareSize, 0}})},
      {'c', 20, std::nullopt,
       pfr_simpleProgram(
           {{PfrPathOp::Move, {20}, {0}}, {PfrPathOp::Cubic, {0, 0, 20}, {0, 20, 20}}, {PfrPathOp::Line, {20}, {0}}})},
  };
  return content;
}

TEST_F(FontReader, ReadsSimpleAndCompoundOutlines) {
  Font* font = openBytes(pfr_write(outlineContent()), 48);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->strikeSize, 0);
  EXPECT_EQ(font->renderSize, 44);
  const Glyph* o = font->glyphs['o'];
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->advance, 22);
  ASSERT_EQ(o->contourCount, 2);
  EXPECT_EQ(std::vector<int32_t>(o->contourSizes, o->contourSizes + 2), (std::vector<int32_t>{4, 4}));
  EXPECT_EQ(std::vector<int32_t>(o->xs, o->xs + 8), (std::vector<int32_t>{0, 20, 20, 0, 5, 15, 15, 5}));
  const Glyph* a = font->glyphs['A'];
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->contourCount, 2);  // the square twice: doubled in x and moved right, then moved up
  EXPECT_EQ(std::vector<int32_t>(a->xs, a->xs + 8), (std::vector<int32_t>{30, 50, 50, 30, 0, 10, 10, 0}));
  EXPECT_EQ(std::vector<int32_t>(a->ys, a->ys + 8), (std::vector<int32_t>{0, 0, 10, 10, 12, 12, 22, 22}));
  const Glyph* c = font->glyphs['c'];
  ASSERT_NE(c, nullptr);
  EXPECT_GT(c->pointCount, 4);  // the curve is flattened
  for (int32_t i = 0; i < c->pointCount; i++) EXPECT_TRUE(c->xs[i] >= 0 && c->xs[i] <= 20 && c->ys[i] <= 20);
}

TEST_F(FontReader, RefusesCompoundGlyphsThatReferToThemselves) {
  PfrFontContent content = outlineContent();
  // A compound program at offset 0 of the section that names itself: the nesting limit stops it.
  content.gpsPrefix = pfr_compoundProgram({{4096, 4096, 0, 0, 0, 0}});
  uint32_t size = uint32_t(content.gpsPrefix.size());
  content.gpsPrefix = pfr_compoundProgram({{4096, 4096, 0, 0, size, 0}});
  content.glyphs.push_back({'x', 10, std::nullopt, content.gpsPrefix});
  Font* font = openBytes(pfr_write(content), 48);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->glyphs['x'], nullptr);  // the broken glyph is missing, the others load
  EXPECT_NE(font->glyphs['o'], nullptr);
}

}  // namespace
