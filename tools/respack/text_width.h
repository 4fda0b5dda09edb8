#pragma once
// Width estimates of texts at the receiver's font sizes, from an outline font, for the fit warnings:
// the sum of the glyph advances at the pixel size, plus one pixel per glyph as the receiver's text
// drawing adds.
#include <cstdint>
#include <string>
#include <vector>

class TextMeasure {
 public:
  explicit TextMeasure(const std::string& fontPath);
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;
  bool ok() const { return face_ != nullptr; }
  // -1 when the font is missing.
  int32_t width(const std::u16string& text, int32_t pixelSize);

 private:
  void* library_ = nullptr;
  void* face_ = nullptr;
};

// The declared room of a text: "id width size" lines (size 24 normal or 18 small), "#" comments.
struct TextRoom {
  int32_t id;
  int32_t width;
  int32_t size;
};
std::vector<TextRoom> textRooms_parse(const std::string& source, std::vector<std::string>& errors);
