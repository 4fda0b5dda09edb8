#include "devices/decoder/video_still.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "devices/decoder/colour_table.h"
#include "graphics/fb.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "still_writer.h"

namespace {

class ProcessEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(process_init(), 0); }
};
testing::Environment* const kProcessEnvironment = testing::AddGlobalTestEnvironment(new ProcessEnvironment);

constexpr int kPlanePixels = 720 * 576;

struct Recorder {
  std::mutex lock;
  std::vector<std::vector<uint8_t>> blocks;
  std::vector<bool> lastFlags;
  int frames = 0;
  std::vector<uint8_t> y;  // luma of the last frame, cropped
};

void recordBlock(const uint8_t* block, int size, bool last, void* context) {
  auto* r = static_cast<Recorder*>(context);
  std::lock_guard guard(r->lock);
  r->blocks.emplace_back(block, block + size);
  r->lastFlags.push_back(last);
}

void recordFrame(const MpegFrame& f, void* context) {
  auto* r = static_cast<Recorder*>(context);
  std::lock_guard guard(r->lock);
  ++r->frames;
  r->y.clear();
  for (int row = 0; row < f.height; ++row)
    r->y.insert(r->y.end(), f.y + row * f.yStride, f.y + row * f.yStride + f.width);
}

class VideoStill : public testing::Test {
 protected:
  void SetUp() override {
    poolInUse_ = pool_stats(POOL_IFRAME).bytesInUse;
    video_setBlockHook(recordBlock, &recorder_);
    video_setFrameHook(recordFrame, &recorder_);
    ASSERT_EQ(video_startDecoder(), 0);
    ASSERT_NE(fb_videoPlane(), nullptr);
  }
  void TearDown() override {
    video_stopDecoder();
    EXPECT_EQ(fb_videoPlane(), nullptr);
    EXPECT_EQ(pool_stats(POOL_IFRAME).bytesInUse, poolInUse_);
    video_setBlockHook(nullptr, nullptr);
    video_setFrameHook(nullptr, nullptr);
  }
  static std::vector<uint32_t> plane() { return {fb_videoPlane(), fb_videoPlane() + kPlanePixels}; }
  static uint32_t colourOf(int y, int cb, int cr) {
    std::vector<uint32_t> table(kColourTableSize);
    colour_buildTable(table.data());
    return table[static_cast<size_t>(colour_index(y, cb, cr))];
  }
  int show(const std::vector<uint8_t>& bytes, std::string* output = nullptr) {
    testing::internal::CaptureStdout();
    int result = video_showStill(bytes.data(), static_cast<int32_t>(bytes.size()));
    std::string text = testing::internal::GetCapturedStdout();
    if (output) *output = text;
    return result;
  }
  Recorder recorder_;
  int64_t poolInUse_ = 0;
};

TEST_F(VideoStill, PlaneStartsWithTheFillColourAndWhiteConvertsToWhite) {
  std::vector<uint32_t> before = plane();
  EXPECT_TRUE(std::all_of(before.begin(), before.end(), [](uint32_t c) { return c == 0x00406080; }));
  ASSERT_EQ(show(makeStill({720, 576, 255, 128, 128})), 0);
  std::vector<uint32_t> after = plane();
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](uint32_t c) { return c == 0xFFFFFF; }));
}

TEST_F(VideoStill, StillOf3000BytesIsFedAsTwoBlocksPaddedWithZeros) {
  std::vector<uint8_t> bytes = makeStill({64, 32, 90, 100, 110, 3, false});
  // Fill up to 3000 bytes with a user-data unit, then end the sequence.
  bytes.insert(bytes.end(), {0, 0, 1, 0xB2});
  bytes.resize(3000 - 4, 'u');
  bytes.insert(bytes.end(), {0, 0, 1, 0xB7});
  ASSERT_EQ(show(bytes), 0);
  std::lock_guard guard(recorder_.lock);
  ASSERT_EQ(recorder_.blocks.size(), 2u);
  EXPECT_EQ(recorder_.lastFlags, (std::vector<bool>{false, true}));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 2048, recorder_.blocks[0].begin()));
  const std::vector<uint8_t>& second = recorder_.blocks[1];
  EXPECT_TRUE(std::equal(bytes.begin() + 2048, bytes.end(), second.begin()));
  EXPECT_EQ(std::count(second.begin() + 952, second.end(), 0), 1096);
  EXPECT_EQ(recorder_.frames, 1);
}

