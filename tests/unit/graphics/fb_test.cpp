#include <cstdio>

#include "graphics_fixture.h"

namespace {

void setPixel(GraphicsFB* plane, int32_t x, int32_t y, uint32_t colour) {
  plane->pixels[y * plane->width + x] = colour;
}

class FramebufferTest : public ScreenTest {};

TEST_F(FramebufferTest, ComposesTheFirstPlaneThatIsNotKeyWithoutBlending) {
  struct Case {
    uint32_t osd, middle, video, shown;
  } cases[] = {
      {kColourKey, kColourKey, 0xFF112233, 0xFF112233},  // nothing drawn: the video
      {0xFFAA0000, kColourKey, 0xFF112233, 0xFFAA0000},  // opaque OSD over video
      {kColourKey, 0xFF00BB00, 0xFF112233, 0xFF00BB00},  // middle over video
      {0xFFAA0000, 0xFF00BB00, 0xFF112233, 0xFFAA0000},  // OSD over middle
      {0x80AA0000, kColourKey, 0xFF112233, 0x80AA0000},  // translucent OSD shows as its own value
      {0x00000000, kColourKey, 0xFF112233, 0x00000000},  // OSD value 0 shows black, not video
      {kColourKey, kColourKey, kVideoFill, kVideoFill},
  };
  int32_t x = 0;
  for (const Case& c : cases) {
    setPixel(fb_osdPlane(), x, 5, c.osd);
    setPixel(fb_middlePlane(), x, 5, c.middle);
    video[5 * 720 + x] = c.video;
    x++;
  }
  fb_markDirty(fb_osdPlane(), 0, 5, x, 1);
  std::vector<uint32_t> screen = display_current()->copy();
  for (int32_t i = 0; i < x; i++) EXPECT_EQ(screen[5 * 720 + i], cases[i].shown) << "case " << i;
}

TEST_F(FramebufferTest, FreshScreenShowsVideoAndKeyFillReopensAHole) {
  fb_markDirty(fb_osdPlane(), 0, 0, 720, 576);
  EXPECT_EQ(screenPixel(0, 0), kVideoFill);
  EXPECT_EQ(screenPixel(719, 575), kVideoFill);
  GraphicsContext* gc = gc_newScreen();
  gc_fillRect(gc, 100, 100, 50, 50, 0xFFFF0000);
  gc_flush(gc, 100, 100, 50, 50);
  EXPECT_EQ(screenPixel(120, 120), 0xFFFF0000u);
  gc_fillRect(gc, 110, 110, 10, 10, 0x00FF0000);  // alpha 0 punches a transparent hole
  gc_flush(gc, 110, 110, 10, 10);
  EXPECT_EQ(screenPixel(115, 115), kVideoFill);
  EXPECT_EQ(screenPixel(109, 115), 0xFFFF0000u);
  gc_free(gc);
}

TEST_F(FramebufferTest, DirtyRectanglesUniteWhileAutoFlushIsOff) {
  fb_setAutoFlush(kPlaneOsd, 0);
  std::fill_n(fb_osdPlane()->pixels, 720 * 576, 0xFF0000FFu);
  fb_markDirty(fb_osdPlane(), 10, 10, 5, 5);
  fb_markDirty(fb_osdPlane(), 100, 50, 10, 10);
  FbDirtyRect dirty = fb_dirtyRect(kPlaneOsd);
  EXPECT_EQ((std::vector<int32_t>{dirty.x, dirty.y, dirty.width, dirty.height}),
            (std::vector<int32_t>{10, 10, 100, 50}));
  EXPECT_EQ(screenPixel(50, 30), 0u);  // nothing shown yet
  fb_setAutoFlush(kPlaneOsd, 1);       // switching it on flushes the union
  EXPECT_EQ(screenPixel(50, 30), 0xFF0000FFu);
  EXPECT_EQ(screenPixel(109, 59), 0xFF0000FFu);
  EXPECT_EQ(screenPixel(110, 59), 0u);
  EXPECT_EQ(screenPixel(9, 10), 0u);
  EXPECT_EQ(fb_dirtyRect(kPlaneOsd).x, -1);
}

TEST_F(FramebufferTest, FlushClipsAtTheScreenEdgesAndSkipsNegativeOrigins) {
  std::fill_n(fb_osdPlane()->pixels, 720 * 576, 0xFF00FF00u);
  fb_markDirty(fb_osdPlane(), 700, 560, 100, 100);  // cut at 720 x 576
  EXPECT_EQ(screenPixel(719, 575), 0xFF00FF00u);
  EXPECT_EQ(screenPixel(699, 575), 0u);
  fb_markDirty(fb_osdPlane(), -1, 0, 50, 50);  // negative origin: not flushed at all
  EXPECT_EQ(screenPixel(10, 10), 0u);
  EXPECT_EQ(fb_dirtyRect(kPlaneOsd).x, -1);
  fb_markDirty(fb_osdPlane(), 0, 0, 0, 10);  // no width: nothing
  EXPECT_EQ(screenPixel(0, 0), 0u);
}

TEST_F(FramebufferTest, OnlyTheOsdFlushComposesAndOnlyPlanesAreMarked) {
  std::fill_n(fb_osdPlane()->pixels, 720 * 576, 0xFF00FF00u);
  GraphicsFB* other = fb_newSurface(720, 576);
  ASSERT_NE(other, nullptr);
  fb_markDirty(other, 0, 0, 720, 576);  // neither plane: ignored
  EXPECT_EQ(screenPixel(5, 5), 0u);
  EXPECT_EQ(fb_dirtyRect(kPlaneOsd).x, -1);
  fb_freeSurface(other);
  fb_markDirty(fb_middlePlane(), 0, 0, 10, 10);  // the middle plane's flush shows without composing
  EXPECT_EQ(screenPixel(5, 5), 0u);
  fb_setVideoPlane(nullptr);  // composition needs every plane
  fb_markDirty(fb_osdPlane(), 0, 0, 10, 10);
  EXPECT_EQ(screenPixel(5, 5), 0u);
  fb_setVideoPlane(video.data());
  fb_markDirty(fb_osdPlane(), 0, 0, 10, 10);
  EXPECT_EQ(screenPixel(5, 5), 0xFF00FF00u);
}

// Tasks paint and flush their own areas at the same time; every area ends up on the screen.
TEST_F(FramebufferTest, TasksFlushingAtOnceAllReachTheScreen) {
  struct Area {
    int32_t x;
    uint32_t colour;
  };
  static const Area areas[] = {{0, 0xFF110000}, {100, 0xFF002200}, {200, 0xFF000033}, {300, 0xFF444444}};
  std::vector<int> tasks;
  for (const Area& area : areas) {
    tasks.push_back(process_start(
        [](void* argument) {
          const Area* mine = static_cast<const Area*>(argument);
          for (int32_t row = 0; row < 40; row++) {
            GraphicsContext* gc = gc_new(mine->x, 300 + row, 90, 1);
            gc_fillRect(gc, mine->x, 300 + row, 90, 1, mine->colour);
            gc_flush(gc, mine->x, 300 + row, 90, 1);
            gc_free(gc);
          }
          process_exit();
        },
        const_cast<Area*>(&area), 0));
  }
  for (int wait = 0; wait < 500 && process_liveCount() > 1; wait++) process_sleep(10);
  for (const Area& area : areas)
    for (int32_t row = 0; row < 40; row += 13) EXPECT_EQ(screenPixel(area.x + 45, 300 + row), area.colour);
}

TEST(Surface, NewSurfacesAreKeyFilledAndImpossibleOnesFailWithTheMessage) {
  GraphicsFB* surface = fb_newSurface(3, 2);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->width, 3);
  for (int i = 0; i < 6; i++) EXPECT_EQ(surface->pixels[i], kColourKey);
  fb_freeSurface(surface);
  for (auto size : {std::pair{0, 10}, std::pair{-5, 10}, std::pair{100000, 100000}, std::pair{8192, 8192}}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(fb_newSurface(size.first, size.second), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot get mem for GraphicsFB\n");
  }
}

TEST(Colour, BuildingAColourWithAlphaZeroGivesTheKey) {
  EXPECT_EQ(colour_fromRgba(1, 2, 3, 0), kColourKey);
  EXPECT_EQ(colour_fromRgba(0x12, 0x34, 0x56, 0x78), 0x78123456u);
}

}  // namespace
