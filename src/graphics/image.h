#pragma once
// Decoded images: the pixels as colours in a surface owned by a graphics context; transparent pixels
// hold the colour key.
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
  uint32_t* palette;    // palette images only
  int32_t paletteLength;
  int32_t pool;         // the pool the record was charged to, so image_free can return it
};
