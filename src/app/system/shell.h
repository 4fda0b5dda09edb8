#pragma once
// The receiver program's shell: opens the window, runs start-up, shows the application root, runs
// the message loop until the window closes, then shuts the system down.
#include <cstdint>
#include <string>

#include "host/display.h"

// Builds the application root and has the toolkit show it. Registered by the application; without
// one the loading screen and logo stay until the window closes.
using RootBuilder = void (*)();
void shell_setRootBuilder(RootBuilder builder);
// Called on the main thread once the root is shown, just before the message loop starts.
using StartedHook = void (*)();
void shell_setStartedHook(StartedHook hook);

// The whole program: window (or headless display), start-up, root, loop, shutdown. Returns the exit
// code: 0, or the error number of a resource-image builder that could not be started.
int shell_run(DisplayKind kind);

// What arrives at the window, for the scripted remote: delivered in order on the main thread as if
// the window had reported it.
struct HostEvent {
  enum Type { KeyDown, KeyUp, Text, Close, RemoteKey } type;
  int32_t keycode = 0;
  int32_t scancode = 0;
  uint16_t modifiers = 0;
  bool repeat = false;
  std::string text;
  uint8_t kind = 0;   // RemoteKey: KEY_PRESSED or KEY_RELEASED
  uint16_t code = 0;  // RemoteKey: the receiver key code
};
void shell_inject(const HostEvent& event);

// The window's close button: the question is asked from the message loop.
void shell_requestClose();
// True once the message loop runs.
bool shell_isRunning();
