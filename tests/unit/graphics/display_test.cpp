#include <cstdlib>

#include "graphics_fixture.h"
#include "host/png_writer.h"
#include "reference_sheet.h"

namespace {

// Runs before the screen tests' display exists or after them: each case restores a headless
// 720 x 576 display so the other tests keep theirs.
class HeadlessDisplay : public testing::Test {
 protected:
  void TearDown() override {
    unsetenv("ORB_DISPLAY");
    display_open(DisplayKind::Headless, 720, 576);
    fb_open(720, 576);
  }
};

TEST_F(HeadlessDisplay, ChoiceAndBitmap) {
  setenv("ORB_DISPLAY", "headless", 1);
  Display* display = display_open(DisplayKind::Auto, 16, 8);
  ASSERT_NE(display, nullptr);
  EXPECT_FALSE(display->isWindow());
  EXPECT_EQ(display_current(), display);
  EXPECT_EQ(display_open(DisplayKind::Headless, 0, 8), nullptr);  // impossible sizes open nothing
  EXPECT_EQ(display_current(), nullptr);

  display = display_open(DisplayKind::Headless, 4, 2);
  uint32_t* bitmap = display->beginWrite();
  EXPECT_EQ(bitmap[7], 0u);  // cleared at creation
  bitmap[5] = 0x00ABCDEF;
  display->endWrite(-10, -10, 100, 100);  // any rectangle is cut to the bitmap
  display->present(50, 50, 10, 10);
  display->pump(nullptr, 0);
  std::vector<uint32_t> copy = display->copy();
  ASSERT_EQ(copy.size(), 8u);
  EXPECT_EQ(copy[5], 0x00ABCDEFu);
  const std::string path = std::string(ORB_BINARY_DIR) + "/display_test.png";
  ASSERT_TRUE(display->savePng(path));
  int32_t width, height;
  std::vector<uint32_t> back;
  ASSERT_TRUE(readOwnPng(path.c_str(), width, height, back));
  EXPECT_EQ(back[5], 0xFFABCDEFu);  // shown opaque whatever the alpha byte
}

TEST_F(HeadlessDisplay, AutomaticChoiceWithoutAWindowSystemIsHeadless) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  Display* display = display_open(DisplayKind::Auto, 720, 576);
  ASSERT_NE(display, nullptr);
  EXPECT_FALSE(display->isWindow());
  EXPECT_EQ(display_open(DisplayKind::Window, 720, 576), nullptr);
}

TEST_F(HeadlessDisplay, OpeningTheScreenMakesAHeadlessBitmapWhenNoneFits) {
  display_close();
  fb_open(720, 576);
  ASSERT_NE(display_current(), nullptr);
  EXPECT_EQ(display_current()->width(), 720);
  EXPECT_EQ(g_screenHeight, 576);
}

}  // namespace
