// Every drawing primitive with coordinates, sizes, angles, clips, origins and modes taken from the
// input, on a small surface: nothing may be written outside it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/fb.h"
#include "graphics/gc.h"
#include "graphics/image.h"
#include "runtime/process.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  int32_t next() {
    int32_t value = 0;
    if (size >= 4) {
      std::memcpy(&value, data, 4);
      data += 4, size -= 4;
    } else if (size > 0) {
      value = int8_t(*data);
      data++, size--;
    }
    // Mostly small numbers, sometimes extreme ones.
    return (value & 0x30000000) == 0x30000000 ? value : value % 300;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (process_init(), true);
  (void)ready;
  Reader in{data, size};
  GraphicsContext* gc = gc_newOffscreen(37, 23);
  GraphicsContext* source = gc_newOffscreen(11, 7);
  if (!gc || !source) return 0;
  Image image{};
  image.width = 11;
  image.height = 7;
  image.gc = source;
  image.surface = source->surface;
  while (in.size > 0) {
    int32_t op = in.next() & 31;
    int32_t a = in.next(), b = in.next(), c = in.next(), d = in.next(), e = in.next(), f = in.next();
    int32_t g = in.next(), h = in.next(), k = in.next();
    uint32_t colour = uint32_t(in.next()) * 2654435761u;
    int32_t xs[6] = {a, b, c, d, e, f}, ys[6] = {g, h, k, a, c, e};
    switch (op) {
      case 0:
        gc_setClip(gc, a, b, c, d);
        break;
      case 1:
        gc_setOrigin(gc, a, b);
        break;
      case 2:
        gc_setMode(gc, uint8_t(a));
        gc_setOpacity(gc, uint8_t(b));
        break;
      case 3:
        gc_fillRect(gc, a, b, c, d, colour);
        break;
      case 4:
        gc_drawLine(gc, a, b, c, d, colour);
        break;
      case 5:
        gc_drawRect(gc, a, b, c, d, colour);
        break;
      case 6:
        gc_drawPolyline(gc, xs, ys, 6, colour);
        break;
      case 7:
        gc_fillPolygon(gc, xs, ys, 6, colour);
        break;
      case 8:
        gc_drawEllipse(gc, a, b, c, d, colour);
        break;
      case 9:
        gc_fillEllipse(gc, a, b, c, d, colour);
        break;
      case 10:
        gc_drawArc(gc, a, b, c, d, e, f, colour);
        break;
      case 11:
        gc_fillArc(gc, a, b, c, d, e, f, colour);
        break;
      case 12:
        gc_drawRoundRect(gc, a, b, c, d, e, f, colour);
        break;
      case 13:
        gc_fillRoundRect(gc, a, b, c, d, e, f, colour);
        break;
      case 14:
        gc_drawImage(gc, &image, a, b);
        break;
      case 15:
        gc_drawImageScaled(gc, &image, a, b, c, d, e, f, g, h);
        break;
      case 16:
        gc_drawImageRotated(gc, &image, a, b, c, d, e, f, g, h, k);
        break;
      case 17:
        gc_copyArea(gc, a, b, c, d, gc, e, f);
        break;
      case 18:
        gc_copyArea(source, a, b, c, d, gc, e, f);
        break;
      case 19:
        gc_tileArea(source, a, b, c, d, gc, e, f, g, h);
        break;
      case 20:
        gc_setClip(source, a, b, c, d);
        gc_setOrigin(source, e, f);
        break;
      default:
        gc_clearRect(gc, a, b, c, d);
        break;
    }
  }
  fb_freeSurface(source->surface);
  gc_free(source);
  fb_freeSurface(gc->surface);
  gc_free(gc);
  return 0;
}
