#pragma once
// Fonts: PFR font files read into font objects of 517 glyph slots, each a 1-bit image or outline
// contours already scaled to pixels, plus a sorted kerning table. Fonts are opened by name and size
// through a cache; five system fonts answer for their sizes whatever name is asked for.
#include <cstdint>

constexpr int32_t kFontGlyphSlots = 517;
constexpr int32_t kFontNameMax = 256;      // names of this length or more are refused
constexpr int32_t kFontLargestSize = 200;  // larger requests are served at this size

// A 1-bit glyph image. Rows are stored top row first, each padded to whole bytes, most significant
// bit leftmost, whatever the image format of the record it came from.
struct FontBitmap {
  uint8_t format;  // the record's image format: 0 packed bits, 1 nibble runs, 2 byte runs
  int32_t x;       // left column relative to the pen
  int32_t y;       // bottom row above the baseline (negative for descenders)
  int32_t width;
  int32_t height;
  int32_t setWidth;  // the record's own set width in 1/256 pixel, 0 when it has none
  int32_t pitch;     // bytes per row
  uint8_t* bits;
};

// One glyph: an image, or contours in pixels (y up from the baseline), or neither (a space).
struct Glyph {
  uint16_t slot;
  uint16_t advance;  // pixels
  FontBitmap* bitmap;
  int32_t contourCount;
  int32_t* contourSizes;  // points per contour
  int32_t pointCount;
  int32_t* xs;
  int32_t* ys;
  int32_t blockSize;  // the glyph is one block of pool POOL_FONT of this size
};

struct KernPair {
  uint16_t left;
  uint16_t right;
  int32_t adjustment;  // pixels
};

// Allocated in pool POOL_FONT.
struct Font {
  char* name;  // as requested (a copy, pool POOL_FONT)
  int32_t glyphCount;
  int32_t requestedSize;
  uint8_t lineAscent;
  uint8_t lineDescent;
  uint8_t lineGap;
  uint8_t renderSize;
  uint8_t strikeSize;  // 0 for an outline font
  uint16_t maxAdvance;
  Glyph* glyphs[kFontGlyphSlots];
  int32_t kernCount;
  int32_t kernCapacity;
  KernPair* kernPairs;
  uint16_t referenceCount;
  bool system;  // a system font: never freed by font_release
};

// The glyph slot of a code point, or -1 when the code point has none.
int32_t font_slotOf(uint32_t codePoint);

// The size table: which strike serves a requested size, at which render size, with which metrics.
struct FontSizeEntry {
  const char* file;    // "data/fonts/..."
  int32_t strikeSize;  // 0 for the outline font
  int32_t renderSize;
  int32_t ascent;
  int32_t descent;
  int32_t gap;
};
FontSizeEntry font_sizeEntry(int32_t size);

// Opens a font; null on failure. An empty name (or one of kFontNameMax bytes or more) gives null;
// a loaded system font of that size is returned as it is; a cached font of the same name (compared
// without case) and size gets one more reference. Otherwise the PFR data comes from the loose file
// `name`, else the member of "data/fonts.zip" whose name occurs within `name`, else the size
// table's file for `size` found the same way. `archive` is accepted and ignored.
Font* font_open(const char* name, int32_t size, const char* archive);
// The same with the PFR data supplied by the caller (copied as needed; the caller keeps it).
Font* font_openFromMemory(const char* name, int32_t size, const uint8_t* data, int32_t length);
// Lowers the reference count of a cached font; at 0 the font is freed (system fonts stay).
void font_release(Font* font);

// Loads the system fonts of sizes 36, 24 and 18 (those 13 and 31 are loaded by nobody). Returns the
// number loaded.
int32_t font_loadSystemFonts();
// The loaded system font of that size, or null.
Font* font_systemFont(int32_t size);
// Forgets the system fonts and frees every cached font (shutdown and tests).
void font_closeAll();

int32_t font_lineHeight(const Font* font);  // 0 for null
int32_t font_baselineOffset(const Font* font);
int32_t font_descent(const Font* font);
int32_t font_gap(const Font* font);

// Widths in pixels: the advances of the glyphs plus, per glyph, its kerning against the previous
// glyph (slot 0 before the first) plus 1. The N forms measure the first n characters.
int32_t font_textWidth(const Font* font, const char* utf8);
int32_t font_textWidthN(const Font* font, const char* utf8, int32_t n);
int32_t font_wideTextWidth(const Font* font, const char16_t* wide);
int32_t font_wideTextWidthN(const Font* font, const char16_t* wide, int32_t n);

// The kerning adjustment of a pair of slots (0 when the pair has none).
int32_t font_kerning(const Font* font, int32_t left, int32_t right);