TEST_F(VideoStill, SmallStillLandsTopLeftAndHookSeesTheSamplesBeforeConversion) {
  ASSERT_EQ(show(makeStill({40, 24, 200, 60, 220})), 0);
  std::vector<uint32_t> p = plane();
  uint32_t colour = colourOf(200, 60, 220);
  for (int row = 0; row < 576; row += 7)
    for (int x = 0; x < 720; x += 5)
      ASSERT_EQ(p[static_cast<size_t>(row * 720 + x)], row < 24 && x < 40 ? colour : 0x00406080u) << x << "," << row;
  std::lock_guard guard(recorder_.lock);
  EXPECT_EQ(recorder_.y, std::vector<uint8_t>(40 * 24, 200));
}

TEST_F(VideoStill, BrokenStillReleasesTheCallerAndLeavesThePlane) {
  ASSERT_EQ(show(makeStill({720, 576, 30, 200, 90})), 0);
  std::vector<uint32_t> shown = plane();
  std::vector<uint8_t> good = makeStill({720, 576, 250, 20, 20, 3, false});
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + good.size() * 2 / 3)},
      {"too large", makeStill({736, 576, 250})},
      {"field picture", makeStill({720, 576, 250, 20, 20, 2})},
      {"no picture at all", std::vector<uint8_t>(100, 0xAB)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string output;
    EXPECT_EQ(show(c.bytes, &output), -1);
    EXPECT_NE(output.find("[VIDEO API ERROR] video_showStill"), std::string::npos) << output;
    EXPECT_EQ(plane(), shown);
  }
  // The decoder is not left out of step: the next good still shows.
  ASSERT_EQ(show(good), 0);
  EXPECT_EQ(plane()[0], colourOf(250, 20, 20));
}

TEST_F(VideoStill, NoDataAndClearFillThePlane) {
  ASSERT_EQ(show(makeStill({720, 576, 255, 128, 128})), 0);
  EXPECT_EQ(video_showStill(nullptr, 100), 0);
  std::vector<uint32_t> p = plane();
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](uint32_t c) { return c == 0x00406080; }));

  ASSERT_EQ(show(makeStill({720, 576, 255, 128, 128})), 0);
  fb_open(720, 576);
  fb_initPlanes();
  fb_setAutoFlush(kPlaneOsd, 0);
  video_takeBootLogoTurn();  // whatever an earlier test left
  EXPECT_FALSE(video_takeBootLogoTurn());
  video_clearStill();
  FbDirtyRect dirty = fb_dirtyRect(kPlaneOsd);
  EXPECT_EQ(dirty.x, 0);
  EXPECT_EQ(dirty.y, 0);
  EXPECT_EQ(dirty.width, 720);
  EXPECT_EQ(dirty.height, 576);
  EXPECT_TRUE(video_takeBootLogoTurn());
  fb_setAutoFlush(kPlaneOsd, 1);
  fb_freePlanes();
  fb_close();
  p = plane();
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](uint32_t c) { return c == 0x00406080; }));
}

TEST(VideoStillWithoutDecoder, ShowingAStillFailsAtOnce) {
  std::vector<uint8_t> bytes = makeStill({});
  testing::internal::CaptureStdout();
  EXPECT_EQ(video_showStill(bytes.data(), static_cast<int32_t>(bytes.size())), -1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("decoder not running"), std::string::npos);
}

}  // namespace
