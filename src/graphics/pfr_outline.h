#pragma once
// Glyph program strings: simple glyphs (control coordinates, then move, line and curve operators)
// and compound glyphs (scaled and shifted components), turned into pixel contours.
#include <cstdint>
#include <vector>

#include "graphics/pfr_bytes.h"

struct PfrOutline {
  std::vector<int32_t> contourSizes;
  std::vector<int32_t> xs;  // pixels, y up from the baseline
  std::vector<int32_t> ys;
};

// Reads the program of `size` bytes at `offset` in the glyph-program-string section `gps` and
// converts it to pixels as round(coordinate × renderSize / outlineResolution); curves are
// flattened. False when the program is malformed or too large (the outline is then unusable).
bool pfr_readGlyphProgram(const PfrBytes& gps, uint32_t offset, uint32_t size, int32_t renderSize,
                          int32_t outlineResolution, PfrOutline& out);
