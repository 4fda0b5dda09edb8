#pragma once
// Baseline JPEG decoding (JFIF, greyscale or YCbCr, any restart interval, 1x or 2x sampling).
#include <cstddef>
#include <cstdint>

struct Image;

// The image (pool POOL_JPG, opaque pixels), or null when the data is not a decodable baseline JFIF
// picture (progressive and files without an APP0 JFIF segment are refused).
Image* jpeg_decode(const uint8_t* data, size_t size);
