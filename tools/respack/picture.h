#pragma once
// Pictures drawn from a small readable script (see assets/graphics/README.md): filled and stroked
// shapes and text, rasterised with 4 x 4 samples per pixel. Composition on the receiver ignores alpha,
// so each pixel is either the colour key (less than half covered) or opaque, with its edge already
// blended over the "ground" colour the picture is meant to sit on.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Picture {
  std::string path;  // member path inside the archive
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgba;  // 8-bit RGBA, row after row; transparent pixels are (0x12, 0x34, 0x56, 0)
};

class PictureScript {
 public:
  // `fontPath`: the outline font used for labels.
  explicit PictureScript(std::string fontPath);
  ~PictureScript();
  PictureScript(const PictureScript&) = delete;
  PictureScript& operator=(const PictureScript&) = delete;

  // Runs one script file: its macros stay known for the files that follow. Pictures are appended to
  // `out`; errors go to `errors` as "file:line: message".
  void run(const std::string& source, const std::string& fileName, std::vector<Picture>& out,
           std::vector<std::string>& errors);

 private:
  struct Impl;
  Impl* impl_;
};

// The PNG bytes (8-bit RGBA, not interlaced) of a picture.
std::vector<uint8_t> png_encodeRgba(const Picture& picture);
