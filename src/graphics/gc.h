#pragma once
// Graphics contexts: a target surface, a local origin, a clipping rectangle, colours, a font and a
// drawing mode. Every operation adds the origin to its coordinates, clips against the clipping
// rectangle (moved by the origin) and the surface, and accepts a null context by doing nothing.
#include <cstdint>

#include "graphics/fb.h"

struct Font;  // fonts are opened and released by the font layer
struct Image;

// Drawing modes: how a source colour meets the destination pixel.
enum GcMode : uint8_t {
  GC_MODE_NORMAL = 0,  // write the colour (alpha 0 gives the key); images copy their non-key pixels
  GC_MODE_CLEAR = 1,   // pixels become the key; image and area operations write 0
  GC_MODE_COPY = 2,    // write unchanged; images copy every pixel, alpha scaled by the opacity
  GC_MODE_BLEND = 3,   // source-over blending with the opacity
  GC_MODE_XOR = 4,     // colour ^ xorColour; images: destination ^ source ^ xorColour
};

// Allocated in pool POOL_GRAPHIC.
struct GraphicsContext {
  int32_t originX;
  int32_t originY;
  int32_t clipX;  // clipping rectangle in the context's coordinates (before the origin is added)
  int32_t clipY;
  int32_t clipWidth;
  int32_t clipHeight;
  uint32_t foreground;  // stored colours, the key at creation
  uint32_t background;
  Font* font;  // may be null; not owned
  GraphicsFB* surface;
  uint32_t xorColour;  // the key at creation
  uint8_t mode;        // GcMode, normal at creation
  uint8_t opacity;     // 0..255, used as opacity / 255; 255 at creation
};

struct GcRect {
  int32_t x, y, width, height;
};

// A context on the OSD plane clipped to the rectangle cut to the screen (a negative remainder
// becomes 0), with the font "default" at size 24 (null when no font can be opened). Null when the
// context cannot be allocated.
GraphicsContext* gc_new(int32_t x, int32_t y, int32_t width, int32_t height);
// A context on the OSD plane covering the whole screen.
GraphicsContext* gc_newScreen();
// As gc_new, on the middle plane.
GraphicsContext* gc_newMiddle(int32_t x, int32_t y, int32_t width, int32_t height);
// A context with its own key-filled surface (pool POOL_CORE_GRAPHICS), clipped to it. The caller
// frees that surface (fb_freeSurface(gc->surface)) besides the context.
GraphicsContext* gc_newOffscreen(int32_t width, int32_t height);
// Frees the context, not its surface.
void gc_free(GraphicsContext* gc);

GcRect gc_getClip(const GraphicsContext* gc);  // all zero for a null context
void gc_setClip(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height);
void gc_setOrigin(GraphicsContext* gc, int32_t x, int32_t y);
void gc_setFont(GraphicsContext* gc, Font* font);
void gc_setForeground(GraphicsContext* gc, uint32_t colour);
void gc_setBackground(GraphicsContext* gc, uint32_t colour);
void gc_setMode(GraphicsContext* gc, uint8_t mode);
void gc_setOpacity(GraphicsContext* gc, uint8_t opacity);
void gc_setXorColour(GraphicsContext* gc, uint32_t colour);

// Translates and clips the rectangle and marks it dirty on the context's surface.
void gc_flush(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height);

// Fills with the colour (alpha 0 gives the key) whatever the mode.
void gc_fillRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
// Fills with the key.
void gc_clearRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height);

// Outlines and shapes, drawn pixel by pixel in the context's mode.
void gc_drawLine(GraphicsContext* gc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
// The border pixels: right edge at x + width - 1, bottom at y + height - 1.
void gc_drawRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
// Lines between consecutive points; a point (-1, -1) ends one polyline and starts the next.
void gc_drawPolyline(GraphicsContext* gc, const int32_t* xs, const int32_t* ys, int32_t count, uint32_t colour);
// Even-odd scan-line fill of the closed polygon; the row of the largest y is not filled.
void gc_fillPolygon(GraphicsContext* gc, const int32_t* xs, const int32_t* ys, int32_t count, uint32_t colour);
// The ellipse inscribed in the rectangle.
void gc_drawEllipse(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
void gc_fillEllipse(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
// The pixels of the ellipse's outline whose direction from the centre lies between startAngle and
// startAngle + sweep (degrees; 0 points right, 90 up; a negative sweep turns clockwise).
void gc_drawArc(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t startAngle,
                int32_t sweep, uint32_t colour);
// The filled sector of the same ellipse.
void gc_fillArc(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t startAngle,
                int32_t sweep, uint32_t colour);
// A rectangle whose corners are quarters of a cornerWidth x cornerHeight ellipse.
void gc_drawRoundRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t cornerWidth,
                      int32_t cornerHeight, uint32_t colour);
void gc_fillRoundRect(GraphicsContext* gc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t cornerWidth,
                      int32_t cornerHeight, uint32_t colour);

// Images, through the mode's image operation. The source rectangle of the scaled forms is cut to
// the image.
void gc_drawImage(GraphicsContext* gc, const Image* image, int32_t x, int32_t y);
void gc_drawImageScaled(GraphicsContext* gc, const Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                        int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight);
// As the scaled form, turned counter-clockwise by 0, 90, 180 or 270 degrees (modulo 360; other
// angles draw nothing). The destination rectangle is the turned picture's; key pixels are skipped.
void gc_drawImageRotated(GraphicsContext* gc, const Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t angle);

// A plain copy of a rectangle between two contexts' surfaces, both sides clipped by their contexts.
void gc_copyArea(GraphicsContext* from, int32_t x, int32_t y, int32_t width, int32_t height, GraphicsContext* to,
                 int32_t x2, int32_t y2);
// Repeats the source rectangle across the larger destination rectangle.
void gc_tileArea(GraphicsContext* from, int32_t x, int32_t y, int32_t width, int32_t height, GraphicsContext* to,
                 int32_t x2, int32_t y2, int32_t width2, int32_t height2);
