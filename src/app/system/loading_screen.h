#pragma once
// The loading screen shown while the receiver starts: two lines of text and a square whose grey
// pulses every 100 ms, drawn by the loading task until start-up stops it.
#include <cstdint>

constexpr const char* kLoadingTitle = "ORBIscope resources Editor";
constexpr const char* kLoadingVersion = "Version: 0.0.2 26-03-2013 (desktop)";
constexpr uint32_t kLoadingTextColour = 0xFFE0E0E0;
constexpr int32_t kLoadingSquareX = 68;
constexpr int32_t kLoadingSquareY = 420;  // less the shift
constexpr int32_t kLoadingSquareSize = 40;
constexpr uint32_t kLoadingFirstColour = 0xFFDDDDDD;

// Reads the shift of the loading square from "/data/Configuration.dat": the byte at offset 36 of the
// first 48 bytes gives 32 pixels for 2 and 0 for 0, 1 or 3; larger values, a short or missing file
// leave the shift as it was.
void loading_readShift();
int32_t loading_shift();
void loading_setShift(int32_t shift);

// Draws the texts with the 24-pixel system font (when it is loaded), flushes the screen and starts
// the loading task unless it runs already.
void loading_show();
// When the task was started: waits `settleMs` (500 at start-up), clears the loading flag and waits in
// steps of 100 ms, at most 10, for the task to end. Waits go through `wait`.
void loading_stop(void (*wait)(int32_t ms), int32_t settleMs);
int loading_taskIndex();  // -1 when no loading task runs

// The colour that follows `colour` in the square's cycle.
uint32_t loading_nextColour(uint32_t colour);
