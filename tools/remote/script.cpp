#include "script.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>
#include <thread>

#include "app/system/shell.h"
#include "conditions.h"
#include "dump.h"
#include "host/display.h"
#include "host/keyboard.h"
#include "observer.h"
#include "runtime/input/remote_keys.h"
#include "runtime/time/clock.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Step {
  std::string verb;
  Args args;
  std::string rest;  // everything after the verb
};

Step split(const std::string& text) {
  Step step;
  std::istringstream in(text);
  in >> step.verb;
  std::string word;
  while (in >> word) step.args.push_back(word);
  size_t at = text.find_first_of(" \t");
  if (at != std::string::npos) step.rest = text.substr(text.find_first_not_of(" \t", at));
  return step;
}

bool fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

// A key as the window would report it: "Home", "Keypad 5", "Ctrl+M", "Shift+a"; or a remote key
// "KEY_MENU", which goes in as a chord would.
struct ScriptKey {
  bool remote = false;
  uint16_t code = 0;
  int32_t keycode = 0, scancode = 0;
  uint16_t displayModifiers = 0, hostModifiers = 0;
};

bool parseKey(const std::string& text, ScriptKey* key, std::string* error) {
  if (text.rfind("KEY_", 0) == 0) {
    key->remote = true;
    key->code = remote_keyCode(text);
    return key->code != kKeyNone || fail(error, "unknown remote key \"" + text + "\"");
  }
  std::string name = text;
  for (;;) {
    size_t plus = name.find('+');
    if (plus == std::string::npos || plus == 0 || plus + 1 == name.size()) break;
    std::string modifier = name.substr(0, plus);
    if (modifier == "Ctrl")
      key->hostModifiers |= kHostModCtrl;
    else if (modifier == "Shift")
      key->hostModifiers |= kHostModShift;
    else if (modifier == "Alt")
      key->hostModifiers |= kHostModAlt;
    else
      break;
    name = name.substr(plus + 1);
  }
  if (!host_displayKeyFromName(name, key->hostModifiers, &key->keycode, &key->scancode, &key->displayModifiers))
    return fail(error, "unknown key \"" + name + "\"");
  return true;
}

void keyDown(const ScriptKey& key, bool repeat) {
  if (key.remote) {
    HostEvent event{HostEvent::RemoteKey};
    event.kind = KEY_PRESSED;
    event.code = key.code;
    shell_inject(event);
    return;
  }
  HostEvent down{HostEvent::KeyDown};
  down.keycode = key.keycode;
  down.scancode = key.scancode;
  down.modifiers = key.displayModifiers;
  down.repeat = repeat;
  shell_inject(down);
  std::string text = host_keyText(key.keycode, key.hostModifiers);
  if (!text.empty()) {
    HostEvent typed{HostEvent::Text};
    typed.text = text;
    shell_inject(typed);
  }
}

void keyUp(const ScriptKey& key) {
  HostEvent event{key.remote ? HostEvent::RemoteKey : HostEvent::KeyUp};
  event.kind = KEY_RELEASED;
  event.code = key.code;
  event.keycode = key.keycode;
  event.scancode = key.scancode;
  event.modifiers = key.displayModifiers;
  shell_inject(event);
}

bool keyStep(const Step& step, std::string* error, bool execute) {
  std::string keyText = step.rest;
  long long count = 1;
  if (step.verb == "repeat") {
    if (step.args.size() < 2 || !parseInt(step.args[0], &count) || count < 1) return fail(error, "usage: repeat N KEY");
    keyText = step.rest.substr(step.rest.find_first_of(" \t"));
    keyText = keyText.substr(keyText.find_first_not_of(" \t"));
  }
  ScriptKey key;
  if (keyText.empty()) return fail(error, "which key?");
  if (!parseKey(keyText, &key, error)) return false;
  if (!execute) return true;
  if (step.verb == "press" || step.verb == "type" || step.verb == "repeat")
    for (long long i = 0; i < count; ++i) keyDown(key, i > 0);
  if (step.verb == "release" || step.verb == "type" || step.verb == "repeat") keyUp(key);
  return true;
}

bool textStep(const Step& step, std::string*, bool execute) {
  if (!execute) return true;
  HostEvent event{HostEvent::Text};
  event.text = step.rest;
  shell_inject(event);
  return true;
}

bool waitStep(const Step& step, std::string* error, bool execute) {
  long long ms = 0;
  if (step.args.size() != 1 || !parseInt(step.args[0], &ms) || ms < 0) return fail(error, "usage: wait MS");
  if (execute) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  return true;
}

