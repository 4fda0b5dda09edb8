#pragma once
// A small PNG encoder for screen dumps: 8-bit RGB, no interlace, alpha dropped.
#include <cstdint>
#include <string>
#include <vector>

// The PNG bytes of width x height 0xAARRGGBB pixels (empty when the sizes are not positive).
std::vector<uint8_t> png_encodeRgb(const uint32_t* pixels, int32_t width, int32_t height);
// Writes them to `path` through a temporary file and a rename; false on any failure.
bool png_writeRgb(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height);
