// Baseline JPEG decoding. Each scan's blocks are Huffman-decoded, dequantised and inverse-transformed
// straight into one sample plane per component; at the end the planes are upsampled (triangle
// filter for 2x sampling) and converted to colours row by row.
#include "graphics/jpeg_decoder.h"

#include <cstring>

#include "graphics/fb.h"
#include "graphics/image_new.h"
#include "graphics/jpeg_idct.h"
#include "runtime/pool.h"

namespace {

constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                                 41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                                 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kLookupBits = 9;
constexpr int kMaxScans = 16;

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

int extend(int v, int bits) { return v < (1 << (bits - 1)) ? v - (1 << bits) + 1 : v; }

struct HuffmanTable {
  bool defined = false;
  // Codes of up to kLookupBits bits: (length << 8) | symbol, 0 when longer.
  uint16_t lookup[1 << kLookupBits];
  // AC codes whose value bits fit in the lookup as well: (value << 8) | (run << 4) | bits used; 0 if not.
  int16_t fastAc[1 << kLookupBits];
  int32_t maxCode[18];  // largest code of each length, -1 if none; maxCode[17] ends the search
  int32_t offset[17];   // symbol index minus code, per length
  uint8_t symbols[256];
};

bool buildTable(HuffmanTable* t, const uint8_t* counts, const uint8_t* symbols, int total) {
  std::memset(t->symbols, 0, sizeof(t->symbols));
  std::memcpy(t->symbols, symbols, static_cast<size_t>(total));
  std::memset(t->lookup, 0, sizeof(t->lookup));
  int32_t code = 0;
  int index = 0;
  for (int length = 1; length <= 16; ++length) {
    int n = counts[length - 1];
    t->offset[length] = index - code;
    if (n == 0) {
      t->maxCode[length] = -1;
    } else {
      if (code + n > (1 << length)) return false;  // more codes than the length allows
      for (int i = 0; i < n; ++i, ++code, ++index) {
        if (length <= kLookupBits) {
          int shift = kLookupBits - length;
          for (int fill = 0; fill < (1 << shift); ++fill)
            t->lookup[(code << shift) | fill] = static_cast<uint16_t>(length << 8 | t->symbols[index]);
        }
      }
      t->maxCode[length] = code - 1;
    }
    code <<= 1;
  }
  t->maxCode[17] = 0x7FFFFFFF;
  for (int i = 0; i < (1 << kLookupBits); ++i) {
    t->fastAc[i] = 0;
    int length = t->lookup[i] >> 8, run = t->lookup[i] >> 4 & 15, size = t->lookup[i] & 15;
    if (length == 0 || size == 0 || length + size > kLookupBits) continue;
    int value = extend(i >> (kLookupBits - length - size) & ((1 << size) - 1), size);
    if (value >= -128 && value <= 127) t->fastAc[i] = static_cast<int16_t>(value * 256 + (run << 4) + length + size);
  }
  t->defined = true;
  return true;
}

// Entropy-coded bits with byte stuffing removed. At a marker (or the end of the data) it supplies
// zero bits and stays in front of the marker.
class BitReader {
 public:
  void start(const uint8_t* p, const uint8_t* end) {
    p_ = p;
    end_ = end;
    buffer_ = 0;
    count_ = 0;
    atMarker_ = false;
    padding_ = 0;
  }
  // True once well more zero bits were supplied than any decoding step reads ahead: the scan's data
  // is used up.
  bool exhausted() const { return padding_ > 16; }
  const uint8_t* position() const { return p_; }

