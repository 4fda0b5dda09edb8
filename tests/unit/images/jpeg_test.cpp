// Baseline JPEG decoding: which files are taken, and restart intervals that change nothing.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "image_builders.h"

namespace {

std::vector<uint32_t> decodePixels(const Bytes& file, int* width = nullptr, int* height = nullptr) {
  // Through the format detection, which must not take such a file for anything else either.
  Image* image = image_decode(file.data(), file.size());
  if (!image) return {};
  if (width) *width = image->width;
  if (height) *height = image->height;
  std::vector<uint32_t> pixels(image->surface->pixels, image->surface->pixels + image->width * image->height);
  image_free(image);
  return pixels;
}

TEST(Jpeg, OnlyBaselineJfifFilesAreDecoded) {
  struct Case {
    const char* name;
    JpegOptions options;
    bool decoded;
  };
  const Case cases[] = {
      {"colour", {33, 17, 3, 80, true, false, 0}, true},
      {"grey", {33, 17, 1, 80, true, false, 0}, true},
      {"no APP0", {33, 17, 3, 80, false, false, 0}, false},
      {"progressive", {33, 17, 3, 80, true, true, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels = decodePixels(jpegFile(c.options), &width, &height);
    EXPECT_EQ(!pixels.empty(), c.decoded);
    if (c.decoded) {
      EXPECT_EQ(width, 33);
      EXPECT_EQ(height, 17);
      for (uint32_t p : pixels) ASSERT_EQ(p >> 24, 0xFFu);
    }
  }
}

TEST(Jpeg, RestartIntervalsDecodeToTheSamePicture) {
  for (int components : {1, 3}) {
    JpegOptions plain{70, 50, components, 75, true, false, 0};
    JpegOptions restarts = plain;
    restarts.restartRows = 1;
    Bytes withRestarts = jpegFile(restarts);
    ASSERT_NE(withRestarts, jpegFile(plain));
    EXPECT_EQ(decodePixels(withRestarts), decodePixels(jpegFile(plain))) << components;
  }
}

}  // namespace
