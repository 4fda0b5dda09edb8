#pragma once
// Glyphs of the receiver's font files taken from an outline font through FreeType.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

#include "pfr_writer.h"

// The code points the receiver has glyph slots for, printable ones only (no C0 or C1 controls).
std::vector<uint32_t> fontsource_slotCodes();

// One bitmap strike at exactly `pixels` pixels per em: every slot code the face maps, rasterised
// in monochrome, with advances stored one pixel short (the receiver puts one pixel between glyphs)
// and the face's kerning pairs that are not zero at that size. Metrics units are 1/256 pixel.
PfrFontContent fontsource_strike(FT_Face face, int32_t pixels);

// The outline font: every slot code the face maps, in the face's own units, quadratic curves
// raised to cubics, with the face's kerning pairs.
PfrFontContent fontsource_outline(FT_Face face);
