#include "app/system/loading_screen.h"

#include <atomic>
#include <cstdio>

#include "app/system/system_fonts.h"
#include "devices/panel/front_panel.h"
#include "graphics/file.h"
#include "graphics/gc.h"
#include "runtime/process.h"

namespace {

std::atomic<int32_t> g_shift{0};
std::atomic<bool> g_loading{false};
std::atomic<int> g_task{-1};
std::atomic<bool> g_started{false};

void loadingTask(void*) {
  GraphicsContext* gc = gc_newScreen();
  uint32_t colour = kLoadingFirstColour;
  int counter = 0;
  // The flag is checked before every square, so at most one square follows the stop request.
  while (g_loading.load()) {
    int32_t y = kLoadingSquareY - g_shift.load();
    gc_fillRect(gc, kLoadingSquareX, y, kLoadingSquareSize, kLoadingSquareSize, colour);
    gc_flush(gc, kLoadingSquareX, y, kLoadingSquareSize, kLoadingSquareSize);
    char text[16];
    std::snprintf(text, sizeof(text), "LOADING %d", counter);
    fp_showText(text);
    counter = (counter + 1) % 16;
    colour = loading_nextColour(colour);
    process_sleep(100);
  }
  gc_free(gc);
  fp_showText("");
  g_task = -1;
  process_exit();
}

}  // namespace

uint32_t loading_nextColour(uint32_t colour) {
  return colour <= 0xFF000000 ? kLoadingFirstColour : colour - 0x00111111;
}

void loading_readShift() {
  int32_t handle = file_open("/data/Configuration.dat", kFileBinary, nullptr);
  if (handle < 0) return;
  uint8_t head[48];
  int32_t got = 0;
  while (got < int32_t(sizeof(head))) {
    int32_t n = file_read(handle, head + got, int32_t(sizeof(head)) - got);
    if (n <= 0) break;
    got += n;
  }
  file_close(handle);
  if (got < int32_t(sizeof(head))) return;
  uint8_t standard = head[36];
  if (standard == 2)
    g_shift = 32;
  else if (standard <= 3)
    g_shift = 0;
}

int32_t loading_shift() { return g_shift.load(); }
void loading_setShift(int32_t shift) { g_shift = shift; }

void loading_show() {
  GraphicsContext* gc = gc_newScreen();
  if (gc) {
    system_drawText(gc, 24, kLoadingTitle, 200, 200, kLoadingTextColour);
    system_drawText(gc, 24, kLoadingVersion, 150, 250, kLoadingTextColour);
    gc_flush(gc, 0, 0, gc->clipWidth, gc->clipHeight);
    gc_free(gc);
  }
  if (g_task.load() >= 0) return;
  g_loading = true;
  int task = process_start(loadingTask, nullptr, -2);
  if (task < 0) {
    g_loading = false;
    return;
  }
  g_started = true;
  // The task clears g_task itself when it ends; it cannot end before the flag is cleared.
  g_task = task;
}

void loading_stop(void (*wait)(int32_t ms), int32_t settleMs) {
  if (!g_started.exchange(false)) return;
  wait(settleMs);
  g_loading = false;
  for (int step = 0; step < 10 && g_task.load() >= 0; ++step) wait(100);
}

int loading_taskIndex() { return g_task.load(); }
