// PNG decoding. Image data is inflated row by row as the IDAT chunks arrive, each row unfiltered
// against the one before it and turned into colours straight in the image surface.
#include "graphics/png_decoder.h"

#include <zlib.h>

#include <cstring>

#include "graphics/fb.h"
#include "graphics/image_new.h"
#include "runtime/pool.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kSignatureLf[8] = {0x89, 'P', 'N', 'G', 0x0A, 0x0A, 0x1A, 0x0A};

constexpr uint32_t chunkType(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
         uint8_t(name[3]);
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

enum ColourType { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgbAlpha = 6 };

// Adam7 pass geometry; pass 0 with step 1 stands for a plain, non-interlaced image.
struct Pass {
  uint8_t x, y, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kPlain = {0, 0, 1, 1};

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  // A wholly transparent pixel holds the key, as every transparent image pixel does.
  return a == 0 ? kColourKey : a << 24 | r << 16 | g << 8 | b;
}

bool combinationAllowed(int type, int depth) {
  switch (type) {
    case kGrey:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kPalette:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case kRgb:
    case kGreyAlpha:
    case kRgbAlpha:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

int channelsOf(int type) {
  switch (type) {
    case kRgb:
      return 3;
    case kGreyAlpha:
      return 2;
    case kRgbAlpha:
      return 4;
    default:
      return 1;
  }
}

class PngDecoder {
 public:
  ~PngDecoder() {
    if (zReady_) inflateEnd(&z_);
    if (rows_) pool_free(POOL_PNG, rows_, rowsSize_);
    image_free(image_);
  }

  Image* decode(const uint8_t* data, size_t size);

 private:
  bool readHeader(const uint8_t* p, uint32_t length);
  bool readPalette(const uint8_t* p, uint32_t length);
  void readTransparency(const uint8_t* p, uint32_t length);
  bool startImage();
  bool feed(const uint8_t* p, uint32_t length);
  bool startPass();
  bool finishRow();
  void unfilter(uint8_t* row, const uint8_t* prev, size_t bytes, int filter) const;
  void emitRow(const uint8_t* row, uint32_t* out, int step) const;
  bool matchesTransparentColour(const uint8_t* sample) const;

  uint32_t width_ = 0, height_ = 0;
  int depth_ = 0, type_ = 0, channels_ = 0, pixelBytes_ = 1;
  bool interlaced_ = false, headerSeen_ = false, paletteSeen_ = false;
  uint32_t palette_[256];
  int paletteLength_ = 0;
  bool hasTransparentColour_ = false;
  uint16_t transparent_[3] = {0, 0, 0};  // grey, or red, green, blue at the image's depth

  Image* image_ = nullptr;
  z_stream z_{};
  bool zReady_ = false;
  uint8_t* rows_ = nullptr;  // the current row and the row before it, each led by its filter byte
  int32_t rowsSize_ = 0;
  uint8_t* row_ = nullptr;
  uint8_t* prev_ = nullptr;
  size_t stride_ = 0;  // bytes of the widest row including its filter byte
  int pass_ = 0;
  Pass geometry_ = kPlain;
  uint32_t passWidth_ = 0, passHeight_ = 0, passRow_ = 0;
  size_t rowBytes_ = 0, filled_ = 0;
  bool complete_ = false;
};

bool PngDecoder::readHeader(const uint8_t* p, uint32_t length) {
  if (length != 13) return false;
  width_ = be32(p);
  height_ = be32(p + 4);
  depth_ = p[8];
  type_ = p[9];
  if (p[10] != 0 || p[11] != 0 || p[12] > 1) return false;
  interlaced_ = p[12] == 1;
  if (!combinationAllowed(type_, depth_)) return false;
  if (!image_sizeAllowed(width_, height_)) return false;
  channels_ = channelsOf(type_);
  int bits = channels_ * depth_;
  pixelBytes_ = bits < 8 ? 1 : bits / 8;
  stride_ = (static_cast<size_t>(width_) * bits + 7) / 8 + 1;
  for (uint32_t& colour : palette_) colour = 0xFF000000;
  headerSeen_ = true;
  return true;
}

bool PngDecoder::readPalette(const uint8_t* p, uint32_t length) {
  if (length % 3 != 0 || length == 0 || length > 768) return false;
  paletteLength_ = static_cast<int>(length / 3);
  for (int i = 0; i < paletteLength_; ++i) palette_[i] = argb(255, p[3 * i], p[3 * i + 1], p[3 * i + 2]);
  paletteSeen_ = true;
  return true;
}

void PngDecoder::readTransparency(const uint8_t* p, uint32_t length) {
  if (type_ == kPalette) {
    // Alpha per palette entry; entries beyond the list stay opaque.
    for (uint32_t i = 0; i < length && i < static_cast<uint32_t>(paletteLength_); ++i) {
      uint32_t c = palette_[i];
      palette_[i] = argb(p[i], c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
    }
  } else if (type_ == kGrey && length >= 2) {
    hasTransparentColour_ = true;
    transparent_[0] = be16(p);
  } else if (type_ == kRgb && length >= 6) {
    hasTransparentColour_ = true;
    for (int i = 0; i < 3; ++i) transparent_[i] = be16(p + 2 * i);
  }
}

bool PngDecoder::startImage() {
  if (type_ == kPalette && !paletteSeen_) return false;
  // Pixels of depths below 8 fill whole bytes: such images are as wide as a whole number of bytes.
  uint32_t width = width_;
  if (depth_ < 8) {
    uint32_t perByte = 8 / static_cast<uint32_t>(depth_);
    width = (width_ + perByte - 1) / perByte * perByte;
  }
  image_ = image_new(static_cast<int32_t>(width), static_cast<int32_t>(height_), POOL_PNG);
  if (!image_) return false;
  if (type_ == kPalette && !image_setPalette(image_, palette_, paletteLength_)) return false;
  rowsSize_ = static_cast<int32_t>(2 * stride_);
  rows_ = static_cast<uint8_t*>(pool_alloc(POOL_PNG, rowsSize_));
  if (!rows_) return false;
  if (inflateInit(&z_) != Z_OK) return false;
  zReady_ = true;
  pass_ = interlaced_ ? 0 : -1;
  return startPass();
}

// Moves to the next pass that has pixels; the previous row starts as zeros in each pass.
bool PngDecoder::startPass() {
  for (;;) {
    if (interlaced_) {
      if (pass_ >= 7) {
        complete_ = true;
        return true;
      }
      geometry_ = kAdam7[pass_++];
    } else {
      if (pass_ >= 0) {
        complete_ = true;
        return true;
      }
      geometry_ = kPlain;
      pass_ = 0;
    }
    passWidth_ = width_ > geometry_.x ? (width_ - geometry_.x + geometry_.dx - 1) / geometry_.dx : 0;
    passHeight_ = height_ > geometry_.y ? (height_ - geometry_.y + geometry_.dy - 1) / geometry_.dy : 0;
    if (passWidth_ == 0 || passHeight_ == 0) continue;
    rowBytes_ = (static_cast<size_t>(passWidth_) * channels_ * depth_ + 7) / 8;
    passRow_ = 0;
    filled_ = 0;
    row_ = rows_;
    prev_ = rows_ + stride_;
    std::memset(prev_, 0, rowBytes_ + 1);
    return true;
  }
}

bool PngDecoder::feed(const uint8_t* p, uint32_t length) {
  z_.next_in = const_cast<Bytef*>(p);
  z_.avail_in = length;
  while (!complete_ && z_.avail_in > 0) {
    z_.next_out = row_ + filled_;
    z_.avail_out = static_cast<uInt>(rowBytes_ + 1 - filled_);
    int status = inflate(&z_, Z_NO_FLUSH);
    filled_ = rowBytes_ + 1 - z_.avail_out;
    if (filled_ == rowBytes_ + 1 && !finishRow()) return false;
    if (status == Z_STREAM_END || status == Z_BUF_ERROR) break;
    if (status != Z_OK) return false;
  }
  return true;
}

bool PngDecoder::finishRow() {
  int filter = row_[0];
  if (filter > 4) return false;
  unfilter(row_ + 1, prev_ + 1, rowBytes_, filter);
  uint32_t* pixels = image_->surface->pixels;
  size_t y = geometry_.y + static_cast<size_t>(passRow_) * geometry_.dy;
  emitRow(row_ + 1, pixels + y * static_cast<size_t>(image_->width) + geometry_.x, geometry_.dx);
  uint8_t* done = row_;
  row_ = prev_;
  prev_ = done;
  filled_ = 0;
  if (++passRow_ == passHeight_) return startPass();
  return true;
}

uint8_t paeth(int a, int b, int c) {
  int p = b - c, q = a - c;
  int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = p + q < 0 ? -(p + q) : p + q;
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

template <int N>
void unfilterFixed(uint8_t* row, const uint8_t* prev, size_t bytes, int filter) {
  switch (filter) {
    case 1:
      for (size_t i = N; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - N]);
      break;
    case 2:
      for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
      break;
    case 3:
      for (size_t i = 0; i < N && i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
      for (size_t i = N; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + ((row[i - N] + prev[i]) >> 1));
      break;
    case 4:
      for (size_t i = 0; i < N && i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
      for (size_t i = N; i < bytes; ++i)
        row[i] = static_cast<uint8_t>(row[i] + paeth(row[i - N], prev[i], prev[i - N]));
      break;
    default:
      break;
  }
}

void PngDecoder::unfilter(uint8_t* row, const uint8_t* prev, size_t bytes, int filter) const {
  switch (pixelBytes_) {
    case 1:
      return unfilterFixed<1>(row, prev, bytes, filter);
    case 2:
      return unfilterFixed<2>(row, prev, bytes, filter);
    case 3:
      return unfilterFixed<3>(row, prev, bytes, filter);
    case 4:
      return unfilterFixed<4>(row, prev, bytes, filter);
    case 6:
      return unfilterFixed<6>(row, prev, bytes, filter);
    default:
      return unfilterFixed<8>(row, prev, bytes, filter);
  }
}

bool PngDecoder::matchesTransparentColour(const uint8_t* s) const {
  if (depth_ == 16) {
    if (type_ == kGrey) return be16(s) == transparent_[0];
    return be16(s) == transparent_[0] && be16(s + 2) == transparent_[1] && be16(s + 4) == transparent_[2];
  }
  if (type_ == kGrey) return s[0] == transparent_[0];
  return s[0] == transparent_[0] && s[1] == transparent_[1] && s[2] == transparent_[2];
}

void PngDecoder::emitRow(const uint8_t* row, uint32_t* out, int step) const {
  const uint32_t n = passWidth_;
  if (depth_ < 8) {
    const int perByte = 8 / depth_;
    const int mask = (1 << depth_) - 1;
    const int scale = 255 / mask;
    for (uint32_t x = 0; x < n; ++x) {
      int shift = 8 - depth_ * (static_cast<int>(x % perByte) + 1);
      int v = row[x / perByte] >> shift & mask;
      uint32_t colour;
      if (type_ == kPalette) {
        colour = palette_[v];
      } else {
        uint32_t g = static_cast<uint32_t>(v * scale);
        colour = hasTransparentColour_ && v == transparent_[0] ? kColourKey : argb(255, g, g, g);
      }
      out[static_cast<size_t>(x) * step] = colour;
    }
    return;
  }
  // Samples of 16 bits keep their high byte.
  const int sampleBytes = depth_ / 8;
  const size_t pixel = static_cast<size_t>(sampleBytes) * channels_;
  switch (type_) {
    case kPalette:
      for (uint32_t x = 0; x < n; ++x) out[static_cast<size_t>(x) * step] = palette_[row[x]];
      break;
    case kGrey:
      for (uint32_t x = 0; x < n; ++x) {
        const uint8_t* s = row + x * pixel;
        uint32_t g = s[0];
        out[static_cast<size_t>(x) * step] =
            hasTransparentColour_ && matchesTransparentColour(s) ? kColourKey : 0xFF000000 | g * 0x010101u;
      }
      break;
    case kRgb:
      if (sampleBytes == 1 && !hasTransparentColour_) {
        for (uint32_t x = 0; x < n; ++x, row += 3)
          out[static_cast<size_t>(x) * step] = 0xFF000000 | uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2];
        break;
      }
      for (uint32_t x = 0; x < n; ++x) {
        const uint8_t* s = row + x * pixel;
        out[static_cast<size_t>(x) * step] = hasTransparentColour_ && matchesTransparentColour(s)
                                                 ? kColourKey
                                                 : argb(255, s[0], s[sampleBytes], s[2 * sampleBytes]);
      }
      break;
    case kGreyAlpha:
      for (uint32_t x = 0; x < n; ++x) {
        const uint8_t* s = row + x * pixel;
        out[static_cast<size_t>(x) * step] = argb(s[sampleBytes], s[0], s[0], s[0]);
      }
      break;
    default:  // kRgbAlpha
      if (sampleBytes == 1) {
        for (uint32_t x = 0; x < n; ++x, row += 4) {
          uint32_t a = row[3];
          out[static_cast<size_t>(x) * step] =
              a ? a << 24 | uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2] : kColourKey;
        }
        break;
      }
      for (uint32_t x = 0; x < n; ++x) {
        const uint8_t* s = row + x * pixel;
        out[static_cast<size_t>(x) * step] = argb(s[6], s[0], s[2], s[4]);
      }
      break;
  }
}

Image* PngDecoder::decode(const uint8_t* data, size_t size) {
  size_t pos = 8;
  bool first = true;
  while (size - pos >= 12) {
    uint32_t length = be32(data + pos);
    uint32_t type = be32(data + pos + 4);
    if (length > 0x7FFFFFFF || length > size - pos - 12) return nullptr;
    const uint8_t* body = data + pos + 8;
    pos += 12 + static_cast<size_t>(length);
    if (first != (type == chunkType("IHDR"))) return nullptr;
    first = false;
    if (type == chunkType("IHDR")) {
      if (!readHeader(body, length)) return nullptr;
    } else if (type == chunkType("PLTE")) {
      if (image_) return nullptr;
      if (type_ == kPalette && !readPalette(body, length)) return nullptr;
    } else if (type == chunkType("tRNS")) {
      if (!image_) readTransparency(body, length);
    } else if (type == chunkType("IDAT")) {
      if (!image_ && !startImage()) return nullptr;
      if (!feed(body, length)) return nullptr;
    } else if (type == chunkType("IEND")) {
      if (!image_ || !complete_) return nullptr;
      Image* image = image_;
      image_ = nullptr;
      return image;
    } else if (!(type & 0x20000000)) {
      // An unknown critical chunk: the picture cannot be shown correctly without it.
      return nullptr;
    }
    // bKGD, gAMA and every ancillary chunk change nothing in the decoded colours.
  }
  return nullptr;
}

}  // namespace

bool png_isSignature(const uint8_t* data, size_t size) {
  return data && size >= 8 && (std::memcmp(data, kSignature, 8) == 0 || std::memcmp(data, kSignatureLf, 8) == 0);
}

Image* png_decode(const uint8_t* data, size_t size) {
  if (!png_isSignature(data, size)) return nullptr;
  PngDecoder decoder;
  return decoder.decode(data, size);
}
