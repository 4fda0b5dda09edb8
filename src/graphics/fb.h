#pragma once
// Screen planes and surfaces. Colours are 32-bit ARGB, alpha in the top byte; 0x00123456 is the
// colour key, the transparent pixel.
//
// The screen is three planes: OSD (index 0) on top, middle (index 1), video at the bottom. A flush
// composes them inside the plane's dirty rectangle into the display's bitmap (no blending: the first
// plane whose pixel is not the key wins) and asks the display to show that rectangle.
#include <cstdint>

constexpr uint32_t kColourKey = 0x00123456;
constexpr uint32_t kVideoFill = 0x00406080;  // what the video plane holds when no picture is shown
constexpr int32_t kPlaneOsd = 0;
constexpr int32_t kPlaneMiddle = 1;

// The screen size, 720 x 576 until fb_open sets them again.
extern int16_t g_screenWidth;
extern int16_t g_screenHeight;

// A colour from its channels; alpha 0 gives the key.
constexpr uint32_t colour_fromRgba(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  if ((alpha & 0xFF) == 0) return kColourKey;
  return (alpha & 0xFF) << 24 | (red & 0xFF) << 16 | (green & 0xFF) << 8 | (blue & 0xFF);
}

// A surface: width x height colours, row after row, top row first, no padding (pool POOL_CORE_GRAPHICS).
struct GraphicsFB {
  int32_t width;
  int32_t height;
  uint32_t* pixels;
};

// An off-screen surface filled with the colour key, or null ("Cannot get mem for GraphicsFB\n").
GraphicsFB* fb_newSurface(int32_t width, int32_t height);
void fb_freeSurface(GraphicsFB* surface);

// Stores the screen size and binds the screen bitmap: the current host display when one is open with
// that size, otherwise a new headless display. The bitmap is cleared to 0. Without a bitmap the
// program ends with code -2.
void fb_open(int32_t width, int32_t height);
// Closes the display that holds the screen bitmap (at shutdown; a window closes with it).
void fb_close();

// Once: the plane lock and the key-filled OSD and middle planes; then the ready flag. A second call
// does nothing.
void fb_initPlanes();
// Frees both planes and the plane lock, clears the ready flag and the dirty rectangles.
void fb_freePlanes();
GraphicsFB* fb_osdPlane();
GraphicsFB* fb_middlePlane();

// Adds the rectangle to the dirty rectangle of `plane` (the OSD or middle plane; other surfaces are
// ignored) and flushes it when the plane's auto-flush flag is set. Waits up to 2.5 s for the planes.
void fb_markDirty(const GraphicsFB* plane, int32_t x, int32_t y, int32_t width, int32_t height);
// Composes (plane 0) and shows the plane's dirty rectangle, then empties it.
void fb_flush(int32_t planeIndex);
// Auto-flush starts on; switching it on flushes at once.
void fb_setAutoFlush(int32_t planeIndex, int32_t on);

// The video plane: screen-sized opaque colours owned by the video decoder, which registers it with
// fb_setVideoPlane (null to withdraw it). Composition is skipped while no video plane is registered.
uint32_t* fb_videoPlane();
void fb_setVideoPlane(uint32_t* pixels);

// The dirty rectangle of a plane, for tests and diagnostics: -1 in every field when empty.
struct FbDirtyRect {
  int32_t x, y, width, height;
};
FbDirtyRect fb_dirtyRect(int32_t planeIndex);
