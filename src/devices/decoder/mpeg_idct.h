#pragma once
// 8x8 inverse DCT in single precision (separable, even/odd split), accurate well inside the usual
// IDCT conformance bounds. The coefficient block is cleared after use.
#include <cstdint>

// `dcOnly` says that every coefficient but the first is zero.
// Intra: the result, saturated to 0..255, replaces the pixels.
void idct_put(int16_t block[64], bool dcOnly, uint8_t* dst, int stride);
// Non-intra: the result, saturated to -256..255, is added to the prediction and saturated to 0..255.
void idct_add(int16_t block[64], bool dcOnly, uint8_t* dst, int stride);
