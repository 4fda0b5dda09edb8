#pragma once
// PNG decoding: every bit depth and colour type, Adam7, tRNS; pixels keep their alpha.
#include <cstddef>
#include <cstdint>

struct Image;

// True when the data starts with a PNG signature (the 0x0A 0x0A variant included).
bool png_isSignature(const uint8_t* data, size_t size);
// The image (pool POOL_PNG), or null when the data is not a whole, decodable PNG.
Image* png_decode(const uint8_t* data, size_t size);
