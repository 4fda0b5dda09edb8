#include "graphics/font.h"

namespace {

constexpr const char* kB24 = "data/fonts/tires-b24_803.pfr";
constexpr const char* kB26 = "data/fonts/tires-b26_803.pfr";
constexpr const char* kB31 = "data/fonts/tires-b31_803.pfr";
constexpr const char* kB36 = "data/fonts/tires-b36_803.pfr";
constexpr const char* kOutline = "data/fonts/tires-o_803.pfr";

// Rows for sizes 12..40; an ascent of 0 stands for "size + 1".
struct Row {
  int32_t last;  // the row serves sizes up to this one
  const char* file;
  int32_t strike, render, ascent, descent, gap;
};

constexpr Row kRows[] = {
    {12, kB24, 24, 12, 13, 3, 0}, {13, kB26, 26, 13, 14, 3, 1}, {15, kB26, 26, 13, 0, 4, 0},
    {16, kB31, 31, 15, 17, 4, 0}, {17, kB31, 31, 15, 18, 4, 1}, {18, kB36, 36, 18, 19, 4, 1},
    {20, kB36, 36, 18, 0, 5, 0},  {22, kB36, 36, 18, 0, 5, 1},  {23, kB36, 36, 18, 24, 6, 0},
    {24, kB24, 24, 24, 25, 6, 0}, {25, kB24, 24, 24, 26, 6, 1}, {27, kB26, 26, 26, 0, 6, 1},
    {30, kB26, 26, 26, 0, 7, 1},  {31, kB31, 31, 31, 32, 7, 1}, {32, kB31, 31, 31, 33, 7, 2},
    {35, kB31, 31, 31, 0, 8, 1},  {36, kB36, 36, 36, 37, 8, 2}, {39, kB36, 36, 36, 0, 9, 1},
    {40, kB36, 36, 36, 41, 9, 2},
};

}  // namespace

FontSizeEntry font_sizeEntry(int32_t size) {
  if (size < 12) size = 12;
  if (size > kFontLargestSize) size = kFontLargestSize;
  if (size > 40) return {kOutline, 0, size - size / 12, size + 1, (size / 4) % 64, 1};
  for (const Row& row : kRows)
    if (size <= row.last)
      return {row.file, row.strike, row.render, row.ascent ? row.ascent : size + 1, row.descent, row.gap};
  return {};  // not reached: the rows cover 12..40
}
