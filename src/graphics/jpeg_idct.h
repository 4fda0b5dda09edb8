#pragma once
// The accurate integer 8x8 inverse DCT (Loeffler, Ligtenberg and Moschytz, 13-bit constants) that
// JPEG decoders commonly use, so our pictures match theirs sample for sample.
#include <cstdint>

// Dequantised coefficients in natural order in, with the sum of their absolute values and whether
// only the top-left 4 x 4 of them can be non-zero; 64 samples (level-shifted, clamped to 0..255)
// out, eight rows of eight at `stride` bytes apart.
void jpeg_idct8x8(const int32_t* coefficients, int64_t absoluteSum, bool lowOnly, uint8_t* out, int stride);
// The same for a block whose only non-zero coefficient is the DC term.
void jpeg_idctDcOnly(int32_t dc, uint8_t* out, int stride);