  void fill() {
    while (count_ <= 56) {
      uint32_t byte = 0;
      if (atMarker_ || p_ >= end_) {
        ++padding_;
      } else {
        byte = *p_;
        if (byte == 0xFF) {
          if (p_ + 1 < end_ && p_[1] == 0x00) {
            p_ += 2;
          } else {
            atMarker_ = true;
            byte = 0;
          }
        } else {
          ++p_;
        }
      }
      buffer_ |= static_cast<uint64_t>(byte) << (56 - count_);
      count_ += 8;
    }
  }
  int peek(int bits) {
    if (count_ < bits) fill();
    return static_cast<int>(buffer_ >> (64 - bits));
  }
  void skip(int bits) {
    buffer_ <<= bits;
    count_ -= bits;
  }
  int fastAc(const HuffmanTable& t) {
    if (count_ < 16) fill();
    return t.fastAc[buffer_ >> (64 - kLookupBits)];
  }
  int get(int bits) {
    if (bits == 0) return 0;
    int v = peek(bits);
    skip(bits);
    return v;
  }
  // A symbol of the table, or -1 for a code no table holds.
  int decode(const HuffmanTable& t) {
    if (count_ < 16) fill();
    int entry = t.lookup[buffer_ >> (64 - kLookupBits)];
    if (entry) {
      skip(entry >> 8);
      return entry & 0xFF;
    }
    int length = kLookupBits + 1;
    int32_t code = static_cast<int32_t>(buffer_ >> (64 - length));
    while (code > t.maxCode[length]) {
      if (++length > 16) return -1;
      code = static_cast<int32_t>(buffer_ >> (64 - length));
    }
    skip(length);
    return t.symbols[(code + t.offset[length]) & 0xFF];
  }

 private:
  const uint8_t* p_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t buffer_ = 0;
  int count_ = 0;
  bool atMarker_ = false;
  int padding_ = 0;
};

struct Component {
  int id = 0, h = 1, v = 1, quant = 0;
  int dcTable = 0, acTable = 0;
  int dcPredictor = 0;
  int blocksWide = 0, blocksHigh = 0;    // in the plane, padded to whole MCUs
  int samplesWide = 0, samplesHigh = 0;  // the samples that belong to the picture
  uint8_t* plane = nullptr;
  int32_t planeSize = 0;
};

class JpegDecoder {
 public:
  ~JpegDecoder() {
    for (Component& c : components_)
      if (c.plane) pool_free(POOL_JPG, c.plane, c.planeSize);
    if (rows_) pool_free(POOL_JPG, rows_, rowsSize_);
  }
  Image* decode(const uint8_t* data, size_t size);

 private:
  bool readQuantisation(const uint8_t* p, size_t length);
  bool readHuffman(const uint8_t* p, size_t length);
  bool readFrame(const uint8_t* p, size_t length);
  bool allocatePlanes();
  // Decodes one scan; returns where the data after it starts.
  const uint8_t* readScan(const uint8_t* p, size_t length, const uint8_t* end);
  bool decodeBlock(Component* c, int blockX, int blockY);
  Image* output();
  void upsampleRow(const Component& c, int y, uint8_t* out, int16_t* scratch) const;

