#include <cstring>

#include "graphics/gc_internal.h"
#include "graphics/image.h"

namespace {

// The mode's operation for one image pixel over one destination pixel.
inline uint32_t imagePixel(const GraphicsContext* gc, uint32_t source, uint32_t target) {
  switch (gc->mode) {
    case GC_MODE_CLEAR:
      return 0;
    case GC_MODE_COPY:
      if (gc->opacity < 255 && source != kColourKey)
        return ((source >> 24) * gc->opacity / 255) << 24 | (source & 0xFFFFFF);
      return source;
    case GC_MODE_BLEND:
      return gc_blend(source, target, gc->opacity);
    case GC_MODE_XOR:
      return target ^ source ^ gc->xorColour;
    default:
      return source == kColourKey ? target : source;
  }
}

// Where a destination pixel of a turned picture reads its source: the turned picture is turnedWidth x
// turnedHeight; (u, v) in it maps back into the source rectangle srcWidth x srcHeight.
struct Turn {
  int32_t quarter;  // 0..3, counter-clockwise
  int32_t srcWidth, srcHeight;
  void map(int64_t u, int64_t v, int64_t& sx, int64_t& sy) const {
    switch (quarter) {
      case 1:
        sx = srcWidth - 1 - v, sy = u;
        break;
      case 2:
        sx = srcWidth - 1 - u, sy = srcHeight - 1 - v;
        break;
      case 3:
        sx = v, sy = srcHeight - 1 - u;
        break;
      default:
        sx = u, sy = v;
        break;
    }
  }
};

// Stretches the source rectangle (cut to the image), turned by `quarter`, onto the destination
// rectangle with 8.8 fixed-point steps, each pixel through the mode's image operation.
void blit(GraphicsContext* gc, const Image* image, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
          int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t quarter, bool skipKey) {
  if (!gc || !image || !image->surface || !image->surface->pixels) return;
  const GraphicsFB* source = image->surface;
  int64_t sx0 = std::max(srcX, 0), sy0 = std::max(srcY, 0);
  int64_t sx1 = std::min<int64_t>(int64_t(srcX) + srcWidth, source->width);
  int64_t sy1 = std::min<int64_t>(int64_t(srcY) + srcHeight, source->height);
  if (sx1 <= sx0 || sy1 <= sy0) return;
  GcBox rect = gc_clipRect(gc, x, y, width, height);
  if (rect.empty()) return;
  Turn turn{quarter, int32_t(sx1 - sx0), int32_t(sy1 - sy0)};
  int64_t turnedWidth = quarter % 2 ? turn.srcHeight : turn.srcWidth;
  int64_t turnedHeight = quarter % 2 ? turn.srcWidth : turn.srcHeight;
  int64_t stepX = turnedWidth * 256 / width, stepY = turnedHeight * 256 / height;
  int64_t ax = int64_t(x) + gc->originX, ay = int64_t(y) + gc->originY;
  GraphicsFB* target = gc->surface;
  for (int64_t row = rect.y0; row < rect.y1; row++) {
    int64_t v = ((row - ay) * stepY) >> 8;
    uint32_t* out = target->pixels + row * target->width;
    for (int64_t column = rect.x0; column < rect.x1; column++) {
      int64_t u = ((column - ax) * stepX) >> 8, sx, sy;
      turn.map(u, v, sx, sy);
      uint32_t pixel = source->pixels[(sy0 + sy) * source->width + sx0 + sx];
      if (skipKey && pixel == kColourKey) continue;
      out[column] = imagePixel(gc, pixel, out[column]);
    }
  }
}

}  // namespace

void gc_drawImage(GraphicsContext* gc, const Image* image, int32_t x, int32_t y) {
  if (!image || !image->surface) return;
  blit(gc, image, x, y, image->surface->width, image->surface->height, 0, 0, image->surface->width,
       image->surface->height, 0, false);
}

void gc_drawImageScaled(GraphicsContext* gc, const Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                        int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight) {
  blit(gc, image, x, y, width, height, srcX, srcY, srcWidth, srcHeight, 0, false);
}

