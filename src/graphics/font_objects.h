#pragma once
// Making and freeing font objects and their glyphs (every block in pool POOL_FONT).
#include <cstdint>
#include <vector>

#include "graphics/font.h"

// A zeroed font with a copy of the name, 517 slots and one reference; null without memory.
Font* font_new(const char* name, int32_t requestedSize);
// Frees the glyphs, the kerning table, the name and the font.
void font_free(Font* font);

// One block holding the glyph and its image or contours; null without memory. `bits` holds
// image.pitch * image.height bytes.
Glyph* glyph_newBitmap(int32_t slot, int32_t advance, const FontBitmap& image, const uint8_t* bits);
Glyph* glyph_newOutline(int32_t slot, int32_t advance, const std::vector<int32_t>& contourSizes,
                        const std::vector<int32_t>& xs, const std::vector<int32_t>& ys);
Glyph* glyph_newEmpty(int32_t slot, int32_t advance);
void glyph_free(Glyph* glyph);
