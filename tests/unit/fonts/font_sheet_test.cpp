// The text sheet: every size from 12 to 48 drawn through gc_drawText with the fonts of this build,
// against the reviewed picture in the fixtures. ORB_UPDATE_GOLDEN=1 writes the picture afresh
// (look at it before keeping it).
#include <cstdlib>
#include <string>

#include "font_fixture.h"
#include "graphics/fb.h"
#include "graphics/gc.h"
#include "graphics/gc_text.h"
#include "graphics/image.h"
#include "graphics/png_decoder.h"
#include "host/png_writer.h"

namespace {

class FontSheet : public FontTest {};

constexpr int32_t kWidth = 1500;
constexpr const char* kLine =
    " \xC3\x80\xC3\x89\xC3\x8E\xC3\x95\xC3\x9C\xC3\x85 \xC3\xA0\xC3\xA9\xC3\xAE\xC3\xB5\xC3\xBC\xC3\xA5 "
    "\xC3\x87\xC3\xA7\xC5\xA0\xC5\xA1\xC5\xBD\xC5\xBE\xC5\x81\xC5\x82\xC5\x92\xC5\x93\xC3\x9F\xC4\x9E\xC4\x9F "
    "0123456789 \xE2\x82\xAC\xE2\x84\xA2\xE2\x88\x9E\xE2\x99\xAB\xE2\x9C\x93\xE2\x9C\x97"
    "\xE2\x86\x90\xE2\x86\x91\xE2\x86\x92\xE2\x86\x93 \xE2\x80\x9C\xE2\x80\xA6\xE2\x80\x9D "
    "\xE2\x80\xB0\xE2\x80\xA2\xE2\x80\x93\xE2\x80\x94 Wy\xC3\xA4V\xC3\xA6";

TEST_F(FontSheet, MatchesTheReviewedPicture) {
  int32_t height = 8;
  for (int32_t size = 12; size <= 48; size++) {
    Font* font = font_open("default", size, nullptr);
    ASSERT_NE(font, nullptr) << size;
    height += font_lineHeight(font);
  }
  GraphicsContext* gc = gc_newOffscreen(kWidth, height);
  ASSERT_NE(gc, nullptr);
  gc_fillRect(gc, 0, 0, kWidth, height, 0xFFFFFFFF);
  int32_t top = 4;
  for (int32_t size = 12; size <= 48; size++) {
    Font* font = font_open("default", size, nullptr);
    gc_setFont(gc, font);
    std::string text = std::to_string(size) + kLine;
    gc_drawText(gc, text.c_str(), 4, top + font_baselineOffset(font), size % 2 ? 0xFF000000 : 0xFF203080);
    top += font_lineHeight(font);
  }
  const std::string golden = std::string(ORB_SOURCE_DIR) + "/tests/fixtures/fonts/text_sheet.png";
  const std::string written = std::string(ORB_BINARY_DIR) + "/text_sheet.png";
  ASSERT_TRUE(png_writeRgb(written, gc->surface->pixels, kWidth, height));
  if (const char* update = std::getenv("ORB_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    ASSERT_TRUE(png_writeRgb(golden, gc->surface->pixels, kWidth, height));
  }

  std::vector<uint8_t> bytes = readBytes(golden);
  Image* expected = png_decode(bytes.data(), bytes.size());
  ASSERT_NE(expected, nullptr) << golden;
  ASSERT_EQ(expected->width, kWidth);
  ASSERT_EQ(expected->height, height);
  // A small tolerance: a few pixels may differ (a FreeType update moving an edge pixel).
  int64_t outliers = 0;
  for (int32_t i = 0; i < kWidth * height; i++)
    outliers += (expected->surface->pixels[i] & 0xFFFFFF) != (gc->surface->pixels[i] & 0xFFFFFF);
  EXPECT_LE(outliers, int64_t(kWidth) * height / 2000) << "compare " << written << " with " << golden;
  image_free(expected);
  fb_freeSurface(gc->surface);
  gc_free(gc);
}

}  // namespace
