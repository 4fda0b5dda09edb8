#include "host/display.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/display_window.h"
#include "host/png_writer.h"

Display::Display(int32_t width, int32_t height, bool isWindow)
    : pixels_(size_t(width) * size_t(height), 0), width_(width), height_(height), isWindow_(isWindow) {}

uint32_t* Display::beginWrite() {
  lock_.lock();
  return pixels_.data();
}

void Display::endWrite(int32_t x, int32_t y, int32_t width, int32_t height) {
  queue(x, y, width, height);
  lock_.unlock();
  requestPresent();
}

void Display::present(int32_t x, int32_t y, int32_t width, int32_t height) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    queue(x, y, width, height);
  }
  requestPresent();
}

// Called with lock_ held: adds the clipped rectangle to the pending union.
void Display::queue(int32_t x, int32_t y, int32_t width, int32_t height) {
  int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  int64_t x1 = std::min<int64_t>(int64_t(x) + width, width_), y1 = std::min<int64_t>(int64_t(y) + height, height_);
  if (x1 <= x0 || y1 <= y0) return;
  if (pendingX1_ <= pendingX0_ || pendingY1_ <= pendingY0_) {
    pendingX0_ = int32_t(x0), pendingY0_ = int32_t(y0), pendingX1_ = int32_t(x1), pendingY1_ = int32_t(y1);
    return;
  }
  pendingX0_ = std::min(pendingX0_, int32_t(x0));
  pendingY0_ = std::min(pendingY0_, int32_t(y0));
  pendingX1_ = std::max(pendingX1_, int32_t(x1));
  pendingY1_ = std::max(pendingY1_, int32_t(y1));
}

bool Display::takePending(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  if (pendingX1_ <= pendingX0_ || pendingY1_ <= pendingY0_) return false;
  x = pendingX0_, y = pendingY0_, width = pendingX1_ - pendingX0_, height = pendingY1_ - pendingY0_;
  pendingX0_ = pendingY0_ = pendingX1_ = pendingY1_ = 0;
  return true;
}

std::vector<uint32_t> Display::copy() {
  std::lock_guard<std::mutex> guard(lock_);
  return pixels_;
}

bool Display::savePng(const std::string& path) {
  std::vector<uint32_t> snapshot = copy();
  return png_writeRgb(path, snapshot.data(), width_, height_);
}

namespace {

// The bitmap alone: shows nothing, so pending rectangles are simply dropped.
class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay(int32_t width, int32_t height) : Display(width, height, false) {}
  void pump(DisplayEvents*, int32_t timeoutMs) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      int32_t x, y, w, h;
      takePending(x, y, w, h);
    }
    if (timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  }
};

Display* g_display = nullptr;

bool headlessForced() {
  const char* choice = std::getenv("ORB_DISPLAY");
  return choice && std::strcmp(choice, "headless") == 0;
}

}  // namespace

Display* display_open(DisplayKind kind, int32_t width, int32_t height) {
  display_close();
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return nullptr;
  bool wantWindow = kind == DisplayKind::Window || (kind == DisplayKind::Auto && !headlessForced());
  if (wantWindow) {
    g_display = display_openWindow(width, height);
    // Auto falls back to headless when no window can be opened.
    if (g_display || kind == DisplayKind::Window) return g_display;
  }
  g_display = new HeadlessDisplay(width, height);
  return g_display;
}

Display* display_current() { return g_display; }

void display_close() {
  delete g_display;
  g_display = nullptr;
}
