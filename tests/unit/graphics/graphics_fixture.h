#pragma once
// Shared set-up for the graphics tests: a headless screen with both planes and a video plane, and
// helpers that show small surfaces as text pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/fb.h"
#include "graphics/gc.h"
#include "host/display.h"
#include "runtime/process.h"

// One headless screen for the whole program, with the video plane filled with kVideoFill.
class ScreenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;  // clears both planes, the video plane and the bitmap
  static std::vector<uint32_t> video;
  uint32_t screenPixel(int32_t x, int32_t y);
};

// Picture of a surface: one string per row, '.' for the key, and for other colours the letter the
// legend gives them ('?' when not in it).
struct Legend {
  uint32_t colour;
  char letter;
};
std::vector<std::string> picture(const GraphicsFB* surface, const std::vector<Legend>& legend);
// An off-screen context of the size of `rows`, and its surface freed with it.
struct Canvas {
  Canvas(int32_t width, int32_t height);
  ~Canvas();
  GraphicsContext* gc;
};
