#include "reference_sheet.h"

#include <zlib.h>

#include <cstdio>
#include <iterator>

#include "graphics/fb.h"
#include "graphics/gc.h"
#include "graphics/image.h"

namespace {

// A 24 x 16 picture: a colour ramp with a key hole in the middle and a dark corner marker.
struct SheetImage {
  SheetImage() {
    gc = gc_newOffscreen(24, 16);
    for (int32_t y = 0; y < 16; y++)
      for (int32_t x = 0; x < 24; x++) gc->surface->pixels[y * 24 + x] = colour_fromRgba(x * 10, y * 15, 200, 255);
    gc_fillRect(gc, 8, 5, 8, 6, kColourKey);
    gc_fillRect(gc, 0, 0, 4, 4, 0xFF000000);
    image.width = 24;
    image.height = 16;
    image.gc = gc;
    image.surface = gc->surface;
  }
  ~SheetImage() {
    fb_freeSurface(gc->surface);
    gc_free(gc);
  }
  GraphicsContext* gc;
  Image image{};
};

void drawShapes(GraphicsContext* gc, int32_t x, int32_t y, uint32_t colour) {
  gc_drawLine(gc, x, y, x + 60, y + 30, colour);
  gc_drawLine(gc, x, y + 30, x + 60, y, colour);
  gc_drawRect(gc, x + 70, y, 40, 30, colour);
  gc_fillRect(gc, x + 120, y, 40, 30, colour);
  gc_drawEllipse(gc, x + 170, y, 50, 30, colour);
  gc_fillEllipse(gc, x + 230, y, 50, 30, colour);
  gc_drawArc(gc, x + 290, y, 40, 40, 30, 240, colour);
  gc_fillArc(gc, x + 340, y, 40, 40, 45, -270, colour);
  gc_drawRoundRect(gc, x + 390, y, 60, 30, 16, 12, colour);
  gc_fillRoundRect(gc, x + 460, y, 60, 30, 16, 12, colour);
  int32_t xs[] = {x + 530, x + 560, x + 590, x + 545, x + 575};
  int32_t ys[] = {y + 30, y, y + 30, y + 10, y + 10};
  gc_fillPolygon(gc, xs, ys, 5, colour);
  int32_t lineXs[] = {x + 600, x + 620, -1, x + 630, x + 660, x + 640};
  int32_t lineYs[] = {y, y + 30, -1, y + 30, y, y + 15};
  gc_drawPolyline(gc, lineXs, lineYs, 6, colour);
}

}  // namespace

void drawReferenceSheet(std::vector<uint32_t>& video) {
  video.assign(720 * 576, 0);
  for (int32_t y = 0; y < 576; y++)
    for (int32_t x = 0; x < 720; x++) video[size_t(y) * 720 + x] = ((x / 40 + y / 40) % 2) ? 0xFF305070 : 0xFF6080A0;
  fb_setVideoPlane(video.data());
  fb_setAutoFlush(kPlaneOsd, 0);
  GraphicsContext* gc = gc_newScreen();
  gc_clearRect(gc, 0, 0, 720, 576);
  gc_fillRect(gc, 0, 0, 720, 60, 0xFF202020);
  drawShapes(gc, 10, 15, 0xFFFFD040);

  // One band per mode, each over a half-opaque, half-key background.
  const uint32_t modeColours[] = {0xFFE04040, 0xFF40E040, 0xC04040E0, 0x80FFFFFF, 0xFF00FFFF};
  SheetImage picture;
  for (uint8_t mode = 0; mode < 5; mode++) {
    int32_t top = 70 + mode * 60;
    gc_setMode(gc, GC_MODE_NORMAL);
    gc_fillRect(gc, 0, top, 360, 50, 0xFF808080);
    gc_setMode(gc, mode);
    gc_setOpacity(gc, 200);
    gc_setXorColour(gc, 0x00FFFFFF);
    drawShapes(gc, 10, top + 10, modeColours[mode]);
    gc_drawImage(gc, &picture.image, 680, top + 10);
  }

  // Images: plain, scaled up and down, turned, and clipped by a narrow context.
  gc_setMode(gc, GC_MODE_NORMAL);
  int32_t top = 380;
  gc_drawImage(gc, &picture.image, 10, top);
  gc_drawImageScaled(gc, &picture.image, 50, top, 72, 48, 0, 0, 24, 16);
  gc_drawImageScaled(gc, &picture.image, 140, top, 12, 8, 0, 0, 24, 16);
  for (int32_t quarter = 0; quarter < 4; quarter++) {
    int32_t width = quarter % 2 ? 32 : 48, height = quarter % 2 ? 48 : 32;
    gc_drawImageRotated(gc, &picture.image, 170 + quarter * 60, top, width, height, 0, 0, 24, 16, quarter * 90);
  }
  GraphicsContext* narrow = gc_new(420, top, 30, 30);
  gc_drawImageScaled(narrow, &picture.image, 410, top - 5, 48, 32, 0, 0, 24, 16);
  gc_drawLine(narrow, 400, top + 40, 470, top - 10, 0xFFFFFFFF);
  gc_free(narrow);
  gc_copyArea(gc, 10, 15, 160, 30, gc, 480, top);
  gc_tileArea(gc, 50, top, 72, 48, gc, 10, 450, 700, 60);
  gc_fillRect(gc, 300, 520, 120, 40, 0x00000000);  // a hole through to the video
  gc_fillRect(gc, 440, 520, 120, 40, 0x00000001);
  gc_free(gc);
  fb_setAutoFlush(kPlaneOsd, 1);
  fb_markDirty(fb_osdPlane(), 0, 0, 720, 576);
}

bool readOwnPng(const char* path, int32_t& width, int32_t& height, std::vector<uint32_t>& pixels) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  std::vector<uint8_t> bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(uint8_t(c));
  std::fclose(file);
  auto u32 = [&](size_t at) {
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
  };
  std::vector<uint8_t> packed;
  width = height = 0;
  for (size_t at = 8; at + 12 <= bytes.size();) {
    uint32_t length = u32(at);
    if (at + 12 + length > bytes.size()) return false;
    const uint8_t* data = bytes.data() + at + 8;
    std::string type(bytes.begin() + long(at) + 4, bytes.begin() + long(at) + 8);
    if (type == "IHDR") {
      width = int32_t(u32(at + 8)), height = int32_t(u32(at + 12));
      if (data[8] != 8 || data[9] != 2 || width <= 0 || height <= 0 || width > 4096 || height > 4096) return false;
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    }
    at += 12 + length;
  }
  if (width == 0) return false;
  size_t rowBytes = size_t(width) * 3 + 1;
  std::vector<uint8_t> raw(rowBytes * size_t(height));
  uLongf rawSize = uLongf(raw.size());
  if (uncompress(raw.data(), &rawSize, packed.data(), uLong(packed.size())) != Z_OK || rawSize != raw.size())
    return false;
  pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; y++) {
    const uint8_t* row = raw.data() + rowBytes * size_t(y);
    if (row[0] != 0) return false;
    for (int32_t x = 0; x < width; x++)
      pixels[size_t(y) * size_t(width) + size_t(x)] =
          0xFF000000u | uint32_t(row[1 + 3 * x]) << 16 | uint32_t(row[2 + 3 * x]) << 8 | row[3 + 3 * x];
  }
  return true;
}
