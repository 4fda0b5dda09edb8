#include "devices/decoder/colour_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Table {
  std::vector<uint32_t> colours = std::vector<uint32_t>(kColourTableSize);
  Table() { colour_buildTable(colours.data()); }
  uint32_t operator()(int y, int cb, int cr) const { return colours[static_cast<size_t>(colour_index(y, cb, cr))]; }
};

TEST(ColourTable, ConvertsQuantisedChromaWithTruncationAndClamping) {
  Table table;
  const struct {
    int y, cb, cr;
    uint32_t colour;
  } cases[] = {
      {255, 128, 128, 0xFFFFFF},                             // white stays white
      {0, 128, 128, 0x000000},   {255, 143, 136, 0xFFFFFF},  // chroma counts in steps of 16
      {100, 0, 255, 0xD44300},   // R = 100 + 112, B = 100 - 128 clamped, G = 39.804 / 0.587 truncated
      {50, 255, 0, 0x005DA2},    // R = -78 clamped, B = 162, G = 93.448 truncated
      {200, 200, 60, 0x78E4FF},  // R = 120, B = 264 clamped, G = 228.32 truncated
  };
  for (auto c : cases) EXPECT_EQ(table(c.y, c.cb, c.cr), c.colour) << c.y << " " << c.cb << " " << c.cr;
}

TEST(ColourTable, FrameLandsTopLeftAndLeavesTheRestOfThePlane) {
  Table table;
  // A 3 x 3 frame: chroma samples cover 2 x 2 luma samples, the odd last column and row included.
  const uint8_t y[] = {255, 0, 100, 0, 255, 100, 100, 100, 100};
  const uint8_t cb[] = {128, 0, 128, 128};
  const uint8_t cr[] = {128, 255, 128, 128};
  MpegFrame frame{3, 3, y, cb, cr, 3, 2};
  std::vector<uint32_t> plane(5 * 4, 0x00406080);
  colour_convertFrame(table.colours.data(), frame, plane.data(), 5, 4);
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < 5; ++x) {
      uint32_t expected = 0x00406080;
      if (row < 3 && x < 3) {
        int c = (row / 2) * 2 + x / 2;
        expected = table(y[row * 3 + x], cb[c], cr[c]);
      }
      EXPECT_EQ(plane[static_cast<size_t>(row * 5 + x)], expected) << x << "," << row;
    }
}

}  // namespace
