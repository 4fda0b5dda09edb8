#include "app/system/window_proc.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/system/shell.h"
#include "graphics/fb.h"
#include "host/child_process.h"
#include "host/keyboard.h"
#include "host/message_box.h"
#include "host/root.h"
#include "runtime/input/input.h"
#include "runtime/input/key_tables.h"
#include "runtime/input/remote_keys.h"

namespace {

constexpr uint16_t kVkF10 = 121;

// The characters that the keyboard types with a key but that the display reports as no text.
bool typesCharacter(uint16_t virtualKey) {
  return virtualKey == 8 || virtualKey == 9 || virtualKey == 13 || virtualKey == 27;
}

void postCharacter(uint32_t character) {
  if (character == 8 || character > 0xFFFF) return;
  if (character == 13) character = 10;
  input_post(KeyEvent{KEY_TYPED, 0, uint16_t(character)});
}

// The next code point of UTF-8 text; malformed bytes are skipped.
bool nextCodePoint(const unsigned char*& p, uint32_t* out) {
  while (*p) {
    unsigned char lead = *p++;
    int extra = lead < 0x80             ? 0
                : (lead & 0xE0) == 0xC0 ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0) continue;
    uint32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      value = value << 6 | (*p++ & 0x3F);
    }
    if (!ok) continue;
    *out = value;
    return true;
  }
  return false;
}

}  // namespace

void WindowProc::key(uint8_t kind, int32_t keycode, int32_t scancode, uint16_t modifiers) {
  if (!input_isEnabled()) return;
  HostKey key = host_keyFromDisplay(keycode, scancode, modifiers);
  uint16_t vk = key.virtualKey;
  if (vk == 0) return;
  if (kind == KEY_PRESSED) swallowText_ = false;
  // A chord is released with its key, whether or not Ctrl is still held.
  if (vk < 256 && chordDown_[vk] != 0) {
    uint16_t code = chordDown_[vk];
    if (kind == KEY_RELEASED) chordDown_[vk] = 0;
    input_postReceiverKey(kind, code);
    return;
  }
  // Alt combinations and F10 are the window system's own keys, up to their release and with the
  // character they type.
  bool system = (key.modifiers & kHostModAlt) || vk == kVkF10 || (kind != KEY_PRESSED && vk < 256 && systemDown_[vk]);
  if (vk < 256) systemDown_[vk] = system && kind != KEY_RELEASED;
  if (system) {
    if (kind == KEY_PRESSED) swallowText_ = true;
    return;
  }
  // A chord starts with its press: a key pressed alone and let go with Ctrl held ends as that key.
  if ((key.modifiers & kHostModCtrl) && kind == KEY_PRESSED) {
    uint16_t code = remote_chordCode(vk);
    if (code != kKeyNone) {
      if (vk < 256) chordDown_[vk] = code;
      input_postReceiverKey(kind, code);
      return;
    }
  }
  input_post(KeyEvent{kind, 0, input_firstTranslation(vk)});
  if (kind == KEY_PRESSED && !(key.modifiers & kHostModCtrl) && typesCharacter(vk)) postCharacter(vk);
}

void WindowProc::onKeyDown(int32_t keycode, int32_t scancode, uint16_t modifiers, bool) {
  key(KEY_PRESSED, keycode, scancode, modifiers);
}

void WindowProc::onKeyUp(int32_t keycode, int32_t scancode, uint16_t modifiers) {
  key(KEY_RELEASED, keycode, scancode, modifiers);
}

void WindowProc::onText(const char* utf8) {
  if (!input_isEnabled() || !utf8) return;
  if (swallowText_) {
    swallowText_ = false;
    return;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  uint32_t character = 0;
  while (nextCodePoint(p, &character)) postCharacter(character);
}

void WindowProc::onRemoteKey(uint8_t kind, uint16_t code) {
  if (input_isEnabled()) input_postReceiverKey(kind, code);
}

void WindowProc::onClose() { shell_requestClose(); }

void WindowProc::onExpose() {
  GraphicsFB* osd = fb_osdPlane();
  if (!osd) return;
  fb_markDirty(osd, 0, 0, osd->width, osd->height);
  fb_flush(kPlaneOsd);
}

int window_askResourceImage() {
  if (host_messageBox("Inquiry", "Do you want to build a binary image of resources?", BoxButtons::YesNo,
                      BoxIcon::Question) != BoxAnswer::Yes)
    return 0;
  std::string path = host_root() + "/" + kResourceBuilder;
  if (access(path.c_str(), F_OK) != 0) {
    host_messageBox("Error", "Resource image builder does not exist!", BoxButtons::Ok, BoxIcon::Error);
    return 0;
  }
  int status = 0;
  if (int error = host_runProgram(std::string("./") + kResourceBuilder, &status)) {
    char text[512];
    std::snprintf(text, sizeof(text), "%s failed with error %d: %s", "Build resource image", error,
                  std::strerror(error));
    host_messageBox("Error", text, BoxButtons::Ok, BoxIcon::Error);
    return error;
  }
  host_messageBox("Information", "Process build image was completed", BoxButtons::Ok, BoxIcon::Information);
  return 0;
}
