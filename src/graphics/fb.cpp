#include "graphics/fb.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "graphics/fb_compose.h"
#include "host/display.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/system_exit.h"

int16_t g_screenWidth = 720;
int16_t g_screenHeight = 576;

namespace {

struct DirtyRect {
  int32_t x = -1, y = -1, width = -1, height = -1;
  std::atomic<int32_t> autoFlush{1};
  bool empty() const { return x < 0 || y < 0 || width <= 0 || height <= 0; }
  void clear() { x = y = width = height = -1; }
};

GraphicsFB* g_planes[2] = {nullptr, nullptr};
int g_planeLock = -1;
std::atomic<bool> g_ready{false};
DirtyRect g_dirty[2];
std::atomic<uint32_t*> g_video{nullptr};

bool validPlane(int32_t planeIndex) { return planeIndex == kPlaneOsd || planeIndex == kPlaneMiddle; }

}  // namespace

GraphicsFB* fb_newSurface(int32_t width, int32_t height) {
  GraphicsFB* surface = nullptr;
  uint32_t* pixels = nullptr;
  bool sizeOk = width > 0 && height > 0 && int64_t(width) * height <= INT32_MAX / 4;
  if (sizeOk) surface = static_cast<GraphicsFB*>(pool_alloc(POOL_CORE_GRAPHICS, sizeof(GraphicsFB)));
  if (surface) pixels = static_cast<uint32_t*>(pool_alloc(POOL_CORE_GRAPHICS, width * height * 4));
  if (!pixels) {
    if (surface) pool_free(POOL_CORE_GRAPHICS, surface, sizeof(GraphicsFB));
    std::printf("Cannot get mem for GraphicsFB\n");
    return nullptr;
  }
  surface->width = width;
  surface->height = height;
  surface->pixels = pixels;
  std::fill_n(pixels, size_t(width) * size_t(height), kColourKey);
  return surface;
}

void fb_freeSurface(GraphicsFB* surface) {
  if (!surface) return;
  pool_free(POOL_CORE_GRAPHICS, surface->pixels, surface->width * surface->height * 4);
  pool_free(POOL_CORE_GRAPHICS, surface, sizeof(GraphicsFB));
}

void fb_open(int32_t width, int32_t height) {
  g_screenWidth = int16_t(width);
  g_screenHeight = int16_t(height);
  Display* display = display_current();
  if (!display || display->width() != width || display->height() != height)
    display = display_open(DisplayKind::Headless, width, height);
  if (!display) system_exit(-2);
  uint32_t* bitmap = display->beginWrite();
  std::fill_n(bitmap, size_t(width) * size_t(height), 0u);
  display->endWrite(0, 0, width, height);
}

void fb_close() { display_close(); }

void fb_initPlanes() {
  if (g_ready) return;
  g_planeLock = process_mutex_create();
  g_planes[kPlaneOsd] = fb_newSurface(g_screenWidth, g_screenHeight);
  g_planes[kPlaneMiddle] = fb_newSurface(g_screenWidth, g_screenHeight);
  g_ready = true;
}

void fb_freePlanes() {
  if (!g_ready) return;
  g_ready = false;
  process_mutex_lock(g_planeLock);
  for (int plane = 0; plane < 2; plane++) {
    fb_freeSurface(g_planes[plane]);
    g_planes[plane] = nullptr;
    g_dirty[plane].clear();
  }
  process_mutex_destroy(g_planeLock);
  g_planeLock = -1;
}

GraphicsFB* fb_osdPlane() { return g_ready ? g_planes[kPlaneOsd] : nullptr; }
GraphicsFB* fb_middlePlane() { return g_ready ? g_planes[kPlaneMiddle] : nullptr; }

void fb_markDirty(const GraphicsFB* plane, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!plane) return;
  for (int attempt = 0; attempt < 50 && !g_ready; attempt++) process_sleep(50);
  if (!g_ready) return;
  int32_t index = plane == g_planes[kPlaneOsd] ? kPlaneOsd : plane == g_planes[kPlaneMiddle] ? kPlaneMiddle : -1;
  if (index < 0) return;
  // The lock fails only when the planes are being freed.
  if (process_mutex_lock(g_planeLock) != 0) return;
  DirtyRect& dirty = g_dirty[index];
  if (dirty.empty()) {
    dirty.x = x, dirty.y = y, dirty.width = width, dirty.height = height;
  } else {
    int64_t left = std::min(dirty.x, x), top = std::min(dirty.y, y);
    int64_t right = std::max(int64_t(dirty.x) + dirty.width, int64_t(x) + width);
    int64_t bottom = std::max(int64_t(dirty.y) + dirty.height, int64_t(y) + height);
    dirty.x = int32_t(left), dirty.y = int32_t(top);
    dirty.width = int32_t(std::min<int64_t>(right - left, INT32_MAX));
    dirty.height = int32_t(std::min<int64_t>(bottom - top, INT32_MAX));
  }
  process_mutex_unlock(g_planeLock);
  if (dirty.autoFlush) fb_flush(index);
}

void fb_flush(int32_t planeIndex) {
  if (!validPlane(planeIndex) || !g_ready || process_mutex_lock(g_planeLock) != 0) return;
  DirtyRect& dirty = g_dirty[planeIndex];
  Display* display = display_current();
  if (!dirty.empty() && display) {
    int32_t x = dirty.x, y = dirty.y;
    int32_t width = std::min<int64_t>(dirty.width, std::min<int32_t>(g_screenWidth, display->width()) - int64_t(x));
    int32_t height = std::min<int64_t>(dirty.height, std::min<int32_t>(g_screenHeight, display->height()) - int64_t(y));
    if (width > 0 && height > 0) {
      GraphicsFB* osd = g_planes[kPlaneOsd];
      GraphicsFB* middle = g_planes[kPlaneMiddle];
      uint32_t* video = g_video;
      if (planeIndex == kPlaneOsd && osd && middle && video) {
        uint32_t* bitmap = display->beginWrite();
        fb_composeRect(bitmap, display->width(), osd->pixels, middle->pixels, video, osd->width, x, y, width, height);
        display->endWrite(x, y, width, height);
      } else {
        display->present(x, y, width, height);
      }
    }
  }
  dirty.clear();
  process_mutex_unlock(g_planeLock);
}

void fb_setAutoFlush(int32_t planeIndex, int32_t on) {
  if (!validPlane(planeIndex)) return;
  g_dirty[planeIndex].autoFlush = on;
  if (on) fb_flush(planeIndex);
}

uint32_t* fb_videoPlane() { return g_video; }
void fb_setVideoPlane(uint32_t* pixels) { g_video = pixels; }

FbDirtyRect fb_dirtyRect(int32_t planeIndex) {
  if (!validPlane(planeIndex) || !g_ready || process_mutex_lock(g_planeLock) != 0) return {-1, -1, -1, -1};
  const DirtyRect& dirty = g_dirty[planeIndex];
  FbDirtyRect result{dirty.x, dirty.y, dirty.width, dirty.height};
  process_mutex_unlock(g_planeLock);
  return result;
}
