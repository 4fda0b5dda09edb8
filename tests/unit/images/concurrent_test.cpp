// The decoders keep no shared state: tasks decoding at the same time get the same pixels as one
// decoding alone.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "image_builders.h"

namespace {

std::vector<uint32_t> decode(const Bytes& file) {
  Image* image = image_decode(file.data(), file.size());
  if (!image) return {};
  std::vector<uint32_t> pixels(image->surface->pixels, image->surface->pixels + image->width * image->height);
  image_free(image);
  return pixels;
}

TEST(ImageTasks, ConcurrentDecodesAgree) {
  Bytes rows;
  for (int y = 0; y < 16; ++y) {
    rows.push_back(static_cast<uint8_t>(y % 5));  // every filter
    for (int x = 0; x < 16 * 3; ++x) rows.push_back(static_cast<uint8_t>(x * 7 + y * 13));
  }
  GifFrame frame{0, 0, 16, 16, true, {}, {}};
  for (int i = 0; i < 256; ++i) frame.indices.push_back(static_cast<uint8_t>(i % 6));
  const std::vector<Bytes> files = {
      pngFile({pngHeader(16, 16, 8, 2), pngData(rows), pngChunk("IEND", {})}),
      jpegFile(JpegOptions{48, 40, 3, 70, true, false, 1}),
      gifFile(16, 16, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 200, 100, 50}, frame, 1, 3),
  };
  std::vector<std::vector<uint32_t>> alone;
  for (const Bytes& f : files) {
    alone.push_back(decode(f));
    ASSERT_FALSE(alone.back().empty());
  }
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 30; ++round)
        for (size_t i = 0; i < files.size(); ++i)
          if (decode(files[(i + t) % files.size()]) != alone[(i + t) % files.size()]) ++mismatches[t];
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