void gc_drawImageRotated(GraphicsContext* gc, const Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t angle) {
  int32_t turned = ((angle % 360) + 360) % 360;
  if (turned % 90 != 0) return;
  blit(gc, image, x, y, width, height, srcX, srcY, srcWidth, srcHeight, turned / 90, true);
}

namespace {

// Cuts a copy between two boxes: the source rectangle (surface coordinates) to `fromBox`, its
// destination (moved by dx, dy) to `toBox`. False when nothing is left.
bool cutCopy(const GcBox& fromBox, const GcBox& toBox, int64_t& sx, int64_t& sy, int64_t& width, int64_t& height,
             int64_t dx, int64_t dy) {
  int64_t x0 = std::max<int64_t>({sx, fromBox.x0, int64_t(toBox.x0) - dx});
  int64_t y0 = std::max<int64_t>({sy, fromBox.y0, int64_t(toBox.y0) - dy});
  int64_t x1 = std::min<int64_t>({sx + width, fromBox.x1, int64_t(toBox.x1) - dx});
  int64_t y1 = std::min<int64_t>({sy + height, fromBox.y1, int64_t(toBox.y1) - dy});
  if (x1 <= x0 || y1 <= y0) return false;
  sx = x0, sy = y0, width = x1 - x0, height = y1 - y0;
  return true;
}

}  // namespace

void gc_copyArea(GraphicsContext* from, int32_t x, int32_t y, int32_t width, int32_t height, GraphicsContext* to,
                 int32_t x2, int32_t y2) {
  GcBox fromBox = gc_box(from), toBox = gc_box(to);
  if (fromBox.empty() || toBox.empty() || width <= 0 || height <= 0) return;
  int64_t sx = int64_t(x) + from->originX, sy = int64_t(y) + from->originY;
  int64_t dx = int64_t(x2) + to->originX - sx, dy = int64_t(y2) + to->originY - sy;
  int64_t w = width, h = height;
  if (!cutCopy(fromBox, toBox, sx, sy, w, h, dx, dy)) return;
  const GraphicsFB* source = from->surface;
  GraphicsFB* target = to->surface;
  // Rows go bottom-up when copying downwards within one surface, so no row is overwritten before it is read.
  bool upwards = source == target && dy > 0;
  for (int64_t i = 0; i < h; i++) {
    int64_t row = upwards ? sy + h - 1 - i : sy + i;
    std::memmove(target->pixels + (row + dy) * target->width + sx + dx, source->pixels + row * source->width + sx,
                 size_t(w) * 4);
  }
}

void gc_tileArea(GraphicsContext* from, int32_t x, int32_t y, int32_t width, int32_t height, GraphicsContext* to,
                 int32_t x2, int32_t y2, int32_t width2, int32_t height2) {
  GcBox tile = gc_clipRect(from, x, y, width, height);
  GcBox rect = gc_clipRect(to, x2, y2, width2, height2);
  if (tile.empty() || rect.empty()) return;
  // The pattern starts at the destination's own corner, whatever part of it is clipped away.
  int64_t ax = int64_t(x2) + to->originX, ay = int64_t(y2) + to->originY;
  int64_t tileWidth = tile.x1 - tile.x0, tileHeight = tile.y1 - tile.y0;
  const GraphicsFB* source = from->surface;
  GraphicsFB* target = to->surface;
  for (int64_t row = rect.y0; row < rect.y1; row++) {
    const uint32_t* in = source->pixels + (tile.y0 + (row - ay) % tileHeight) * source->width + tile.x0;
    uint32_t* out = target->pixels + row * target->width;
    int64_t column = rect.x0;
    while (column < rect.x1) {
      int64_t offset = (column - ax) % tileWidth;
      int64_t run = std::min(tileWidth - offset, rect.x1 - column);
      std::memmove(out + column, in + offset, size_t(run) * 4);
      column += run;
    }
  }
}
