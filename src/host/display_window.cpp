#include "host/display_window.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "host/display.h"

namespace {

// One SDL window whose client area shows the bitmap through the window surface. Presents requested by
// other threads travel to the main thread as one user event at a time.
class WindowDisplay final : public Display {
 public:
  WindowDisplay(int32_t width, int32_t height, SDL_Window* window, uint32_t presentEvent)
      : Display(width, height, true), window_(window), presentEvent_(presentEvent) {}

  ~WindowDisplay() override {
    SDL_DestroyWindow(window_);
    // The display is the program's only SDL user: shut all of it down, D-Bus and X connections included.
    SDL_Quit();
  }

  void pump(DisplayEvents* events, int32_t timeoutMs) override {
    SDL_Event event;
    bool have = timeoutMs > 0 ? SDL_WaitEventTimeout(&event, timeoutMs) != 0 : SDL_PollEvent(&event) != 0;
    while (have) {
      handle(event, events);
      have = SDL_PollEvent(&event) != 0;
    }
    showPending();
  }

 protected:
  void requestPresent() override {
    if (presentQueued_.exchange(true)) return;
    SDL_Event event{};
    event.type = presentEvent_;
    if (SDL_PushEvent(&event) != 1) presentQueued_ = false;
  }

 private:
  void handle(const SDL_Event& event, DisplayEvents* events) {
    if (event.type == presentEvent_) {
      presentQueued_ = false;
      showPending();
      return;
    }
    switch (event.type) {
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
          present(0, 0, width(), height());
          showPending();
          if (events) events->onExpose();
        } else if (event.window.event == SDL_WINDOWEVENT_CLOSE && events) {
          events->onClose();
        }
        break;
      case SDL_QUIT:
        if (events) events->onClose();
        break;
      case SDL_KEYDOWN:
        if (events)
          events->onKeyDown(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod,
                            event.key.repeat != 0);
        break;
      case SDL_KEYUP:
        if (events) events->onKeyUp(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod);
        break;
      case SDL_TEXTINPUT:
        if (events) events->onText(event.text.text);
        break;
      default:
        break;
    }
  }

  // Copies the pending rectangle of the bitmap to the window surface and shows it.
  void showPending() {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    std::lock_guard<std::mutex> guard(lock_);
    SDL_Rect rect;
    if (!surface || !takePending(rect.x, rect.y, rect.w, rect.h)) return;
    if (rect.x + rect.w > surface->w || rect.y + rect.h > surface->h) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    const uint32_t* source = pixels_.data() + size_t(rect.y) * size_t(width()) + size_t(rect.x);
    uint8_t* target = static_cast<uint8_t*>(surface->pixels) + size_t(rect.y) * size_t(surface->pitch) +
                      size_t(rect.x) * surface->format->BytesPerPixel;
    // The bitmap's alpha byte means nothing on screen: read it as XRGB.
    SDL_ConvertPixels(rect.w, rect.h, SDL_PIXELFORMAT_RGB888, source, width() * 4, surface->format->format, target,
                      surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
  }

  SDL_Window* window_;
  uint32_t presentEvent_;
  std::atomic<bool> presentQueued_{false};
};

}  // namespace

Display* display_openWindow(int32_t width, int32_t height) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  // Without a window system SDL falls back to drivers that show nothing; that is no display, unless
  // the user asked for such a driver by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  bool showsNothing = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  if (showsNothing && !std::getenv("SDL_VIDEODRIVER")) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  static uint32_t presentEvent = SDL_RegisterEvents(1);
  SDL_Window* window = presentEvent == uint32_t(-1)
                           ? nullptr
                           : SDL_CreateWindow(kDisplayTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                              height, SDL_WINDOW_SHOWN);
  if (!window) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_StartTextInput();
  auto* display = new WindowDisplay(width, height, window, presentEvent);
  display->present(0, 0, width, height);
  return display;
}