  uint16_t quant_[4][64];
  bool quantDefined_[4] = {false, false, false, false};
  HuffmanTable dc_[4], ac_[4];
  Component components_[3];
  int componentCount_ = 0;
  int32_t coefficients_[64] = {};
  int width_ = 0, height_ = 0, hMax_ = 1, vMax_ = 1, mcusWide_ = 0, mcusHigh_ = 0;
  int restartInterval_ = 0;
  Component* scan_[3] = {nullptr, nullptr, nullptr};
  int scanCount_ = 0;
  BitReader bits_;
  uint8_t* rows_ = nullptr;
  int32_t rowsSize_ = 0;
};

bool JpegDecoder::readQuantisation(const uint8_t* p, size_t length) {
  while (length > 0) {
    int precision = p[0] >> 4, id = p[0] & 15;
    size_t bytes = precision ? 129 : 65;
    if (id > 3 || precision > 1 || length < bytes) return false;
    for (int k = 0; k < 64; ++k) quant_[id][k] = precision ? be16(p + 1 + 2 * k) : p[1 + k];
    quantDefined_[id] = true;
    p += bytes;
    length -= bytes;
  }
  return true;
}

bool JpegDecoder::readHuffman(const uint8_t* p, size_t length) {
  while (length > 0) {
    if (length < 17) return false;
    int tableClass = p[0] >> 4, id = p[0] & 15;
    if (tableClass > 1 || id > 3) return false;
    int total = 0;
    for (int i = 0; i < 16; ++i) total += p[1 + i];
    if (total > 256 || length < 17 + static_cast<size_t>(total)) return false;
    if (!buildTable(tableClass ? &ac_[id] : &dc_[id], p + 1, p + 17, total)) return false;
    p += 17 + total;
    length -= 17 + static_cast<size_t>(total);
  }
  return true;
}

bool JpegDecoder::readFrame(const uint8_t* p, size_t length) {
  if (componentCount_ || length < 6) return false;
  if (p[0] != 8) return false;
  height_ = be16(p + 1);
  width_ = be16(p + 3);
  int count = p[5];
  if ((count != 1 && count != 3) || length < 6 + 3 * static_cast<size_t>(count)) return false;
  if (!image_sizeAllowed(width_, height_)) return false;
  for (int i = 0; i < count; ++i) {
    Component& c = components_[i];
    c.id = p[6 + 3 * i];
    c.h = p[7 + 3 * i] >> 4;
    c.v = p[7 + 3 * i] & 15;
    c.quant = p[8 + 3 * i];
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
    if (count == 1) c.h = c.v = 1;  // a single component is never subsampled against anything
    if (c.h > hMax_) hMax_ = c.h;
    if (c.v > vMax_) vMax_ = c.v;
  }
  for (int i = 0; i < count; ++i) {
    // Only whole-number ratios to the largest sampling can be upsampled.
    if (hMax_ % components_[i].h || vMax_ % components_[i].v) return false;
  }
  componentCount_ = count;
  mcusWide_ = (width_ + 8 * hMax_ - 1) / (8 * hMax_);
  mcusHigh_ = (height_ + 8 * vMax_ - 1) / (8 * vMax_);
  for (int i = 0; i < count; ++i) {
    Component& c = components_[i];
    c.blocksWide = mcusWide_ * c.h;
    c.blocksHigh = mcusHigh_ * c.v;
    c.samplesWide = (width_ * c.h + hMax_ - 1) / hMax_;
    c.samplesHigh = (height_ * c.v + vMax_ - 1) / vMax_;
  }
  return true;
}

bool JpegDecoder::allocatePlanes() {
  for (int i = 0; i < componentCount_; ++i) {
    Component& c = components_[i];
    int64_t bytes = int64_t(c.blocksWide) * c.blocksHigh * 64;
    if (bytes > 0x7FFFFFFF) return false;
    c.planeSize = static_cast<int32_t>(bytes);
    // Blocks a damaged scan never reaches stay mid-grey.
    c.plane = static_cast<uint8_t*>(pool_alloc(POOL_JPG, c.planeSize));
    if (!c.plane) return false;
    std::memset(c.plane, 128, static_cast<size_t>(c.planeSize));
  }
  return true;
}

// Reads one block's coefficients into `coefficients` (all zero on entry) and dequantises them.
// Returns the zigzag index of the last one set (0 for none beyond DC), or -1 for corrupt data.
int decodeCoefficients(BitReader& bits, const HuffmanTable& dc, const HuffmanTable& ac, const uint16_t* q,
                       int* predictor, int32_t* coefficients, int64_t* absoluteSum) {
  int s = bits.decode(dc);
  if (s < 0 || s > 11) return -1;
  *predictor += s ? extend(bits.get(s), s) : 0;
  // Coefficients are 16-bit quantities; a corrupt file's larger values wrap as they would there.
  coefficients[0] = static_cast<int16_t>(*predictor) * q[0];
  int64_t sum = coefficients[0] < 0 ? -int64_t(coefficients[0]) : coefficients[0];
  int last = 0;
  for (int k = 1; k < 64;) {
    if (int fast = bits.fastAc(ac)) {
      bits.skip(fast & 15);
      k += fast >> 4 & 15;
      if (k > 63) return -1;
      int32_t value = (fast >> 8) * q[k];
      coefficients[kZigzag[k]] = value;
      sum += value < 0 ? -value : value;
      last = k++;
      continue;
    }
    int rs = bits.decode(ac);
    if (rs < 0) return -1;
    int run = rs >> 4, size = rs & 15;
    if (size == 0) {
      if (run != 15) break;
      k += 16;
      continue;
    }
    k += run;
    if (k > 63) return -1;
    int32_t value = static_cast<int16_t>(extend(bits.get(size), size)) * q[k];
    coefficients[kZigzag[k]] = value;
    sum += value < 0 ? -int64_t(value) : value;
    last = k++;
  }
  *absoluteSum = sum;
  return last;
}

bool JpegDecoder::decodeBlock(Component* c, int blockX, int blockY) {
  if (blockX >= c->blocksWide || blockY >= c->blocksHigh) return true;
  // A local copy of the reader lets the compiler keep its state in registers.
  BitReader bits = bits_;
  int64_t absoluteSum = 0;
  int last = decodeCoefficients(bits, dc_[c->dcTable], ac_[c->acTable], quant_[c->quant], &c->dcPredictor,
                                coefficients_, &absoluteSum);
  bits_ = bits;
  if (last < 0) {
    std::memset(coefficients_, 0, sizeof(coefficients_));
    return false;
  }
  int stride = c->blocksWide * 8;
  uint8_t* out = c->plane + (static_cast<size_t>(blockY) * 8) * stride + static_cast<size_t>(blockX) * 8;
  // Zigzag positions up to 9 all lie in the top-left 4 x 4 of the block.
  if (last > 0)
    jpeg_idct8x8(coefficients_, absoluteSum, last <= 9, out, stride);
  else
    jpeg_idctDcOnly(coefficients_[0], out, stride);
  // Only the coefficients that were set need clearing for the next block.
  for (int k = 0; k <= last; ++k) coefficients_[kZigzag[k]] = 0;
  return true;
}

const uint8_t* JpegDecoder::readScan(const uint8_t* p, size_t length, const uint8_t* end) {
  if (length < 1) return nullptr;
  scanCount_ = p[0];
  if (scanCount_ < 1 || scanCount_ > componentCount_ || length < 4 + 2 * static_cast<size_t>(scanCount_))
    return nullptr;
  for (int i = 0; i < scanCount_; ++i) {
    int id = p[1 + 2 * i], tables = p[2 + 2 * i];
    scan_[i] = nullptr;
    for (int j = 0; j < componentCount_; ++j)
      if (components_[j].id == id) scan_[i] = &components_[j];
    if (!scan_[i]) return nullptr;
    scan_[i]->dcTable = tables >> 4;
    scan_[i]->acTable = tables & 15;
    if (scan_[i]->dcTable > 3 || scan_[i]->acTable > 3 || !dc_[scan_[i]->dcTable].defined ||
        !ac_[scan_[i]->acTable].defined || !quantDefined_[scan_[i]->quant])
      return nullptr;
    scan_[i]->dcPredictor = 0;
  }
  // Baseline scans cover all 64 coefficients at full precision.
  const uint8_t* tail = p + 1 + 2 * scanCount_;
  if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0) return nullptr;

