// Fixed-point inverse DCT; the column pass keeps two extra bits of precision for the row pass.
// Blocks whose coefficients add up (in absolute value) to at most kNarrowSum cannot overflow 32-bit
// arithmetic in either pass (bounded by the largest constant of any intermediate term, 25172, and
// of any column output, 11363); larger blocks, which only damaged files hold, use 64-bit arithmetic.
#include "graphics/jpeg_idct.h"

#include <cstring>

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;
constexpr int64_t kNarrowSum = 14000;

constexpr int32_t k0_298631336 = 2446;
constexpr int32_t k0_390180644 = 3196;
constexpr int32_t k0_541196100 = 4433;
constexpr int32_t k0_765366865 = 6270;
constexpr int32_t k0_899976223 = 7373;
constexpr int32_t k1_175875602 = 9633;
constexpr int32_t k1_501321110 = 12299;
constexpr int32_t k1_847759065 = 15137;
constexpr int32_t k1_961570560 = 16069;
constexpr int32_t k2_053119869 = 16819;
constexpr int32_t k2_562915447 = 20995;
constexpr int32_t k3_072711026 = 25172;

template <class Wide>
uint8_t clampSample(Wide v) {
  v += 128;
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// One 8-point transform over s[0], s[step], ..., s[7 * step]; results before the final shift.
// With Low set, inputs 4..7 are known to be zero and drop out of the arithmetic.
template <class Wide, bool Low>
struct Butterfly {
  Wide t10, t11, t12, t13, t0, t1, t2, t3;
  template <class T>
  Butterfly(const T* s, int step, Wide dcBias) {
    Wide z2 = s[2 * step], z3 = Low ? 0 : s[6 * step];
    Wide z1 = (z2 + z3) * Wide(k0_541196100);
    Wide even2 = z1 - z3 * Wide(k1_847759065);
    Wide even3 = z1 + z2 * Wide(k0_765366865);
    z2 = s[0] + dcBias;
    z3 = Low ? 0 : s[4 * step];
    Wide even0 = (z2 + z3) * Wide(1 << kConstBits);
    Wide even1 = (z2 - z3) * Wide(1 << kConstBits);
    t10 = even0 + even3;
    t13 = even0 - even3;
    t11 = even1 + even2;
    t12 = even1 - even2;

    t0 = Low ? 0 : s[7 * step];
    t1 = Low ? 0 : s[5 * step];
    t2 = s[3 * step];
    t3 = s[1 * step];
    Wide y1 = t0 + t3, y2 = t1 + t2, y3 = t0 + t2, y4 = t1 + t3;
    Wide y5 = (y3 + y4) * Wide(k1_175875602);
    t0 *= Wide(k0_298631336);
    t1 *= Wide(k2_053119869);
    t2 *= Wide(k3_072711026);
    t3 *= Wide(k1_501321110);
    y1 *= -Wide(k0_899976223);
    y2 *= -Wide(k2_562915447);
    y3 = y3 * -Wide(k1_961570560) + y5;
    y4 = y4 * -Wide(k0_390180644) + y5;
    t0 += y1 + y3;
    t1 += y2 + y4;
    t2 += y2 + y3;
    t3 += y1 + y4;
  }
};

// Low: only the top-left 4 x 4 coefficients may be non-zero, so columns 4..7 and, in every row and
// column, inputs 4..7 are zero.
template <class Wide, bool Low>
void transform(const int32_t* in, uint8_t* out, int stride) {
  int32_t work[64];
  constexpr int shift1 = kConstBits - kPass1Bits;
  constexpr Wide round1 = Wide(1) << (shift1 - 1);
  constexpr int columns = Low ? 4 : 8;
  if (Low)
    for (int r = 0; r < 8; ++r) std::memset(work + 8 * r + 4, 0, 4 * sizeof(int32_t));
  for (int col = 0; col < columns; ++col) {
    const int32_t* s = in + col;
    int32_t* w = work + col;
    if ((s[8] | s[16] | s[24] | (Low ? 0 : s[32] | s[40] | s[48] | s[56])) == 0) {
      int32_t dc = static_cast<int32_t>(Wide(s[0]) * (1 << kPass1Bits));
      for (int r = 0; r < 8; ++r) w[8 * r] = dc;
      continue;
    }
    Butterfly<Wide, Low> b(s, 8, 0);
    w[0] = static_cast<int32_t>((b.t10 + b.t3 + round1) >> shift1);
    w[56] = static_cast<int32_t>((b.t10 - b.t3 + round1) >> shift1);
    w[8] = static_cast<int32_t>((b.t11 + b.t2 + round1) >> shift1);
    w[48] = static_cast<int32_t>((b.t11 - b.t2 + round1) >> shift1);
    w[16] = static_cast<int32_t>((b.t12 + b.t1 + round1) >> shift1);
    w[40] = static_cast<int32_t>((b.t12 - b.t1 + round1) >> shift1);
    w[24] = static_cast<int32_t>((b.t13 + b.t0 + round1) >> shift1);
    w[32] = static_cast<int32_t>((b.t13 - b.t0 + round1) >> shift1);
  }
  // The row pass folds the final rounding into the DC term and divides by 8 as well.
  constexpr int shift2 = kConstBits + kPass1Bits + 3;
  constexpr Wide dcRound = Wide(1) << (kPass1Bits + 2);
  for (int row = 0; row < 8; ++row, out += stride) {
    const int32_t* w = work + 8 * row;
    if ((w[1] | w[2] | w[3] | (Low ? 0 : w[4] | w[5] | w[6] | w[7])) == 0) {
      uint8_t v = clampSample((Wide(w[0]) + dcRound) >> (kPass1Bits + 3));
      std::memset(out, v, 8);
      continue;
    }
    Butterfly<Wide, Low> b(w, 1, dcRound);
    out[0] = clampSample((b.t10 + b.t3) >> shift2);
    out[7] = clampSample((b.t10 - b.t3) >> shift2);
    out[1] = clampSample((b.t11 + b.t2) >> shift2);
    out[6] = clampSample((b.t11 - b.t2) >> shift2);
    out[2] = clampSample((b.t12 + b.t1) >> shift2);
    out[5] = clampSample((b.t12 - b.t1) >> shift2);
    out[3] = clampSample((b.t13 + b.t0) >> shift2);
    out[4] = clampSample((b.t13 - b.t0) >> shift2);
  }
}

}  // namespace

void jpeg_idct8x8(const int32_t* coefficients, int64_t absoluteSum, bool lowOnly, uint8_t* out, int stride) {
  if (absoluteSum > kNarrowSum)
    transform<int64_t, false>(coefficients, out, stride);
  else if (lowOnly)
    transform<int32_t, true>(coefficients, out, stride);
  else
    transform<int32_t, false>(coefficients, out, stride);
}

void jpeg_idctDcOnly(int32_t dc, uint8_t* out, int stride) {
  using Wide = int64_t;
  // The column pass scales by 4, the row pass rounds and divides by 32.
  Wide v = (Wide(dc) * (1 << kPass1Bits) + (Wide(1) << (kPass1Bits + 2))) >> (kPass1Bits + 3);
  uint8_t sample = clampSample(v);
  for (int r = 0; r < 8; ++r, out += stride) std::memset(out, sample, 8);
}
