// The font cache shared between tasks: opens and releases from several threads keep one font with
// an exact reference count, and the system fonts read without a lock while others open fonts.
#include <atomic>
#include <filesystem>
#include <thread>

#include "font_fixture.h"
#include "runtime/pool.h"

namespace {

class FontCacheTasks : public FontTest {};

TEST_F(FontCacheTasks, ConcurrentOpensShareOneCountedFont) {
  // With the fonts of the build, the system fonts are read by every thread meanwhile.
  bool withFonts = std::filesystem::exists(builtRoot() + "/data/fonts.zip");
  if (withFonts) {
    ASSERT_EQ(font_loadSystemFonts(), 3);
  }
  Font* system24 = font_systemFont(24);
  int64_t before = pool_stats(POOL_FONT).bytesInUse;
  std::vector<uint8_t> bytes = pfr_write(smallStrike());
  Font* held = font_openFromMemory("shared.pfr", 25, bytes.data(), int32_t(bytes.size()));
  ASSERT_NE(held, nullptr);
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; t++)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; i++) {
        Font* font = font_openFromMemory("SHARED.pfr", 25, bytes.data(), int32_t(bytes.size()));
        if (font != held || (withFonts && font_open("whatever", 24, nullptr) != system24)) mismatches++;
        font_textWidth(font, "AV");
        font_release(font);
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(held->referenceCount, 1);
  font_release(held);
  EXPECT_EQ(pool_stats(POOL_FONT).bytesInUse, before);
}

}  // namespace
