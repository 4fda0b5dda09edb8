// Loading images by name, detecting the format, the scale choice, memory, and damaged files.
#include "graphics/image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "graphics/fb.h"
#include "graphics/gif_decoder.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/png_decoder.h"
#include "host/root.h"
#include "image_builders.h"
#include "runtime/pool.h"

namespace {

Bytes smallPng() { return pngFile({pngHeader(2, 1, 8, 0), pngData({0, 7, 9}), pngChunk("IEND", {})}); }

Bytes smallGif() {
  GifFrame frame{0, 0, 3, 1, false, {}, {0, 1, 0}};
  return gifFile(3, 1, {0, 0, 0, 255, 255, 255}, frame);
}

Bytes smallJpeg() { return jpegFile(JpegOptions{}); }

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orb-images-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    host_setRoot(dir_.string());
  }
  void TearDown() override {
    host_setRoot(".");
    std::filesystem::remove_all(dir_);
  }
  void put(const std::string& name, const Bytes& data) {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  std::filesystem::path dir_;
};

TEST_F(ImageFiles, LoadChoosesTheDecoderByExtension) {
  put("pics/a.png", smallPng());
  put("pics/b.PNG", smallPng());
  put("pics/c.gif", smallGif());
  put("pics/d.jpeg", smallJpeg());
  put("pics/e.Jpg", smallJpeg());
  put("pics/f.bmp", smallPng());
  put("pics/g.gif", smallPng());
  put("pics.png/h", smallPng());
  struct Case {
    const char* path;
    int width;  // 0: null
  };
  const Case cases[] = {{"pics/a.png", 2},   {"/pics/b.PNG", 2}, {"pics\\c.gif", 3},
                        {"pics/d.jpeg", 40}, {"pics/e.Jpg", 40}, {"pics/f.bmp", 0},
                        {"pics/g.gif", 0},   {"pics.png/h", 0},  {"pics/none.png", 0}};
  for (const Case& c : cases) {
    Image* image = image_load(c.path);
    EXPECT_EQ(image ? image->width : 0, c.width) << c.path;
    image_free(image);
  }
  Image* gif = image_loadGif("pics/c.gif");
  Image* jpeg = image_loadJpeg("pics/e.Jpg");
  EXPECT_NE(gif, nullptr);
  EXPECT_NE(jpeg, nullptr);
  EXPECT_EQ(image_loadGif("pics/a.png"), nullptr);
  image_free(gif);
  image_free(jpeg);
}

TEST(Image, DecodeRecognisesEachFormat) {
  struct Case {
    Bytes data;
    int32_t pool;
  };
  const Case cases[] = {{smallPng(), POOL_PNG}, {smallJpeg(), POOL_JPG}, {smallGif(), POOL_GIF}};
  for (const Case& c : cases) {
    Image* image = image_decode(c.data.data(), c.data.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pool, c.pool);
    image_free(image);
  }
  const Bytes junk = {'B', 'M', 0, 0, 0, 0};
  EXPECT_EQ(image_decode(junk.data(), junk.size()), nullptr);
  EXPECT_EQ(image_decode(nullptr, 0), nullptr);
  image_free(nullptr);
}

TEST(Image, ScaleDenominatorMakesThePictureFit) {
  struct Case {
    int32_t width, height, maxWidth, maxHeight, denominator;
  };
  const Case cases[] = {
      {720, 576, 720, 576, 1},   {721, 576, 720, 576, 2},  {1368, 576, 720, 576, 2},  // 1.9 times too wide
      {1440, 1152, 720, 576, 2}, {1441, 100, 720, 576, 4}, {2880, 100, 720, 576, 4},
      {2881, 100, 720, 576, 8},  {100, 5000, 720, 576, 8}, {99999, 99999, 720, 576, 8},
  };
  for (const Case& c : cases)
    EXPECT_EQ(image_jpegScaleDenominator(c.width, c.height, c.maxWidth, c.maxHeight), c.denominator)
        << c.width << "x" << c.height;
}

TEST(Image, DecodingLeavesNoMemoryBehind) {
  const int pools[] = {POOL_PNG, POOL_GIF, POOL_JPG, POOL_IMAGE, POOL_GRAPHIC, POOL_CORE_GRAPHICS};
  int64_t before[6];
  for (int i = 0; i < 6; ++i) before[i] = pool_stats(pools[i]).bytesInUse;
  for (const Bytes& data : {smallPng(), smallGif(), smallJpeg()}) {
    image_free(image_decode(data.data(), data.size()));
    Bytes cut(data.begin(), data.begin() + static_cast<long>(data.size() * 2 / 3));
    image_free(image_decode(cut.data(), cut.size()));
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pool_stats(pools[i]).bytesInUse, before[i]) << pool_name(pools[i]);
}

TEST(Image, EveryTruncationIsSafe) {
  // Each prefix in a buffer of exactly its size, so that a read past the end is caught.
  using Decoder = Image* (*)(const uint8_t*, size_t);
  struct Case {
    Bytes data;
    Decoder decode;
  };
  GifFrame frame{0, 0, 20, 10, true, {1, 2, 3}, {}};
  frame.indices.assign(200, 1);
  const Case cases[] = {{smallPng(), png_decode},
                        {jpegFile(JpegOptions{50, 30, 3, 60, true, false, 1}), jpeg_decode},
                        {gifFile(20, 10, {}, frame, 1, 1), gif_decode}};
  for (const Case& c : cases) {
    for (size_t n = 0; n <= c.data.size(); ++n) {
      std::unique_ptr<uint8_t[]> exact(new uint8_t[n ? n : 1]);
      std::copy_n(c.data.begin(), n, exact.get());
      image_free(c.decode(exact.get(), n));
    }
  }
}

}  // namespace
