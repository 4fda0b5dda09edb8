#include "font_fixture.h"

#include <fstream>
#include <iterator>

#include "host/root.h"
#include "runtime/process.h"

std::string builtRoot() { return std::string(ORB_BINARY_DIR) + "/root"; }

std::string builtFontFile(const char* name) { return std::string(ORB_BINARY_DIR) + "/tools/fontbuild/pfr/" + name; }

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

PfrImage imageOf(const std::vector<std::string>& rows, int32_t left, int32_t bottom) {
  PfrImage image;
  image.left = left;
  image.bottom = bottom;
  image.height = int32_t(rows.size());
  image.width = rows.empty() ? 0 : int32_t(rows[0].size());
  image.rows.assign(size_t(image.pitch()) * image.height, 0);
  for (int32_t r = 0; r < image.height; r++)
    for (int32_t c = 0; c < image.width; c++)
      if (rows[size_t(r)][size_t(c)] == '#') image.rows[size_t(r) * image.pitch() + c / 8] |= uint8_t(0x80 >> (c % 8));
  return image;
}

std::vector<std::string> rowsOf(const FontBitmap& bitmap) {
  std::vector<std::string> rows;
  for (int32_t r = 0; r < bitmap.height; r++) {
    std::string row;
    for (int32_t c = 0; c < bitmap.width; c++)
      row += (bitmap.bits[size_t(r) * bitmap.pitch + c / 8] & (0x80 >> (c % 8))) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

PfrFontContent smallStrike(int32_t strike) {
  PfrFontContent content;
  content.strikeSize = strike;
  content.metricsResolution = strike * 256;
  auto glyph = [](uint32_t code, int32_t advance, std::optional<PfrImage> image) {
    return PfrGlyph{code, advance * 256, std::move(image), {}};
  };
  content.glyphs = {
      glyph('A', 6, imageOf({"..#..", ".#.#.", "#...#", "#####", "#...#", "#...#"}, 0, 0)),
      glyph('V', 6, imageOf({"#...#", "#...#", ".#.#.", ".#.#.", "..#.."}, 0, 0)),
      glyph('o', 5, imageOf({".##.", "#..#", "#..#", ".##."}, 0, -1)),
      glyph(' ', 4, PfrImage{}),
      glyph(0xE9, 5, imageOf({"..#", ".#.", "...", "##.", "#.#"}, 1, 0)),
      glyph(0x20AC, 7, imageOf({"..####...", ".#.......", "#####....", ".#.......", "..####..."}, -1, 0)),
  };
  content.kerning = {{'A', 'V', -2 * 256}};
  return content;
}

Font* openBytes(const std::vector<uint8_t>& bytes, int32_t size) {
  static int serial = 0;
  std::string name = "memory-" + std::to_string(++serial) + ".pfr";
  return font_openFromMemory(name.c_str(), size, bytes.data(), int32_t(bytes.size()));
}

void FontTest::SetUpTestSuite() {
  static bool ready = (process_init(), true);
  (void)ready;
}

void FontTest::SetUp() { host_setRoot(builtRoot()); }

void FontTest::TearDown() {
  font_closeAll();
  host_setRoot(".");
}

std::vector<PfrPathOp> squarePath(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return {{PfrPathOp::Move, {x0}, {y0}},
          {PfrPathOp::Line, {x1}, {y0}},
          {PfrPathOp::Line, {x1}, {y1}},
          {PfrPathOp::Line, {x0}, {y1}}};
}

std::vector<PfrPathOp> ringPath() {
  std::vector<PfrPathOp> ring = squarePath(0, 0, 20, 20);
  for (const PfrPathOp& op : squarePath(5, 5, 15, 15)) ring.push_back(op);
  return ring;
}
