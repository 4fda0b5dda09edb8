// Full-screen composition and flush against a plain copy of the same bytes, and a full-screen
// gc_fillRect against std::fill over the same pixels.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/ratio_main.h"
#include "graphics/fb.h"
#include "graphics/gc.h"
#include "host/display.h"
#include "runtime/process.h"

namespace {

constexpr int32_t kWidth = 720, kHeight = 576;

// A headless screen whose OSD plane is half drawn, so the composition takes both paths.
struct Screen {
  Screen() {
    process_init();
    display_open(DisplayKind::Headless, kWidth, kHeight);
    fb_open(kWidth, kHeight);
    fb_initPlanes();
    video.assign(size_t(kWidth) * kHeight, kVideoFill);
    fb_setVideoPlane(video.data());
    GraphicsContext* gc = gc_newScreen();
    for (int32_t y = 0; y < kHeight; y += 16) gc_fillRect(gc, 0, y, kWidth, 8, 0xFF336699);
    gc_free(gc);
  }
  std::vector<uint32_t> video;
};

Screen& screen() {
  static Screen instance;
  return instance;
}

void BM_ComposeFlush(benchmark::State& state) {
  screen();
  for (auto _ : state) {
    fb_markDirty(fb_osdPlane(), 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> from(size_t(kWidth) * kHeight, 1), to(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

void BM_FillRect(benchmark::State& state) {
  screen();
  GraphicsContext* gc = gc_newScreen();
  uint32_t colour = 0xFF000000;
  for (auto _ : state) {
    gc_fillRect(gc, 0, 0, kWidth, kHeight, colour++);
    benchmark::ClobberMemory();
  }
  gc_free(gc);
}

void BM_StdFill(benchmark::State& state) {
  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  uint32_t colour = 0xFF000000;
  for (auto _ : state) {
    std::fill(pixels.begin(), pixels.end(), colour++);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ComposeFlush);
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_FillRect);
BENCHMARK(BM_StdFill);
ORB_BENCH_RATIO(BM_ComposeFlush, BM_Memcpy);
ORB_BENCH_RATIO(BM_FillRect, BM_StdFill);

}  // namespace

ORB_BENCH_RATIO_MAIN()
