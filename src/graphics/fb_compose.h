#pragma once
// Composition of the three planes into the screen bitmap.
#include <cstdint>

// For each pixel of the rectangle: the OSD pixel unless it is the key, else the middle pixel unless
// it is the key, else the video pixel. No blending. The planes share `planeStride`; the bitmap has
// `bitmapStride` pixels a row. The rectangle must lie inside all of them.
void fb_composeRect(uint32_t* bitmap, int32_t bitmapStride, const uint32_t* osd, const uint32_t* middle,
                    const uint32_t* video, int32_t planeStride, int32_t x, int32_t y, int32_t width, int32_t height);
