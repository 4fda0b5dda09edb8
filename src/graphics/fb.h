#pragma once
// Screen planes and surfaces. Colours are 32-bit ARGB, alpha in the top byte; 0x00123456 is the
// colour key, the transparent pixel.
#include <cstdint>

constexpr uint32_t kColourKey = 0x00123456;

// A surface: width x height colours, row after row, top row first, no padding (pool POOL_CORE_GRAPHICS).
struct GraphicsFB {
  int32_t width;
  int32_t height;
  uint32_t* pixels;
};

// An off-screen surface filled with the colour key, or null ("Cannot get mem for GraphicsFB\n").
GraphicsFB* fb_newSurface(int32_t width, int32_t height);
void fb_freeSurface(GraphicsFB* surface);
