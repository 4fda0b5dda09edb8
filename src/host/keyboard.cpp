#include "host/keyboard.h"

#include <SDL_keyboard.h>
#include <SDL_keycode.h>

#include <string>

namespace {

struct KeyVk {
  SDL_Keycode key;
  uint16_t vk;
};

constexpr KeyVk kKeys[] = {
    {SDLK_BACKSPACE, 8},      {SDLK_TAB, 9},           {SDLK_RETURN, 13},      {SDLK_KP_ENTER, 13},
    {SDLK_LSHIFT, 16},        {SDLK_RSHIFT, 16},       {SDLK_LCTRL, 17},       {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},          {SDLK_RALT, 18},         {SDLK_PAUSE, 19},       {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},        {SDLK_SPACE, 32},        {SDLK_PAGEUP, 33},      {SDLK_PAGEDOWN, 34},
    {SDLK_END, 35},           {SDLK_HOME, 36},         {SDLK_LEFT, 37},        {SDLK_UP, 38},
    {SDLK_RIGHT, 39},         {SDLK_DOWN, 40},         {SDLK_PRINTSCREEN, 44}, {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},        {SDLK_KP_0, 0x60},       {SDLK_KP_1, 0x61},      {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},        {SDLK_KP_4, 0x64},       {SDLK_KP_5, 0x65},      {SDLK_KP_6, 0x66},
    {SDLK_KP_7, 0x67},        {SDLK_KP_8, 0x68},       {SDLK_KP_9, 0x69},      {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},     {SDLK_KP_MINUS, 0x6D},   {SDLK_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_F1, 112},           {SDLK_F2, 113},          {SDLK_F3, 114},         {SDLK_F4, 115},
    {SDLK_F5, 116},           {SDLK_F6, 117},          {SDLK_F7, 118},         {SDLK_F8, 119},
    {SDLK_F9, 120},           {SDLK_F10, 121},         {SDLK_F11, 122},        {SDLK_F12, 123},
    {SDLK_NUMLOCKCLEAR, 144}, {SDLK_SCROLLLOCK, 145},  {SDLK_SEMICOLON, 186},  {SDLK_EQUALS, 187},
    {SDLK_COMMA, 188},        {SDLK_MINUS, 189},       {SDLK_PERIOD, 190},     {SDLK_SLASH, 191},
    {SDLK_BACKQUOTE, 192},    {SDLK_LEFTBRACKET, 219}, {SDLK_BACKSLASH, 220},  {SDLK_RIGHTBRACKET, 221},
    {SDLK_QUOTE, 222},
};

}  // namespace

HostKey host_keyFromDisplay(int32_t keycode, int32_t, uint16_t displayModifiers) {
  HostKey key{0, 0};
  if (displayModifiers & KMOD_SHIFT) key.modifiers |= kHostModShift;
  if (displayModifiers & KMOD_CTRL) key.modifiers |= kHostModCtrl;
  if (displayModifiers & KMOD_LALT) key.modifiers |= kHostModAlt;
  if (keycode >= 'a' && keycode <= 'z') {
    key.virtualKey = uint16_t(keycode - 'a' + 'A');
  } else if (keycode >= '0' && keycode <= '9') {
    key.virtualKey = uint16_t(keycode);
  } else {
    for (const KeyVk& entry : kKeys)
      if (entry.key == keycode) key.virtualKey = entry.vk;
  }
  return key;
}

bool host_displayKeyFromName(std::string_view name, uint16_t hostModifiers, int32_t* keycode, int32_t* scancode,
                             uint16_t* displayModifiers) {
  SDL_Keycode key = SDL_GetKeyFromName(std::string(name).c_str());
  if (key == SDLK_UNKNOWN) return false;
  *keycode = key;
  *scancode = SDL_GetScancodeFromKey(key);
  uint16_t mods = 0;
  if (hostModifiers & kHostModShift) mods |= KMOD_LSHIFT;
  if (hostModifiers & kHostModCtrl) mods |= KMOD_LCTRL;
  if (hostModifiers & kHostModAlt) mods |= KMOD_LALT;
  *displayModifiers = mods;
  return true;
}

std::string host_keyText(int32_t keycode, uint16_t hostModifiers) {
  if (hostModifiers & (kHostModCtrl | kHostModAlt)) return "";
  bool shift = (hostModifiers & kHostModShift) != 0;
  if (keycode >= 'a' && keycode <= 'z') return std::string(1, char(shift ? keycode - 'a' + 'A' : keycode));
  if (keycode >= 32 && keycode < 127) {
    static constexpr std::string_view kShifted = "1!2@3#4$5%6^7&8*9(0)-_=+[{]}\\|;:'\",<.>/?`~";
    size_t at = shift ? kShifted.find(char(keycode)) : std::string_view::npos;
    return std::string(1, at != std::string_view::npos && at % 2 == 0 ? kShifted[at + 1] : char(keycode));
  }
  if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) return std::string(1, char('1' + (keycode - SDLK_KP_1)));
  switch (keycode) {
    case SDLK_KP_0:
      return "0";
    case SDLK_KP_MULTIPLY:
      return "*";
    case SDLK_KP_PLUS:
      return "+";
    case SDLK_KP_MINUS:
      return "-";
    case SDLK_KP_PERIOD:
      return ".";
    case SDLK_KP_DIVIDE:
      return "/";
    default:
      return "";
  }
}
