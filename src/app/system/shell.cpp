#include "app/system/shell.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "app/system/system_init.h"
#include "app/system/window_proc.h"
#include "graphics/fb.h"
#include "host/message_box.h"
#include "runtime/input/remote_keys.h"

namespace {

std::atomic<RootBuilder> g_rootBuilder{nullptr};
std::atomic<StartedHook> g_startedHook{nullptr};
std::atomic<bool> g_closeRequested{false};
std::atomic<bool> g_running{false};
std::mutex g_injectedLock;
std::deque<HostEvent> g_injected;
WindowProc g_windowProc;

void deliver(const HostEvent& event) {
  switch (event.type) {
    case HostEvent::KeyDown:
      g_windowProc.onKeyDown(event.keycode, event.scancode, event.modifiers, event.repeat);
      break;
    case HostEvent::KeyUp:
      g_windowProc.onKeyUp(event.keycode, event.scancode, event.modifiers);
      break;
    case HostEvent::Text:
      g_windowProc.onText(event.text.c_str());
      break;
    case HostEvent::Close:
      g_windowProc.onClose();
      break;
    case HostEvent::RemoteKey:
      g_windowProc.onRemoteKey(event.kind, event.code);
      break;
  }
}

// Delivers injected events and window events for up to `ms` milliseconds.
void pump(int32_t ms) {
  Display* display = display_current();
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    for (;;) {
      HostEvent event;
      {
        std::lock_guard<std::mutex> guard(g_injectedLock);
        if (g_injected.empty()) break;
        event = std::move(g_injected.front());
        g_injected.pop_front();
      }
      deliver(event);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    int32_t slice = int32_t(std::min<int64_t>(std::max<int64_t>(left.count(), 0), 10));
    if (display)
      display->pump(&g_windowProc, slice);
    else if (slice > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
  } while (std::chrono::steady_clock::now() < until);
}

}  // namespace

void shell_setRootBuilder(RootBuilder builder) { g_rootBuilder = builder; }
void shell_setStartedHook(StartedHook hook) { g_startedHook = hook; }

void shell_inject(const HostEvent& event) {
  std::lock_guard<std::mutex> guard(g_injectedLock);
  g_injected.push_back(event);
}

void shell_requestClose() { g_closeRequested = true; }
bool shell_isRunning() { return g_running.load(); }

int shell_run(DisplayKind kind) {
  Display* display = display_open(kind, 720, 576);
  if (!display) {
    host_messageBox(nullptr, "Error creating application window", BoxButtons::Ok, BoxIcon::Warning);
    return 0;
  }
  std::printf("%s", remote_keyMapText().c_str());
  std::fflush(stdout);
  g_closeRequested = false;
  system_setWait(pump);
  system_init();
  if (RootBuilder builder = g_rootBuilder.load()) builder();
  g_running = true;
  if (StartedHook hook = g_startedHook.load()) hook();
  int exitCode = 0;
  while (!g_closeRequested.load()) pump(10);
  // The window goes whatever the answer; a builder that could not start gives the exit code.
  exitCode = window_askResourceImage();
  g_running = false;
  system_shutdown();
  system_setWait(nullptr);
  fb_close();
  return exitCode;
}
