#pragma once
// Reading a PFR file into a font object.
#include <cstdint>

#include "graphics/font.h"

// Fills the glyph slots, kerning table, strikeSize, renderSize and maxAdvance of `font` (whose
// requestedSize is set) from the PFR data. `entry` is the size-table entry for the requested size:
// its render size is used when the file's strike is the entry's strike (or both are outlines);
// a file with another strike is drawn at full size. False when the header, the logical font or the
// physical font fails its checks, or memory runs out; the font may then hold part of the glyphs.
// Every offset and count is checked against the data: no input reads outside it.
bool pfr_read(Font* font, const FontSizeEntry& entry, const uint8_t* data, int32_t size);
