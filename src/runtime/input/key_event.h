#pragma once
// The key event that travels from the window to the key listeners: 4 bytes, packed in this order.
#include <cstdint>

constexpr uint8_t KEY_PRESSED = 1;
constexpr uint8_t KEY_RELEASED = 4;
constexpr uint8_t KEY_TYPED = 8;  // a character

constexpr uint16_t kKeyNone = 0xFFFF;  // no key: never delivered

struct KeyEvent {
  uint8_t kind;    // KEY_PRESSED, KEY_RELEASED or KEY_TYPED; 1..8 accepted
  uint8_t source;  // 0..5, selects the translation table; the window always sends 0
  uint16_t code;   // virtual-key or character code on the way in, the receiver key code on delivery
};
static_assert(sizeof(KeyEvent) == 4);
