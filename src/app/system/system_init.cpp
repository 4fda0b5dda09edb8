#include "app/system/system_init.h"

#include <atomic>
#include <mutex>

#include "app/system/boot_logo.h"
#include "app/system/identity.h"
#include "app/system/loading_screen.h"
#include "app/system/system_fonts.h"
#include "devices/decoder/video_still.h"
#include "devices/flash/flash_store.h"
#include "devices/storage/storage.h"
#include "graphics/fb.h"
#include "runtime/input/input.h"
#include "runtime/pool.h"
#include "runtime/pool_list.h"
#include "runtime/process.h"
#include "runtime/system_exit.h"
#include "runtime/time/clock.h"

namespace {

std::atomic<SystemWait> g_wait{nullptr};
std::atomic<bool> g_started{false};
std::vector<SystemStep> g_steps;
std::mutex g_stepsLock;
std::atomic<std::chrono::steady_clock::time_point> g_inputEnabledAt{};

void step(const char* name) {
  std::lock_guard<std::mutex> guard(g_stepsLock);
  g_steps.push_back({name, std::chrono::steady_clock::now()});
}

}  // namespace

void system_setWait(SystemWait wait) { g_wait = wait; }

void system_wait(int32_t ms) {
  if (SystemWait wait = g_wait.load())
    wait(ms);
  else
    process_sleep(ms);
}

void system_init() {
  {
    std::lock_guard<std::mutex> guard(g_stepsLock);
    g_steps.clear();
  }
  g_inputEnabledAt = std::chrono::steady_clock::time_point{};
  step("tasks");
  process_init();
  step("identity");
  identity_init();
  step("heap statistics");
  pool_clearStats(POOL_HEAP);
  step("clock");
  clock_init();
  step("list store");
  list_storeInit();
  step("framebuffer");
  fb_open(720, 576);
  step("flash store");
  if (flash_init(1024) != 0) system_exit(-1);
  step("planes");
  fb_initPlanes();
  step("video decoder");
  video_startDecoder();
  system_wait(10);
  step("loading shift");
  loading_readShift();
  step("input");
  if (input_start() >= 0) clock_startHostSync();
  step("fonts");
  system_loadFonts();
  step("loading screen");
  loading_show();
  step("boot logo");
  bootLogo_show();
  step("mass storage");
  storage_init();
  step("started");
  g_started = true;
  step("network");
  if (system_networkPresent()) {
    // The network module transport would start here; this receiver has none.
  }
  step("loading stop");
  loading_stop(system_wait, 500);
  step("key input");
  input_setEnabled(true);
  g_inputEnabledAt = std::chrono::steady_clock::now();
}

void system_shutdown() {
  step("shutdown input");
  input_setEnabled(false);
  input_stop();
  step("shutdown mass storage");
  storage_shutdown();
  step("shutdown video decoder");
  video_stopDecoder();
  step("shutdown planes");
  fb_freePlanes();
  step("shutdown flash store");
  flash_shutdown();
  step("shutdown list store");
  list_storeShutdown();
  g_started = false;
}

bool system_isStarted() { return g_started.load(); }

std::vector<SystemStep> system_steps() {
  std::lock_guard<std::mutex> guard(g_stepsLock);
  return g_steps;
}

std::chrono::steady_clock::time_point system_inputEnabledAt() { return g_inputEnabledAt.load(); }

bool system_networkPresent() { return false; }
