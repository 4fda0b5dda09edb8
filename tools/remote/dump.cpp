#include "dump.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <utility>
#include <vector>

#include "app/system/system_init.h"
#include "host/display.h"
#include "observer.h"
#include "runtime/input/input.h"
#include "runtime/input/remote_keys.h"
#include "runtime/time/clock.h"

namespace {

void screen(std::string* out) {
  Display* display = display_current();
  *out += "{\"width\": " + std::to_string(display ? display->width() : 0) +
          ", \"height\": " + std::to_string(display ? display->height() : 0) +
          ", \"window\": " + (display && display->isWindow() ? "true" : "false") + "}";
}

// The receiver clock as UTC fields.
std::string clockText() {
  time_t now = time_t(clock_now());
  std::tm fields{};
  gmtime_r(&now, &fields);
  char text[32];
  std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &fields);
  return text;
}

void system(std::string* out) {
  *out += std::string("{\"started\": ") + (system_isStarted() ? "true" : "false") +
          ", \"inputEnabled\": " + (input_isEnabled() ? "true" : "false") +
          ", \"power\": " + (power_isOn() ? "\"on\"" : "\"standby\"") + ", \"clock\": " + jsonString(clockText()) +
          ", \"steps\": [";
  std::vector<SystemStep> steps = system_steps();
  for (size_t i = 0; i < steps.size(); ++i) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(steps[i].at - steps[0].at).count();
    *out += (i ? ", " : "") + std::string("{\"name\": ") + jsonString(steps[i].name) +
            ", \"ms\": " + std::to_string(ms) + "}";
  }
  *out += "]}";
}

void keys(std::string* out) {
  *out += "[";
  std::vector<KeyEvent> seen = observer().keys();
  for (size_t i = 0; i < seen.size(); ++i) {
    const char* kind = seen[i].kind == KEY_PRESSED    ? "pressed"
                       : seen[i].kind == KEY_RELEASED ? "released"
                       : seen[i].kind == KEY_TYPED    ? "typed"
                                                      : "other";
    const char* name = remote_keyName(seen[i].code);
    *out += (i ? ", " : "") + std::string("{\"kind\": \"") + kind + "\", \"code\": " + std::to_string(seen[i].code) +
            (name ? ", \"name\": " + jsonString(name) : "") + "}";
  }
  *out += "]";
}

void boxes(std::string* out) {
  *out += "[";
  std::vector<SeenBox> seen = observer().boxes();
  for (size_t i = 0; i < seen.size(); ++i)
    *out += (i ? ", " : "") + std::string("{\"caption\": ") + jsonString(seen[i].caption) +
            ", \"text\": " + jsonString(seen[i].text) + ", \"answer\": " + jsonString(seen[i].answer) + "}";
  *out += "]";
}

std::vector<std::pair<std::string, DumpWriter>>& sections() {
  static std::vector<std::pair<std::string, DumpWriter>> list = {
      {"screen", screen}, {"system", system}, {"keys", keys}, {"boxes", boxes}};
  return list;
}

}  // namespace

void remote_addDumpSection(const char* name, DumpWriter writer) {
  for (auto& section : sections())
    if (section.first == name) {
      section.second = writer;
      return;
    }
  sections().emplace_back(name, writer);
}

std::string remote_dump() {
  std::string out = "{\n";
  bool first = true;
  for (const auto& [name, writer] : sections()) {
    out += (first ? "  " : ",\n  ") + jsonString(name) + ": ";
    writer(&out);
    first = false;
  }
  out += "\n}\n";
  return out;
}

bool remote_writeDump(const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file << remote_dump();
  return bool(file.flush());
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}
