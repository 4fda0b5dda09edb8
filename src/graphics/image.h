#pragma once
// Decoded images: the pixels as colours in a surface owned by a graphics context; transparent pixels
// hold the colour key.
#include <cstddef>
#include <cstdint>

struct GraphicsFB;
struct GraphicsContext;

constexpr int32_t kImageKindPalette = 2;

// Allocated in the pool of its decoder (POOL_IMAGE, POOL_GIF, POOL_JPG or POOL_PNG); freed with image_free.
struct Image {
  int32_t width;
  int32_t height;
  GraphicsContext* gc;  // owns `surface`
  int32_t kind;         // kImageKindPalette for images with a palette
  GraphicsFB* surface;
  uint32_t* palette;  // palette images only
  int32_t paletteLength;
  int32_t pool;  // the pool the record was charged to, so image_free can return it
};

// Decoders refuse pictures larger than this, before anything is allocated.
constexpr int32_t kImageMaxSide = 8192;
constexpr int64_t kImageMaxPixels = 4096 * 4096;

// Decodes an image held in memory, trying PNG, then baseline JPEG, then GIF. Null when none of them
// can decode it. The decoders keep no shared state, so any task may call them.
Image* image_decode(const uint8_t* data, size_t size);
// Reads the file and decodes it by the first letter of its extension: 'G'/'g' GIF, 'J'/'j' JPEG,
// 'P'/'p' PNG; any other name gives null.
Image* image_load(const char* path);
Image* image_loadGif(const char* path);
Image* image_loadJpeg(const char* path);
// Decodes a JPEG file with the system JPEG library, reduced by 1/2, 1/4 or 1/8 so that it fits
// within maxWidth x maxHeight (a picture more than eight times too large is reduced by 1/8). Null
// when the file is missing, not a JPEG, or a maximum is below 1.
Image* image_loadJpegScaled(const char* path, int32_t maxWidth, int32_t maxHeight);
// Frees the surface, the context, the palette and the record; accepts null.
void image_free(Image* image);

// The denominator the scaled loader uses for a width x height picture and the given maximum:
// 1 when it fits, else 2, 4 or 8, the smallest that makes it fit (8 at most).
int32_t image_jpegScaleDenominator(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight);
