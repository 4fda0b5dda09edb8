#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graphics/gc_internal.h"

namespace {

constexpr int kLeft = 1, kRight = 2, kBottom = 4, kTop = 8;

int outcode(const GcBox& box, double x, double y) {
  int code = 0;
  if (x < box.x0) code |= kLeft;
  if (x > box.x1 - 1) code |= kRight;
  if (y > box.y1 - 1) code |= kBottom;
  if (y < box.y0) code |= kTop;
  return code;
}

// Cohen-Sutherland: cuts the segment to the box; false when nothing of it is inside. Intersections
// use the slope in floating point and are truncated to whole pixels.
bool clipLine(const GcBox& box, int64_t& x1, int64_t& y1, int64_t& x2, int64_t& y2) {
  int code1 = outcode(box, double(x1), double(y1)), code2 = outcode(box, double(x2), double(y2));
  // Truncation can leave a point just outside; a few rounds settle every case that can be settled.
  for (int round = 0; round < 8; round++) {
    if ((code1 | code2) == 0) return true;
    if (code1 & code2) return false;
    int code = code1 ? code1 : code2;
    double dx = double(x2 - x1), dy = double(y2 - y1);
    double x, y;
    if (code & kTop) {
      y = box.y0;
      x = dy == 0 ? double(x1) : double(x1) + (y - double(y1)) * dx / dy;
    } else if (code & kBottom) {
      y = box.y1 - 1;
      x = dy == 0 ? double(x1) : double(x1) + (y - double(y1)) * dx / dy;
    } else if (code & kRight) {
      x = box.x1 - 1;
      y = dx == 0 ? double(y1) : double(y1) + (dy / dx) * (x - double(x1));
    } else {
      x = box.x0;
      y = dx == 0 ? double(y1) : double(y1) + (dy / dx) * (x - double(x1));
    }
    if (code == code1) {
      x1 = int64_t(x), y1 = int64_t(y);
      code1 = outcode(box, double(x1), double(y1));
    } else {
      x2 = int64_t(x), y2 = int64_t(y);
      code2 = outcode(box, double(x2), double(y2));
    }
  }
  return false;
}

}  // namespace

void gc_rasterLine(const GraphicsContext* gc, const GcBox& box, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                   uint32_t colour, bool skipFirst) {
  int64_t dx = std::llabs(x2 - x1), dy = std::llabs(y2 - y1);
  int64_t sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
  int64_t x = x1, y = y1;
  if (dx >= dy) {
    int64_t error = dx / 2;
    for (int64_t step = 0; step <= dx; step++) {
      if ((step > 0 || !skipFirst) && box.contains(x, y)) gc_plot(gc, int32_t(x), int32_t(y), colour);
      error -= dy;
      if (error < 0) y += sy, error += dx;
      x += sx;
    }
  } else {
    int64_t error = dy / 2;
    for (int64_t step = 0; step <= dy; step++) {
      if ((step > 0 || !skipFirst) && box.contains(x, y)) gc_plot(gc, int32_t(x), int32_t(y), colour);
      error -= dx;
      if (error < 0) x += sx, error += dy;
      y += sy;
    }
  }
}

void gc_span(const GraphicsContext* gc, const GcBox& box, int64_t x0, int64_t x1, int64_t y, uint32_t colour) {
  if (y < box.y0 || y >= box.y1) return;
  if (x0 > x1) std::swap(x0, x1);
  x0 = std::max<int64_t>(x0, box.x0);
  x1 = std::min<int64_t>(x1, box.x1 - 1);
  if (x0 > x1) return;
  uint32_t* row = gc->surface->pixels + y * gc->surface->width;
  if (gc->mode == GC_MODE_BLEND) {
    for (int64_t x = x0; x <= x1; x++) row[x] = gc_modePixel(gc, colour, row[x]);
    return;
  }
  // Every other mode writes one value whatever the pixel held.
  std::fill(row + x0, row + x1 + 1, gc_modePixel(gc, colour, 0));
}

void gc_drawLine(GraphicsContext* gc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  GcBox box = gc_box(gc);
  if (box.empty()) return;
  int64_t ax1 = int64_t(x1) + gc->originX, ay1 = int64_t(y1) + gc->originY;
  int64_t ax2 = int64_t(x2) + gc->originX, ay2 = int64_t(y2) + gc->originY;
  if (!clipLine(box, ax1, ay1, ax2, ay2)) return;
  gc_rasterLine(gc, box, ax1, ay1, ax2, ay2, colour, false);
}

void gc_drawRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour) {
  if (!gc || width <= 0 || height <= 0) return;
  int32_t right = int32_t(std::min<int64_t>(int64_t(x) + width - 1, INT32_MAX));
  int32_t bottom = int32_t(std::min<int64_t>(int64_t(y) + height - 1, INT32_MAX));
  gc_drawLine(gc, x, y, right, y, colour);
  gc_drawLine(gc, x, bottom, right, bottom, colour);
  gc_drawLine(gc, x, y, x, bottom, colour);
  gc_drawLine(gc, right, y, right, bottom, colour);
}

void gc_drawPolyline(GraphicsContext* gc, const int32_t* xs, const int32_t* ys, int32_t count, uint32_t colour) {
  if (!gc || !xs || !ys) return;
  auto isBreak = [&](int32_t i) { return xs[i] == -1 && ys[i] == -1; };
  for (int32_t i = 1; i < count; i++) {
    if (isBreak(i) || isBreak(i - 1)) continue;
    gc_drawLine(gc, xs[i - 1], ys[i - 1], xs[i], ys[i], colour);
  }
}

void gc_fillPolygon(GraphicsContext* gc, const int32_t* xs, const int32_t* ys, int32_t count, uint32_t colour) {
  GcBox box = gc_box(gc);
  if (box.empty() || !xs || !ys || count < 2) return;
  int64_t top = INT64_MAX, bottom = INT64_MIN;
  for (int32_t i = 0; i < count; i++) {
    top = std::min<int64_t>(top, int64_t(ys[i]) + gc->originY);
    bottom = std::max<int64_t>(bottom, int64_t(ys[i]) + gc->originY);
  }
  std::vector<int64_t> crossings;
  crossings.reserve(size_t(count));
  for (int64_t y = std::max<int64_t>(top, box.y0); y < bottom && y < box.y1; y++) {
    crossings.clear();
    for (int32_t i = 0; i < count; i++) {
      int32_t j = i + 1 == count ? 0 : i + 1;
      int64_t xa = int64_t(xs[i]) + gc->originX, ya = int64_t(ys[i]) + gc->originY;
      int64_t xb = int64_t(xs[j]) + gc->originX, yb = int64_t(ys[j]) + gc->originY;
      if (ya == yb) continue;
      if (ya > yb) std::swap(xa, xb), std::swap(ya, yb);
      if (y < ya || y >= yb) continue;
      // 8.8 fixed-point slope, truncated the same way for every edge.
      int64_t step = (std::llabs(xb - xa) * 256) / (yb - ya);
      int64_t offset = ((y - ya) * step) / 256;
      crossings.push_back(xb >= xa ? xa + offset : xa - offset);
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2) gc_span(gc, box, crossings[k], crossings[k + 1], y, colour);
  }
}
