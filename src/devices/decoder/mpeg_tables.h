#pragma once
// Fixed tables of MPEG-1/MPEG-2 video: scan orders, default quantiser matrices, quantiser scales.
#include <cstdint>

// Raster position (row * 8 + column) of each coefficient in transmission order.
extern const uint8_t kZigzagScan[64];
extern const uint8_t kAlternateScan[64];

// Default matrices in raster order.
extern const uint8_t kDefaultIntraMatrix[64];
extern const uint8_t kDefaultNonIntraMatrix[64];

// The quantiser scale for quantiser_scale_code 0..31, doubled for the linear type so that both
// types dequantise with the same formula.
extern const uint8_t kQuantiserScale[2][32];
