// Any bytes as a PFR font: opened at a size chosen by the first byte (a strike, half size or the
// outline range), then measured and drawn into a small surface, then released.
#include <cstddef>
#include <cstdint>

#include "graphics/fb.h"
#include "graphics/font.h"
#include "graphics/gc.h"
#include "graphics/gc_text.h"
#include "runtime/process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (process_init(), true);
  (void)ready;
  if (size < 1 || size > (1 << 20)) return 0;
  constexpr int32_t kSizes[] = {12, 20, 24, 26, 44, 200};
  int32_t fontSize = kSizes[data[0] % 6];
  Font* font = font_openFromMemory("fuzz.pfr", fontSize, data + 1, int32_t(size - 1));
  if (!font) return 0;
  static GraphicsContext* gc = gc_newOffscreen(96, 48);
  gc_setFont(gc, font);
  gc_setClip(gc, -3, -2, 100, 60);
  const char* text = "Ag\xC3\xA9\xE2\x82\xAC\xE2\x9C\x93 Wo";
  font_textWidth(font, text);
  gc_drawText(gc, text, 0, 30, 0xFFFFFFFF);
  gc_drawText(gc, text, -40, 60, 0xFF00FF00);
  font_release(font);
  return 0;
}
