#pragma once
// GIF decoding: the first frame of a GIF87a/GIF89a file, drawn on its logical screen.
#include <cstddef>
#include <cstdint>

struct Image;

// The image (pool POOL_GIF, with its palette), or null when the data is not a decodable GIF.
Image* gif_decode(const uint8_t* data, size_t size);
