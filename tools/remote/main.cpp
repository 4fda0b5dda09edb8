// remote: boots the receiver in a receiver root (headless unless --window), plays a script against it
// and exits non-zero when a step fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "app/system/shell.h"
#include "app/system/system_init.h"
#include "host/root.h"
#include "observer.h"
#include "script.h"

namespace {

const auto kProcessStart = std::chrono::steady_clock::now();

void usage() {
  std::printf(
      "usage: remote --root DIR --script FILE [--window] [--timeout SECONDS]\n"
      "Boots the receiver in the receiver root DIR, runs the script (FILE, or - for standard input) and\n"
      "closes the window when the script ends (answering No unless the script queued an answer).\n"
      "Exit status: 0 when every step succeeded, 1 when a step failed, 2 on bad usage or time-out.\n"
      "--window shows the receiver's window (needs a display); --timeout ends a hung run (default 120).\n\n%s",
      script_help().c_str());
}

bool readSource(const std::string& path, std::string* source) {
  std::stringstream buffer;
  if (path == "-") {
    buffer << std::cin.rdbuf();
  } else {
    std::ifstream file(path);
    if (!file) return false;
    buffer << file.rdbuf();
  }
  *source = buffer.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root, scriptPath;
  bool window = false;
  long timeoutSeconds = 120;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--script" && i + 1 < argc) {
      scriptPath = argv[++i];
    } else if (arg == "--window") {
      window = true;
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeoutSeconds = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "remote: unknown argument %s (see --help)\n", arg.c_str());
      return 2;
    }
  }
  std::string source;
  if (root.empty() || scriptPath.empty()) {
    std::fprintf(stderr, "remote: --root and --script are required (see --help)\n");
    return 2;
  }
  if (!readSource(scriptPath, &source)) {
    std::fprintf(stderr, "remote: cannot read %s\n", scriptPath.c_str());
    return 2;
  }
  std::vector<ScriptLine> lines = script_parse(source);
  std::string error;
  if (!script_check(lines, &error)) {
    std::fprintf(stderr, "remote: %s: %s\n", scriptPath.c_str(), error.c_str());
    return 2;
  }
  host_setRoot(root);
  observer().install();

  bool passed = false;
  std::thread player([&] {
    bool closed = false;
    passed = script_run(lines, &closed);
    if (!closed) shell_inject(HostEvent{HostEvent::Close});
  });
  std::thread([timeoutSeconds] {
    std::this_thread::sleep_for(std::chrono::seconds(timeoutSeconds));
    std::printf("[remote] FAILED: no end after %ld s\n", timeoutSeconds);
    std::fflush(stdout);
    std::_Exit(2);
  }).detach();

  int code = shell_run(window ? DisplayKind::Window : DisplayKind::Headless);
  player.join();
  auto enabled = system_inputEnabledAt();
  if (enabled != std::chrono::steady_clock::time_point{})
    std::printf(
        "[remote] input enabled %lld ms after process start\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(enabled - kProcessStart).count()));
  std::printf("[remote] %s (receiver exit code %d)\n", passed ? "passed" : "FAILED", code);
  std::fflush(stdout);
  return passed ? 0 : 1;
}
