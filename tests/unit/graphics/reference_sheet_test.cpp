#include "reference_sheet.h"

#include <cstdlib>
#include <string>

#include "graphics_fixture.h"
#include "host/png_writer.h"

namespace {

class ReferenceSheet : public ScreenTest {};

// The composed screen against the reviewed picture in the fixtures. ORB_UPDATE_GOLDEN=1 writes the
// picture afresh (review it before keeping it).
TEST_F(ReferenceSheet, MatchesTheReviewedPicture) {
  std::vector<uint32_t> stripes;
  drawReferenceSheet(stripes);
  const std::string golden = std::string(ORB_SOURCE_DIR) + "/tests/fixtures/graphics/reference_sheet.png";
  const std::string written = std::string(ORB_BINARY_DIR) + "/reference_sheet.png";
  ASSERT_TRUE(display_current()->savePng(written));
  if (const char* update = std::getenv("ORB_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    ASSERT_TRUE(display_current()->savePng(golden));
  }

  int32_t width, height;
  std::vector<uint32_t> expected, actual;
  ASSERT_TRUE(readOwnPng(golden.c_str(), width, height, expected)) << golden;
  ASSERT_TRUE(readOwnPng(written.c_str(), width, height, actual));
  ASSERT_EQ(expected.size(), actual.size());
  // A small tolerance: a channel may be off by 2 (floating-point blending), a few pixels by more.
  size_t outliers = 0;
  for (size_t i = 0; i < expected.size(); i++)
    for (int shift = 0; shift <= 16; shift += 8)
      if (std::abs(int((expected[i] >> shift) & 0xFF) - int((actual[i] >> shift) & 0xFF)) > 2) {
        outliers++;
        break;
      }
  EXPECT_LE(outliers, expected.size() / 1000) << "compare " << written << " with " << golden;
  fb_setVideoPlane(video.data());
}

TEST(PngWriter, EncodesWhatTheReaderGetsBack) {
  std::vector<uint32_t> pixels = {0xFF010203, 0x00FFFFFF, 0x80A0B0C0, 0xFF000000, 0xFF102030, 0xFFFFFFFF};
  const std::string path = std::string(ORB_BINARY_DIR) + "/png_writer_test.png";
  ASSERT_TRUE(png_writeRgb(path, pixels.data(), 3, 2));
  int32_t width, height;
  std::vector<uint32_t> back;
  ASSERT_TRUE(readOwnPng(path.c_str(), width, height, back));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  for (uint32_t& pixel : pixels) pixel |= 0xFF000000;  // the alpha byte is not written
  EXPECT_EQ(back, pixels);
  EXPECT_FALSE(png_writeRgb(path, pixels.data(), 0, 2));
  EXPECT_FALSE(png_writeRgb("/nonexistent-folder/x.png", pixels.data(), 3, 2));
}

}  // namespace
