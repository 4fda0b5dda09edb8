#include "app/system/system_fonts.h"

#include "graphics/font.h"
#include "graphics/gc.h"
#include "graphics/gc_text.h"

int32_t system_loadFonts() { return font_loadSystemFonts(); }

bool system_drawText(GraphicsContext* gc, int32_t size, const char* utf8, int32_t x, int32_t y, uint32_t colour) {
  Font* font = font_systemFont(size);
  if (!gc || !font) return false;
  gc_setFont(gc, font);
  gc_drawText(gc, utf8, x, y, colour);
  return true;
}
