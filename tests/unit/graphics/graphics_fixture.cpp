#include "graphics_fixture.h"

#include <algorithm>

std::vector<uint32_t> ScreenTest::video;

namespace {
void initTasks() {
  static bool done = (process_init(), true);
  (void)done;
}
}  // namespace

void ScreenTest::SetUpTestSuite() {
  static bool ready = [] {
    initTasks();
    display_open(DisplayKind::Headless, 720, 576);
    fb_open(720, 576);
    fb_initPlanes();
    return true;
  }();
  (void)ready;
  video.assign(720 * 576, kVideoFill);
}

void ScreenTest::SetUp() {
  std::fill(video.begin(), video.end(), kVideoFill);
  fb_setVideoPlane(video.data());
  for (GraphicsFB* plane : {fb_osdPlane(), fb_middlePlane()})
    std::fill_n(plane->pixels, plane->width * plane->height, kColourKey);
  fb_setAutoFlush(kPlaneOsd, 1);
  fb_setAutoFlush(kPlaneMiddle, 1);
  Display* display = display_current();
  uint32_t* bitmap = display->beginWrite();
  std::fill_n(bitmap, 720 * 576, 0u);
  display->endWrite(0, 0, 0, 0);
}

uint32_t ScreenTest::screenPixel(int32_t x, int32_t y) { return display_current()->copy()[size_t(y) * 720 + x]; }

std::vector<std::string> picture(const GraphicsFB* surface, const std::vector<Legend>& legend) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < surface->height; y++) {
    std::string row;
    for (int32_t x = 0; x < surface->width; x++) {
      uint32_t pixel = surface->pixels[y * surface->width + x];
      char letter = pixel == kColourKey ? '.' : '?';
      for (const Legend& entry : legend)
        if (entry.colour == pixel) letter = entry.letter;
      row += letter;
    }
    rows.push_back(row);
  }
  return rows;
}

Canvas::Canvas(int32_t width, int32_t height) {
  initTasks();
  gc = gc_newOffscreen(width, height);
}

Canvas::~Canvas() {
  if (!gc) return;
  fb_freeSurface(gc->surface);
  gc_free(gc);
}
