// FreeType's own PFR driver reads the fonts we write, and what it loads equals what our reader
// loaded: every bitmap with its position and advance, the outline font's glyphs and advances, and
// the kerning pairs.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "font_source.h"
#include "graphics/font.h"
#include "pfr_writer.h"
#include "runtime/process.h"

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string builtFont(const std::string& name) { return std::string(ORB_BINARY_DIR) + "/tools/fontbuild/pfr/" + name; }

class FreeTypeOracle : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool ready = (process_init(), true);
    (void)ready;
  }
  void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library), 0); }
  void TearDown() override {
    FT_Done_FreeType(library);
    font_closeAll();
  }
  FT_Face open(const std::vector<uint8_t>& bytes) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, bytes.data(), FT_Long(bytes.size()), 0, &face)) return nullptr;
    EXPECT_STREQ(FT_Get_Font_Format(face), "PFR");
    return face;
  }
  // Our font from the same bytes, under a name of its own.
  Font* ours(const std::vector<uint8_t>& bytes, int32_t size) {
    std::string name = "oracle-" + std::to_string(++serial) + ".pfr";
    return font_openFromMemory(name.c_str(), size, bytes.data(), int32_t(bytes.size()));
  }
  // Every code FreeType maps against our glyph of its slot; returns the number compared.
  int compareStrike(FT_Face face, const Font* font, const std::vector<uint32_t>& codes, int32_t strike) {
    EXPECT_EQ(face->num_fixed_sizes, 1);
    EXPECT_EQ(face->available_sizes[0].y_ppem >> 6, strike);
    EXPECT_EQ(FT_Select_Size(face, 0), 0);
    int compared = 0;
    for (uint32_t code : codes) {
      FT_UInt index = FT_Get_Char_Index(face, code);
      const Glyph* glyph = font->glyphs[font_slotOf(code)];
      EXPECT_EQ(index != 0, glyph != nullptr) << std::hex << code;
      if (!index || !glyph) continue;
      EXPECT_EQ(FT_Load_Glyph(face, index, FT_LOAD_DEFAULT), 0);
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& b = slot->bitmap;
      EXPECT_EQ(int32_t((slot->advance.x + 32) >> 6), glyph->advance) << std::hex << code;
      const FontBitmap* bitmap = glyph->bitmap;
      int32_t width = bitmap ? bitmap->width : 0, height = bitmap ? bitmap->height : 0;
      EXPECT_EQ(int32_t(b.width), width) << std::hex << code;
      EXPECT_EQ(int32_t(b.rows), height) << std::hex << code;
      if (!bitmap || width == 0 || int32_t(b.width) != width || int32_t(b.rows) != height) continue;
      EXPECT_EQ(b.pixel_mode, FT_PIXEL_MODE_MONO);
      EXPECT_EQ(slot->bitmap_left, bitmap->x) << std::hex << code;
      EXPECT_EQ(slot->bitmap_top, bitmap->y + height) << std::hex << code;
      bool same = true;
      for (int32_t r = 0; r < height; r++)
        for (int32_t c = 0; c < width; c++) {
          bool theirs = b.buffer[r * b.pitch + c / 8] & (0x80 >> (c % 8));
          bool mine = bitmap->bits[r * bitmap->pitch + c / 8] & (0x80 >> (c % 8));
          same = same && theirs == mine;
        }
      EXPECT_TRUE(same) << "bitmap of " << std::hex << code;
      compared++;
    }
    return compared;
  }
  // Every kerning pair FreeType reports against ours, in pixels at `size` for units `resolution`. FreeType
  // answers in outline units: exact for the outline font (ours truncates), rounded for strikes.
  void compareKerning(FT_Face face, const Font* font, const std::vector<uint32_t>& codes, int32_t size,
                      int32_t resolution, bool exact, int& pairs) {
    for (uint32_t l : codes)
      for (uint32_t r : codes) {
        FT_UInt li = FT_Get_Char_Index(face, l), ri = FT_Get_Char_Index(face, r);
        FT_Vector v{0, 0};
        if (!li || !ri || FT_Get_Kerning(face, li, ri, FT_KERNING_UNSCALED, &v)) continue;
        EXPECT_EQ(font_kerning(font, font_slotOf(l), font_slotOf(r)),
                  exact ? int32_t(v.x * size / resolution) : int32_t(std::lround(double(v.x) * size / resolution)))
            << std::hex << l << " " << r;
        pairs += v.x != 0;
      }
  }
  FT_Library library = nullptr;
  int serial = 0;
};

TEST_F(FreeTypeOracle, BitmapStrikesLoadAlikeGlyphByGlyph) {
  std::vector<uint32_t> codes = fontsource_slotCodes();
  for (int32_t strike : {24, 26, 31, 36}) {
    SCOPED_TRACE(strike);
    std::vector<uint8_t> bytes = readBytes(builtFont("tires-b" + std::to_string(strike) + "_803.pfr"));
    FT_Face face = open(bytes);
    ASSERT_NE(face, nullptr);
    Font* font = ours(bytes, strike);
    ASSERT_NE(font, nullptr);
    EXPECT_GT(compareStrike(face, font, codes, strike), 300);
    int pairs = 0;
    compareKerning(face, font, codes, strike, face->units_per_EM, false, pairs);
    EXPECT_GT(pairs, 0);
    FT_Done_Face(face);
  }
}

