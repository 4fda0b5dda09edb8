#include "graphics/gc.h"

#include <cmath>

#include "graphics/font.h"
#include "graphics/gc_internal.h"
#include "runtime/pool.h"

namespace {

GraphicsContext* newContext(GraphicsFB* surface, int32_t x, int32_t y, int32_t width, int32_t height) {
  auto* gc = static_cast<GraphicsContext*>(pool_allocZeroed(POOL_GRAPHIC, sizeof(GraphicsContext)));
  if (!gc) return nullptr;
  gc->clipX = x;
  gc->clipY = y;
  gc->clipWidth = width;
  gc->clipHeight = height;
  gc->foreground = kColourKey;
  gc->background = kColourKey;
  gc->surface = surface;
  gc->xorColour = kColourKey;
  gc->mode = GC_MODE_NORMAL;
  gc->opacity = 255;
  return gc;
}

// A plane context clipped to the rectangle cut at the right and bottom screen edges.
GraphicsContext* newOnScreen(GraphicsFB* plane, int32_t x, int32_t y, int32_t width, int32_t height) {
  int64_t cutWidth = std::clamp<int64_t>(std::min<int64_t>(width, int64_t(g_screenWidth) - x), 0, INT32_MAX);
  int64_t cutHeight = std::clamp<int64_t>(std::min<int64_t>(height, int64_t(g_screenHeight) - y), 0, INT32_MAX);
  return newContext(plane, x, y, int32_t(cutWidth), int32_t(cutHeight));
}

}  // namespace

GcBox gc_box(const GraphicsContext* gc) {
  if (!gc || !gc->surface || !gc->surface->pixels) return {0, 0, 0, 0};
  int64_t x0 = std::max<int64_t>(int64_t(gc->clipX) + gc->originX, 0);
  int64_t y0 = std::max<int64_t>(int64_t(gc->clipY) + gc->originY, 0);
  int64_t x1 = std::min<int64_t>(int64_t(gc->clipX) + gc->originX + std::max(gc->clipWidth, 0), gc->surface->width);
  int64_t y1 = std::min<int64_t>(int64_t(gc->clipY) + gc->originY + std::max(gc->clipHeight, 0), gc->surface->height);
  if (x1 <= x0 || y1 <= y0) return {0, 0, 0, 0};
  return {int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1)};
}

GcBox gc_clipRect(const GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height) {
  GcBox box = gc_box(gc);
  if (box.empty() || width <= 0 || height <= 0) return {0, 0, 0, 0};
  int64_t ax = int64_t(x) + gc->originX, ay = int64_t(y) + gc->originY;
  int64_t x0 = std::max<int64_t>(ax, box.x0), y0 = std::max<int64_t>(ay, box.y0);
  int64_t x1 = std::min<int64_t>(ax + width, box.x1), y1 = std::min<int64_t>(ay + height, box.y1);
  if (x1 <= x0 || y1 <= y0) return {0, 0, 0, 0};
  return {int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1)};
}

uint32_t gc_blend(uint32_t source, uint32_t target, uint8_t opacity) {
  double a = (source >> 24) / 255.0 * (opacity / 255.0);
  double b = (target >> 24) / 255.0;
  double r = a + (1 - a) * b;
  auto alpha = uint32_t(r * 255);
  if (alpha == 0) return kColourKey;
  uint32_t result = std::min<uint32_t>(alpha, 255) << 24;
  for (int shift = 0; shift <= 16; shift += 8) {
    double channel = a / r * ((source >> shift) & 0xFF) + (1 - a) * (b / r) * ((target >> shift) & 0xFF);
    result |= std::min<uint32_t>(uint32_t(channel), 255) << shift;
  }
  return result;
}

GraphicsContext* gc_new(int32_t x, int32_t y, int32_t width, int32_t height) {
  GraphicsContext* gc = newOnScreen(fb_osdPlane(), x, y, width, height);
  // Widget contexts start with the text font; once the system fonts are loaded this is the 24 one.
  if (gc) gc->font = font_open("default", 24, nullptr);
  return gc;
}

GraphicsContext* gc_newScreen() { return newContext(fb_osdPlane(), 0, 0, g_screenWidth, g_screenHeight); }

GraphicsContext* gc_newMiddle(int32_t x, int32_t y, int32_t width, int32_t height) {
  return newOnScreen(fb_middlePlane(), x, y, width, height);
}

GraphicsContext* gc_newOffscreen(int32_t width, int32_t height) {
  GraphicsFB* surface = fb_newSurface(width, height);
  if (!surface) return nullptr;
  GraphicsContext* gc = newContext(surface, 0, 0, width, height);
  if (!gc) fb_freeSurface(surface);
  return gc;
}

void gc_free(GraphicsContext* gc) {
  if (gc) pool_free(POOL_GRAPHIC, gc, sizeof(GraphicsContext));
}

GcRect gc_getClip(const GraphicsContext* gc) {
  if (!gc) return {0, 0, 0, 0};
  return {gc->clipX, gc->clipY, gc->clipWidth, gc->clipHeight};
}

void gc_setClip(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!gc) return;
  gc->clipX = x;
  gc->clipY = y;
  gc->clipWidth = width;
  gc->clipHeight = height;
}

void gc_setOrigin(GraphicsContext* gc, int32_t x, int32_t y) {
  if (!gc) return;
  gc->originX = x;
  gc->originY = y;
}

void gc_setFont(GraphicsContext* gc, Font* font) {
  if (gc) gc->font = font;
}
void gc_setForeground(GraphicsContext* gc, uint32_t colour) {
  if (gc) gc->foreground = colour;
}
void gc_setBackground(GraphicsContext* gc, uint32_t colour) {
  if (gc) gc->background = colour;
}
void gc_setMode(GraphicsContext* gc, uint8_t mode) {
  if (gc) gc->mode = mode;
}
void gc_setOpacity(GraphicsContext* gc, uint8_t opacity) {
  if (gc) gc->opacity = opacity;
}
void gc_setXorColour(GraphicsContext* gc, uint32_t colour) {
  if (gc) gc->xorColour = colour;
}

void gc_flush(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height) {
  GcBox rect = gc_clipRect(gc, x, y, width, height);
  if (rect.empty()) return;
  fb_markDirty(gc->surface, rect.x0, rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0);
}
