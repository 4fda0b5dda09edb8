#include "graphics_fixture.h"

namespace {

constexpr uint32_t kInk = 0xFF102030;

struct ShapeCase {
  const char* name;
  int32_t width, height;
  void (*draw)(GraphicsContext* gc);
  std::vector<std::string> expected;
};

const ShapeCase kShapes[] = {
    {"single point line", 3, 3, [](GraphicsContext* gc) { gc_drawLine(gc, 1, 1, 1, 1, kInk); }, {"...", ".#.", "..."}},
    {"shallow line",
     7,
     3,
     [](GraphicsContext* gc) { gc_drawLine(gc, 0, 0, 6, 2, kInk); },
     {"##.....", "..###..", ".....##"}},
    {"steep line backwards",
     3,
     5,
     [](GraphicsContext* gc) { gc_drawLine(gc, 2, 4, 0, 0, kInk); },
     {"#..", ".#.", ".#.", "..#", "..#"}},
    {"line clipped by the clip rectangle",
     6,
     6,
     [](GraphicsContext* gc) {
       gc_setClip(gc, 1, 1, 4, 4);
       gc_drawLine(gc, -10, -10, 20, 20, kInk);
       gc_drawLine(gc, 0, 5, 5, 5, kInk);  // wholly outside
     },
     {"......", ".#....", "..#...", "...#..", "....#.", "......"}},
    {"line crossing the surface edge",
     5,
     3,
     [](GraphicsContext* gc) { gc_drawLine(gc, -4, 1, 8, 1, kInk); },
     {".....", "#####", "....."}},
    {"rect border",
     5,
     4,
     [](GraphicsContext* gc) { gc_drawRect(gc, 0, 0, 5, 4, kInk); },
     {"#####", "#...#", "#...#", "#####"}},
    {"rect 1 x 1 and rect of width 0",
     3,
     3,
     [](GraphicsContext* gc) {
       gc_drawRect(gc, 1, 1, 1, 1, kInk);
       gc_drawRect(gc, 0, 0, 0, 3, kInk);
     },
     {"...", ".#.", "..."}},
    {"fill rect with origin and clip",
     6,
     4,
     [](GraphicsContext* gc) {
       gc_setOrigin(gc, 1, 1);
       gc_setClip(gc, 0, 0, 3, 2);
       gc_fillRect(gc, -5, -5, 100, 100, kInk);
     },
     {"......", ".###..", ".###..", "......"}},
    {"polyline with a break",
     7,
     3,
     [](GraphicsContext* gc) {
       int32_t xs[] = {0, 2, -1, 4, 6};
       int32_t ys[] = {0, 0, -1, 2, 2};
       gc_drawPolyline(gc, xs, ys, 5, kInk);
     },
     {"###....", ".......", "....###"}},
    {"polygon triangle",
     7,
     5,
     [](GraphicsContext* gc) {
       int32_t xs[] = {0, 6, 0};
       int32_t ys[] = {0, 4, 4};
       gc_fillPolygon(gc, xs, ys, 3, kInk);
     },
     {"#......", "##.....", "####...", "#####..", "......."}},
    {"polygon on one line",
     5,
     3,
     [](GraphicsContext* gc) {
       int32_t xs[] = {0, 2, 4};
       int32_t ys[] = {1, 1, 1};
       gc_fillPolygon(gc, xs, ys, 3, kInk);
     },
     {".....", ".....", "....."}},
    {"ellipse 9 x 7",
     9,
     7,
     [](GraphicsContext* gc) { gc_drawEllipse(gc, 0, 0, 9, 7, kInk); },
     {"..#####..", ".#.....#.", "#.......#", "#.......#", "#.......#", ".#.....#.", "..#####.."}},
    {"filled ellipse of even size",
     6,
     4,
     [](GraphicsContext* gc) { gc_fillEllipse(gc, 0, 0, 6, 4, kInk); },
     {".####.", "######", "######", ".####."}},
    {"arc from 0 sweeping 90",
     9,
     9,
     [](GraphicsContext* gc) { gc_drawArc(gc, 0, 0, 9, 9, 0, 90, kInk); },
     {"....##...", "......##.", ".......#.", "........#", "........#", ".........", ".........", ".........",
      "........."}},
    {"arc counting down",
     9,
     9,
     [](GraphicsContext* gc) { gc_drawArc(gc, 0, 0, 9, 9, 0, -90, kInk); },
     {".........", ".........", ".........", ".........", "........#", "........#", ".......#.", "......##.",
      "....##..."}},
    {"circle",
     9,
     9,
     [](GraphicsContext* gc) { gc_drawEllipse(gc, 0, 0, 9, 9, kInk); },
     {"...###...", ".##...##.", ".#.....#.", "#.......#", "#.......#", "#.......#", ".#.....#.", ".##...##.",
      "...###..."}},
    {"filled sector",
     9,
     9,
     [](GraphicsContext* gc) { gc_fillArc(gc, 0, 0, 9, 9, 90, 90, kInk); },
     {"...##....", ".####....", ".####....", "#####....", "#####....", ".........", ".........", ".........",
      "........."}},
    {"round rect",
     10,
     6,
     [](GraphicsContext* gc) { gc_drawRoundRect(gc, 0, 0, 10, 6, 4, 4, kInk); },
     {".########.", "#........#", "#........#", "#........#", "#........#", ".########."}},
    {"filled round rect",
     10,
     6,
     [](GraphicsContext* gc) { gc_fillRoundRect(gc, 0, 0, 10, 6, 4, 4, kInk); },
     {".########.", "##########", "##########", "##########", "##########", ".########."}},
};

void PrintTo(const ShapeCase& shape, std::ostream* out) { *out << shape.name; }

class Shapes : public testing::TestWithParam<ShapeCase> {};

TEST_P(Shapes, DrawsExactPixels) {
  const ShapeCase& shape = GetParam();
  Canvas canvas(shape.width, shape.height);
  ASSERT_NE(canvas.gc, nullptr);
  shape.draw(canvas.gc);
  std::vector<std::string> drawn = picture(canvas.gc->surface, {{kInk, '#'}});
  std::string shown;
  for (const std::string& row : drawn) shown += "\"" + row + "\", ";
  EXPECT_EQ(drawn, shape.expected) << shown;
}

INSTANTIATE_TEST_SUITE_P(Primitives, Shapes, testing::ValuesIn(kShapes), [](const auto& info) {
  std::string name;
  for (const char* c = info.param.name; *c; c++) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
});

TEST(Contexts, NullContextsAndEmptySizesDrawNothing) {
  int32_t xs[] = {0, 1, 2};
  gc_fillRect(nullptr, 0, 0, 5, 5, kInk);
  gc_drawLine(nullptr, 0, 0, 5, 5, kInk);
  gc_drawPolyline(nullptr, xs, xs, 3, kInk);
  gc_fillPolygon(nullptr, xs, xs, 3, kInk);
  gc_drawEllipse(nullptr, 0, 0, 5, 5, kInk);
  gc_fillArc(nullptr, 0, 0, 5, 5, 0, 90, kInk);
  gc_fillRoundRect(nullptr, 0, 0, 5, 5, 2, 2, kInk);
  gc_drawImage(nullptr, nullptr, 0, 0);
  gc_copyArea(nullptr, 0, 0, 5, 5, nullptr, 0, 0);
  gc_flush(nullptr, 0, 0, 5, 5);
  gc_free(nullptr);
  EXPECT_EQ(gc_getClip(nullptr).width, 0);
  Canvas canvas(4, 4);
  gc_fillEllipse(canvas.gc, 0, 0, 0, 4, kInk);
  gc_fillArc(canvas.gc, 0, 0, 4, 4, 0, 0, kInk);
  gc_drawEllipse(canvas.gc, 0, 0, 1 << 20, 4, kInk);
  gc_fillPolygon(canvas.gc, xs, xs, 1, kInk);
  EXPECT_EQ(picture(canvas.gc->surface, {}), (std::vector<std::string>{"....", "....", "....", "...."}));
}

class ScreenContexts : public ScreenTest {};

TEST_F(ScreenContexts, ContextsAreCutToTheScreen) {
  struct Case {
    int32_t x, y, width, height;
    GcRect clip;
  } cases[] = {
      {700, 560, 100, 100, {700, 560, 20, 16}},
      {800, 600, 10, 10, {800, 600, 0, 0}},  // a negative remainder becomes 0
      {10, 20, 30, 40, {10, 20, 30, 40}},
  };
  for (const Case& c : cases) {
    GraphicsContext* gc = gc_new(c.x, c.y, c.width, c.height);
    ASSERT_NE(gc, nullptr);
    GcRect clip = gc_getClip(gc);
    EXPECT_EQ((std::vector<int32_t>{clip.x, clip.y, clip.width, clip.height}),
              (std::vector<int32_t>{c.clip.x, c.clip.y, c.clip.width, c.clip.height}));
    EXPECT_EQ(gc->surface, fb_osdPlane());
    EXPECT_EQ(gc->foreground, kColourKey);
    EXPECT_EQ(gc->font, nullptr);
    gc_free(gc);
  }
  GraphicsContext* middle = gc_newMiddle(0, 0, 10, 10);
  EXPECT_EQ(middle->surface, fb_middlePlane());
  gc_free(middle);
}

TEST_F(ScreenContexts, FlushMarksTheTranslatedAndClippedRectangle) {
  fb_setAutoFlush(kPlaneOsd, 0);
  GraphicsContext* gc = gc_new(100, 100, 50, 50);
  gc_setOrigin(gc, 10, 5);
  gc_flush(gc, 80, 80, 100, 100);  // at (90, 85) on screen, cut by the clip moved to (110, 105)
  FbDirtyRect dirty = fb_dirtyRect(kPlaneOsd);
  EXPECT_EQ((std::vector<int32_t>{dirty.x, dirty.y, dirty.width, dirty.height}),
            (std::vector<int32_t>{110, 105, 50, 50}));
  gc_flush(gc, 500, 500, 10, 10);  // outside the clip: nothing added
  dirty = fb_dirtyRect(kPlaneOsd);
  EXPECT_EQ(dirty.width, 50);
  gc_free(gc);
  fb_setAutoFlush(kPlaneOsd, 1);
}

}  // namespace
