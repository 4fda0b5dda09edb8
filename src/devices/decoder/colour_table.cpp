#include "devices/decoder/colour_table.h"

#include <algorithm>

namespace {

uint32_t channel(double v) {
  int i = static_cast<int>(v);  // truncation toward zero, then the clamp
  return static_cast<uint32_t>(std::clamp(i, 0, 255));
}

}  // namespace

void colour_buildTable(uint32_t* table) {
  for (int y = 0; y < 256; ++y)
    for (int cbq = 0; cbq < 16; ++cbq)
      for (int crq = 0; crq < 16; ++crq) {
        // Chroma is quantised to multiples of 16, so one luma value covers the 16 x 16 chroma grid.
        int r = y + (crq * 16 - 128);
        int b = y + (cbq * 16 - 128);
        double g = (y - 0.299 * r - 0.114 * b) / 0.587;
        table[y * 256 + cbq * 16 + crq] = channel(r) << 16 | channel(g) << 8 | channel(b);
      }
}

void colour_convertFrame(const uint32_t* table, const MpegFrame& frame, uint32_t* plane, int planeWidth,
                         int planeHeight) {
  int w = std::min(frame.width, planeWidth), h = std::min(frame.height, planeHeight);
  for (int row = 0; row < h; ++row) {
    const uint8_t* ys = frame.y + row * frame.yStride;
    const uint8_t* cbs = frame.cb + (row / 2) * frame.cStride;
    const uint8_t* crs = frame.cr + (row / 2) * frame.cStride;
    uint32_t* out = plane + row * planeWidth;
    for (int x = 0; x < w; ++x) out[x] = table[ys[x] * 256 + (cbs[x / 2] & 0xF0) + (crs[x / 2] >> 4)];
  }
}
