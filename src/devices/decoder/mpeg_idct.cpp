#include "devices/decoder/mpeg_idct.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// cos(j pi / 16) for j = 0..8.
constexpr double kCos[9] = {1.0,
                            0.98078528040323044913,
                            0.92387953251128675613,
                            0.83146961230254523708,
                            0.70710678118654752440,
                            0.55557023301960222474,
                            0.38268343236508977173,
                            0.19509032201612826785,
                            0.0};

constexpr double cosine(int j) {  // cos(j pi / 16) for any j >= 0
  j %= 32;
  if (j > 16) j = 32 - j;
  return j <= 8 ? kCos[j] : -kCos[16 - j];
}

// m[n][k] = c(k) / 2 * cos((2n + 1) k pi / 16), c(0) = 1 / sqrt(2), as a compile-time table.
struct Basis {
  float m[8][8];
};
constexpr Basis makeBasis() {
  Basis b{};
  for (int n = 0; n < 8; ++n)
    for (int k = 0; k < 8; ++k) b.m[n][k] = static_cast<float>((k == 0 ? kCos[4] : 1.0) / 2 * cosine((2 * n + 1) * k));
  return b;
}
constexpr Basis kBasis = makeBasis();

#if defined(__SSE2__)

// One 1-D pass on eight lines of eight values held as two registers each (in[k][h]: line k,
// lanes 4h..4h+3): out[n][h] = sum over k of m[n][k] in[k][h], with the even/odd split.
inline void pass(const __m128 (*in)[2], __m128 (*out)[2]) {
  const auto& m = kBasis.m;
  auto mul = [](float c, __m128 v) { return _mm_mul_ps(_mm_set1_ps(c), v); };
  for (int h = 0; h < 2; ++h)
    for (int n = 0; n < 4; ++n) {
      __m128 even = _mm_add_ps(_mm_add_ps(mul(m[n][0], in[0][h]), mul(m[n][2], in[2][h])),
                               _mm_add_ps(mul(m[n][4], in[4][h]), mul(m[n][6], in[6][h])));
      __m128 odd = _mm_add_ps(_mm_add_ps(mul(m[n][1], in[1][h]), mul(m[n][3], in[3][h])),
                              _mm_add_ps(mul(m[n][5], in[5][h]), mul(m[n][7], in[7][h])));
      out[n][h] = _mm_add_ps(even, odd);
      out[7 - n][h] = _mm_sub_ps(even, odd);
    }
}

// Transposes the 8 x 8 matrix held as a[line][half].
inline void transpose(__m128 (*a)[2]) {
  for (int b = 0; b < 2; ++b) _MM_TRANSPOSE4_PS(a[4 * b][b], a[4 * b + 1][b], a[4 * b + 2][b], a[4 * b + 3][b]);
  _MM_TRANSPOSE4_PS(a[0][1], a[1][1], a[2][1], a[3][1]);
  _MM_TRANSPOSE4_PS(a[4][0], a[5][0], a[6][0], a[7][0]);
  for (int i = 0; i < 4; ++i) std::swap(a[i][1], a[4 + i][0]);
}

// Samples rounded to the nearest integer (ties to even, the conversion's default rounding) and
// saturated to 16 bits, one register per row.
void transform(const int16_t* block, bool dcOnly, __m128i* rows16) {
  if (dcOnly) {
    __m128i v = _mm_cvtps_epi32(_mm_set1_ps(block[0] * 0.125f));
    v = _mm_packs_epi32(v, v);
    for (int y = 0; y < 8; ++y) rows16[y] = v;
    return;
  }
  // Vertical pass, lanes across the columns; then the horizontal pass on the transposed result.
  __m128 a[8][2], b[8][2];
  for (int k = 0; k < 8; ++k) {
    __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k));
    a[k][0] = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(r, r), 16));
    a[k][1] = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(r, r), 16));
  }
  pass(a, b);
  transpose(b);
  pass(b, a);
  transpose(a);
  for (int y = 0; y < 8; ++y) rows16[y] = _mm_packs_epi32(_mm_cvtps_epi32(a[y][0]), _mm_cvtps_epi32(a[y][1]));
}

}  // namespace

