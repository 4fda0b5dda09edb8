#include "conditions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

#include "app/system/shell.h"
#include "app/system/system_init.h"
#include "host/display.h"
#include "observer.h"
#include "runtime/input/input.h"
#include "runtime/input/remote_keys.h"
#include "runtime/time/clock.h"

namespace {

struct Condition {
  std::string usage;
  int argumentCount;
  ConditionTest test;
};

std::map<std::string, Condition>& conditions();

bool wantArgs(const Args& args, size_t count, std::string* error) {
  if (args.size() == count) return true;
  *error = "expects " + std::to_string(count) + " argument(s)";
  return false;
}

bool parseColour(const std::string& text, uint32_t* colour) {
  std::string hex = text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6) return false;
  char* end = nullptr;
  unsigned long value = std::strtoul(hex.c_str(), &end, 16);
  if (*end) return false;
  *colour = uint32_t(value);
  return true;
}

bool parseKind(const std::string& text, uint8_t* kind) {
  if (text == "pressed")
    *kind = KEY_PRESSED;
  else if (text == "released")
    *kind = KEY_RELEASED;
  else if (text == "typed")
    *kind = KEY_TYPED;
  else
    return false;
  return true;
}

// The screen pixels inside a rectangle; false when the rectangle leaves the screen.
bool anyPixel(int x, int y, int w, int h, uint32_t colour, std::string* error) {
  Display* display = display_current();
  if (!display) {
    *error = "no screen";
    return false;
  }
  if (x < 0 || y < 0 || w < 1 || h < 1 || x + w > display->width() || y + h > display->height()) {
    *error = "rectangle outside the screen";
    return false;
  }
  std::vector<uint32_t> pixels = display->copy();
  for (int row = y; row < y + h; ++row)
    for (int column = x; column < x + w; ++column)
      if ((pixels[size_t(row) * size_t(display->width()) + size_t(column)] & 0xFFFFFF) == colour) return true;
  return false;
}

bool inputEnabled(const Args& args, std::string* error) { return wantArgs(args, 0, error) && input_isEnabled(); }
bool started(const Args& args, std::string* error) { return wantArgs(args, 0, error) && system_isStarted(); }
bool running(const Args& args, std::string* error) { return wantArgs(args, 0, error) && shell_isRunning(); }

bool keys(const Args& args, std::string* error) {
  long long count = 0;
  if (!wantArgs(args, 1, error)) return false;
  if (!parseInt(args[0], &count)) return *error = "bad count", false;
  return observer().keys().size() == size_t(count);
}

bool lastKey(const Args& args, std::string* error) {
  uint8_t kind = 0;
  uint16_t code = 0;
  if (!wantArgs(args, 2, error)) return false;
  if (!parseKind(args[0], &kind)) return *error = "kind is pressed, released or typed", false;
  if (!parseKeyCode(args[1], &code)) return *error = "bad key code", false;
  std::vector<KeyEvent> seen = observer().keys();
  return !seen.empty() && seen.back().kind == kind && seen.back().code == code;
}

bool pixel(const Args& args, std::string* error) {
  long long x = 0, y = 0;
  uint32_t colour = 0;
  if (!wantArgs(args, 3, error)) return false;
  if (!parseInt(args[0], &x) || !parseInt(args[1], &y) || !parseColour(args[2], &colour))
    return *error = "usage: pixel X Y RRGGBB", false;
  return anyPixel(int(x), int(y), 1, 1, colour, error);
}

