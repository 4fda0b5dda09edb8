#pragma once
// Shared pieces of the drawing primitives: the absolute clipping box and the per-pixel mode rules.
#include <algorithm>
#include <cstdint>

#include "graphics/gc.h"

// The rectangle a context may touch, in surface coordinates: x0 <= x < x1, y0 <= y < y1. It is the
// clipping rectangle moved by the origin, cut to the surface.
struct GcBox {
  int32_t x0, y0, x1, y1;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
  bool contains(int64_t x, int64_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Empty for a null context or surface.
GcBox gc_box(const GraphicsContext* gc);
// The rectangle (in context coordinates) moved by the origin and cut to the box.
GcBox gc_clipRect(const GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height);

// Source-over blending of `source`, its alpha scaled by opacity / 255, onto `target`.
uint32_t gc_blend(uint32_t source, uint32_t target, uint8_t opacity);

// The value a pixel operation in the context's mode leaves in a pixel holding `target`.
inline uint32_t gc_modePixel(const GraphicsContext* gc, uint32_t colour, uint32_t target) {
  switch (gc->mode) {
    case GC_MODE_CLEAR:
      return kColourKey;
    case GC_MODE_COPY:
      return colour;
    case GC_MODE_BLEND:
      return gc_blend(colour, target, gc->opacity);
    case GC_MODE_XOR:
      return colour ^ gc->xorColour;
    default:
      return colour < 0x01000000 ? kColourKey : colour;
  }
}

// One pixel through the mode, at surface coordinates inside the box.
inline void gc_plot(const GraphicsContext* gc, int32_t x, int32_t y, uint32_t colour) {
  uint32_t* pixel = gc->surface->pixels + int64_t(y) * gc->surface->width + x;
  *pixel = gc_modePixel(gc, colour, *pixel);
}

// Pixels x0..x1 (inclusive, either order) of row y, surface coordinates, cut to the box, through the mode.
void gc_span(const GraphicsContext* gc, const GcBox& box, int64_t x0, int64_t x1, int64_t y, uint32_t colour);

// A Bresenham line between two points in surface coordinates, each pixel through the mode and
// tested against the box. With skipFirst the first point is left out (it was drawn already).
void gc_rasterLine(const GraphicsContext* gc, const GcBox& box, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                   uint32_t colour, bool skipFirst);
