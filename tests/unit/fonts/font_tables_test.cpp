// The glyph-slot map and the size table.
#include <gtest/gtest.h>

#include <string>

#include "graphics/font.h"

namespace {

TEST(FontSlots, MapCodePointsToSlots) {
  struct Case {
    uint32_t code;
    int32_t slot;
  } cases[] = {
      {0x0000, 0},   {0x0041, 65},  {0x01CE, 462}, {0x01CF, -1},  {0x01E6, 487}, {0x01E8, 489}, {0x01E9, -1},
      {0x01FE, 511}, {0x02C6, 490}, {0x02C7, 491}, {0x02C8, -1},  {0x02C9, 492}, {0x02D8, 493}, {0x02DC, 497},
      {0x066B, 498}, {0x1E80, 463}, {0x1E85, 468}, {0x1EF2, 469}, {0x1EF3, 470}, {0x2007, 499}, {0x2010, 486},
      {0x2013, 500}, {0x2014, 501}, {0x2018, 471}, {0x2019, 472}, {0x201A, 502}, {0x201C, 473}, {0x201D, 474},
      {0x201E, 503}, {0x2022, 475}, {0x2026, 504}, {0x2030, 505}, {0x2039, 506}, {0x203A, 507}, {0x2044, 476},
      {0x20AC, 477}, {0x2122, 508}, {0x2190, 478}, {0x2193, 481}, {0x2212, 509}, {0x2213, -1},  {0x2214, 510},
      {0x2215, 512}, {0x2219, 513}, {0x221E, 482}, {0x224C, 514}, {0x2268, 515}, {0x2269, 516}, {0x266B, 483},
      {0x2713, 484}, {0x2717, 485}, {0x4E00, -1},  {0xFFFF, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(font_slotOf(c.code), c.slot) << std::hex << c.code;
}

TEST(FontSizes, PickStrikeRenderSizeAndMetrics) {
  struct Case {
    int32_t size;
    int32_t strike, render, ascent, descent, gap;
  } cases[] = {
      {5, 24, 12, 13, 3, 0},  {12, 24, 12, 13, 3, 0},    {13, 26, 13, 14, 3, 1},    {14, 26, 13, 15, 4, 0},
      {15, 26, 13, 16, 4, 0}, {16, 31, 15, 17, 4, 0},    {17, 31, 15, 18, 4, 1},    {18, 36, 18, 19, 4, 1},
      {19, 36, 18, 20, 5, 0}, {20, 36, 18, 21, 5, 0},    {21, 36, 18, 22, 5, 1},    {22, 36, 18, 23, 5, 1},
      {23, 36, 18, 24, 6, 0}, {24, 24, 24, 25, 6, 0},    {25, 24, 24, 26, 6, 1},    {26, 26, 26, 27, 6, 1},
      {27, 26, 26, 28, 6, 1}, {28, 26, 26, 29, 7, 1},    {30, 26, 26, 31, 7, 1},    {31, 31, 31, 32, 7, 1},
      {32, 31, 31, 33, 7, 2}, {33, 31, 31, 34, 8, 1},    {35, 31, 31, 36, 8, 1},    {36, 36, 36, 37, 8, 2},
      {37, 36, 36, 38, 9, 1}, {39, 36, 36, 40, 9, 1},    {40, 36, 36, 41, 9, 2},    {41, 0, 38, 42, 10, 1},
      {48, 0, 44, 49, 12, 1}, {200, 0, 184, 201, 50, 1}, {999, 0, 184, 201, 50, 1},
  };
  for (const Case& c : cases) {
    FontSizeEntry e = font_sizeEntry(c.size);
    std::string expected =
        c.strike ? "data/fonts/tires-b" + std::to_string(c.strike) + "_803.pfr" : "data/fonts/tires-o_803.pfr";
    EXPECT_EQ(e.file, expected) << c.size;
    EXPECT_EQ((std::vector<int32_t>{e.strikeSize, e.renderSize, e.ascent, e.descent, e.gap}),
              (std::vector<int32_t>{c.strike, c.render, c.ascent, c.descent, c.gap}))
        << c.size;
  }
}

}  // namespace
