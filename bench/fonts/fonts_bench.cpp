// A 40-character line at 24 pixels: gc_drawText against FreeType drawing the same string from the
// same PFR strike (glyph lookup, bitmap load, kerning, 1-bit blit into the same kind of surface).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ratio_main.h"
#include "graphics/fb.h"
#include "graphics/font.h"
#include "graphics/gc.h"
#include "graphics/gc_text.h"
#include "runtime/process.h"
#include "runtime/text/utf8.h"

namespace {

constexpr const char* kLine = "Tagesschau 20:00 \xE2\x80\x93 Wetter f\xC3\xBCr morgen 17\xC2\xB0";  // 40 characters
constexpr int32_t kWidth = 720, kHeight = 40;

std::vector<uint8_t> strike() {
  std::ifstream in(std::string(ORB_BINARY_DIR) + "/tools/fontbuild/pfr/tires-b24_803.pfr", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void BM_gcDrawText(benchmark::State& state) {
  static bool ready = (process_init(), true);
  (void)ready;
  std::vector<uint8_t> bytes = strike();
  Font* font = font_openFromMemory("bench-b24.pfr", 24, bytes.data(), int32_t(bytes.size()));
  GraphicsContext* gc = gc_newOffscreen(kWidth, kHeight);
  if (!font || !gc) {
    state.SkipWithError("no font");
    return;
  }
  gc_setFont(gc, font);
  for (auto _ : state) {
    gc_drawText(gc, kLine, 0, 30, 0xFFFFFFFF);
    benchmark::DoNotOptimize(gc->surface->pixels[0]);
  }
  fb_freeSurface(gc->surface);
  gc_free(gc);
  font_release(font);
}
BENCHMARK(BM_gcDrawText);

void BM_freetypeDrawText(benchmark::State& state) {
  std::vector<uint8_t> bytes = strike();
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Memory_Face(library, bytes.data(), FT_Long(bytes.size()), 0, &face) ||
      FT_Select_Size(face, 0)) {
    state.SkipWithError("no face");
    return;
  }
  std::vector<uint32_t> surface(size_t(kWidth) * kHeight, kColourKey);
  std::vector<char16_t> units(strlen(kLine) + 1);
  wstr_fromUtf8(kLine, units.data());
  for (auto _ : state) {
    int32_t pen = 0, baseline = 29;
    FT_UInt previous = 0;
    for (const char16_t* u = units.data(); *u; u++) {
      FT_UInt index = FT_Get_Char_Index(face, *u);
      if (!index || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT)) continue;
      FT_Vector kern{0, 0};
      if (previous) FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
      pen += int32_t(kern.x >> 6) + 1;
      const FT_Bitmap& b = face->glyph->bitmap;
      int32_t left = pen + face->glyph->bitmap_left, top = baseline - face->glyph->bitmap_top + 1;
      for (int32_t r = 0; r < int32_t(b.rows); r++) {
        int32_t y = top + r;
        if (y < 0 || y >= kHeight) continue;
        const uint8_t* bits = b.buffer + r * b.pitch;
        for (int32_t c = 0; c < int32_t(b.width); c++) {
          int32_t x = left + c;
          if (x >= 0 && x < kWidth && (bits[c >> 3] & (0x80 >> (c & 7)))) surface[size_t(y) * kWidth + x] = 0xFFFFFFFF;
        }
      }
      pen += int32_t(face->glyph->advance.x >> 6);
      previous = index;
    }
    benchmark::DoNotOptimize(surface[0]);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}
BENCHMARK(BM_freetypeDrawText);

ORB_BENCH_RATIO(BM_gcDrawText, BM_freetypeDrawText);

}  // namespace

ORB_BENCH_RATIO_MAIN()
