// Arbitrary bytes through the PNG decoder: it must give an image or null, never crash or read out
// of bounds, and every pixel it reports must exist.
#include <cstddef>
#include <cstdint>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "graphics/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image* image = png_decode(data, size);
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