  const uint8_t* data = p + length;
  bits_.start(data, end);
  int unitsWide, unitsHigh;
  if (scanCount_ == 1) {
    // A scan of one component walks its blocks one by one across the picture's samples.
    unitsWide = (scan_[0]->samplesWide + 7) / 8;
    unitsHigh = (scan_[0]->samplesHigh + 7) / 8;
  } else {
    unitsWide = mcusWide_;
    unitsHigh = mcusHigh_;
  }
  int untilRestart = restartInterval_;
  bool ok = true;
  for (int my = 0; my < unitsHigh && ok; ++my) {
    for (int mx = 0; mx < unitsWide && ok; ++mx) {
      if (bits_.exhausted()) {
        ok = false;  // the data ran out: the remaining blocks stay grey
        break;
      }
      if (restartInterval_ && untilRestart == 0) {
        // Skip to the restart marker, step over it and start afresh.
        const uint8_t* q = bits_.position();
        while (q + 1 < end && !(q[0] == 0xFF && q[1] >= 0xD0 && q[1] <= 0xD7)) {
          if (q[0] == 0xFF && q[1] != 0x00 && q[1] != 0xFF) break;  // another marker: the scan is over
          ++q;
        }
        if (q + 1 >= end || q[1] < 0xD0 || q[1] > 0xD7) {
          ok = false;
          break;
        }
        bits_.start(q + 2, end);
        for (int i = 0; i < scanCount_; ++i) scan_[i]->dcPredictor = 0;
        untilRestart = restartInterval_;
      }
      if (scanCount_ == 1) {
        ok = decodeBlock(scan_[0], mx, my);
      } else {
        for (int i = 0; i < scanCount_ && ok; ++i) {
          Component* c = scan_[i];
          for (int by = 0; by < c->v && ok; ++by)
            for (int bx = 0; bx < c->h && ok; ++bx) ok = decodeBlock(c, mx * c->h + bx, my * c->v + by);
        }
      }
      --untilRestart;
    }
  }
  // Whatever follows the entropy-coded data, the next marker is found by looking for it.
  const uint8_t* q = bits_.position();
  while (q + 1 < end && !(q[0] == 0xFF && q[1] != 0x00 && q[1] != 0xFF && (q[1] < 0xD0 || q[1] > 0xD7))) ++q;
  return q;
}

