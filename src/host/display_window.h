#pragma once
// The SDL window behind display_open: client area width x height, the receiver's title.
#include <cstdint>

class Display;

// Null when SDL has no video display or the window cannot be made.
Display* display_openWindow(int32_t width, int32_t height);
