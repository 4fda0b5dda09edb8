// Opening fonts: the cache and its reference counts, system fonts, where font files are found,
// and the metrics of what was opened.
#include <filesystem>
#include <fstream>

#include "font_fixture.h"
#include "graphics/gc.h"
#include "host/root.h"
#include "runtime/pool.h"

namespace {

class FontCache : public FontTest {};

TEST_F(FontCache, SameNameAndSizeShareOneCountedFont) {
  int64_t before = pool_stats(POOL_FONT).bytesInUse;
  std::vector<uint8_t> bytes = pfr_write(smallStrike());
  Font* a = font_openFromMemory("Small.pfr", 25, bytes.data(), int32_t(bytes.size()));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->referenceCount, 1);
  Font* b = font_openFromMemory("small.PFR", 25, nullptr, 0);  // found in the cache: the data is not read
  EXPECT_EQ(b, a);
  EXPECT_EQ(a->referenceCount, 2);
  EXPECT_STREQ(a->name, "Small.pfr");
  Font* other = font_openFromMemory("small.pfr", 26, bytes.data(), int32_t(bytes.size()));
  EXPECT_NE(other, a);
  font_release(a);
  EXPECT_EQ(a->referenceCount, 1);
  font_release(a);
  font_release(other);
  EXPECT_EQ(pool_stats(POOL_FONT).bytesInUse, before);
}

TEST_F(FontCache, RefusesEmptyAndOverlongNames) {
  std::vector<uint8_t> bytes = pfr_write(smallStrike());
  EXPECT_EQ(font_openFromMemory("", 24, bytes.data(), int32_t(bytes.size())), nullptr);
  EXPECT_EQ(font_openFromMemory(nullptr, 24, bytes.data(), int32_t(bytes.size())), nullptr);
  EXPECT_EQ(font_open("", 24, nullptr), nullptr);
  std::string longName(256, 'a');
  EXPECT_EQ(font_openFromMemory(longName.c_str(), 24, bytes.data(), int32_t(bytes.size())), nullptr);
  longName.pop_back();
  EXPECT_NE(font_openFromMemory(longName.c_str(), 24, bytes.data(), int32_t(bytes.size())), nullptr);
}

TEST_F(FontCache, SystemFontsAnswerForTheirSizes) {
  EXPECT_EQ(font_systemFont(24), nullptr);
  EXPECT_EQ(font_loadSystemFonts(), 3);
  Font* system24 = font_systemFont(24);
  ASSERT_NE(system24, nullptr);
  EXPECT_EQ(font_open("any name at all", 24, nullptr), system24);
  EXPECT_EQ(font_open("default", 24, nullptr), system24);
  std::vector<uint8_t> bytes = pfr_write(smallStrike());
  EXPECT_EQ(openBytes(bytes, 24), system24);
  font_release(system24);  // system fonts stay
  EXPECT_EQ(font_systemFont(24), system24);
  EXPECT_EQ(font_systemFont(18)->strikeSize, 36);
  EXPECT_EQ(font_systemFont(13), nullptr);  // loaded by nobody
  GraphicsContext* gc = gc_new(0, 0, 10, 10);
  EXPECT_EQ(gc->font, system24);
  gc_free(gc);
}

TEST_F(FontCache, FindsFilesLooseThenInTheArchiveThenByTheSizeTable) {
  struct Case {
    const char* name;
    int32_t size;
    int32_t strike, render, ascent, descent, gap, baseline;
  } cases[] = {
      {"default", 20, 36, 18, 21, 5, 0, 19},                       // the size table, drawn at half size
      {"default", 24, 24, 24, 25, 6, 0, 25},                       // full size: the baseline offset is the ascent
      {"data/fonts/tires-b31_803.pfr", 31, 31, 31, 32, 7, 1, 32},  // the archive member named within
      {"data/fonts/tires-b31_803.pfr", 12, 31, 31, 13, 3, 0, 32},  // another strike than the table's: full size
      {"Default", 44, 0, 41, 45, 11, 1, 42},                       // the outline font above 40
  };
  for (const Case& c : cases) {
    Font* font = font_open(c.name, c.size, nullptr);
    ASSERT_NE(font, nullptr) << c.name << " " << c.size;
    EXPECT_EQ((std::vector<int32_t>{font->strikeSize, font->renderSize, font->lineAscent, font->lineDescent,
                                    font->lineGap, font_baselineOffset(font)}),
              (std::vector<int32_t>{c.strike, c.render, c.ascent, c.descent, c.gap, c.baseline}))
        << c.name << " " << c.size;
    EXPECT_EQ(font_lineHeight(font), c.ascent + c.descent + c.gap);
    EXPECT_EQ(font_descent(font), c.descent);
    EXPECT_EQ(font_gap(font), c.gap);
    EXPECT_NE(font->glyphs['A'], nullptr);
  }
  EXPECT_EQ(font_lineHeight(nullptr), 0);

  // A loose file wins over the archive; a file that cannot be parsed gives no font.
  std::filesystem::path root = std::filesystem::temp_directory_path() / "orb-font-root";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "data");
  std::vector<uint8_t> small = pfr_write(smallStrike(26));
  std::ofstream(root / "mine.pfr", std::ios::binary).write(reinterpret_cast<const char*>(small.data()), small.size());
  std::ofstream(root / "broken.pfr") << "PFR0 but nothing else";
  host_setRoot(root.string());
  Font* mine = font_open("mine.pfr", 26, nullptr);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->glyphs['B'], nullptr);  // the small font, not a built one
  EXPECT_EQ(font_open("broken.pfr", 26, nullptr), nullptr);
  EXPECT_EQ(font_open("default", 26, nullptr), nullptr);  // no archive, no table file
  std::filesystem::remove_all(root);
}

}  // namespace
