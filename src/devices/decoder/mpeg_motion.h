#pragma once
// Half-pel motion-compensated prediction from a reference plane (a frame, or one field of it).
#include <cstdint>

struct RefPlane {
  const uint8_t* pixels;  // first line of the frame or field
  int stride;             // distance between its lines
  int width, height;      // its lines and columns; reads are clamped inside them
};

// Forms the w x h prediction whose top-left corner is at half-pel position (hx, hy) of `ref` and
// stores it at dst, or averages it into what dst holds when `average` is set (bidirectional).
void mc_predict(const RefPlane& ref, int hx, int hy, int w, int h, uint8_t* dst, int dstStride, bool average);
