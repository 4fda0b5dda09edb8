#include <cmath>
#include <vector>

#include "graphics/gc_internal.h"

namespace {

// Rounded rectangles whose far corner lies beyond the coordinate range draw nothing.
bool fitsCoordinates(int32_t x, int32_t y, int32_t width, int32_t height) {
  return int64_t(x) + width <= INT32_MAX && int64_t(y) + height <= INT32_MAX;
}

// Ellipses wider or taller than this draw nothing: the integer terms stay far from overflow.
constexpr int32_t kMaxEllipse = 1 << 15;

int32_t wrapDegrees(int64_t angle) { return int32_t(((angle % 360) + 360) % 360); }

// The inscribed ellipse of a rectangle. An even size has two centre columns (or rows): the left half
// is drawn around the first, the right half around the second, so the shape fills the rectangle exactly.
struct Ellipse {
  int64_t left, top;               // first centre
  int64_t right, bottom;           // second centre
  int32_t rx, ry;                  // half sizes, rounded down
  std::vector<int32_t> halfWidth;  // for each row offset 0..ry from the centre: the widest offset
  double centreX, centreY;         // true centre
  double radiusX, radiusY;
};

// Midpoint method with integer terms (scaled by 4 to stay exact): records the widest x offset of
// every y offset of one quadrant.
void quadrant(int32_t rx, int32_t ry, std::vector<int32_t>& halfWidth) {
  halfWidth.assign(size_t(ry) + 1, 0);
  if (ry == 0) {
    halfWidth[0] = rx;
    return;
  }
  int64_t a2 = int64_t(rx) * rx, b2 = int64_t(ry) * ry;
  int64_t x = 0, y = ry;
  int64_t dx = 0, dy = 2 * a2 * y;
  auto mark = [&] { halfWidth[size_t(y)] = std::max(halfWidth[size_t(y)], int32_t(x)); };
  int64_t d1 = 4 * b2 - 4 * a2 * ry + a2;
  while (dx < dy) {
    mark();
    x++;
    dx += 2 * b2;
    if (d1 < 0) {
      d1 += 4 * (dx + b2);
    } else {
      y--;
      dy -= 2 * a2;
      d1 += 4 * (dx - dy + b2);
    }
  }
  int64_t d2 = b2 * (2 * x + 1) * (2 * x + 1) + 4 * a2 * (y - 1) * (y - 1) - 4 * a2 * b2;
  while (y >= 0) {
    mark();
    y--;
    dy -= 2 * a2;
    if (d2 > 0) {
      d2 += 4 * (a2 - dy);
    } else {
      x++;
      dx += 2 * b2;
      d2 += 4 * (dx - dy + a2);
    }
  }
}

bool makeEllipse(const GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, Ellipse& e) {
  if (width <= 0 || height <= 0 || width > kMaxEllipse || height > kMaxEllipse) return false;
  int64_t ax = int64_t(x) + gc->originX, ay = int64_t(y) + gc->originY;
  e.rx = (width - 1) / 2;
  e.ry = (height - 1) / 2;
  e.left = ax + e.rx;
  e.right = ax + width - 1 - e.rx;
  e.top = ay + e.ry;
  e.bottom = ay + height - 1 - e.ry;
  e.radiusX = (width - 1) / 2.0;
  e.radiusY = (height - 1) / 2.0;
  e.centreX = double(ax) + e.radiusX;
  e.centreY = double(ay) + e.radiusY;
  quadrant(e.rx, e.ry, e.halfWidth);
  return true;
}

bool inSector(double angle, int32_t start, int32_t sweep) {
  if (sweep >= 360 || sweep <= -360) return true;
  double from = sweep >= 0 ? angle - start : start - angle;
  from = std::fmod(from, 360.0);
  if (from < 0) from += 360.0;
  return from <= std::abs(sweep);
}

// The direction of a pixel from the centre, in degrees, scaled to a circle: 0 right, 90 up.
double directionOf(const Ellipse& e, int64_t x, int64_t y, int32_t start) {
  double vx = (double(x) - e.centreX) / std::max(e.radiusX, 0.5);
  double vy = (e.centreY - double(y)) / std::max(e.radiusY, 0.5);
  if (vx == 0 && vy == 0) return start;  // the centre belongs to every sector
  return std::atan2(vy, vx) * 180.0 / M_PI;
}

// Which pixels of the ellipse are drawn: all, or those whose direction lies in a sector.
struct Part {
  bool sector;
  int32_t start, sweep;
};

// Pixels x0..x1 of a row of the ellipse, those of the part only.
void partSpan(const GraphicsContext* gc, const GcBox& box, const Ellipse& e, const Part& part, int64_t x0, int64_t x1,
              int64_t row, uint32_t colour) {
  if (!part.sector) {
    gc_span(gc, box, x0, x1, row, colour);
    return;
  }
  if (row < box.y0 || row >= box.y1) return;
  for (int64_t x = std::max<int64_t>(x0, box.x0); x <= std::min<int64_t>(x1, box.x1 - 1); x++)
    if (inSector(directionOf(e, x, row, part.start), part.start, part.sweep))
      gc_plot(gc, int32_t(x), int32_t(row), colour);
}

// Each row of the filled ellipse is one span between its symmetric points.
void fillShape(const GraphicsContext* gc, const GcBox& box, const Ellipse& e, const Part& part, uint32_t colour) {
  for (int32_t dy = 0; dy <= e.ry; dy++) {
    int64_t rows[2] = {e.top - dy, e.bottom + dy};
    int count = rows[0] == rows[1] ? 1 : 2;
    for (int k = 0; k < count; k++)
      partSpan(gc, box, e, part, e.left - e.halfWidth[size_t(dy)], e.right + e.halfWidth[size_t(dy)], rows[k], colour);
  }
}

// The outline: in each row, from the row's widest point in to just past the next row's, so the
// outline has no gaps and no pixel is drawn twice.
void outlineShape(const GraphicsContext* gc, const GcBox& box, const Ellipse& e, const Part& part, uint32_t colour) {
  for (int32_t dy = 0; dy <= e.ry; dy++) {
    int32_t outer = e.halfWidth[size_t(dy)];
    int32_t inner = dy < e.ry ? std::min(outer, e.halfWidth[size_t(dy) + 1] + 1) : 0;
    int64_t rows[2] = {e.top - dy, e.bottom + dy};
    int count = rows[0] == rows[1] ? 1 : 2;
    for (int k = 0; k < count; k++) {
      if (e.left == e.right && inner == 0) {
        partSpan(gc, box, e, part, e.left - outer, e.right + outer, rows[k], colour);
      } else {
        partSpan(gc, box, e, part, e.left - outer, e.left - inner, rows[k], colour);
        partSpan(gc, box, e, part, e.right + inner, e.right + outer, rows[k], colour);
      }
    }
  }
}

}  // namespace

