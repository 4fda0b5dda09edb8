#pragma once
// The receiver window's procedure: keys become key events for the input task (only once input is
// enabled), a close asks about the resource image, an uncovered window is drawn again.
#include <cstdint>
#include <string>

#include "host/display.h"

constexpr const char* kResourceBuilder = "buildResImg";  // in the receiver root

class WindowProc final : public DisplayEvents {
 public:
  void onKeyDown(int32_t keycode, int32_t scancode, uint16_t modifiers, bool repeat) override;
  void onKeyUp(int32_t keycode, int32_t scancode, uint16_t modifiers) override;
  void onText(const char* utf8) override;
  void onClose() override;
  void onExpose() override;
  // A remote key given by its receiver code (the scripted remote): posted as a chord posts it.
  void onRemoteKey(uint8_t kind, uint16_t code);

 private:
  void key(uint8_t kind, int32_t keycode, int32_t scancode, uint16_t modifiers);
  uint16_t chordDown_[256] = {};  // the receiver code of each chord held, by virtual key (0: none)
  bool systemDown_[256] = {};     // keys held that were pressed as system keys (with Alt, or F10)
  bool swallowText_ = false;      // the last key pressed was a system key: its text is not typed
};

// The close question and the resource-image builder. Returns the exit code the program ends with:
// 0, or the error number when the builder could not be started.
int window_askResourceImage();