// Upsamples one output row of a subsampled component. Doubled directions use the triangle filter
// (3/4 of the nearer sample, 1/4 of the farther one); the samples beyond each edge repeat the edge,
// so that every output comes out of the same formula. `scratch` holds samplesWide + 2 values.
void JpegDecoder::upsampleRow(const Component& c, int y, uint8_t* out, int16_t* scratch) const {
  const int stride = c.blocksWide * 8;
  const int hRatio = hMax_ / c.h, vRatio = vMax_ / c.v;
  const int n = c.samplesWide;
  int sy = y / vRatio < c.samplesHigh ? y / vRatio : c.samplesHigh - 1;
  const uint8_t* near = c.plane + static_cast<size_t>(sy) * stride;
  int16_t* sums = scratch + 1;
  if (vRatio == 2) {
    int other = (y & 1) ? sy + 1 : sy - 1;
    other = other < 0 ? 0 : other >= c.samplesHigh ? c.samplesHigh - 1 : other;
    const uint8_t* far = c.plane + static_cast<size_t>(other) * stride;
    for (int x = 0; x < n; ++x) sums[x] = static_cast<int16_t>(near[x] * 3 + far[x]);
    if (hRatio == 1) {
      const int bias = (y & 1) ? 2 : 1;
      for (int x = 0; x < n; ++x) out[x] = static_cast<uint8_t>((sums[x] + bias) >> 2);
      return;
    }
  } else {
    for (int x = 0; x < n; ++x) sums[x] = near[x];
  }
  if (hRatio == 2) {
    sums[-1] = sums[0];
    sums[n] = sums[n - 1];
    // Sums carry four times the sample when doubled vertically, so the rounding and shift follow.
    const int shift = vRatio == 2 ? 4 : 2, lower = vRatio == 2 ? 8 : 1, upper = vRatio == 2 ? 7 : 2;
    for (int x = 0; x < n; ++x) {
      int v = sums[x] * 3;
      out[2 * x] = static_cast<uint8_t>((v + sums[x - 1] + lower) >> shift);
      out[2 * x + 1] = static_cast<uint8_t>((v + sums[x + 1] + upper) >> shift);
    }
    return;
  }
  for (int x = 0; x < width_; ++x) out[x] = near[x / hRatio];
}

// YCbCr to RGB. Each factor is split into a whole part and a fraction taken as the high half of a
// 16 x 16-bit product, so the compiler converts eight pixels at a time; each channel rounds down,
// as the conversion truncates (the fractions are within 1/65536 of the exact factors).
int16_t fraction(int16_t v, int16_t factor) { return static_cast<int16_t>((int32_t(v) * factor) >> 16); }

void yccRow(const uint8_t* luma, const uint8_t* blue, const uint8_t* red, uint32_t* out, int width) {
  for (int x = 0; x < width; ++x) {
    int16_t y = luma[x], cb = static_cast<int16_t>(blue[x] - 128), cr = static_cast<int16_t>(red[x] - 128);
    int16_t r = static_cast<int16_t>(y + cr + fraction(cr, 26345));  // + 1.402 Cr
    // - 0.71414 Cr - 0.34414 Cb, the two fractions summed before rounding down.
    int16_t g = static_cast<int16_t>(y - cr + ((int32_t(cr) * 18734 - int32_t(cb) * 22554) >> 16));
    int16_t b = static_cast<int16_t>(y + 2 * cb - fraction(cb, 14942));  // + 1.772 Cb
    r = r < 0 ? 0 : r > 255 ? 255 : r;
    g = g < 0 ? 0 : g > 255 ? 255 : g;
    b = b < 0 ? 0 : b > 255 ? 255 : b;
    out[x] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
  }
}

