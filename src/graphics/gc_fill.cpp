#include <algorithm>

#include "graphics/gc_internal.h"

void gc_fillRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour) {
  GcBox rect = gc_clipRect(gc, x, y, width, height);
  if (rect.empty()) return;
  if (colour < 0x01000000) colour = kColourKey;
  // Each row is filled in place: no buffer shared between tasks drawing at the same time.
  GraphicsFB* surface = gc->surface;
  for (int32_t row = rect.y0; row < rect.y1; row++)
    std::fill(surface->pixels + int64_t(row) * surface->width + rect.x0,
              surface->pixels + int64_t(row) * surface->width + rect.x1, colour);
}

void gc_clearRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height) {
  gc_fillRect(gc, x, y, width, height, kColourKey);
}
