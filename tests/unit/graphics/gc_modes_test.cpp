#include "graphics/image.h"
#include "graphics_fixture.h"

namespace {

// One pixel drawn through each mode over a known destination.
TEST(Modes, PixelOperations) {
  struct Case {
    uint8_t mode, opacity;
    uint32_t colour, target, result;
  } cases[] = {
      {GC_MODE_NORMAL, 255, 0xFF112233, 0xFFABCDEF, 0xFF112233},
      {GC_MODE_NORMAL, 255, 0x00FFFFFF, 0xFFABCDEF, kColourKey},  // alpha 0 becomes the key
      {GC_MODE_CLEAR, 255, 0xFF112233, 0xFFABCDEF, kColourKey},
      {GC_MODE_COPY, 255, 0x00FFFFFF, 0xFFABCDEF, 0x00FFFFFF},
      {GC_MODE_XOR, 255, 0xFF0000FF, 0xFFABCDEF, 0xFF0000FF ^ 0x00FF00F0},  // colour ^ xorColour
      {GC_MODE_BLEND, 255, 0xFF112233, 0xFFABCDEF, 0xFF112233},             // opaque source wins
      {GC_MODE_BLEND, 0, 0xFF112233, 0xFFABCDEF, 0xFFABCDEF},               // no opacity: unchanged
      // a = 0.5 (alpha 255, opacity 127.5 is not possible: alpha 0x80, opacity 255), b = 1
      {GC_MODE_BLEND, 255, 0x80FF0000, 0xFF0000FF, 0xFF80007F},
      // onto the key (b = 0): the source colour with the source alpha
      {GC_MODE_BLEND, 255, 0x80FF0000, kColourKey, 0x80FF0000},
      {GC_MODE_BLEND, 255, 0x00FF0000, kColourKey, kColourKey},  // both transparent: the key
      // a = 0.5, b = 0.5: r = 0.75, colour = 2/3 source + 1/3 target
      {GC_MODE_BLEND, 255, 0x80FF0000, 0x800000FF, 0xBFAA0054},
  };
  for (const Case& c : cases) {
    Canvas canvas(1, 1);
    gc_setMode(canvas.gc, c.mode);
    gc_setOpacity(canvas.gc, c.opacity);
    gc_setXorColour(canvas.gc, 0x00FF00F0);
    canvas.gc->surface->pixels[0] = c.target;
    gc_drawLine(canvas.gc, 0, 0, 0, 0, c.colour);
    EXPECT_EQ(canvas.gc->surface->pixels[0], c.result)
        << "mode " << int(c.mode) << " colour " << std::hex << c.colour << " over " << c.target;
  }
}

TEST(Modes, FillRectIgnoresTheMode) {
  Canvas canvas(2, 1);
  gc_setMode(canvas.gc, GC_MODE_XOR);
  gc_setXorColour(canvas.gc, 0xFFFFFFFF);
  gc_fillRect(canvas.gc, 0, 0, 2, 1, 0xFF123456);
  EXPECT_EQ(canvas.gc->surface->pixels[1], 0xFF123456u);
}

// An image of one row whose pixels are given; it owns an off-screen context.
struct RowImage {
  explicit RowImage(std::vector<uint32_t> pixels) : canvas(int32_t(pixels.size()), 1) {
    std::copy(pixels.begin(), pixels.end(), canvas.gc->surface->pixels);
    image.width = int32_t(pixels.size());
    image.height = 1;
    image.gc = canvas.gc;
    image.surface = canvas.gc->surface;
  }
  Canvas canvas;
  Image image{};
};

TEST(Modes, ImageOperations) {
  struct Case {
    uint8_t mode, opacity;
    uint32_t source, target, result;
  } cases[] = {
      {GC_MODE_NORMAL, 255, kColourKey, 0xFFABCDEF, 0xFFABCDEF},  // key pixels are not copied
      {GC_MODE_NORMAL, 255, 0x80112233, 0xFFABCDEF, 0x80112233},
      {GC_MODE_CLEAR, 255, 0xFF112233, 0xFFABCDEF, 0x00000000},  // areas clear to 0
      {GC_MODE_COPY, 255, kColourKey, 0xFFABCDEF, kColourKey},   // every pixel copied
      {GC_MODE_COPY, 128, 0xFF112233, 0xFFABCDEF, 0x80112233},   // alpha scaled by the opacity
      {GC_MODE_COPY, 128, kColourKey, 0xFFABCDEF, kColourKey},
      {GC_MODE_BLEND, 255, kColourKey, kColourKey, kColourKey},
      {GC_MODE_BLEND, 255, kColourKey, 0xFFABCDEF, 0xFFABCDEF},
      {GC_MODE_XOR, 255, 0x0F0F0F0F, 0xFFFFFFFF, 0xFFFFFFFF ^ 0x0F0F0F0F ^ 0x00FF00F0},
  };
  for (const Case& c : cases) {
    RowImage image({c.source});
    Canvas canvas(1, 1);
    gc_setMode(canvas.gc, c.mode);
    gc_setOpacity(canvas.gc, c.opacity);
    gc_setXorColour(canvas.gc, 0x00FF00F0);
    canvas.gc->surface->pixels[0] = c.target;
    gc_drawImage(canvas.gc, &image.image, 0, 0);
    EXPECT_EQ(canvas.gc->surface->pixels[0], c.result)
        << "mode " << int(c.mode) << " source " << std::hex << c.source << " over " << c.target;
  }
}

}  // namespace