// A lossy picture (the boot logo) is checked with a tolerance per channel.
bool pixelNear(const Args& args, std::string* error) {
  long long x = 0, y = 0, tolerance = 0;
  uint32_t colour = 0;
  if (!wantArgs(args, 4, error)) return false;
  if (!parseInt(args[0], &x) || !parseInt(args[1], &y) || !parseColour(args[2], &colour) ||
      !parseInt(args[3], &tolerance) || tolerance < 0)
    return *error = "usage: pixel-near X Y RRGGBB TOLERANCE", false;
  Display* display = display_current();
  if (!display) return *error = "no screen", false;
  if (x < 0 || y < 0 || x >= display->width() || y >= display->height())
    return *error = "pixel outside the screen", false;
  uint32_t seen = display->copy()[size_t(y) * size_t(display->width()) + size_t(x)];
  for (int shift : {16, 8, 0})
    if (std::abs(int((seen >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

bool colourIn(const Args& args, std::string* error) {
  long long v[4];
  uint32_t colour = 0;
  if (!wantArgs(args, 5, error)) return false;
  for (int i = 0; i < 4; ++i)
    if (!parseInt(args[size_t(i)], &v[i])) return *error = "usage: colour-in X Y W H RRGGBB", false;
  if (!parseColour(args[4], &colour)) return *error = "bad colour", false;
  return anyPixel(int(v[0]), int(v[1]), int(v[2]), int(v[3]), colour, error);
}

bool boxes(const Args& args, std::string* error) {
  long long count = 0;
  if (!wantArgs(args, 1, error)) return false;
  if (!parseInt(args[0], &count)) return *error = "bad count", false;
  return observer().boxes().size() == size_t(count);
}

bool power(const Args& args, std::string* error) {
  if (!wantArgs(args, 1, error)) return false;
  if (args[0] != "on" && args[0] != "off") return *error = "power on or off", false;
  return (power_isOn() != 0) == (args[0] == "on");
}

bool clockAt(const Args& args, std::string* error) {
  if (!wantArgs(args, 2, error)) return false;
  std::tm fields{};
  if (std::sscanf((args[0] + " " + args[1]).c_str(), "%d-%d-%d %d:%d", &fields.tm_year, &fields.tm_mon, &fields.tm_mday,
                  &fields.tm_hour, &fields.tm_min) != 5)
    return *error = "usage: clock-at YYYY-MM-DD HH:MM", false;
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  int64_t start = int64_t(timegm(&fields));
  int64_t now = clock_now();
  return now >= start && now < start + 60;
}

std::map<std::string, Condition>& conditions() {
  static std::map<std::string, Condition> table = {
      {"input-enabled", {"input-enabled: keys reach the receiver", 0, inputEnabled}},
      {"started", {"started: start-up has marked the system started", 0, started}},
      {"running", {"running: the message loop runs (the root is shown)", 0, running}},
      {"keys", {"keys N: exactly N key events were delivered", 1, keys}},
      {"last-key", {"last-key pressed|released|typed CODE: the last delivered event", 2, lastKey}},
      {"pixel", {"pixel X Y RRGGBB: the screen pixel has that colour", 3, pixel}},
      {"pixel-near",
       {"pixel-near X Y RRGGBB TOLERANCE: each channel of the screen pixel is within TOLERANCE", 4, pixelNear}},
      {"colour-in", {"colour-in X Y W H RRGGBB: some pixel of the rectangle has that colour", 5, colourIn}},
      {"boxes", {"boxes N: exactly N message boxes were shown", 1, boxes}},
      {"power", {"power on|off: the power state", 1, power}},
      {"clock-at", {"clock-at YYYY-MM-DD HH:MM: the receiver clock is within that minute", 2, clockAt}},
  };
  return table;
}

}  // namespace

bool parseInt(const std::string& text, long long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 0);
  return *end == '\0';
}

bool parseKeyCode(const std::string& text, uint16_t* code) {
  long long number = 0;
  if (text.size() == 1 && !(text[0] >= '0' && text[0] <= '9')) {
    *code = uint8_t(text[0]);
    return true;
  }
  if (parseInt(text, &number)) {
    if (number < 0 || number > 0xFFFF) return false;
    *code = uint16_t(number);
    return true;
  }
  *code = remote_keyCode(text);
  return *code != kKeyNone && text.rfind("KEY_", 0) == 0;
}

void remote_addCondition(const char* name, const char* usage, int argumentCount, ConditionTest test) {
  conditions()[name] = Condition{usage, argumentCount, test};
}

bool remote_checkCondition(const Args& words, std::string* error) {
  size_t first = 0;
  while (first < words.size() && words[first] == "not") ++first;
  if (first == words.size()) return *error = "no condition", false;
  auto it = conditions().find(words[first]);
  if (it == conditions().end()) return *error = "unknown condition \"" + words[first] + "\"", false;
  if (words.size() - first - 1 != size_t(it->second.argumentCount)) return *error = it->second.usage, false;
  return true;
}

bool remote_evaluate(const Args& words, std::string* error) {
  if (words.empty()) return *error = "no condition", false;
  if (words[0] == "not") {
    bool holds = remote_evaluate(Args(words.begin() + 1, words.end()), error);
    return error->empty() && !holds;
  }
  auto it = conditions().find(words[0]);
  if (it == conditions().end()) return *error = "unknown condition \"" + words[0] + "\"", false;
  return it->second.test(Args(words.begin() + 1, words.end()), error);
}

std::string remote_conditionHelp() {
  std::string text;
  for (const auto& [name, condition] : conditions()) text += "  " + condition.usage + "\n";
  text += "  not CONDITION: the condition does not hold\n";
  return text;
}
