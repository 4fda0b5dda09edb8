#pragma once
// The front panel: power mode and wake-up channel are kept; the display texts are built as the panel
// would show them (there is no panel to show them on); LEDs, clock and brightness do nothing.
#include <cstdint>
#include <string>

void fp_setPowerMode(int32_t mode);
int32_t fp_powerMode();
// Keeps only the channel number.
void fp_setWakeup(int32_t hour, int32_t minute, int32_t day, int32_t month, int32_t yearSince1900, int32_t channel);
int32_t fp_wakeupChannel();
int32_t fp_bootReason();  // 0: a normal start
// "Menu" for -1, otherwise "%04d: " and at most 25 characters of the name.
std::string fp_showChannel(int32_t number, const char* name);
const char* fp_showText(const char* text);
std::string fp_showVolume(int32_t volume);  // "Volume: %04d"
void fp_setLed(int32_t led, int32_t on);
void fp_showClock(int32_t hour, int32_t minute);
void fp_setBrightness(int32_t level);
void fp_showStandby(int32_t on);