void idct_put(int16_t block[64], bool dcOnly, uint8_t* dst, int stride) {
  __m128i rows[8];
  transform(block, dcOnly, rows);
  for (int y = 0; y < 8; ++y)
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + y * stride), _mm_packus_epi16(rows[y], rows[y]));
  std::memset(block, 0, 64 * sizeof(int16_t));
}

void idct_add(int16_t block[64], bool dcOnly, uint8_t* dst, int stride) {
  __m128i rows[8];
  transform(block, dcOnly, rows);
  const __m128i low = _mm_set1_epi16(-256), high = _mm_set1_epi16(255), zero = _mm_setzero_si128();
  for (int y = 0; y < 8; ++y) {
    __m128i* p = reinterpret_cast<__m128i*>(dst + y * stride);
    __m128i prediction = _mm_unpacklo_epi8(_mm_loadl_epi64(p), zero);
    __m128i residual = _mm_min_epi16(_mm_max_epi16(rows[y], low), high);
    _mm_storel_epi64(p, _mm_packus_epi16(_mm_add_epi16(prediction, residual), zero));
  }
  std::memset(block, 0, 64 * sizeof(int16_t));
}

#else  // portable form

// The 1-D transform of every row; an empty row, or one with only its first coefficient, is cheap, and
// most rows are like that.
void rowPass(const int16_t* __restrict in, float (*__restrict rows)[8]) {
  const auto& m = kBasis.m;
  for (int r = 0; r < 8; ++r) {
    const int16_t* c = in + r * 8;
    if (!(c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7])) {
      float v = m[0][0] * c[0];
      for (int x = 0; x < 8; ++x) rows[r][x] = v;
      continue;
    }
    for (int n = 0; n < 4; ++n) {
      float even = m[n][0] * c[0] + m[n][2] * c[2] + m[n][4] * c[4] + m[n][6] * c[6];
      float odd = m[n][1] * c[1] + m[n][3] * c[3] + m[n][5] * c[5] + m[n][7] * c[7];
      rows[r][n] = even + odd;
      rows[r][7 - n] = even - odd;
    }
  }
}

void transform(const int16_t* block, bool dcOnly, int32_t* out) {
  const auto& m = kBasis.m;
  float rows[8][8];
  if (dcOnly) {
    for (auto& row : rows)
      for (float& v : row) v = 0;
    for (int x = 0; x < 8; ++x) rows[0][x] = m[0][0] * block[0];
  } else {
    rowPass(block, rows);
  }
  const float magic = 12582912.0f;  // adding and removing 1.5 * 2^23 rounds to nearest, ties to even
  for (int n = 0; n < 4; ++n)
    for (int x = 0; x < 8; ++x) {
      float even = m[n][0] * rows[0][x] + m[n][2] * rows[2][x] + m[n][4] * rows[4][x] + m[n][6] * rows[6][x];
      float odd = m[n][1] * rows[1][x] + m[n][3] * rows[3][x] + m[n][5] * rows[5][x] + m[n][7] * rows[7][x];
      out[n * 8 + x] = static_cast<int32_t>(((even + odd) + magic) - magic);
      out[(7 - n) * 8 + x] = static_cast<int32_t>(((even - odd) + magic) - magic);
    }
}

}  // namespace

void idct_put(int16_t block[64], bool dcOnly, uint8_t* dst, int stride) {
  int32_t v[64];
  transform(block, dcOnly, v);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dst[y * stride + x] = static_cast<uint8_t>(std::clamp(v[y * 8 + x], 0, 255));
  std::memset(block, 0, 64 * sizeof(int16_t));
}

void idct_add(int16_t block[64], bool dcOnly, uint8_t* dst, int stride) {
  int32_t v[64];
  transform(block, dcOnly, v);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t& p = dst[y * stride + x];
      p = static_cast<uint8_t>(std::clamp(p + std::clamp(v[y * 8 + x], -256, 255), 0, 255));
    }
  std::memset(block, 0, 64 * sizeof(int16_t));
}

#endif
