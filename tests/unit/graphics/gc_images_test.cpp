#include "graphics/image.h"
#include "graphics_fixture.h"

namespace {

constexpr uint32_t kA = 0xFFAA0000, kB = 0xFF00BB00, kC = 0xFF0000CC, kD = 0xFFDDDDDD;
const std::vector<Legend> kLetters = {{kA, 'A'}, {kB, 'B'}, {kC, 'C'}, {kD, 'D'}};

// A small image whose pixels are given as letters of kLetters ('.' is the key).
struct LetterImage {
  explicit LetterImage(const std::vector<std::string>& rows) : canvas(int32_t(rows[0].size()), int32_t(rows.size())) {
    for (size_t y = 0; y < rows.size(); y++)
      for (size_t x = 0; x < rows[y].size(); x++) {
        uint32_t colour = kColourKey;
        for (const Legend& entry : kLetters)
          if (entry.letter == rows[y][x]) colour = entry.colour;
        canvas.gc->surface->pixels[y * rows[y].size() + x] = colour;
      }
    image.width = canvas.gc->surface->width;
    image.height = canvas.gc->surface->height;
    image.gc = canvas.gc;
    image.surface = canvas.gc->surface;
  }
  Canvas canvas;
  Image image{};
};

TEST(Images, PlainScaledAndRotatedCopies) {
  LetterImage source({"AB", "C."});
  struct Case {
    const char* name;
    int32_t width, height;
    void (*draw)(GraphicsContext* gc, const Image* image);
    std::vector<std::string> expected;
  } cases[] = {
      {"plain, key skipped, clipped at the edge",
       3,
       2,
       [](GraphicsContext* gc, const Image* image) {
         gc_fillRect(gc, 0, 0, 3, 2, kD);
         gc_drawImage(gc, image, 1, 0);
       },
       {"DAB", "DCD"}},
      {"doubled",
       4,
       4,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageScaled(gc, image, 0, 0, 4, 4, 0, 0, 2, 2); },
       {"AABB", "AABB", "CC..", "CC.."}},
      {"one source column stretched",
       3,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageScaled(gc, image, 0, 0, 3, 2, 1, 0, 1, 2); },
       {"BBB", "..."}},
      {"source cut to the image",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageScaled(gc, image, 0, 0, 2, 2, -1, 0, 2, 2); },
       {"AA", "CC"}},
      {"turned 90",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageRotated(gc, image, 0, 0, 2, 2, 0, 0, 2, 2, 90); },
       {"B.", "AC"}},
      {"turned 450 is 90",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageRotated(gc, image, 0, 0, 2, 2, 0, 0, 2, 2, 450); },
       {"B.", "AC"}},
      {"turned 180",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageRotated(gc, image, 0, 0, 2, 2, 0, 0, 2, 2, 180); },
       {".C", "BA"}},
      {"turned -90 is 270",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageRotated(gc, image, 0, 0, 2, 2, 0, 0, 2, 2, -90); },
       {"CA", ".B"}},
      {"turned 45 draws nothing",
       2,
       2,
       [](GraphicsContext* gc, const Image* image) { gc_drawImageRotated(gc, image, 0, 0, 2, 2, 0, 0, 2, 2, 45); },
       {"..", ".."}},
  };
  for (const Case& c : cases) {
    Canvas canvas(c.width, c.height);
    c.draw(canvas.gc, &source.image);
    EXPECT_EQ(picture(canvas.gc->surface, kLetters), c.expected) << c.name;
  }
}

TEST(Images, RotatedImagesSkipKeyPixelsEvenInCopyMode) {
  LetterImage source({"A."});
  Canvas canvas(2, 1);
  gc_fillRect(canvas.gc, 0, 0, 2, 1, kD);
  gc_setMode(canvas.gc, GC_MODE_COPY);
  gc_drawImageRotated(canvas.gc, &source.image, 0, 0, 2, 1, 0, 0, 2, 1, 0);
  EXPECT_EQ(picture(canvas.gc->surface, kLetters), (std::vector<std::string>{"AD"}));
}

TEST(Areas, CopyAndTile) {
  struct Case {
    const char* name;
    void (*draw)(GraphicsContext* gc);
    std::vector<std::string> expected;
  } cases[] = {
      {"copy within one surface, overlapping downwards",
       [](GraphicsContext* gc) { gc_copyArea(gc, 0, 0, 3, 2, gc, 1, 1); },
       {"ABC..", "BABC.", ".B...", "....."}},
      {"copy within one surface, overlapping upwards",
       [](GraphicsContext* gc) { gc_copyArea(gc, 0, 1, 3, 1, gc, 0, 0); },
       {"B....", "B....", ".....", "....."}},
      {"copy cut by the destination clip",
       [](GraphicsContext* gc) {
         gc_setClip(gc, 0, 0, 4, 3);
         gc_copyArea(gc, 0, 0, 3, 1, gc, 2, 2);
       },
       {"ABC..", "B....", "..AB.", "....."}},
      {"tile across and down",
       [](GraphicsContext* gc) { gc_tileArea(gc, 0, 0, 2, 2, gc, 0, 2, 5, 2); },
       {"ABC..", "B....", "ABABA", "B.B.B"}},
  };
  for (const Case& c : cases) {
    Canvas canvas(5, 4);
    uint32_t* pixels = canvas.gc->surface->pixels;
    pixels[0] = kA, pixels[1] = kB, pixels[2] = kC, pixels[5] = kB;
    c.draw(canvas.gc);
    EXPECT_EQ(picture(canvas.gc->surface, kLetters), c.expected) << c.name;
  }
}

TEST(Areas, CopyBetweenSurfacesHonoursBothClips) {
  Canvas from(4, 1), to(4, 1);
  std::fill_n(from.gc->surface->pixels, 4, kA);
  from.gc->surface->pixels[3] = kB;
  gc_setClip(from.gc, 1, 0, 3, 1);  // column 0 is outside the source clip
  gc_copyArea(from.gc, 0, 0, 4, 1, to.gc, 0, 0);
  EXPECT_EQ(picture(to.gc->surface, kLetters), (std::vector<std::string>{".AAB"}));
}

}  // namespace
