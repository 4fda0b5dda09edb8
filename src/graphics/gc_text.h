#pragma once
// Text through a graphics context, with the context's font.
#include <cstdint>

#include "graphics/gc.h"

// Draws the UTF-8 text in one colour (alpha 0 gives the key) with its baseline one row above y
// (y is the line's top plus the font's baseline offset). A negative clipX or clipY of the context
// is first moved to 0, shrinking the clipping rectangle, and stays so. Nothing is drawn when the
// line lies wholly above or below the clipping rectangle; drawing stops once the pen passes its
// right edge. Returns 0 when the context has no font, else 1.
int32_t gc_drawText(GraphicsContext* gc, const char* utf8, int32_t x, int32_t y, uint32_t colour);
