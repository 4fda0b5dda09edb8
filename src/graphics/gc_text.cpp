#include "graphics/gc_text.h"

#include <algorithm>
#include <vector>

#include "graphics/font.h"
#include "graphics/font_text.h"
#include "graphics/gc_internal.h"

namespace {

struct TextPen {
  GraphicsContext* gc;
  GcBox box;
  uint32_t colour;
  int64_t baseline;  // surface row of the baseline
};

bool bitAt(const FontBitmap& b, int32_t row, int32_t column) {
  return b.bits[size_t(row) * b.pitch + column / 8] & (0x80 >> (column % 8));
}

// Full size: the bottom row at baseline - y, rows going up, the left column at pen + x.
void drawBitmap(const TextPen& t, const FontBitmap& b, int64_t penX) {
  int64_t left = penX + b.x, top = t.baseline - b.y - (b.height - 1);
  if (left >= t.box.x1 || top >= t.box.y1 || left + b.width <= t.box.x0 || top + b.height <= t.box.y0) return;
  GraphicsFB* s = t.gc->surface;
  bool inside = left >= t.box.x0 && top >= t.box.y0 && left + b.width <= t.box.x1 && top + b.height <= t.box.y1;
  for (int32_t r = 0; r < b.height; r++) {
    int64_t y = top + r;
    if (!inside && (y < t.box.y0 || y >= t.box.y1)) continue;
    uint32_t* row = s->pixels + y * s->width;
    const uint8_t* bits = b.bits + size_t(r) * b.pitch;
    if (inside) {  // no per-pixel clipping
      for (int32_t c = 0; c < b.width; c++)
        if (bits[c >> 3] & (0x80 >> (c & 7))) row[left + c] = t.colour;
      continue;
    }
    for (int32_t c = 0; c < b.width; c++) {
      int64_t x = left + c;
      if (x >= t.box.x0 && x < t.box.x1 && (bits[c >> 3] & (0x80 >> (c & 7)))) row[x] = t.colour;
    }
  }
}

// Half size: every second pixel of every second row, counted from the bottom-left pixel, at half
// its offsets.
void drawBitmapHalf(const TextPen& t, const FontBitmap& b, int64_t penX) {
  GraphicsFB* s = t.gc->surface;
  int64_t left = penX + b.x / 2, bottom = t.baseline - b.y / 2;
  for (int32_t r = 0; r < b.height; r += 2) {
    int64_t y = bottom - r / 2;
    if (y < t.box.y0 || y >= t.box.y1) continue;
    int32_t stored = b.height - 1 - r;
    for (int32_t c = 0; c < b.width; c += 2) {
      int64_t x = left + c / 2;
      if (x >= t.box.x0 && x < t.box.x1 && bitAt(b, stored, c)) s->pixels[y * s->width + x] = t.colour;
    }
  }
}

// All contours of the glyph in one even-odd scan-line pass, so counters stay open. Edges follow
// the polygon rule of the drawing primitives: lower y <= row < upper y, x by 8.8 fixed-point slope.
void drawOutline(const TextPen& t, const Glyph& g, int64_t shiftX) {
  struct Edge {
    int64_t xa, ya, xb, yb;
  };
  std::vector<Edge> edges;
  edges.reserve(size_t(g.pointCount));
  int64_t top = INT64_MAX, bottom = INT64_MIN, minX = INT64_MAX, maxX = INT64_MIN;
  int32_t first = 0;
  for (int32_t c = 0; c < g.contourCount; c++) {
    int32_t n = g.contourSizes[c];
    for (int32_t i = 0; i < n; i++) {
      int32_t j = i + 1 == n ? 0 : i + 1;
      int64_t xa = shiftX + g.xs[first + i], ya = t.baseline - g.ys[first + i];
      int64_t xb = shiftX + g.xs[first + j], yb = t.baseline - g.ys[first + j];
      top = std::min(top, ya), bottom = std::max(bottom, ya);
      minX = std::min(minX, xa), maxX = std::max(maxX, xa);
      if (ya == yb) continue;
      if (ya > yb) std::swap(xa, xb), std::swap(ya, yb);
      edges.push_back({xa, ya, xb, yb});
    }
    first += n;
  }
  if (edges.empty() || maxX < t.box.x0 || minX >= t.box.x1 || bottom < t.box.y0 || top >= t.box.y1) return;
  std::vector<int64_t> crossings;
  for (int64_t y = std::max<int64_t>(top, t.box.y0); y < bottom && y < t.box.y1; y++) {
    crossings.clear();
    for (const Edge& e : edges) {
      if (y < e.ya || y >= e.yb) continue;
      int64_t step = (std::llabs(e.xb - e.xa) * 256) / (e.yb - e.ya);
      int64_t offset = ((y - e.ya) * step) / 256;
      crossings.push_back(e.xb >= e.xa ? e.xa + offset : e.xa - offset);
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2)
      gc_span(t.gc, t.box, crossings[k], crossings[k + 1], y, t.colour);
  }
}

}  // namespace

int32_t gc_drawText(GraphicsContext* gc, const char* utf8, int32_t x, int32_t y, uint32_t colour) {
  if (!gc || !gc->font) return 0;
  const Font* font = gc->font;
  if (gc->clipX < 0) {
    gc->clipWidth += gc->clipX;
    gc->clipX = 0;
  }
  if (gc->clipY < 0) {
    gc->clipHeight += gc->clipY;
    gc->clipY = 0;
  }
  TextPen t{gc, gc_box(gc), colour < 0x01000000 ? kColourKey : colour, 0};
  if (!utf8 || t.box.empty()) return 1;
  int64_t lineTop = int64_t(y) - font_baselineOffset(font);
  int64_t lineBottom = lineTop + font_lineHeight(font);
  if (lineBottom <= gc->clipY || lineTop >= int64_t(gc->clipY) + gc->clipHeight) return 1;
  t.baseline = gc->originY + lineTop + font->renderSize;
  bool half = font->strikeSize != 0 && font->renderSize != font->strikeSize;
  int64_t right = int64_t(gc->clipX) + gc->clipWidth;

  FontWideText text(utf8);
  int64_t pen = x;
  int32_t previous = 0;
  for (const char16_t* u = text.units(); *u; u++) {
    int32_t slot = font_slotOf(*u);
    const Glyph* glyph = slot >= 0 && slot < kFontGlyphSlots ? font->glyphs[slot] : nullptr;
    if (!glyph) continue;
    pen += font_kerning(font, previous, slot) + 1;
    previous = slot;
    if (pen > right) break;
    int64_t penX = pen + gc->originX;
    if (glyph->bitmap && half)
      drawBitmapHalf(t, *glyph->bitmap, penX);
    else if (glyph->bitmap)
      drawBitmap(t, *glyph->bitmap, penX);
    else if (glyph->contourCount > 0)
      drawOutline(t, *glyph, pen == 0 ? gc->originX + 2 : penX);
    pen += glyph->advance;
  }
  return 1;
}
