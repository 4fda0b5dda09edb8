#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "app/system/loading_screen.h"
#include "graphics/fb.h"
#include "host/root.h"
#include "runtime/process.h"

namespace {

namespace fs = std::filesystem;

class Loading : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool initialised = process_init() == 0;
    ASSERT_TRUE(initialised);
    root = fs::temp_directory_path() / ("startup-loading-" + std::to_string(::getpid()));
    fs::create_directories(root / "data");
    host_setRoot(root.string());
  }
  void TearDown() override { fs::remove_all(root); }
  void writeConfiguration(std::optional<uint8_t> standard, size_t size = 184) {
    std::vector<char> bytes(size, 0);
    if (standard && size > 36) bytes[36] = char(*standard);
    std::ofstream(root / "data/Configuration.dat", std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }
  fs::path root;
};

TEST_F(Loading, ShiftFromTheConfigurationFile) {
  struct Case {
    const char* what;
    int32_t before;
    bool write;
    uint8_t standard;
    size_t size;
    int32_t after;
  } cases[] = {
      {"no file", 32, false, 0, 0, 32},
      {"standard 0", 32, true, 0, 184, 0},
      {"standard 1", 32, true, 1, 184, 0},
      {"standard 2", 0, true, 2, 184, 32},
      {"standard 3", 32, true, 3, 184, 0},
      {"standard 4 keeps", 32, true, 4, 184, 32},
      {"standard 255 keeps", 0, true, 255, 184, 0},
      {"47 bytes", 0, true, 2, 47, 0},
      {"exactly 48 bytes", 0, true, 2, 48, 32},
  };
  for (const Case& c : cases) {
    fs::remove(root / "data/Configuration.dat");
    if (c.write) writeConfiguration(c.standard, c.size);
    loading_setShift(c.before);
    loading_readShift();
    EXPECT_EQ(loading_shift(), c.after) << c.what;
  }
}

TEST(LoadingColours, CycleOfFourteenGreys) {
  uint32_t colour = kLoadingFirstColour;
  std::vector<uint32_t> cycle;
  do {
    cycle.push_back(colour);
    colour = loading_nextColour(colour);
  } while (colour != kLoadingFirstColour && cycle.size() < 100);
  ASSERT_EQ(cycle.size(), 14u);
  EXPECT_EQ(cycle.back(), 0xFF000000u);
  EXPECT_EQ(cycle[1], 0xFFCCCCCCu);
}

// The square goes where the shift puts it, and stops when asked.
TEST_F(Loading, SquareFollowsTheShift) {
  fb_open(720, 576);
  fb_initPlanes();
  for (int32_t shift : {0, 32}) {
    GraphicsFB* osd = fb_osdPlane();
    std::fill(osd->pixels, osd->pixels + osd->width * osd->height, kColourKey);
    loading_setShift(shift);
    loading_show();
    process_sleep(150);
    loading_stop([](int32_t ms) { process_sleep(ms); }, 0);
    EXPECT_EQ(loading_taskIndex(), -1);
    auto at = [&](int32_t x, int32_t y) { return osd->pixels[y * osd->width + x]; };
    int32_t top = kLoadingSquareY - shift;
    EXPECT_NE(at(kLoadingSquareX, top), kColourKey) << shift;
    EXPECT_NE(at(kLoadingSquareX + 39, top + 39), kColourKey) << shift;
    EXPECT_EQ(at(kLoadingSquareX, top - 1), kColourKey) << shift;
    EXPECT_EQ(at(kLoadingSquareX, top + 40), kColourKey) << shift;
    EXPECT_EQ(at(kLoadingSquareX + 40, top), kColourKey) << shift;
  }
  fb_freePlanes();
  fb_close();
}

}  // namespace
