#pragma once
// The host display: the screen bitmap (top-down 32-bit 0xAARRGGBB, alpha ignored when shown) and the
// window, if any, that shows it. Any thread may write the bitmap between beginWrite and endWrite;
// only the main thread (the one that opened the display) talks to the window system, in pump().
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

constexpr const char* kDisplayTitle = "Orbiscope Resources Editor";

enum class DisplayKind {
  Auto,      // a window when a video display is available, headless otherwise
  Window,    // an SDL window; opening fails without a video display
  Headless,  // the bitmap only
};

// What the window reports to its owner. Keys arrive untranslated: SDL key code and scan code.
class DisplayEvents {
 public:
  virtual ~DisplayEvents() = default;
  virtual void onKeyDown(int32_t keycode, int32_t scancode, uint16_t modifiers, bool repeat) = 0;
  virtual void onKeyUp(int32_t keycode, int32_t scancode, uint16_t modifiers) = 0;
  virtual void onText(const char* utf8) = 0;
  virtual void onClose() = 0;
  // The window was uncovered; the bitmap has already been shown again.
  virtual void onExpose() {}
};

class Display {
 public:
  virtual ~Display() = default;
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  bool isWindow() const { return isWindow_; }

  // Locks the bitmap and returns it (width x height pixels, no padding).
  uint32_t* beginWrite();
  // Unlocks it and asks for the rectangle to be shown (clipped; an empty rectangle shows nothing).
  void endWrite(int32_t x, int32_t y, int32_t width, int32_t height);
  // Asks for a rectangle to be shown again without writing.
  void present(int32_t x, int32_t y, int32_t width, int32_t height);

  // Main thread only: shows pending rectangles and delivers window events, waiting up to timeoutMs
  // for the first one (0: do not wait). A headless display only sleeps.
  virtual void pump(DisplayEvents* events, int32_t timeoutMs) = 0;

  std::vector<uint32_t> copy();           // the bitmap as it is now
  bool savePng(const std::string& path);  // the bitmap as an RGB PNG file

 protected:
  Display(int32_t width, int32_t height, bool isWindow);
  // Called after a rectangle was queued; the window wakes its main thread.
  virtual void requestPresent() {}
  // Takes the union of the rectangles queued since the last call (false when none).
  bool takePending(int32_t& x, int32_t& y, int32_t& width, int32_t& height);
  // Guards the bitmap and the pending rectangle.
  std::mutex lock_;
  std::vector<uint32_t> pixels_;

 private:
  void queue(int32_t x, int32_t y, int32_t width, int32_t height);
  int32_t width_;
  int32_t height_;
  bool isWindow_;
  int32_t pendingX0_ = 0, pendingY0_ = 0, pendingX1_ = 0, pendingY1_ = 0;  // empty when x1 <= x0
};

// Opens the display of the program (closing any previous one), cleared to 0. Window displays must be
// opened on the main thread. Auto honours ORB_DISPLAY=headless in the environment. Null on failure.
Display* display_open(DisplayKind kind, int32_t width, int32_t height);
// The open display, or null.
Display* display_current();
// Closes the display (main thread for a window).
void display_close();
