#include "graphics/font_objects.h"

#include <algorithm>
#include <cstring>

#include "runtime/pool.h"

namespace {

constexpr size_t align8(size_t n) { return (n + 7) & ~size_t(7); }

Glyph* newBlock(int32_t slot, int32_t advance, size_t extra) {
  size_t size = align8(sizeof(Glyph)) + extra;
  if (size > size_t(INT32_MAX)) return nullptr;
  auto* glyph = static_cast<Glyph*>(pool_allocZeroed(POOL_FONT, int32_t(size)));
  if (!glyph) return nullptr;
  glyph->slot = uint16_t(slot);
  glyph->advance = uint16_t(std::clamp(advance, 0, 0xFFFF));
  glyph->blockSize = int32_t(size);
  return glyph;
}

uint8_t* after(Glyph* glyph) { return reinterpret_cast<uint8_t*>(glyph) + align8(sizeof(Glyph)); }

}  // namespace

Font* font_new(const char* name, int32_t requestedSize) {
  auto* font = static_cast<Font*>(pool_allocZeroed(POOL_FONT, sizeof(Font)));
  if (!font) return nullptr;
  size_t length = name ? strlen(name) : 0;
  font->name = static_cast<char*>(pool_alloc(POOL_FONT, int32_t(length + 1)));
  if (!font->name) {
    pool_free(POOL_FONT, font, sizeof(Font));
    return nullptr;
  }
  if (length) memcpy(font->name, name, length);
  font->name[length] = 0;
  font->glyphCount = kFontGlyphSlots;
  font->requestedSize = requestedSize;
  font->referenceCount = 1;
  return font;
}

void font_free(Font* font) {
  if (!font) return;
  for (Glyph*& glyph : font->glyphs) {
    glyph_free(glyph);
    glyph = nullptr;
  }
  if (font->kernPairs) pool_free(POOL_FONT, font->kernPairs, int32_t(font->kernCapacity * sizeof(KernPair)));
  pool_free(POOL_FONT, font->name, int32_t(strlen(font->name) + 1));
  pool_free(POOL_FONT, font, sizeof(Font));
}

Glyph* glyph_newBitmap(int32_t slot, int32_t advance, const FontBitmap& image, const uint8_t* bits) {
  size_t bytes = size_t(image.pitch) * size_t(image.height);
  Glyph* glyph = newBlock(slot, advance, align8(sizeof(FontBitmap)) + bytes);
  if (!glyph) return nullptr;
  auto* bitmap = reinterpret_cast<FontBitmap*>(after(glyph));
  *bitmap = image;
  bitmap->bits = reinterpret_cast<uint8_t*>(bitmap) + align8(sizeof(FontBitmap));
  if (bytes) memcpy(bitmap->bits, bits, bytes);
  glyph->bitmap = bitmap;
  return glyph;
}

Glyph* glyph_newOutline(int32_t slot, int32_t advance, const std::vector<int32_t>& contourSizes,
                        const std::vector<int32_t>& xs, const std::vector<int32_t>& ys) {
  size_t contours = contourSizes.size(), points = xs.size();
  Glyph* glyph = newBlock(slot, advance, (contours + 2 * points) * sizeof(int32_t));
  if (!glyph) return nullptr;
  auto* ints = reinterpret_cast<int32_t*>(after(glyph));
  glyph->contourCount = int32_t(contours);
  glyph->contourSizes = ints;
  glyph->pointCount = int32_t(points);
  glyph->xs = ints + contours;
  glyph->ys = ints + contours + points;
  std::copy(contourSizes.begin(), contourSizes.end(), glyph->contourSizes);
  std::copy(xs.begin(), xs.end(), glyph->xs);
  std::copy(ys.begin(), ys.end(), glyph->ys);
  return glyph;
}

Glyph* glyph_newEmpty(int32_t slot, int32_t advance) { return newBlock(slot, advance, 0); }

void glyph_free(Glyph* glyph) {
  if (glyph) pool_free(POOL_FONT, glyph, glyph->blockSize);
}
