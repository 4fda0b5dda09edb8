#pragma once
// System start-up and shutdown: the receiver's subsystems brought up and taken down in a fixed order.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// How start-up waits (the 10 ms after the video decoder starts, the loading animation's last half
// second). The window's shell keeps its window alive meanwhile; by default the thread sleeps.
using SystemWait = void (*)(int32_t ms);
void system_setWait(SystemWait wait);
void system_wait(int32_t ms);

// Start-up, on the main thread. Ends the program through system_exit when the flash store cannot be
// set up.
void system_init();
// Shutdown: input, mass storage, video decoder, planes, flash store, list-node store.
void system_shutdown();

// Set at step 16 of start-up; TV control reads it.
bool system_isStarted();

// The steps of the last start-up and shutdown as they ran, with the time each began.
struct SystemStep {
  std::string name;
  std::chrono::steady_clock::time_point at;
};
std::vector<SystemStep> system_steps();
// The moment key input was enabled, or the epoch when it is not.
std::chrono::steady_clock::time_point system_inputEnabledAt();

// The network-presence query: this receiver has no network module.
bool system_networkPresent();
