#include "graphics/pfr_outline.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxDepth = 4;           // compound glyphs nest at most this deep
constexpr int kMaxComponents = 64;     // components per glyph, over all levels
constexpr size_t kMaxPoints = 16384;   // points per glyph after flattening
constexpr double kMaxPixel = 1 << 20;  // coordinates are clamped to this many pixels

struct Point {
  double x, y;
};

// The glyph being read, in outline units.
struct Reader {
  const PfrBytes& gps;
  double scale;  // pixels per outline unit
  std::vector<std::vector<Point>> contours;
  size_t points = 0;
  int components = 0;

  bool add(std::vector<Point>& contour, Point p) {
    if (++points > kMaxPoints) return false;
    contour.push_back(p);
    return true;
  }

  // Cubic from the contour's last point; the number of segments follows the curve's size in pixels.
  bool curve(std::vector<Point>& contour, Point c1, Point c2, Point to) {
    Point from = contour.back();
    double length = std::hypot(c1.x - from.x, c1.y - from.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                    std::hypot(to.x - c2.x, to.y - c2.y);
    int segments = std::clamp(int(std::sqrt(length * scale * 2)), 1, 16);
    for (int i = 1; i <= segments; i++) {
      double t = double(i) / segments, u = 1 - t;
      double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      if (!add(contour, {a * from.x + b * c1.x + c * c2.x + d * to.x, a * from.y + b * c1.y + c * c2.y + d * to.y}))
        return false;
    }
    return true;
  }

  bool simple(PfrBytes p);
  bool compound(PfrBytes p, int depth);
  bool program(uint32_t offset, uint32_t size, int depth);
};

void closeContour(std::vector<std::vector<Point>>& contours) {
  if (contours.empty()) return;
  std::vector<Point>& c = contours.back();
  if (c.size() > 1 && c.front().x == c.back().x && c.front().y == c.back().y) c.pop_back();
}

bool skipExtraItems(PfrBytes& p) {
  uint32_t count = p.u8();
  for (uint32_t i = 0; i < count && p.ok; i++) {
    uint32_t size = p.u8();
    p.u8();  // type
    p.skip(size);
  }
  return p.ok;
}

bool Reader::simple(PfrBytes p) {
  uint32_t flags = p.u8();
  uint32_t xCount = 0, yCount = 0;
  if (flags & 0x04) {
    uint32_t counts = p.u8();
    xCount = counts & 15;
    yCount = counts >> 4;
  } else {
    if (flags & 0x02) xCount = p.u8();
    if (flags & 0x01) yCount = p.u8();
  }
  // The x and then the y control coordinates: one running value, each either absolute (its mask
  // bit set) or a byte added to the previous one.
  std::vector<int32_t> control(xCount + yCount);
  uint32_t mask = 0;
  int32_t value = 0;
  for (uint32_t i = 0; i < control.size(); i++) {
    if ((i & 7) == 0) mask = p.u8();
    value = (mask & 1) ? p.s16() : value + int32_t(p.u8());
    control[i] = value;
    mask >>= 1;
  }
  if (flags & 0x08) skipExtraItems(p);
  if (!p.ok) return false;
  const int32_t* xControl = control.data();
  const int32_t* yControl = control.data() + xCount;

  size_t first = contours.size();
  bool begun = false;
  Point pos[4] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};  // pos[3]: the previous point read
  for (;;) {
    uint32_t op = p.u8();
    if (!p.ok) return false;
    uint32_t low = op & 15, kind = op >> 4;
    uint32_t argFormat = 0, argCount = 0;
    switch (kind) {
      case 0:
        closeContour(contours);
        for (size_t i = first; i < contours.size(); i++)
          if (contours[i].size() < 2) contours[i].clear();
        return true;
      case 1:
      case 4:
      case 5:
        argFormat = low;
        argCount = 1;
        break;
      case 2:  // horizontal line to a control x
        if (low >= xCount) return false;
        pos[0] = {double(xControl[low]), pos[3].y};
        pos[3] = pos[0];
        break;
      case 3:  // vertical line to a control y
        if (low >= yCount) return false;
        pos[0] = {pos[3].x, double(yControl[low])};
        pos[3] = pos[0];
        break;
      case 6:  // horizontal-to-vertical curve
        argFormat = 0xB8E;
        argCount = 3;
        break;
      case 7:  // vertical-to-horizontal curve
        argFormat = 0xE2B;
        argCount = 3;
        break;
      default:  // general curve
        argFormat = low;
        argCount = 4;
        break;
    }
    Point* cur = pos;
    for (uint32_t n = 0; n < argCount; n++, cur++) {
      switch (argFormat & 3) {
        case 0: {
          uint32_t index = p.u8();
          if (index >= xCount) return false;
          cur->x = xControl[index];
          break;
        }
        case 1:
          cur->x = p.s16();
          break;
        case 2:
          cur->x = pos[3].x + p.s8();
          break;
        default:
          cur->x = pos[3].x;
      }
      switch ((argFormat >> 2) & 3) {
        case 0: {
          uint32_t index = p.u8();
          if (index >= yCount) return false;
          cur->y = yControl[index];
          break;
        }
        case 1:
          cur->y = p.s16();
          break;
        case 2:
          cur->y = pos[3].y + p.s8();
          break;
        default:
          cur->y = pos[3].y;
      }
      if (n == 0 && argCount == 4) {
        argFormat = p.u8();  // the general curve's other two points have a format byte of their own
        argCount--;
      } else {
        argFormat >>= 4;
      }
      pos[3] = *cur;
    }
    if (!p.ok) return false;
    if (kind == 4 || kind == 5) {
      closeContour(contours);
      contours.emplace_back();
      begun = true;
      if (!add(contours.back(), pos[0])) return false;
    } else if (!begun) {
      return false;  // drawing before the first move
    } else if (kind <= 3) {
      if (!add(contours.back(), pos[0])) return false;
    } else if (!curve(contours.back(), pos[0], pos[1], pos[2])) {
      return false;
    }
  }
}

