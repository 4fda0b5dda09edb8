// GIF decoding: the logical screen becomes the image; the first frame's LZW data is drawn onto it,
// clipped to the screen, in interlaced row order when the frame says so.
#include "graphics/gif_decoder.h"

#include <cstring>

#include "graphics/fb.h"
#include "graphics/image_new.h"
#include "runtime/pool.h"

namespace {

constexpr int kMaxCodes = 4096;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Reads bytes bounded by the end of the data.
struct Cursor {
  const uint8_t* p;
  const uint8_t* end;
  size_t left() const { return static_cast<size_t>(end - p); }
  bool skipSubBlocks() {
    while (p < end) {
      size_t n = *p++;
      if (n == 0) return true;
      if (n > left()) return false;
      p += n;
    }
    return false;
  }
};

// Codes of the LZW stream, least significant bit first, taken across the data sub-blocks.
class CodeReader {
 public:
  explicit CodeReader(Cursor* cursor) : c_(cursor) {}
  // -1 at the end of the data.
  int read(int bits) {
    while (count_ < bits) {
      if (blockLeft_ == 0) {
        if (ended_ || c_->p >= c_->end || *c_->p == 0) {
          ended_ = true;
          return -1;
        }
        blockLeft_ = *c_->p++;
        if (blockLeft_ > c_->left()) blockLeft_ = c_->left();
        continue;
      }
      buffer_ |= static_cast<uint32_t>(*c_->p++) << count_;
      count_ += 8;
      --blockLeft_;
    }
    int code = static_cast<int>(buffer_ & ((1u << bits) - 1));
    buffer_ >>= bits;
    count_ -= bits;
    return code;
  }

 private:
  Cursor* c_;
  uint32_t buffer_ = 0;
  int count_ = 0;
  size_t blockLeft_ = 0;
  bool ended_ = false;
};

// Places decoded pixels: frame rows in stored or interlaced order, clipped to the screen.
class PixelSink {
 public:
  PixelSink(Image* image, const uint32_t* palette, int left, int top, int width, int height, bool interlaced)
      : image_(image),
        palette_(palette),
        left_(left),
        top_(top),
        width_(width),
        height_(height),
        interlaced_(interlaced) {}
  bool full() const { return y_ >= height_; }
  void put(uint8_t index) {
    int sx = left_ + x_, sy = top_ + y_;
    if (sx < image_->width && sy < image_->height)
      image_->surface->pixels[static_cast<size_t>(sy) * image_->width + sx] = palette_[index];
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      ++y_;
      return;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    y_ += kStep[pass_];
    while (y_ >= height_ && pass_ < 3) y_ = kStart[++pass_];
  }

 private:
  Image* image_;
  const uint32_t* palette_;
  int left_, top_, width_, height_;
  bool interlaced_;
  int x_ = 0, y_ = 0, pass_ = 0;
};

// Decodes the LZW stream until its end code, the end of the data or a full frame. A corrupt code
// ends the picture where it stands.
void decodeLzw(Cursor* cursor, int minCodeSize, PixelSink* sink) {
  static_assert(kMaxCodes <= 4096);
  uint16_t prefix[kMaxCodes];
  uint8_t suffix[kMaxCodes];
  uint8_t stack[kMaxCodes];
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int i = 0; i < clear; ++i) suffix[i] = static_cast<uint8_t>(i);
  CodeReader reader(cursor);
  int codeSize = minCodeSize + 1, next = clear + 2, previous = -1;
  uint8_t first = 0;
  while (!sink->full()) {
    int code = reader.read(codeSize);
    if (code < 0 || code == end) return;
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > clear) return;
      first = static_cast<uint8_t>(code);
      sink->put(first);
      previous = code;
      continue;
    }
    if (code > next || (code == next && next >= kMaxCodes)) return;
    int top = 0, walk = code;
    if (code == next) {
      stack[top++] = first;
      walk = previous;
    }
    while (walk >= clear) {
      stack[top++] = suffix[walk];
      walk = prefix[walk];
    }
    first = static_cast<uint8_t>(walk);
    stack[top++] = first;
    while (top > 0 && !sink->full()) sink->put(stack[--top]);
    if (next < kMaxCodes) {
      prefix[next] = static_cast<uint16_t>(previous);
      suffix[next] = first;
      ++next;
      if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = code;
  }
}

bool readColourTable(Cursor* c, int packed, uint32_t* palette, int* count) {
  *count = 2 << (packed & 7);
  size_t bytes = static_cast<size_t>(*count) * 3;
  if (c->left() < bytes) return false;
  for (int i = 0; i < *count; ++i, c->p += 3)
    palette[i] = 0xFF000000 | uint32_t(c->p[0]) << 16 | uint32_t(c->p[1]) << 8 | c->p[2];
  return true;
}

}  // namespace

Image* gif_decode(const uint8_t* data, size_t size) {
  if (!data || size < 13 || std::memcmp(data, "GIF", 3) != 0) return nullptr;
  Cursor c{data + 13, data + size};
  int screenWidth = le16(data + 6), screenHeight = le16(data + 8);
  uint32_t palette[256];
  for (uint32_t& colour : palette) colour = 0xFF000000;
  int paletteLength = 0;
  if (data[10] & 0x80 && !readColourTable(&c, data[10], palette, &paletteLength)) return nullptr;
  int transparent = -1;
  while (c.left() > 0) {
    uint8_t block = *c.p++;
    if (block == 0x21) {  // extension
      if (c.left() < 1) return nullptr;
      uint8_t label = *c.p++;
      // A graphic control extension names the transparent index when its flag is set; index 0
      // is never made transparent.
      if (label == 0xF9 && c.left() >= 5 && c.p[0] >= 4) {
        transparent = (c.p[1] & 1) && c.p[4] != 0 ? c.p[4] : -1;
      }
      if (!c.skipSubBlocks()) return nullptr;
    } else if (block == 0x2C) {  // image descriptor
      if (c.left() < 9) return nullptr;
      int left = le16(c.p), top = le16(c.p + 2), width = le16(c.p + 4), height = le16(c.p + 6);
      uint8_t packed = c.p[8];
      c.p += 9;
      if (packed & 0x80 && !readColourTable(&c, packed, palette, &paletteLength)) return nullptr;
      if (c.left() < 1) return nullptr;
      int minCodeSize = *c.p++;
      if (minCodeSize < 2 || minCodeSize > 9) return nullptr;
      // The work is bounded by the frame's area, which may exceed the screen's.
      if (int64_t(width) * height > kImageMaxPixels) return nullptr;
      Image* image = image_new(screenWidth, screenHeight, POOL_GIF);
      if (!image) return nullptr;
      if (transparent >= 0) palette[transparent] = kColourKey;
      if (paletteLength > 0 && !image_setPalette(image, palette, paletteLength)) {
        image_free(image);
        return nullptr;
      }
      PixelSink sink(image, palette, left, top, width, height, packed & 0x40);
      if (width > 0 && height > 0) decodeLzw(&c, minCodeSize, &sink);
      return image;
    } else {
      return nullptr;  // the trailer, or anything unknown, before any frame
    }
  }
  return nullptr;
}
