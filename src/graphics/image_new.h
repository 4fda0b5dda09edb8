#pragma once
// What the decoders share: making an image record with its key-filled surface.
#include <cstdint>

#include "graphics/image.h"

// True when a width x height picture is within the decoders' limits.
bool image_sizeAllowed(int64_t width, int64_t height);
// A new image of that size in `pool`, its surface filled with the key; null when the size is not
// allowed or memory runs out.
Image* image_new(int32_t width, int32_t height, int32_t pool);
// Gives the image a copy of `count` palette colours (kind becomes the palette kind). False when
// memory runs out.
bool image_setPalette(Image* image, const uint32_t* colours, int32_t count);