bool Reader::compound(PfrBytes p, int depth) {
  uint32_t flags = p.u8();
  uint32_t count = flags & 0x3F;
  if (flags & 0x40) skipExtraItems(p);
  struct Component {
    double xScale = 1, yScale = 1, dx = 0, dy = 0;
    uint32_t size = 0, offset = 0;
  };
  std::vector<Component> parts(count);
  for (Component& c : parts) {
    uint32_t format = p.u8();
    if (format & 0x10) c.xScale = p.s16() / 4096.0;  // 2.12 fixed point
    if (format & 0x20) c.yScale = p.s16() / 4096.0;
    if ((format & 3) == 1) c.dx = p.s16();
    if ((format & 3) == 2) c.dx = p.s8();
    if (((format >> 2) & 3) == 1) c.dy = p.s16();
    if (((format >> 2) & 3) == 2) c.dy = p.s8();
    c.size = (format & 0x40) ? p.u16() : p.u8();
    c.offset = (format & 0x80) ? p.u24() : p.u16();
  }
  if (!p.ok) return false;
  components += int(count);
  if (components > kMaxComponents) return false;
  for (const Component& c : parts) {
    size_t first = contours.size();
    if (!program(c.offset, c.size, depth + 1)) return false;
    for (size_t i = first; i < contours.size(); i++)
      for (Point& pt : contours[i]) pt = {pt.x * c.xScale + c.dx, pt.y * c.yScale + c.dy};
  }
  return true;
}

bool Reader::program(uint32_t offset, uint32_t size, int depth) {
  if (depth > kMaxDepth || size == 0) return false;
  PfrBytes p = gps.sub(offset, size);
  if (!p.ok) return false;
  return (p.data[0] & 0x80) ? compound(p, depth) : simple(p);
}

int32_t toPixels(double v, double scale) { return int32_t(std::lround(std::clamp(v * scale, -kMaxPixel, kMaxPixel))); }

}  // namespace

bool pfr_readGlyphProgram(const PfrBytes& gps, uint32_t offset, uint32_t size, int32_t renderSize,
                          int32_t outlineResolution, PfrOutline& out) {
  if (outlineResolution <= 0) return false;
  Reader reader{gps, double(renderSize) / outlineResolution, {}};
  if (!reader.program(offset, size, 0)) return false;
  for (const std::vector<Point>& contour : reader.contours) {
    int32_t count = 0;
    for (const Point& pt : contour) {
      int32_t x = toPixels(pt.x, reader.scale), y = toPixels(pt.y, reader.scale);
      if (count > 0 && out.xs.back() == x && out.ys.back() == y) continue;  // same pixel as before
      out.xs.push_back(x);
      out.ys.push_back(y);
      count++;
    }
    if (count > 0) out.contourSizes.push_back(count);
  }
  return true;
}
