#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "devices/decoder/mpeg_decoder.h"
#include "devices/decoder/mpeg_vlc.h"
#include "still_writer.h"

namespace {

struct Decoded {
  int frames = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> y, cb, cr;  // the last frame, cropped to its displayed size
};

void keep(const MpegFrame& f, void* context) {
  auto* d = static_cast<Decoded*>(context);
  ++d->frames;
  d->width = f.width;
  d->height = f.height;
  int cw = (f.width + 1) / 2, ch = (f.height + 1) / 2;
  d->y.clear(), d->cb.clear(), d->cr.clear();
  for (int r = 0; r < f.height; ++r) d->y.insert(d->y.end(), f.y + r * f.yStride, f.y + r * f.yStride + f.width);
  for (int r = 0; r < ch; ++r) {
    d->cb.insert(d->cb.end(), f.cb + r * f.cStride, f.cb + r * f.cStride + cw);
    d->cr.insert(d->cr.end(), f.cr + r * f.cStride, f.cr + r * f.cStride + cw);
  }
}

Decoded decode(const std::vector<uint8_t>& bytes, size_t chunk, std::string* output = nullptr) {
  Decoded d;
  MpegDecoder* decoder = MpegDecoder::create(keep, &d);
  EXPECT_NE(decoder, nullptr);
  if (!decoder) return d;
  testing::internal::CaptureStdout();
  for (size_t i = 0; i < bytes.size(); i += chunk) decoder->feed(bytes.data() + i, std::min(chunk, bytes.size() - i));
  decoder->finish();
  std::string text = testing::internal::GetCapturedStdout();
  if (output) *output = text;
  delete decoder;
  return d;
}

bool uniform(const std::vector<uint8_t>& plane, uint8_t value) {
  return !plane.empty() && std::all_of(plane.begin(), plane.end(), [&](uint8_t v) { return v == value; });
}

TEST(StillDecoder, FlatStillsDecodeExactlyWhateverTheChunking) {
  const struct {
    const char* name;
    StillShape shape;
    size_t chunk;
  } cases[] = {
      {"one macroblock row", {32, 16, 81, 90, 240}, 2048},
      {"cropped size", {40, 24, 16, 240, 16}, 1},
      {"full screen", {720, 576, 235, 128, 128}, 2048},
      {"no sequence end code", {48, 32, 60, 70, 80, 3, false}, 5},
      {"first-generation stream", {64, 48, 200, 40, 180, 3, true, true}, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Decoded d = decode(makeStill(c.shape), c.chunk);
    EXPECT_EQ(d.frames, 1);
    EXPECT_EQ(d.width, c.shape.width);
    EXPECT_EQ(d.height, c.shape.height);
    EXPECT_TRUE(uniform(d.y, c.shape.y));
    EXPECT_TRUE(uniform(d.cb, c.shape.cb));
    EXPECT_TRUE(uniform(d.cr, c.shape.cr));
  }
}

std::vector<uint8_t> withChromaFormat(std::vector<uint8_t> bytes, int format) {
  // The sequence extension follows the 12-byte sequence header; chroma_format sits in its second byte.
  size_t ext = 12 + 4;
  bytes[ext + 1] = static_cast<uint8_t>((bytes[ext + 1] & ~0x06) | format << 1);
  return bytes;
}

TEST(StillDecoder, UnusableStillsGiveNoFrameAndSayWhy) {
  std::vector<uint8_t> good = makeStill({64, 64, 30, 40, 50});
  std::vector<uint8_t> noHeader(good.begin() + 22, good.end());  // starts at the GOP header
  std::vector<uint8_t> garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* diagnostic;
  } cases[] = {
      {"too wide", makeStill({736, 64}), "Too many macroblocks in picture\n"},
      {"too high", makeStill({64, 592}), "Too many macroblocks in picture\n"},
      {"field picture", makeStill({64, 64, 1, 2, 3, 1}), "FIELD PICTURE !!!!\n"},
      {"truncated inside a slice", std::vector<uint8_t>(good.begin(), good.begin() + good.size() - 20), ""},
      {"last slices missing", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), ""},
      {"no sequence header", noHeader, "streams out of sync\n"},
      {"4:2:2 sampling", withChromaFormat(good, 2), "chroma format 2 not supported\n"},
      {"no start codes", garbage, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string output;
    Decoded d = decode(c.bytes, 2048, &output);
    EXPECT_EQ(d.frames, 0);
    EXPECT_NE(output.find(c.diagnostic), std::string::npos) << output;
  }
}

TEST(StillDecoder, EachStreamStartsFromTheDefaults) {
  // The picture size and colour of the first stream must not leak into the second.
  Decoded d;
  MpegDecoder* decoder = MpegDecoder::create(keep, &d);
  ASSERT_NE(decoder, nullptr);
  for (const StillShape& shape : {StillShape{720, 576, 10, 20, 30}, StillShape{16, 16, 250, 100, 200}}) {
    std::vector<uint8_t> bytes = makeStill(shape);
    decoder->feed(bytes.data(), bytes.size());
    decoder->finish();
    EXPECT_EQ(d.width, shape.width);
    EXPECT_TRUE(uniform(d.y, shape.y));
    EXPECT_TRUE(uniform(d.cr, shape.cr));
  }
  EXPECT_EQ(d.frames, 2);
  delete decoder;
}

TEST(StillDecoder, CodeTablesArePrefixFree) {
  // A mistyped code in a table would shadow or overlap another one.
  for (Vlc table : {Vlc::MbAddressIncrement, Vlc::MbTypeI, Vlc::MbTypeP, Vlc::MbTypeB, Vlc::CodedBlockPattern,
                    Vlc::MotionCode, Vlc::DcSizeLuma, Vlc::DcSizeChroma, Vlc::DctZero, Vlc::DctOne})
    EXPECT_TRUE(vlc_table(table).consistent) << static_cast<int>(table);
}

}  // namespace
