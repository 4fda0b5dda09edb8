#pragma once
// Variable-length code tables of MPEG-1/MPEG-2 video and their decoders.
#include <cstdint>

#include "devices/decoder/mpeg_bits.h"

// Macroblock type flags.
enum : int {
  kMbQuant = 1,
  kMbForward = 2,
  kMbBackward = 4,
  kMbPattern = 8,
  kMbIntra = 16,
};

constexpr int kVlcInvalid = -1;
constexpr int kMbaEscape = 34;    // adds 33 to the increment
constexpr int kMbaStuffing = 35;  // ignored (first-generation streams)
constexpr int kDctEob = -2;
constexpr int kDctEscape = -3;

// A code table: a 1024-entry first level on the top 10 bits and 64-entry second levels for the
// next 6 bits (codes up to 16 bits).
struct VlcEntry {
  int16_t value;
  int8_t length;  // > 0: code length; < 0: value is a second-level index; 0: no code
};

struct VlcTable {
  VlcEntry root[1024];
  VlcEntry sub[16][64];
  int subCount = 0;
  bool consistent = true;  // false when two codes of the source list overlap

  int decode(BitReader& bits) const {
    uint32_t b = bits.peek(16);
    VlcEntry e = root[b >> 6];
    if (e.length < 0) e = sub[e.value][b & 63];
    if (e.length <= 0) return kVlcInvalid;
    bits.skip(e.length);
    return e.value;
  }
};

enum class Vlc {
  MbAddressIncrement,
  MbTypeI,
  MbTypeP,
  MbTypeB,
  CodedBlockPattern,
  MotionCode,  // magnitude 0..16; a sign bit follows a non-zero magnitude
  DcSizeLuma,
  DcSizeChroma,
  DctZero,  // run/level pairs as level << 8 | run, or kDctEob / kDctEscape
  DctOne,
};

const VlcTable& vlc_table(Vlc which);

inline int dct_run(int value) { return value & 0xFF; }
inline int dct_level(int value) { return value >> 8; }
