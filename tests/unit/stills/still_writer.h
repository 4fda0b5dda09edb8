#pragma once
// Writes small MPEG-2 stills by hand: one intra frame picture whose 8x8 blocks are flat, so every
// decoded sample is known exactly. Options break the stream in the ways the tests need.
#include <cstdint>
#include <vector>

struct StillShape {
  int width = 32, height = 16;
  uint8_t y = 128, cb = 128, cr = 128;  // the flat colour
  int pictureStructure = 3;             // 1 or 2: a field picture
  bool sequenceEnd = true;
  bool mpeg1 = false;  // no extensions: a first-generation stream
};

class BitWriter {
 public:
  void put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      acc_ = acc_ << 1 | ((value >> i) & 1);
      if (++n_ == 8) flushByte();
    }
  }
  void code(const char* bits) {
    for (const char* p = bits; *p; ++p) put(*p == '1', 1);
  }
  void align() {
    while (n_ != 0) put(0, 1);
  }
  void startCode(uint8_t code) {
    align();
    for (uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{1}, code}) bytes.push_back(b);
  }
  std::vector<uint8_t> bytes;

 private:
  void flushByte() {
    bytes.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    n_ = 0;
  }
  uint32_t acc_ = 0;
  int n_ = 0;
};

inline void writeDc(BitWriter& w, int diff, bool luma) {
  static const char* const kLuma[] = {"100", "00", "01", "101", "110", "1110", "11110", "111110", "1111110"};
  static const char* const kChroma[] = {"00", "01", "10", "110", "1110", "11110", "111110", "1111110", "11111110"};
  int size = 0;
  for (int m = diff < 0 ? -diff : diff; m; m >>= 1) ++size;
  w.code(luma ? kLuma[size] : kChroma[size]);
  if (size) w.put(static_cast<uint32_t>(diff < 0 ? diff + (1 << size) - 1 : diff), size);
}

inline std::vector<uint8_t> makeStill(const StillShape& s) {
  BitWriter w;
  w.startCode(0xB3);
  w.put(static_cast<uint32_t>(s.width), 12);
  w.put(static_cast<uint32_t>(s.height), 12);
  w.put(1, 4);         // aspect
  w.put(3, 4);         // 25 frames/s
  w.put(0x3FFFF, 18);  // bit rate
  w.put(1, 1);
  w.put(112, 10);  // buffer size
  w.put(0, 3);     // constrained, no matrices
  if (!s.mpeg1) {
    w.startCode(0xB5);
    w.put(1, 4);
    w.put(0x48, 8);  // main profile, main level
    w.put(1, 1);     // progressive
    w.put(1, 2);     // 4:2:0
    w.put(0, 4);
    w.put(0, 12);
    w.put(1, 1);
    w.put(0, 8);
    w.put(0, 1);
    w.put(0, 7);
  }
  w.startCode(0xB8);
  w.put(0, 25);
  w.put(1, 1);  // closed
  w.put(0, 1);
  w.startCode(0x00);
  w.put(0, 10);
  w.put(1, 3);  // I
  w.put(0xFFFF, 16);
  w.put(0, 1);
  if (!s.mpeg1) {
    w.startCode(0xB5);
    w.put(8, 4);
    w.put(0xFFFF, 16);  // f codes
    w.put(0, 2);        // 8-bit DC
    w.put(static_cast<uint32_t>(s.pictureStructure), 2);
    w.put(0, 1);
    w.put(1, 1);  // frame prediction and frame DCT only
    w.put(0, 6);
    w.put(1, 1);  // progressive frame
    w.put(0, 1);
  }
  int mbWidth = (s.width + 15) / 16, mbHeight = (s.height + 15) / 16;
  for (int row = 0; row < mbHeight; ++row) {
    w.startCode(static_cast<uint8_t>(row + 1));
    w.put(1, 5);  // quantiser scale code
    w.put(0, 1);
    int pred[3] = {128, 128, 128};
    const int value[3] = {s.y, s.cb, s.cr};
    for (int mb = 0; mb < mbWidth; ++mb) {
      w.code("1");  // address increment 1
      w.code("1");  // intra
      for (int b = 0; b < 6; ++b) {
        int cc = b < 4 ? 0 : b - 3;
        writeDc(w, value[cc] - pred[cc], cc == 0);
        pred[cc] = value[cc];
        w.code("10");  // end of block
      }
    }
  }
  if (s.sequenceEnd) w.startCode(0xB7);
  w.align();
  return w.bytes;
}
