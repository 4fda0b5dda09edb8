// GIF decoding of small hand-made files: transparency, interlacing, placement on the screen, refusals.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/fb.h"
#include "graphics/gif_decoder.h"
#include "graphics/image.h"
#include "image_builders.h"

namespace {

const Bytes kTable = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 10, 20, 30};
constexpr uint32_t kColours[] = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF0A141E};

std::vector<uint32_t> pixelsOf(const Image* image) {
  return std::vector<uint32_t>(image->surface->pixels, image->surface->pixels + image->width * image->height);
}

TEST(Gif, TransparentIndexRule) {
  // flag bit, index -> is pixel 0 (index 0) and pixel 5 (index 5) transparent?
  struct Case {
    int flag, index;
    bool zeroClear, fiveClear;
  };
  const Case cases[] = {{-1, 0, false, false}, {1, 0, false, false}, {1, 5, false, true}, {0, 5, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flag << "/" << c.index);
    GifFrame frame{0, 0, 6, 1, false, {}, {0, 1, 2, 3, 4, 5}};
    Bytes file = gifFile(6, 1, kTable, frame, c.flag, c.index);
    Image* image = gif_decode(file.data(), file.size());
    ASSERT_NE(image, nullptr);
    std::vector<uint32_t> want(kColours, kColours + 6);
    if (c.zeroClear) want[0] = kColourKey;
    if (c.fiveClear) want[5] = kColourKey;
    EXPECT_EQ(pixelsOf(image), want);
    EXPECT_EQ(image->kind, kImageKindPalette);
    EXPECT_EQ(image->paletteLength, 8);
    image_free(image);
  }
}

TEST(Gif, InterlacedRowsLandInPlace) {
  // Ten rows of one pixel, stored in the four-pass order; each pixel's index is its row modulo 6.
  const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  GifFrame frame{0, 0, 1, 10, true, {}, {}};
  for (int row : order) frame.indices.push_back(static_cast<uint8_t>(row % 6));
  Bytes file = gifFile(1, 10, kTable, frame);
  Image* image = gif_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(image->surface->pixels[y], kColours[y % 6]) << y;
  image_free(image);
}

TEST(Gif, FramesAreClippedToTheScreen) {
  // A 3 x 3 frame at (2, 1) on a 4 x 3 screen: only its top-left 2 x 2 shows; the rest stays clear.
  GifFrame frame{2, 1, 3, 3, false, {}, {1, 2, 3, 4, 5, 1, 2, 3, 4}};
  Bytes file = gifFile(4, 3, kTable, frame);
  Image* image = gif_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  const uint32_t k = kColourKey;
  EXPECT_EQ(pixelsOf(image),
            (std::vector<uint32_t>{k, k, k, k, k, k, kColours[1], kColours[2], k, k, kColours[4], kColours[5]}));
  image_free(image);
  frame.left = 60000;
  file = gifFile(4, 3, kTable, frame);
  image = gif_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(pixelsOf(image), std::vector<uint32_t>(12, k));
  image_free(image);
}

TEST(Gif, LocalTableAndLongStreams) {
  // 700 pixels need several table clears at a code width of 9; the local table replaces the global.
  GifFrame frame{0, 0, 35, 20, false, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 8};
  for (int i = 0; i < 700; ++i) frame.indices.push_back(static_cast<uint8_t>(i % 3));
  Bytes file = gifFile(35, 20, kTable, frame);
  Image* image = gif_decode(file.data(), file.size());
  ASSERT_NE(image, nullptr);
  const uint32_t local[] = {0xFF010203, 0xFF040506, 0xFF070809};
  for (int i = 0; i < 700; ++i) ASSERT_EQ(image->surface->pixels[i], local[i % 3]) << i;
  image_free(image);
}

TEST(Gif, BrokenFilesGiveNull) {
  GifFrame frame{0, 0, 2, 1, false, {}, {1, 2}};
  Bytes good = gifFile(2, 1, kTable, frame);
  Bytes codeSize1 = good, codeSize10 = good, noFrame = good, hugeScreen = good, notGif = good;
  // 4096 x 4096 is within the size limit, but its surface alone is the whole memory limit: out of
  // memory gives null, the program goes on.
  Bytes outOfMemory = gifFile(4096, 4096, kTable, frame);
  size_t codeSizeAt = good.size() - 1 - (gifLzw(frame.indices, frame.minCodeSize).size());
  codeSize1[codeSizeAt] = 1;
  codeSize10[codeSizeAt] = 10;
  noFrame.resize(13 + 24);
  noFrame.push_back(0x3B);
  hugeScreen[6] = hugeScreen[7] = hugeScreen[8] = hugeScreen[9] = 0xFF;
  notGif[0] = 'J';
  for (const Bytes& file : {codeSize1, codeSize10, noFrame, hugeScreen, notGif, outOfMemory})
    EXPECT_EQ(gif_decode(file.data(), file.size()), nullptr);
}

}  // namespace
