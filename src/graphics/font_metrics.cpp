#include <cstdint>

#include "graphics/font.h"
#include "graphics/font_text.h"

int32_t font_lineHeight(const Font* font) { return font ? font->lineAscent + font->lineDescent + font->lineGap : 0; }

int32_t font_baselineOffset(const Font* font) {
  if (!font) return 0;
  return font->requestedSize == font->strikeSize ? font->lineAscent : font->renderSize + 1;
}

int32_t font_descent(const Font* font) { return font ? font->lineDescent : 0; }
int32_t font_gap(const Font* font) { return font ? font->lineGap : 0; }

int32_t font_kerning(const Font* font, int32_t left, int32_t right) {
  if (!font || font->kernCount == 0) return 0;
  int32_t low = 0, high = font->kernCount - 1;
  while (low <= high) {
    int32_t mid = (low + high) / 2;
    const KernPair& pair = font->kernPairs[mid];
    if (pair.left == left && pair.right == right) return pair.adjustment;
    if (pair.left < left || (pair.left == left && pair.right < right))
      low = mid + 1;
    else
      high = mid - 1;
  }
  return 0;
}

namespace {

// The width of the first `limit` units.
int32_t measure(const Font* font, const char16_t* wide, int32_t limit) {
  if (!font || !wide) return 0;
  int32_t width = 0, previous = 0;
  for (int32_t i = 0; i < limit && wide[i]; i++) {
    int32_t slot = font_slotOf(wide[i]);
    const Glyph* glyph = slot >= 0 ? font->glyphs[slot] : nullptr;
    if (!glyph) continue;
    width += glyph->advance + font_kerning(font, previous, slot) + 1;
    previous = slot;
  }
  return width;
}

int32_t measureUtf8(const Font* font, const char* utf8, int32_t limit) {
  if (!font || !utf8) return 0;
  FontWideText text(utf8);
  return measure(font, text.units(), limit);
}

}  // namespace

int32_t font_wideTextWidth(const Font* font, const char16_t* wide) { return measure(font, wide, INT32_MAX); }
int32_t font_wideTextWidthN(const Font* font, const char16_t* wide, int32_t n) { return measure(font, wide, n); }
int32_t font_textWidth(const Font* font, const char* utf8) { return measureUtf8(font, utf8, INT32_MAX); }
int32_t font_textWidthN(const Font* font, const char* utf8, int32_t n) { return measureUtf8(font, utf8, n); }
