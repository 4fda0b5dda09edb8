// Our PNG and JPEG decoders against libpng and the system JPEG library on the same pictures: a
// 720 x 576 synthetic photograph (gradients, texture and hard edges), encoded once at start-up.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
// The JPEG library's header needs size_t and FILE declared first.
#include <jpeglib.h>
#include <png.h>

#include "common/ratio_main.h"
#include "graphics/image.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/png_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 720, kHeight = 576;

// RGBA samples of the test picture; alpha varies across the picture when `alpha` is set.
Bytes picture(bool alpha) {
  Bytes out;
  uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245 + 12345;
      int grain = static_cast<int>(noise >> 28) - 8;
      double wave = std::sin(x * 0.031) * std::cos(y * 0.017);
      int r = static_cast<int>(128 + 100 * wave) + grain;
      int g = (x * 255 / kWidth + grain) & 0xFF;
      int b = ((x / 48 + y / 48) % 2) ? 200 : 40;  // a chequerboard of hard edges
      int a = alpha ? (y * 255 / kHeight) : 255;
      for (int v : {r, g, b, a}) out.push_back(static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v));
    }
  }
  return out;
}

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

Bytes encodePng(bool alpha) {
  Bytes rgba = picture(alpha), out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, appendToBytes, nullptr);
  png_set_IHDR(png, info, kWidth, kHeight, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, rgba.data() + size_t(y) * kWidth * 4);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes encodeJpeg(int quality, int hSampling, int vSampling) {
  Bytes rgba = picture(false), rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), rgba.begin() + long(i), rgba.begin() + long(i) + 3);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.comp_info[0].h_samp_factor = hSampling;
  info.comp_info[0].v_samp_factor = vSampling;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = rgb.data() + size_t(info.next_scanline) * kWidth * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

const Bytes& pngRgb() {
  static const Bytes data = encodePng(false);
  return data;
}
const Bytes& pngRgba() {
  static const Bytes data = encodePng(true);
  return data;
}
const Bytes& jpeg420() {
  static const Bytes data = encodeJpeg(85, 2, 2);
  return data;
}
const Bytes& jpeg444() {
  static const Bytes data = encodeJpeg(92, 1, 1);
  return data;
}

struct Reader {
  const Bytes* data;
  size_t pos;
};

void readFromBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  std::memcpy(out, r->data->data() + r->pos, length);
  r->pos += length;
}

// libpng to 32-bit pixels, the same output our decoder produces.
void libpngDecode(const Bytes& file, Bytes* pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Reader reader{&file, 0};
  png_set_read_fn(png, &reader, readFromBytes);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  pixels->resize(size_t(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) png_read_row(png, pixels->data() + size_t(y) * kWidth * 4, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

void libjpegDecode(const Bytes& file, Bytes* pixels) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  jpeg_read_header(&info, TRUE);
#ifdef JCS_EXTENSIONS
  info.out_color_space = JCS_EXT_BGRX;  // 32-bit pixels, as ours
#endif
  jpeg_start_decompress(&info);
  pixels->resize(size_t(info.output_width) * info.output_height * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels->data() + size_t(info.output_scanline) * info.output_width * info.output_components;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

void ours(benchmark::State& state, Image* (*decode)(const uint8_t*, size_t), const Bytes& file) {
  for (auto _ : state) {
    Image* image = decode(file.data(), file.size());
    if (!image) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image);
    image_free(image);
  }
}

void reference(benchmark::State& state, void (*decode)(const Bytes&, Bytes*), const Bytes& file) {
  Bytes pixels;
  for (auto _ : state) {
    decode(file, &pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_Png_Rgb_Ours(benchmark::State& s) { ours(s, png_decode, pngRgb()); }
void BM_Png_Rgb_Libpng(benchmark::State& s) { reference(s, libpngDecode, pngRgb()); }
void BM_Png_Rgba_Ours(benchmark::State& s) { ours(s, png_decode, pngRgba()); }
void BM_Png_Rgba_Libpng(benchmark::State& s) { reference(s, libpngDecode, pngRgba()); }
void BM_Jpeg_420_Ours(benchmark::State& s) { ours(s, jpeg_decode, jpeg420()); }
void BM_Jpeg_420_Libjpeg(benchmark::State& s) { reference(s, libjpegDecode, jpeg420()); }
void BM_Jpeg_444_Ours(benchmark::State& s) { ours(s, jpeg_decode, jpeg444()); }
void BM_Jpeg_444_Libjpeg(benchmark::State& s) { reference(s, libjpegDecode, jpeg444()); }

BENCHMARK(BM_Png_Rgb_Ours);
BENCHMARK(BM_Png_Rgb_Libpng);
BENCHMARK(BM_Png_Rgba_Ours);
BENCHMARK(BM_Png_Rgba_Libpng);
BENCHMARK(BM_Jpeg_420_Ours);
BENCHMARK(BM_Jpeg_420_Libjpeg);
BENCHMARK(BM_Jpeg_444_Ours);
BENCHMARK(BM_Jpeg_444_Libjpeg);

}  // namespace

ORB_BENCH_RATIO(BM_Png_Rgb_Ours, BM_Png_Rgb_Libpng);
ORB_BENCH_RATIO(BM_Png_Rgba_Ours, BM_Png_Rgba_Libpng);
ORB_BENCH_RATIO(BM_Jpeg_420_Ours, BM_Jpeg_420_Libjpeg);
ORB_BENCH_RATIO(BM_Jpeg_444_Ours, BM_Jpeg_444_Libjpeg);
ORB_BENCH_RATIO_MAIN()