void gc_drawEllipse(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour) {
  GcBox box = gc_box(gc);
  Ellipse e;
  if (box.empty() || !makeEllipse(gc, x, y, width, height, e)) return;
  outlineShape(gc, box, e, Part{false, 0, 0}, colour);
}

void gc_fillEllipse(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour) {
  GcBox box = gc_box(gc);
  Ellipse e;
  if (box.empty() || !makeEllipse(gc, x, y, width, height, e)) return;
  fillShape(gc, box, e, Part{false, 0, 0}, colour);
}

// The arc is the part of the ellipse's own outline whose directions lie in the sweep: it matches the
// ellipse pixel for pixel and stays unbroken at any size.
void gc_drawArc(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t startAngle,
                int32_t sweep, uint32_t colour) {
  GcBox box = gc_box(gc);
  Ellipse e;
  if (box.empty() || sweep == 0 || !makeEllipse(gc, x, y, width, height, e)) return;
  outlineShape(gc, box, e, Part{true, wrapDegrees(startAngle), sweep}, colour);
}

void gc_fillArc(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t startAngle,
                int32_t sweep, uint32_t colour) {
  GcBox box = gc_box(gc);
  Ellipse e;
  if (box.empty() || sweep == 0 || !makeEllipse(gc, x, y, width, height, e)) return;
  fillShape(gc, box, e, Part{true, wrapDegrees(startAngle), sweep}, colour);
}

void gc_drawRoundRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t cornerWidth,
                      int32_t cornerHeight, uint32_t colour) {
  if (!gc || width <= 0 || height <= 0 || !fitsCoordinates(x, y, width, height)) return;
  int32_t cw = std::clamp(cornerWidth, 0, width), ch = std::clamp(cornerHeight, 0, height);
  if (cw == 0 || ch == 0) {
    gc_drawRect(gc, x, y, width, height, colour);
    return;
  }
  int32_t right = x + width - 1, bottom = y + height - 1;
  if (x + cw / 2 <= right - cw / 2) {
    gc_drawLine(gc, x + cw / 2, y, right - cw / 2, y, colour);
    gc_drawLine(gc, x + cw / 2, bottom, right - cw / 2, bottom, colour);
  }
  if (y + ch / 2 <= bottom - ch / 2) {
    gc_drawLine(gc, x, y + ch / 2, x, bottom - ch / 2, colour);
    gc_drawLine(gc, right, y + ch / 2, right, bottom - ch / 2, colour);
  }
  gc_drawArc(gc, x + width - cw, y, cw, ch, 0, 90, colour);
  gc_drawArc(gc, x, y, cw, ch, 90, 90, colour);
  gc_drawArc(gc, x, y + height - ch, cw, ch, 180, 90, colour);
  gc_drawArc(gc, x + width - cw, y + height - ch, cw, ch, 270, 90, colour);
}

void gc_fillRoundRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t cornerWidth,
                      int32_t cornerHeight, uint32_t colour) {
  if (!gc || width <= 0 || height <= 0 || !fitsCoordinates(x, y, width, height)) return;
  int32_t cw = std::clamp(cornerWidth, 0, width), ch = std::clamp(cornerHeight, 0, height);
  if (cw == 0 || ch == 0) {
    gc_fillRect(gc, x, y, width, height, colour);
    return;
  }
  int32_t sideWidth = cw / 2, sideHeight = ch / 2;
  gc_fillRect(gc, x + sideWidth, y, width - 2 * sideWidth, height, colour);
  gc_fillRect(gc, x, y + sideHeight, sideWidth, height - 2 * sideHeight, colour);
  gc_fillRect(gc, x + width - sideWidth, y + sideHeight, sideWidth, height - 2 * sideHeight, colour);
  gc_fillArc(gc, x + width - cw, y, cw, ch, 0, 90, colour);
  gc_fillArc(gc, x, y, cw, ch, 90, 90, colour);
  gc_fillArc(gc, x, y + height - ch, cw, ch, 180, 90, colour);
  gc_fillArc(gc, x + width - cw, y + height - ch, cw, ch, 270, 90, colour);
}