Image* JpegDecoder::output() {
  Image* image = image_new(width_, height_, POOL_JPG);
  if (!image) return nullptr;
  // One upsampled row per component, each wide enough for a doubled padded row, and room for the
  // filter's sums.
  const size_t rowBytes = static_cast<size_t>(mcusWide_) * 8 * hMax_ + 16;
  rowsSize_ = static_cast<int32_t>(rowBytes * (componentCount_ + 2));
  rows_ = static_cast<uint8_t*>(pool_alloc(POOL_JPG, rowsSize_));
  if (!rows_) {
    image_free(image);
    return nullptr;
  }
  uint32_t* pixels = image->surface->pixels;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row[3];
    for (int i = 0; i < componentCount_; ++i) {
      const Component& c = components_[i];
      if (c.h == hMax_ && c.v == vMax_) {
        row[i] = c.plane + static_cast<size_t>(y) * c.blocksWide * 8;
      } else {
        upsampleRow(c, y, rows_ + rowBytes * i, reinterpret_cast<int16_t*>(rows_ + rowBytes * componentCount_));
        row[i] = rows_ + rowBytes * i;
      }
    }
    uint32_t* out = pixels + static_cast<size_t>(y) * width_;
    if (componentCount_ == 1) {
      for (int x = 0; x < width_; ++x) out[x] = 0xFF000000 | row[0][x] * 0x010101u;
      continue;
    }
    yccRow(row[0], row[1], row[2], out, width_);
  }
  return image;
}

Image* JpegDecoder::decode(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return nullptr;
  const uint8_t* end = data + size;
  const uint8_t* p = data + 2;
  bool jfif = false, quantisation = false, huffman = false;
  int scans = 0;
  for (;;) {
    // Markers may be preceded by fill bytes.
    while (p < end && *p != 0xFF) ++p;
    while (p < end && *p == 0xFF) ++p;
    if (p >= end) break;
    uint8_t marker = *p++;
    if (marker == 0xD9) break;                       // EOI
    if (marker >= 0xD0 && marker <= 0xD7) continue;  // stray restart marker
    if (marker == 0x01 || marker == 0xD8) continue;
    if (end - p < 2) return nullptr;
    size_t length = be16(p);
    if (length < 2 || length > static_cast<size_t>(end - p)) return nullptr;
    const uint8_t* body = p + 2;
    length -= 2;
    p += 2 + length;
    switch (marker) {
      case 0xE0:
        if (length >= 5 && std::memcmp(body, "JFIF\0", 5) == 0) jfif = true;
        break;
      case 0xDB:
        if (!readQuantisation(body, length)) return nullptr;
        quantisation = true;
        break;
      case 0xC4:
        if (!readHuffman(body, length)) return nullptr;
        huffman = true;
        break;
      case 0xC0:
      case 0xC1:
        if (!readFrame(body, length)) return nullptr;
        break;
      case 0xDD:
        if (length < 2) return nullptr;
        restartInterval_ = be16(body);
        break;
      case 0xDA:
        if (!jfif || !quantisation || !huffman || !componentCount_) return nullptr;
        // A baseline picture needs one scan per component; a flood of scans is not decoded further.
        if (scans == kMaxScans) return output();
        if (!scans && !allocatePlanes()) return nullptr;
        p = readScan(body, length, end);
        if (!p) return nullptr;
        ++scans;
        break;
      default:
        // Other start-of-frame kinds (progressive, lossless, arithmetic) are not decoded.
        if ((marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)) return nullptr;
        break;  // COM, other APPn and anything else is skipped
    }
  }
  // A picture whose data stops early is shown with what arrived.
  return scans ? output() : nullptr;
}

}  // namespace

Image* jpeg_decode(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  JpegDecoder decoder;
  return decoder.decode(data, size);
}
