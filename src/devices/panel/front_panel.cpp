#include "devices/panel/front_panel.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {
std::atomic<int32_t> g_powerMode{0};
std::atomic<int32_t> g_wakeupChannel{0};
}  // namespace

void fp_setPowerMode(int32_t mode) { g_powerMode = static_cast<int16_t>(mode); }
int32_t fp_powerMode() { return g_powerMode; }

void fp_setWakeup(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t channel) { g_wakeupChannel = channel; }
int32_t fp_wakeupChannel() { return g_wakeupChannel; }
int32_t fp_bootReason() { return 0; }

std::string fp_showChannel(int32_t number, const char* name) {
  if (number == -1) return "Menu";
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "%04d: ", number);
  std::string text = prefix;
  if (name) text.append(name, strnlen(name, 25));
  return text;
}

const char* fp_showText(const char* text) { return text; }

std::string fp_showVolume(int32_t volume) {
  char text[24];
  std::snprintf(text, sizeof text, "Volume: %04d", volume);
  return text;
}

void fp_setLed(int32_t, int32_t) {}
void fp_showClock(int32_t, int32_t) {}
void fp_setBrightness(int32_t) {}
void fp_showStandby(int32_t) {}
