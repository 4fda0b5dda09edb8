// Image records, format detection and loading from files.
#include "graphics/image.h"

#include <cstring>

#include "graphics/fb.h"
#include "graphics/file.h"
#include "graphics/gc.h"
#include "graphics/gif_decoder.h"
#include "graphics/image_new.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/png_decoder.h"
#include "runtime/pool.h"

bool image_sizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kImageMaxSide && height <= kImageMaxSide &&
         width * height <= kImageMaxPixels;
}

Image* image_new(int32_t width, int32_t height, int32_t pool) {
  if (!image_sizeAllowed(width, height)) return nullptr;
  auto* image = static_cast<Image*>(pool_allocZeroed(pool, sizeof(Image)));
  if (!image) return nullptr;
  image->pool = pool;
  image->width = width;
  image->height = height;
  image->gc = gc_newOffscreen(width, height);
  image->surface = image->gc ? image->gc->surface : nullptr;
  if (!image->surface) {
    image_free(image);
    return nullptr;
  }
  return image;
}

bool image_setPalette(Image* image, const uint32_t* colours, int32_t count) {
  if (!image || count < 1) return false;
  auto* palette = static_cast<uint32_t*>(pool_alloc(image->pool, count * static_cast<int32_t>(sizeof(uint32_t))));
  if (!palette) return false;
  std::memcpy(palette, colours, static_cast<size_t>(count) * sizeof(uint32_t));
  if (image->palette) pool_free(image->pool, image->palette, image->paletteLength * 4);
  image->palette = palette;
  image->paletteLength = count;
  image->kind = kImageKindPalette;
  return true;
}

void image_free(Image* image) {
  if (!image) return;
  if (image->gc) {
    if (image->gc->surface) fb_freeSurface(image->gc->surface);
    gc_free(image->gc);
  } else if (image->surface) {
    fb_freeSurface(image->surface);
  }
  if (image->palette) pool_free(image->pool, image->palette, image->paletteLength * 4);
  pool_free(image->pool, image, sizeof(Image));
}

Image* image_decode(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  if (Image* image = png_decode(data, size)) return image;
  if (Image* image = jpeg_decode(data, size)) return image;
  return gif_decode(data, size);
}

namespace {

using Decoder = Image* (*)(const uint8_t*, size_t);

Image* loadWith(const char* path, Decoder decode) {
  int32_t size = 0;
  uint8_t* data = file_readAll(path, POOL_IMAGE, &size);
  if (!data) return nullptr;
  Image* image = decode(data, static_cast<size_t>(size));
  pool_free(POOL_IMAGE, data, size);
  if (image && !image->surface) {
    image_free(image);
    image = nullptr;
  }
  return image;
}

}  // namespace

Image* image_load(const char* path) {
  if (!path) return nullptr;
  // The extension is what follows the last dot of the last path component.
  const char* dot = std::strrchr(path, '.');
  if (!dot || std::strchr(dot, '/') || std::strchr(dot, '\\')) return nullptr;
  switch (dot[1]) {
    case 'G':
    case 'g':
      return loadWith(path, gif_decode);
    case 'J':
    case 'j':
      return loadWith(path, jpeg_decode);
    case 'P':
    case 'p':
      return loadWith(path, png_decode);
    default:
      return nullptr;
  }
}

Image* image_loadGif(const char* path) { return path ? loadWith(path, gif_decode) : nullptr; }

Image* image_loadJpeg(const char* path) { return path ? loadWith(path, jpeg_decode) : nullptr; }
