#pragma once
// The system fonts of start-up (36, 24 and 18 pixels) and text drawn with them.
#include <cstdint>

struct GraphicsContext;

// Loads the system fonts; the number loaded.
int32_t system_loadFonts();
// Draws UTF-8 text with the system font of that size; false when the font is not loaded.
bool system_drawText(GraphicsContext* gc, int32_t size, const char* utf8, int32_t x, int32_t y, uint32_t colour);