// The writer's other encodings (run-length images, narrow fields) read alike too.
TEST_F(FreeTypeOracle, EveryImageFormatAndFieldWidthLoadsAlike) {
  std::vector<uint8_t> source = readBytes(builtFont("tires-b26_803.pfr"));
  FT_Face sourceFace = open(source);
  ASSERT_NE(sourceFace, nullptr);
  FT_Select_Size(sourceFace, 0);
  // A strike made from FreeType's reading of the built one, written again in each encoding.
  PfrFontContent content;
  content.strikeSize = 26;
  content.metricsResolution = 26 * 256;
  std::vector<uint32_t> codes = {'A', 'g', 'M', ' ', 0xC5, 0xE6, 0x20AC, 0x2026, 0x2713};
  for (uint32_t code : codes) {
    ASSERT_EQ(FT_Load_Char(sourceFace, code, FT_LOAD_DEFAULT), 0);
    const FT_Bitmap& b = sourceFace->glyph->bitmap;
    PfrImage image;
    image.left = sourceFace->glyph->bitmap_left;
    image.bottom = sourceFace->glyph->bitmap_top - int32_t(b.rows);
    image.width = int32_t(b.width);
    image.height = int32_t(b.rows);
    for (int32_t r = 0; r < image.height; r++)
      image.rows.insert(image.rows.end(), b.buffer + r * b.pitch, b.buffer + r * b.pitch + image.pitch());
    if (image.width == 0) image = PfrImage{};
    content.glyphs.push_back({code, int32_t(sourceFace->glyph->advance.x >> 6) * 256, image, {}});
  }
  FT_Done_Face(sourceFace);
  for (PfrImageFormat format : {PfrImageFormat::Bits, PfrImageFormat::NibbleRuns, PfrImageFormat::ByteRuns}) {
    for (bool narrow : {false, true}) {
      SCOPED_TRACE(testing::Message() << "format " << int(format) << " narrow " << narrow);
      content.imageFormat = format;
      content.narrowFields = narrow;
      std::vector<uint8_t> bytes = pfr_write(content);
      FT_Face face = open(bytes);
      ASSERT_NE(face, nullptr);
      Font* font = ours(bytes, 26);
      ASSERT_NE(font, nullptr);
      int inked = 0;
      for (const PfrGlyph& g : content.glyphs) inked += g.image->width > 0;
      EXPECT_EQ(compareStrike(face, font, codes, 26), inked);
      FT_Done_Face(face);
    }
  }
}

TEST_F(FreeTypeOracle, OutlineFontHasTheSameGlyphsAndAdvances) {
  std::vector<uint8_t> bytes = readBytes(builtFont("tires-o_803.pfr"));
  FT_Face face = open(bytes);
  ASSERT_NE(face, nullptr);
  EXPECT_TRUE(FT_IS_SCALABLE(face));
  std::vector<uint32_t> codes = fontsource_slotCodes();
  for (int32_t size : {41, 48, 100}) {
    SCOPED_TRACE(size);
    Font* font = ours(bytes, size);
    ASSERT_NE(font, nullptr);
    int32_t render = font->renderSize;
    int32_t glyphs = 0;
    for (const Glyph* g : font->glyphs) glyphs += g != nullptr;
    EXPECT_EQ(glyphs, face->num_glyphs - 1);  // FreeType counts a glyph 0 of its own
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(render));
    for (uint32_t code : codes) {
      FT_UInt index = FT_Get_Char_Index(face, code);
      const Glyph* glyph = font->glyphs[font_slotOf(code)];
      EXPECT_EQ(index != 0, glyph != nullptr) << std::hex << code;
      if (!index || !glyph) continue;
      ASSERT_EQ(FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE), 0) << std::hex << code;
      EXPECT_EQ(glyph->advance, face->glyph->metrics.horiAdvance * render / face->units_per_EM) << std::hex << code;
      // The pixel contours span FreeType's outline box within a pixel.
      ASSERT_EQ(FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING), 0);
      if (glyph->pointCount == 0) continue;
      FT_BBox box;
      FT_Outline_Get_CBox(&face->glyph->outline, &box);
      int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
      for (int32_t i = 0; i < glyph->pointCount; i++) {
        minX = std::min(minX, glyph->xs[i]), maxX = std::max(maxX, glyph->xs[i]);
        minY = std::min(minY, glyph->ys[i]), maxY = std::max(maxY, glyph->ys[i]);
      }
      EXPECT_NEAR(minX, box.xMin / 64.0, 1.0) << std::hex << code;
      EXPECT_NEAR(maxX, box.xMax / 64.0, 1.0) << std::hex << code;
      EXPECT_NEAR(minY, box.yMin / 64.0, 1.0) << std::hex << code;
      EXPECT_NEAR(maxY, box.yMax / 64.0, 1.0) << std::hex << code;
    }
    int pairs = 0;
    if (size == 48) {
      compareKerning(face, font, codes, render, face->units_per_EM, true, pairs);
      EXPECT_GT(pairs, 0);
    }
  }
  FT_Done_Face(face);
}

}  // namespace
