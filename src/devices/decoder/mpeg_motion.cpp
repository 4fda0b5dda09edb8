#include "devices/decoder/mpeg_motion.h"

#include <algorithm>

namespace {

template <bool Average, int W>
void predictInside(const uint8_t* s, int ss, bool fx, bool fy, int h, uint8_t* d, int ds) {
  for (int y = 0; y < h; ++y, s += ss, d += ds) {
    for (int x = 0; x < W; ++x) {
      int v;
      if (fx && fy)
        v = (s[x] + s[x + 1] + s[x + ss] + s[x + ss + 1] + 2) >> 2;
      else if (fx)
        v = (s[x] + s[x + 1] + 1) >> 1;
      else if (fy)
        v = (s[x] + s[x + ss] + 1) >> 1;
      else
        v = s[x];
      d[x] = static_cast<uint8_t>(Average ? (d[x] + v + 1) >> 1 : v);
    }
  }
}

template <bool Average>
void predictInside(const uint8_t* s, int ss, bool fx, bool fy, int w, int h, uint8_t* d, int ds) {
  if (w == 16)
    predictInside<Average, 16>(s, ss, fx, fy, h, d, ds);
  else
    predictInside<Average, 8>(s, ss, fx, fy, h, d, ds);
}

}  // namespace

void mc_predict(const RefPlane& ref, int hx, int hy, int w, int h, uint8_t* dst, int dstStride, bool average) {
  int x0 = hx >> 1, y0 = hy >> 1;
  bool fx = hx & 1, fy = hy & 1;
  if (x0 >= 0 && y0 >= 0 && x0 + w + fx <= ref.width && y0 + h + fy <= ref.height) {
    const uint8_t* s = ref.pixels + y0 * ref.stride + x0;
    if (average)
      predictInside<true>(s, ref.stride, fx, fy, w, h, dst, dstStride);
    else
      predictInside<false>(s, ref.stride, fx, fy, w, h, dst, dstStride);
    return;
  }
  // A vector reaching outside the picture is not allowed in a valid stream; clamp every read so a
  // damaged one still stays inside the reference.
  auto at = [&](int x, int y) {
    x = std::clamp(x, 0, ref.width - 1);
    y = std::clamp(y, 0, ref.height - 1);
    return static_cast<int>(ref.pixels[y * ref.stride + x]);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx = x0 + x, sy = y0 + y;
      int v = (at(sx, sy) + at(sx + fx, sy) + at(sx, sy + fy) + at(sx + fx, sy + fy) + 2) >> 2;
      uint8_t& d = dst[y * dstStride + x];
      d = static_cast<uint8_t>(average ? (d + v + 1) >> 1 : v);
    }
}
