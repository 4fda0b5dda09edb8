// PNG decoding of small hand-made files: the cases ImageMagick files do not reach, and refusals.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "graphics/png_decoder.h"
#include "image_builders.h"

namespace {

std::vector<uint32_t> pixelsOf(const Image* image) {
  return std::vector<uint32_t>(image->surface->pixels, image->surface->pixels + image->width * image->height);
}

uint32_t grey(uint32_t v) { return 0xFF000000 | v * 0x010101u; }

TEST(Png, LowDepthImagesAreAsWideAsWholeBytes) {
  struct Case {
    int depth, width, roundedWidth;
    Bytes row;  // filter byte and packed samples
    std::vector<uint32_t> pixels;
  };
  const Case cases[] = {
      {1,
       10,
       16,
       {0, 0xB0, 0x40},
       {grey(255), grey(0), grey(255), grey(255), grey(0), grey(0), grey(0), grey(0), grey(0), grey(255)}},
      {2, 5, 8, {0, 0x1B, 0xC0}, {grey(0), grey(85), grey(170), grey(255), grey(255)}},
      {4, 3, 4, {0, 0x0F, 0x80}, {grey(0), grey(255), grey(136)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    Bytes file = pngFile({pngHeader(c.width, 1, c.depth, 0), pngData(c.row), pngChunk("IEND", {})});
    Image* image = png_decode(file.data(), file.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, c.roundedWidth);
    std::vector<uint32_t> want = c.pixels;
    want.resize(c.roundedWidth, kColourKey);  // the columns beyond the picture are transparent
    EXPECT_EQ(pixelsOf(image), want);
    image_free(image);
  }
}

TEST(Png, EveryRowFilterIsUndone) {
  // Two grey pixels per row, one filter per row; the values were worked out by hand.
  Bytes rows = {0, 10, 20, 1, 5, 7, 2, 1, 250, 3, 4, 3, 4, 2, 1};
  Bytes file = pngFile({pngHeader(2, 5, 8, 0), pngData(rows), pngChunk("IEND", {})});
  Image* image = png_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  std::vector<uint32_t> want;
  for (uint32_t v : {10, 20, 5, 12, 6, 6, 7, 9, 9, 10}) want.push_back(grey(v));
  EXPECT_EQ(pixelsOf(image), want);
  image_free(image);
}

TEST(Png, InterlacedImagesSmallerThanAPassBlock) {
  // 2 x 2: pass 1 holds (0,0), pass 6 holds (1,0), pass 7 the second row; the other passes are empty.
  Bytes rows = {0, 11, 0, 22, 0, 33, 44};
  Bytes file = pngFile({pngHeader(2, 2, 8, 0, 1), pngData(rows), pngChunk("IEND", {})});
  Image* image = png_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(pixelsOf(image), (std::vector<uint32_t>{grey(11), grey(22), grey(33), grey(44)}));
  image_free(image);
}

TEST(Png, PaletteTransparencyAndBothSignatures) {
  Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  Bytes alpha = {0, 128};  // the third entry has no alpha and stays opaque
  for (bool lf : {false, true}) {
    Bytes file = pngFile({pngHeader(3, 1, 8, 3), pngChunk("PLTE", palette), pngChunk("tRNS", alpha),
                          pngData({0, 0, 1, 2}), pngChunk("IEND", {})},
                         lf);
    Image* image = png_decode(file.data(), file.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixelsOf(image), (std::vector<uint32_t>{kColourKey, 0x8000FF00, 0xFF0000FF}));
    EXPECT_EQ(image->kind, kImageKindPalette);
    ASSERT_EQ(image->paletteLength, 3);
    EXPECT_EQ(image->palette[2], 0xFF0000FFu);
    image_free(image);
  }
}

TEST(Png, BrokenFilesGiveNull) {
  const Bytes iend = pngChunk("IEND", {});
  const Bytes greyRow = pngData({0, 1, 2});
  Bytes badSignature = pngFile({pngHeader(2, 1, 8, 0), greyRow, iend});
  badSignature[4] = 0x0D;
  badSignature[5] = 0x0D;
  Bytes chunkPastEnd = pngFile({pngHeader(2, 1, 8, 0), greyRow, iend});
  chunkPastEnd[33] = 0x7F;  // the IDAT length
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"bad signature", badSignature},
      {"header not first", pngFile({pngChunk("PLTE", {1, 2, 3}), pngHeader(2, 1, 8, 0), greyRow, iend})},
      {"palette of depth 16", pngFile({pngHeader(2, 1, 16, 3), pngChunk("PLTE", {1, 2, 3}), greyRow, iend})},
      {"RGB of depth 4", pngFile({pngHeader(2, 1, 4, 2), greyRow, iend})},
      {"interlace method 2", pngFile({pngHeader(2, 1, 8, 0, 2), greyRow, iend})},
      {"width 0", pngFile({pngHeader(0, 1, 8, 0), greyRow, iend})},
      {"too wide", pngFile({pngHeader(100000, 1, 8, 0), greyRow, iend})},
      {"too many pixels", pngFile({pngHeader(8000, 8000, 8, 0), greyRow, iend})},
      {"palette missing", pngFile({pngHeader(2, 1, 8, 3), greyRow, iend})},
      {"filter 5", pngFile({pngHeader(2, 1, 8, 0), pngData({5, 1, 2}), iend})},
      {"a row short", pngFile({pngHeader(2, 2, 8, 0), greyRow, iend})},
      {"no IEND", pngFile({pngHeader(2, 1, 8, 0), greyRow})},
      {"unknown critical chunk", pngFile({pngHeader(2, 1, 8, 0), pngChunk("ABCD", {}), greyRow, iend})},
      {"chunk past the end", chunkPastEnd},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(png_decode(c.file.data(), c.file.size()), nullptr) << c.name;
  }
}

}  // namespace
