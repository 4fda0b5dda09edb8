#pragma once
// Writing PFR font files: one logical and one physical font, an optional bitmap strike, outline glyph
// programs and kerning pairs. The layout is the one FreeType's PFR driver and our reader both accept:
// header, logical-font directory, logical font, physical font followed by the bitmap character table,
// then the glyph-program-string section.
#include <cstdint>
#include <optional>
#include <vector>

// A 1-bit image: rows top row first, each padded to whole bytes, most significant bit leftmost.
struct PfrImage {
  int32_t left = 0;    // column of the left edge relative to the pen
  int32_t bottom = 0;  // bottom row above the baseline (negative for descenders)
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rows;
  int32_t pitch() const { return (width + 7) / 8; }
  bool pixel(int32_t row, int32_t column) const {
    return rows[size_t(row) * pitch() + column / 8] & (0x80 >> (column % 8));
  }
};

struct PfrGlyph {
  uint32_t code = 0;     // Unicode code point (below 0x10000)
  int32_t setWidth = 0;  // in metrics units
  std::optional<PfrImage> image;
  std::vector<uint8_t> program;  // outline glyph program string; empty for none
};

struct PfrKern {
  uint32_t left, right;
  int32_t value;  // metrics units
};

// How images are stored: one format for all, or per glyph the smallest of the three.
enum class PfrImageFormat { Bits = 0, NibbleRuns = 1, ByteRuns = 2, Smallest = 3 };

struct PfrFontContent {
  int32_t outlineResolution = 2048;
  int32_t metricsResolution = 2048;
  int32_t bbox[4] = {0, 0, 0, 0};  // xMin, yMin, xMax, yMax in outline units
  int32_t strikeSize = 0;          // pixels per em of the one bitmap strike; 0 for none
  PfrImageFormat imageFormat = PfrImageFormat::Smallest;
  bool narrowFields = false;  // the shortest field encodings instead of the widest
  std::vector<PfrGlyph> glyphs;
  std::vector<PfrKern> kerning;
  // Bytes placed first in the glyph-program-string section (offset 0), for programs that refer to
  // others by offset (compound glyphs).
  std::vector<uint8_t> gpsPrefix;
};

// The file's bytes; glyphs and kerning pairs are written in ascending code order.
std::vector<uint8_t> pfr_write(const PfrFontContent& content);

// A simple glyph program from closed contours in outline units.
struct PfrPathOp {
  enum Kind { Move, Line, Cubic } kind;
  int32_t x[3];  // Move and Line use x[0], y[0]; Cubic: two control points and the end point
  int32_t y[3];
};
std::vector<uint8_t> pfr_simpleProgram(const std::vector<PfrPathOp>& path);

// A compound glyph program: components that name other programs by their offset and size in the
// glyph-program-string section, each scaled (2.12 fixed point, 4096 = 1) and shifted.
struct PfrComponent {
  int32_t xScale = 4096, yScale = 4096;
  int32_t dx = 0, dy = 0;
  uint32_t size = 0, offset = 0;
};
std::vector<uint8_t> pfr_compoundProgram(const std::vector<PfrComponent>& components);
