#include "graphics/pfr_bitmap.h"

namespace {

// Writes pixels in stored order (one continuous stream, rows not padded) into top-first rows.
struct PixelWriter {
  FontBitmap& image;
  std::vector<uint8_t>& bits;
  bool topDown;
  int64_t next = 0;  // index of the next pixel in stored order

  int64_t total() const { return int64_t(image.width) * image.height; }
  void put(bool on) {
    if (next >= total()) return;
    int32_t row = int32_t(next / image.width), column = int32_t(next % image.width);
    next++;
    if (!on) return;
    int32_t top = topDown ? row : image.height - 1 - row;
    bits[size_t(top) * image.pitch + column / 8] |= uint8_t(0x80 >> (column % 8));
  }
  void run(uint32_t count, bool on) {
    for (uint32_t i = 0; i < count && next < total(); i++) put(on);
  }
};

}  // namespace

bool pfr_decodeBitmap(PfrBytes p, bool topDown, FontBitmap& image, std::vector<uint8_t>& bits) {
  uint32_t format = p.u8();
  image = {};
  switch (format & 3) {
    case 0: {
      int32_t b = int8_t(p.u8());
      image.x = b >> 4;                        // signed high nibble
      image.y = int32_t(int8_t(b << 4)) >> 4;  // signed low nibble
      break;
    }
    case 1:
      image.x = p.s8();
      image.y = p.s8();
      break;
    case 2:
      image.x = p.s16();
      image.y = p.s16();
      break;
    default:
      image.x = p.s24();
      image.y = p.s24();
  }
  switch ((format >> 2) & 3) {
    case 0:
      break;  // a blank glyph
    case 1: {
      uint32_t b = p.u8();
      image.width = int32_t(b >> 4);
      image.height = int32_t(b & 15);
      break;
    }
    case 2:
      image.width = int32_t(p.u8());
      image.height = int32_t(p.u8());
      break;
    default:
      image.width = int32_t(p.u16());
      image.height = int32_t(p.u16());
  }
  switch ((format >> 4) & 3) {
    case 0:
      break;
    case 1:
      image.setWidth = p.s8() * 256;
      break;
    case 2:
      image.setWidth = p.s16();
      break;
    default:
      image.setWidth = p.s24();
  }
  image.format = uint8_t(format >> 6);
  if (!p.ok || image.format > 2 || image.width > kPfrBitmapMaxSide || image.height > kPfrBitmapMaxSide) return false;
  if (image.width == 0 || image.height == 0) {
    image.width = image.height = 0;
    bits.clear();
    return true;
  }
  image.pitch = (image.width + 7) / 8;
  bits.assign(size_t(image.pitch) * image.height, 0);
  PixelWriter writer{image, bits, topDown};
  const uint8_t* data = p.data + p.pos;
  size_t left = p.size - p.pos;
  if (image.format == 0) {
    if (left * 8 < size_t(writer.total())) return false;
    for (int64_t i = 0; i < writer.total(); i++) writer.put(data[i / 8] & (0x80 >> (i % 8)));
  } else if (image.format == 1) {
    // Each byte: a run of background pixels (high nibble), then of foreground pixels (low nibble).
    for (size_t i = 0; i < left && writer.next < writer.total(); i++) {
      writer.run(data[i] >> 4, false);
      writer.run(data[i] & 15, true);
    }
  } else {
    // Byte pairs: background count, then foreground count.
    for (size_t i = 0; i + 1 < left && writer.next < writer.total(); i += 2) {
      writer.run(data[i], false);
      writer.run(data[i + 1], true);
    }
  }
  return true;
}
