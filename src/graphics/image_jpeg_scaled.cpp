// Reduced JPEG decoding through the system JPEG library (its classic interface): the file is read
// through the file layer as the library asks for data, and decoded at 1/2, 1/4 or 1/8 size.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
// The JPEG library's header needs size_t and FILE declared first.
#include <jpeglib.h>

#include "graphics/fb.h"
#include "graphics/file.h"
#include "graphics/image.h"
#include "graphics/image_new.h"
#include "runtime/pool.h"

namespace {

constexpr int kReadChunk = 16384;

struct FileSource {
  jpeg_source_mgr pub;
  int32_t handle;
  JOCTET buffer[kReadChunk];
};

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info) {
  auto* source = reinterpret_cast<FileSource*>(info->src);
  int32_t n = file_read(source->handle, source->buffer, kReadChunk);
  if (n <= 0) {
    // The end of the file: an end-of-image marker lets the library finish what it has.
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    n = 2;
  }
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<size_t>(n);
  return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
  auto* source = reinterpret_cast<FileSource*>(info->src);
  while (count > static_cast<long>(source->pub.bytes_in_buffer)) {
    count -= static_cast<long>(source->pub.bytes_in_buffer);
    fillInput(info);
  }
  if (count > 0) {
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<size_t>(count);
  }
}

void termSource(j_decompress_ptr) {}

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

// The library's default would end the program; a broken file only ends this decode.
void errorExit(j_common_ptr info) { longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

void quietMessage(j_common_ptr) {}

// Decodes into `*result`. Kept free of objects with destructors, because an error jumps out of it.
void decodeScaled(int32_t handle, FileSource* source, int32_t maxWidth, int32_t maxHeight, Image** result,
                  JSAMPLE** line, int32_t* lineSize) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = errorExit;
  errors.pub.output_message = quietMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    image_free(*result);
    *result = nullptr;
    return;
  }
  jpeg_create_decompress(&info);
  source->handle = handle;
  source->pub.init_source = initSource;
  source->pub.fill_input_buffer = fillInput;
  source->pub.skip_input_data = skipInput;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = termSource;
  source->pub.bytes_in_buffer = 0;
  source->pub.next_input_byte = nullptr;
  info.src = &source->pub;
  jpeg_read_header(&info, TRUE);
  if (!image_sizeAllowed(info.image_width, info.image_height) ||
      (info.num_components != 1 && info.num_components != 3)) {
    jpeg_destroy_decompress(&info);
    return;
  }
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(image_jpegScaleDenominator(
      static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height), maxWidth, maxHeight));
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width), components = info.output_components;
  *lineSize = width * components;
  *line = static_cast<JSAMPLE*>(pool_alloc(POOL_JPG, *lineSize));
  *result = *line ? image_new(width, static_cast<int32_t>(info.output_height), POOL_JPG) : nullptr;
  if (!*result) {
    jpeg_destroy_decompress(&info);
    return;
  }
  while (info.output_scanline < info.output_height) {
    uint32_t* out = (*result)->surface->pixels + static_cast<size_t>(info.output_scanline) * width;
    JSAMPROW rows[1] = {*line};
    jpeg_read_scanlines(&info, rows, 1);
    const JSAMPLE* s = *line;
    if (components == 1) {
      for (int x = 0; x < width; ++x) out[x] = 0xFF000000 | s[x] * 0x010101u;
    } else {
      for (int x = 0; x < width; ++x, s += 3) out[x] = 0xFF000000 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

}  // namespace

int32_t image_jpegScaleDenominator(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight) {
  if (maxWidth < 1 || maxHeight < 1 || (width <= maxWidth && height <= maxHeight)) return 1;
  // Rounded up, so that the reduced picture really fits.
  int32_t ratioX = (width + maxWidth - 1) / maxWidth, ratioY = (height + maxHeight - 1) / maxHeight;
  int32_t ratio = ratioX > ratioY ? ratioX : ratioY;
  if (ratio <= 2) return 2;
  return ratio <= 4 ? 4 : 8;
}

Image* image_loadJpegScaled(const char* path, int32_t maxWidth, int32_t maxHeight) {
  if (!path || maxWidth < 1 || maxHeight < 1) return nullptr;
  int32_t handle = file_open(path, kFileBinary, nullptr);
  if (handle < 0) return nullptr;
  auto* source = static_cast<FileSource*>(pool_alloc(POOL_JPG, sizeof(FileSource)));
  Image* image = nullptr;
  JSAMPLE* line = nullptr;
  int32_t lineSize = 0;
  if (source) {
    decodeScaled(handle, source, maxWidth, maxHeight, &image, &line, &lineSize);
    pool_free(POOL_JPG, source, sizeof(FileSource));
  }
  if (line) pool_free(POOL_JPG, line, lineSize);
  file_close(handle);
  return image;
}
