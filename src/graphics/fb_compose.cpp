#include "graphics/fb_compose.h"

#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/fb.h"

namespace {

// One row: the key tests become masks, four pixels at a time where SSE2 is available.
void composeRow(uint32_t* __restrict out, const uint32_t* __restrict osd, const uint32_t* __restrict middle,
                const uint32_t* __restrict video, int32_t count) {
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i key = _mm_set1_epi32(int(kColourKey));
  for (; i + 4 <= count; i += 4) {
    __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(osd + i));
    __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle + i));
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(video + i));
    __m128i middleIsKey = _mm_cmpeq_epi32(m, key);
    __m128i below = _mm_or_si128(_mm_andnot_si128(middleIsKey, m), _mm_and_si128(middleIsKey, v));
    __m128i osdIsKey = _mm_cmpeq_epi32(o, key);
    __m128i shown = _mm_or_si128(_mm_andnot_si128(osdIsKey, o), _mm_and_si128(osdIsKey, below));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), shown);
  }
#endif
  for (; i < count; i++) {
    uint32_t below = middle[i] != kColourKey ? middle[i] : video[i];
    out[i] = osd[i] != kColourKey ? osd[i] : below;
  }
}

}  // namespace

void fb_composeRect(uint32_t* bitmap, int32_t bitmapStride, const uint32_t* osd, const uint32_t* middle,
                    const uint32_t* video, int32_t planeStride, int32_t x, int32_t y, int32_t width, int32_t height) {
  for (int32_t row = y; row < y + height; row++) {
    size_t plane = size_t(row) * size_t(planeStride) + size_t(x);
    composeRow(bitmap + size_t(row) * size_t(bitmapStride) + size_t(x), osd + plane, middle + plane, video + plane,
               width);
  }
}
