#pragma once
// The desktop keyboard in the terms of the receiver's window: the virtual-key code of a key (arrows
// 37..40, Home 36, F2 113, letters 65..90 ...) and the modifiers held with it.
#include <cstdint>
#include <string>
#include <string_view>

constexpr uint16_t kHostModShift = 1;
constexpr uint16_t kHostModCtrl = 2;
constexpr uint16_t kHostModAlt = 4;  // the left Alt: keys with it are system keys

struct HostKey {
  uint16_t virtualKey;  // 0 when the key has no virtual-key code
  uint16_t modifiers;   // kHostMod* bits
};

// From the key code, scan code and modifier bits that the display reports.
HostKey host_keyFromDisplay(int32_t keycode, int32_t scancode, uint16_t displayModifiers);

// The characters a key types with the modifiers held (US layout; Ctrl and Alt type nothing): what the
// window reports as text after the key.
std::string host_keyText(int32_t keycode, uint16_t hostModifiers);

// Display key code and modifier bits for a key name ("Home", "F2", "Return", "Keypad 5", "a") and a
// modifier set, so that a script can press keys exactly as the window reports them. False for an
// unknown name.
bool host_displayKeyFromName(std::string_view name, uint16_t hostModifiers, int32_t* keycode, int32_t* scancode,
                             uint16_t* displayModifiers);
