// FreeType-based width estimates.
#include "text_width.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <sstream>

TextMeasure::TextMeasure(const std::string& fontPath) {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return;
  library_ = lib;
  if (FT_New_Face(lib, fontPath.c_str(), 0, &face) == 0) face_ = face;
}

TextMeasure::~TextMeasure() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

int32_t TextMeasure::width(const std::u16string& text, int32_t pixelSize) {
  if (!face_) return -1;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
  int32_t w = 0;
  for (char16_t u : text) {
    if (u < 0x20) continue;  // control units (the shift marker) draw nothing
    if (FT_Load_Char(face, u, FT_LOAD_DEFAULT) == 0) w += static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
    w += 1;
  }
  return w;
}

std::vector<TextRoom> textRooms_parse(const std::string& source, std::vector<std::string>& errors) {
  std::vector<TextRoom> rooms;
  std::istringstream in(source);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::istringstream words(line);
    TextRoom r{};
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    r.id = std::atoi(first.c_str());
    if (!(words >> r.width >> r.size) || r.id <= 0 || r.width <= 0 || (r.size != 24 && r.size != 18))
      errors.push_back("widths:" + std::to_string(lineNo) + ": expected 'id width 24|18'");
    else
      rooms.push_back(r);
  }
  return rooms;
}
