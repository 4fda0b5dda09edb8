#pragma once
// The receiver's remote-control key codes by name, and the modifier chords through which the window
// gives the remote keys that no PC key produces.
#include <cstdint>
#include <string>
#include <string_view>

struct RemoteKeyName {
  const char* name;  // "KEY_MENU"
  uint16_t code;
};

// Every named remote key, in code order.
const RemoteKeyName* remote_keyNames(int* count);
// The code of a key named with or without its "KEY_" prefix, any case ("KEY_MENU", "menu"); kKeyNone
// when unknown.
uint16_t remote_keyCode(std::string_view name);
// The name of a code ("KEY_CH_UP"), or null.
const char* remote_keyName(uint16_t code);

// A chord: Ctrl held with a key given by its virtual-key code (Alt must not be held; Shift is
// ignored) gives a receiver key code.
struct RemoteChord {
  uint16_t virtualKey;
  const char* keyLabel;  // as printed in the key map ("M", "Space", "PageUp")
  uint16_t code;
};
const RemoteChord* remote_chords(int* count);
// The receiver code for Ctrl + virtualKey, or kKeyNone.
uint16_t remote_chordCode(uint16_t virtualKey);

// The full key map as printed at start and in the README: PC keys, their receiver keys, the chords.
std::string remote_keyMapText();
