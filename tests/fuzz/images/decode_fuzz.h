#pragma once
// Arbitrary bytes through one image decoder: it must give an image or null, never crash or read out
// of bounds, and every pixel it reports must exist.
#include <cstddef>
#include <cstdint>

#include "graphics/fb.h"
#include "graphics/image.h"

inline int fuzzDecoder(Image* (*decode)(const uint8_t*, size_t), const uint8_t* data, size_t size) {
  Image* image = decode(data, size);
  if (image) {
    uint32_t mix = 0;
    const GraphicsFB* surface = image->surface;
    for (int32_t i = 0; i < surface->width * surface->height; ++i) mix ^= surface->pixels[i];
    volatile uint32_t sink = mix;
    (void)sink;
    image_free(image);
  }
  return 0;
}