bool waitUntilStep(const Step& step, std::string* error, bool execute) {
  Args words = step.args;
  long long timeout = 10000;
  if (words.size() >= 2 && words[words.size() - 2] == "timeout") {
    if (!parseInt(words.back(), &timeout) || timeout < 0) return fail(error, "bad timeout");
    words.resize(words.size() - 2);
  }
  if (!execute) return remote_checkCondition(words, error);
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
  for (;;) {
    std::string why;
    if (remote_evaluate(words, &why)) return true;
    if (!why.empty()) return fail(error, why);
    if (Clock::now() >= deadline) return fail(error, "timed out after " + std::to_string(timeout) + " ms");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool expectStep(const Step& step, std::string* error, bool execute) {
  if (!execute) return remote_checkCondition(step.args, error);
  std::string why;
  if (remote_evaluate(step.args, &why)) return true;
  return fail(error, why.empty() ? "does not hold" : why);
}

bool answerStep(const Step& step, std::string* error, bool execute) {
  static const std::map<std::string, BoxAnswer> answers = {
      {"yes", BoxAnswer::Yes}, {"no", BoxAnswer::No}, {"ok", BoxAnswer::Ok}};
  auto it = step.args.size() == 1 ? answers.find(step.args[0]) : answers.end();
  if (it == answers.end()) return fail(error, "usage: answer yes|no|ok");
  if (execute) observer().queueAnswer(it->second);
  return true;
}

bool closeStep(const Step&, std::string*, bool execute) {
  if (execute) shell_inject(HostEvent{HostEvent::Close});
  return true;
}

bool screenshotStep(const Step& step, std::string* error, bool execute) {
  Display* display = display_current();
  if (step.rest.empty()) return fail(error, "usage: screenshot FILE.png");
  if (!execute) return true;
  if (!display || !display->savePng(step.rest)) return fail(error, "cannot save " + step.rest);
  return true;
}

bool dumpStep(const Step& step, std::string* error, bool execute) {
  if (step.rest.empty()) return fail(error, "usage: dump FILE.json");
  if (!execute) return true;
  return remote_writeDump(step.rest) || fail(error, "cannot write " + step.rest);
}

bool clockStep(const Step& step, std::string* error, bool execute) {
  int year, month, day, hour, minute, second;
  if (std::sscanf(step.rest.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6 ||
      year < 1970 || year > 2037 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59)
    return fail(error, "usage: clock YYYY-MM-DD HH:MM:SS");
  if (!execute) return true;
  // Without a listener a notifying set would wait for one; then the time is set quietly.
  clock_set(year - 1900, month - 1, day, hour, minute, second, clock_getListener() ? 1 : 3);
  return true;
}

struct Command {
  const char* usage;
  bool (*run)(const Step&, std::string*, bool execute);
};

const std::map<std::string, Command>& commands() {
  static const std::map<std::string, Command> table = {
      {"press", {"press KEY          key down (PC key name, Ctrl+/Shift+/Alt+ chords, or KEY_ remote key)", keyStep}},
      {"release", {"release KEY        key up", keyStep}},
      {"type", {"type KEY           key down and up", keyStep}},
      {"repeat", {"repeat N KEY       key held: N presses (auto-repeat), one release", keyStep}},
      {"text", {"text CHARACTERS    characters typed (the rest of the line)", textStep}},
      {"wait", {"wait MS            pause", waitStep}},
      {"wait-until", {"wait-until COND [timeout MS]   wait for a condition (10 s unless given)", waitUntilStep}},
      {"expect", {"expect COND        fail unless the condition holds now", expectStep}},
      {"answer", {"answer yes|no|ok   answer for the next message box", answerStep}},
      {"close", {"close              close the window (the receiver asks its question)", closeStep}},
      {"screenshot", {"screenshot FILE    save the screen as PNG", screenshotStep}},
      {"dump", {"dump FILE          write the state dump as JSON", dumpStep}},
      {"clock", {"clock YYYY-MM-DD HH:MM:SS   set the receiver clock", clockStep}},
  };
  return table;
}

}  // namespace

std::vector<ScriptLine> script_parse(const std::string& source) {
  std::vector<ScriptLine> lines;
  std::istringstream in(source);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    size_t last = line.find_last_not_of(" \t\r");
    lines.push_back({number, line.substr(first, last - first + 1)});
  }
  return lines;
}

bool script_run(const std::vector<ScriptLine>& lines, bool* closed) {
  *closed = false;
  for (const ScriptLine& line : lines) {
    Step step = split(line.text);
    std::printf("[remote] %d: %s\n", line.number, line.text.c_str());
    std::fflush(stdout);
    auto it = commands().find(step.verb);
    std::string error;
    bool ok = it != commands().end() ? it->second.run(step, &error, true) : fail(&error, "unknown step");
    if (!ok) {
      std::printf("[remote] %d: FAILED: %s\n", line.number, error.c_str());
      std::fflush(stdout);
      return false;
    }
    if (step.verb == "close") *closed = true;
  }
  return true;
}

bool script_check(const std::vector<ScriptLine>& lines, std::string* error) {
  bool closed = false;
  for (const ScriptLine& line : lines) {
    Step step = split(line.text);
    // The receiver shuts down and drops its screen after a close: a later step would race with that.
    if (closed) {
      *error = "line " + std::to_string(line.number) + ": no step may follow close";
      return false;
    }
    closed = step.verb == "close";
    auto it = commands().find(step.verb);
    std::string why;
    if (it == commands().end() ? !fail(&why, "unknown step \"" + step.verb + "\"")
                               : !it->second.run(step, &why, false)) {
      *error = "line " + std::to_string(line.number) + ": " + why;
      return false;
    }
  }
  return true;
}

std::string script_help() {
  std::string text = "Steps:\n";
  for (const auto& [verb, command] : commands()) text += std::string("  ") + command.usage + "\n";
  text += "Conditions:\n" + remote_conditionHelp();
  return text;
}
