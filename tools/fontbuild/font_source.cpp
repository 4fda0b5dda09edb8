#include "font_source.h"

#include FT_OUTLINE_H

#include <cstring>

namespace {

std::vector<uint32_t> mappedCodes(FT_Face face) {
  std::vector<uint32_t> codes;
  for (uint32_t code : fontsource_slotCodes())
    if (FT_Get_Char_Index(face, code)) codes.push_back(code);
  return codes;
}

// Pairs of mapped codes with a non-zero kerning value in `mode`; `scale` turns it into the file's units.
std::vector<PfrKern> kerning(FT_Face face, const std::vector<uint32_t>& codes, FT_UInt mode, int32_t shift,
                             int32_t unitsPerPixel) {
  std::vector<PfrKern> pairs;
  if (!FT_HAS_KERNING(face)) return pairs;
  std::vector<FT_UInt> indices;
  for (uint32_t code : codes) indices.push_back(FT_Get_Char_Index(face, code));
  for (size_t l = 0; l < codes.size(); l++)
    for (size_t r = 0; r < codes.size(); r++) {
      FT_Vector v;
      if (FT_Get_Kerning(face, indices[l], indices[r], mode, &v) || v.x == 0) continue;
      int32_t value = int32_t(v.x >> shift) * unitsPerPixel;
      if (value) pairs.push_back({codes[l], codes[r], value});
    }
  return pairs;
}

struct PathBuilder {
  std::vector<PfrPathOp> ops;
  FT_Vector last{0, 0};
};

int moveTo(const FT_Vector* to, void* user) {
  auto* b = static_cast<PathBuilder*>(user);
  b->ops.push_back({PfrPathOp::Move, {int32_t(to->x)}, {int32_t(to->y)}});
  b->last = *to;
  return 0;
}

int lineTo(const FT_Vector* to, void* user) {
  auto* b = static_cast<PathBuilder*>(user);
  b->ops.push_back({PfrPathOp::Line, {int32_t(to->x)}, {int32_t(to->y)}});
  b->last = *to;
  return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* b = static_cast<PathBuilder*>(user);
  b->ops.push_back({PfrPathOp::Cubic,
                    {int32_t(c1->x), int32_t(c2->x), int32_t(to->x)},
                    {int32_t(c1->y), int32_t(c2->y), int32_t(to->y)}});
  b->last = *to;
  return 0;
}

// A quadratic raised to a cubic: the controls lie two thirds of the way to the quadratic's control.
int conicTo(const FT_Vector* q, const FT_Vector* to, void* user) {
  auto* b = static_cast<PathBuilder*>(user);
  FT_Vector p0 = b->last;
  FT_Vector c1{p0.x + (2 * (q->x - p0.x)) / 3, p0.y + (2 * (q->y - p0.y)) / 3};
  FT_Vector c2{to->x + (2 * (q->x - to->x)) / 3, to->y + (2 * (q->y - to->y)) / 3};
  return cubicTo(&c1, &c2, to, user);
}

}  // namespace

std::vector<uint32_t> fontsource_slotCodes() {
  std::vector<uint32_t> codes;
  for (uint32_t c = 0x20; c <= 0x1CE; c++)
    if (c < 0x7F || c >= 0xA0) codes.push_back(c);
  const uint32_t singles[] = {0x01E6, 0x01E7, 0x01E8, 0x01FE, 0x02C6, 0x02C7, 0x02C9, 0x02D8, 0x02D9, 0x02DA, 0x02DB,
                              0x02DC, 0x066B, 0x1E80, 0x1E81, 0x1E82, 0x1E83, 0x1E84, 0x1E85, 0x1EF2, 0x1EF3, 0x2007,
                              0x2010, 0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E, 0x2022, 0x2026,
                              0x2030, 0x2039, 0x203A, 0x2044, 0x20AC, 0x2122, 0x2190, 0x2191, 0x2192, 0x2193, 0x2212,
                              0x2214, 0x2215, 0x2219, 0x221E, 0x224C, 0x2268, 0x2269, 0x266B, 0x2713, 0x2717};
  codes.insert(codes.end(), std::begin(singles), std::end(singles));
  return codes;
}

PfrFontContent fontsource_strike(FT_Face face, int32_t pixels) {
  PfrFontContent content;
  content.strikeSize = pixels;
  content.metricsResolution = pixels * 256;
  content.outlineResolution = face->units_per_EM;
  content.bbox[0] = face->bbox.xMin, content.bbox[1] = face->bbox.yMin;
  content.bbox[2] = face->bbox.xMax, content.bbox[3] = face->bbox.yMax;
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels));
  std::vector<uint32_t> codes = mappedCodes(face);
  for (uint32_t code : codes) {
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) continue;
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    PfrImage image;
    image.left = slot->bitmap_left;
    image.bottom = slot->bitmap_top - int32_t(bitmap.rows);
    image.width = int32_t(bitmap.width);
    image.height = int32_t(bitmap.rows);
    if (image.width == 0 || image.height == 0) image = PfrImage{};  // a blank glyph, such as a space
    image.rows.assign(size_t(image.pitch()) * image.height, 0);
    for (int32_t r = 0; r < image.height; r++)
      memcpy(&image.rows[size_t(r) * image.pitch()], bitmap.buffer + r * bitmap.pitch, size_t(image.pitch()));
    int32_t advance = int32_t((slot->advance.x + 32) >> 6);
    content.glyphs.push_back({code, std::max(advance - 1, 0) * 256, image, {}});
  }
  content.kerning = kerning(face, codes, FT_KERNING_DEFAULT, 6, 256);
  return content;
}

PfrFontContent fontsource_outline(FT_Face face) {
  PfrFontContent content;
  content.outlineResolution = face->units_per_EM;
  content.metricsResolution = face->units_per_EM;
  content.bbox[0] = face->bbox.xMin, content.bbox[1] = face->bbox.yMin;
  content.bbox[2] = face->bbox.xMax, content.bbox[3] = face->bbox.yMax;
  std::vector<uint32_t> codes = mappedCodes(face);
  FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
  for (uint32_t code : codes) {
    if (FT_Load_Char(face, code, FT_LOAD_NO_SCALE)) continue;
    PathBuilder path;
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Decompose(&face->glyph->outline, &funcs, &path);
    PfrGlyph glyph{code, int32_t(face->glyph->metrics.horiAdvance), std::nullopt, {}};
    glyph.program = pfr_simpleProgram(path.ops);  // a blank glyph still has a program: FreeType needs one
    content.glyphs.push_back(glyph);
  }
  content.kerning = kerning(face, codes, FT_KERNING_UNSCALED, 0, 1);
  return content;
}
