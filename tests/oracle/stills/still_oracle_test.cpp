// Stills made by ffmpeg decode to the planes that ffmpeg and libmpeg2 (mpeg2dec) decode from the same
// bytes, and an intra still reaches the video plane through the colour table.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "devices/decoder/colour_table.h"
#include "devices/decoder/mpeg_decoder.h"
#include "devices/decoder/video_still.h"
#include "graphics/fb.h"
#include "runtime/process.h"

namespace fs = std::filesystem;

namespace {

class ProcessEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(process_init(), 0); }
};
testing::Environment* const kProcessEnvironment = testing::AddGlobalTestEnvironment(new ProcessEnvironment);

// One frame as three planes cropped to the displayed size.
struct Planes {
  int width = 0, height = 0;
  std::vector<uint8_t> y, cb, cr;
};
using Frames = std::vector<Planes>;

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int run(const std::string& command) { return std::system(command.c_str()); }

// Frames of a raw yuv420p file.
Frames readYuv(const std::vector<uint8_t>& data, int width, int height) {
  Frames frames;
  size_t ySize = static_cast<size_t>(width * height);
  size_t cSize = static_cast<size_t>(((width + 1) / 2) * ((height + 1) / 2));
  for (size_t pos = 0; pos + ySize + 2 * cSize <= data.size(); pos += ySize + 2 * cSize) {
    Planes p{width, height, {}, {}, {}};
    auto at = data.begin() + static_cast<std::ptrdiff_t>(pos);
    p.y.assign(at, at + static_cast<std::ptrdiff_t>(ySize));
    p.cb.assign(at + static_cast<std::ptrdiff_t>(ySize), at + static_cast<std::ptrdiff_t>(ySize + cSize));
    p.cr.assign(at + static_cast<std::ptrdiff_t>(ySize + cSize), at + static_cast<std::ptrdiff_t>(ySize + 2 * cSize));
    frames.push_back(std::move(p));
  }
  return frames;
}

// Frames of mpeg2dec's PGM stream: each image holds the coded-size luma, then rows with Cb on the
// left half and Cr on the right half.
Frames readPgmStream(const std::vector<uint8_t>& data, int width, int height) {
  Frames frames;
  size_t pos = 0;
  auto token = [&]() {
    while (pos < data.size() && std::isspace(data[pos])) ++pos;
    size_t start = pos;
    while (pos < data.size() && !std::isspace(data[pos])) ++pos;
    return std::string(data.begin() + static_cast<std::ptrdiff_t>(start),
                       data.begin() + static_cast<std::ptrdiff_t>(pos));
  };
  while (pos < data.size()) {
    if (token() != "P5") break;
    int w = std::stoi(token()), h = std::stoi(token());
    token();
    ++pos;
    if (pos + static_cast<size_t>(w * h) > data.size()) break;
    const uint8_t* img = data.data() + pos;
    pos += static_cast<size_t>(w * h);
    int lumaRows = h * 2 / 3, half = w / 2;
    Planes p{width, height, {}, {}, {}};
    for (int r = 0; r < height; ++r) p.y.insert(p.y.end(), img + r * w, img + r * w + width);
    for (int r = 0; r < (height + 1) / 2; ++r) {
      const uint8_t* row = img + (lumaRows + r) * w;
      p.cb.insert(p.cb.end(), row, row + (width + 1) / 2);
      p.cr.insert(p.cr.end(), row + half, row + half + (width + 1) / 2);
    }
    frames.push_back(std::move(p));
  }
  return frames;
}

void keepFrame(const MpegFrame& f, void* context) {
  Planes p{f.width, f.height, {}, {}, {}};
  int cw = (f.width + 1) / 2, ch = (f.height + 1) / 2;
  for (int r = 0; r < f.height; ++r) p.y.insert(p.y.end(), f.y + r * f.yStride, f.y + r * f.yStride + f.width);
  for (int r = 0; r < ch; ++r) {
    p.cb.insert(p.cb.end(), f.cb + r * f.cStride, f.cb + r * f.cStride + cw);
    p.cr.insert(p.cr.end(), f.cr + r * f.cStride, f.cr + r * f.cStride + cw);
  }
  static_cast<Frames*>(context)->push_back(std::move(p));
}

// Fed in mailbox-sized blocks, as the decoder task receives a still.
Frames decodeOurs(const std::vector<uint8_t>& bytes) {
  Frames frames;
  MpegDecoder* decoder = MpegDecoder::create(keepFrame, &frames);
  if (!decoder) return frames;
  for (size_t i = 0; i < bytes.size(); i += kStillBlockSize)
    decoder->feed(bytes.data() + i, std::min<size_t>(kStillBlockSize, bytes.size() - i));
  decoder->finish();
  delete decoder;
  return frames;
}

void expectClose(const Frames& ours, const Frames& reference, const char* who) {
  SCOPED_TRACE(who);
  ASSERT_EQ(ours.size(), reference.size());
  for (size_t f = 0; f < ours.size(); ++f) {
    int maxDiff = 0;
    double squares = 0;
    size_t count = 0;
    for (auto plane : {&Planes::y, &Planes::cb, &Planes::cr}) {
      const auto& a = ours[f].*plane;
      const auto& b = reference[f].*plane;
      ASSERT_EQ(a.size(), b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        int d = std::abs(a[i] - b[i]);
        maxDiff = std::max(maxDiff, d);
        squares += d * d;
      }
      count += a.size();
    }
    double psnr = squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(count) / squares);
    EXPECT_LE(maxDiff, 2) << "frame " << f;
    EXPECT_GE(psnr, 45.0) << "frame " << f;
  }
}

// Bits of the first picture coding extension, to make sure a case really uses what it names.
struct PictureCoding {
  bool found = false;
  int dcPrecision = 0, framePredFrameDct = 0, qScaleType = 0, intraVlc = 0, alternateScan = 0;
};

PictureCoding firstPictureCoding(const std::vector<uint8_t>& b) {
  PictureCoding pc;
  for (size_t i = 0; i + 9 < b.size(); ++i) {
    if (b[i] || b[i + 1] || b[i + 2] != 1 || b[i + 3] != 0xB5 || (b[i + 4] >> 4) != 8) continue;
    uint64_t v = 0;
    for (int k = 0; k < 5; ++k) v = v << 8 | b[i + 4 + k];
    auto bits = [&](int from, int n) { return static_cast<int>((v >> (40 - from - n)) & ((1u << n) - 1)); };
    pc = {true, bits(20, 2), bits(25, 1), bits(27, 1), bits(28, 1), bits(29, 1)};
    break;
  }
  return pc;
}

struct OracleCase {
  const char* name;
  int width, height;
  const char* source;   // extra filter for the test picture
  const char* encoder;  // ffmpeg output options
  bool intraOnly;
  std::function<bool(const PictureCoding&)> uses;
};

void PrintTo(const OracleCase& c, std::ostream* out) { *out << c.name; }

// Encoder options that load both quantiser matrices (arbitrary, far from the defaults).
const char* loadedMatrices() {
  static const std::string options = [] {
    std::string intra = " -intra_matrix ", inter = " -inter_matrix ";
    for (int i = 0; i < 64; ++i) {
      intra += std::to_string(8 + (i * 7) % 40) + (i < 63 ? "," : "");
      inter += std::to_string(16 + (i * 5) % 30) + (i < 63 ? "," : "");
    }
    return "-c:v mpeg2video -frames:v 7 -q:v 3 -g 6 -bf 2" + intra + inter;
  }();
  return options.c_str();
}

const OracleCase kCases[] = {
    {"q2_720x576", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 2", true, nullptr},
    {"q20_720x576", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 20", true, nullptr},
    {"q4_352x288", 352, 288, "", "-c:v mpeg2video -frames:v 1 -q:v 4", true, nullptr},
    {"q3_100x60", 100, 60, "", "-c:v mpeg2video -frames:v 1 -q:v 3", true, nullptr},
    {"q4_720x480", 720, 480, "", "-c:v mpeg2video -frames:v 1 -q:v 4", true, nullptr},
    {"alternate_scan", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 2 -alternate_scan 1 -intra_vlc 1", true,
     [](const PictureCoding& p) { return p.alternateScan == 1 && p.intraVlc == 1; }},
    {"non_linear_quantiser", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 2 -qmax 28 -non_linear_quant 1", true,
     [](const PictureCoding& p) { return p.qScaleType == 1; }},
    {"dc_precision_9", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 2 -dc 9", true,
     [](const PictureCoding& p) { return p.dcPrecision == 1; }},
    {"dc_precision_10", 720, 576, "", "-c:v mpeg2video -frames:v 1 -q:v 2 -dc 10", true,
     [](const PictureCoding& p) { return p.dcPrecision == 2; }},
    {"dc_precision_11", 352, 288, "", "-c:v mpeg2video -frames:v 1 -q:v 1 -dc 11", true,
     [](const PictureCoding& p) { return p.dcPrecision == 3; }},
    {"interlaced_dct", 720, 576, ",tinterlace=4", "-c:v mpeg2video -frames:v 1 -q:v 2 -flags +ildct+ilme", true,
     [](const PictureCoding& p) { return p.framePredFrameDct == 0; }},
    {"gop_p_and_b", 720, 576, "", "-c:v mpeg2video -frames:v 9 -q:v 4 -g 6 -bf 2", false, nullptr},
    {"gop_interlaced", 352, 288, ",tinterlace=4",
     "-c:v mpeg2video -frames:v 9 -q:v 4 -g 6 -bf 2 -flags +ildct+ilme -alternate_scan 1", false,
     [](const PictureCoding& p) { return p.framePredFrameDct == 0; }},
    {"loaded_matrices", 352, 288, "", loadedMatrices(), false, nullptr},
    {"mpeg1_still", 352, 288, "", "-c:v mpeg1video -frames:v 1 -q:v 2 -f mpeg1video", true, nullptr},
    {"mpeg1_gop", 352, 288, "", "-c:v mpeg1video -frames:v 7 -q:v 5 -g 4 -bf 2 -f mpeg1video", false, nullptr},
};

class StillOracle : public testing::TestWithParam<OracleCase> {
 protected:
  void SetUp() override {
    if (!haveTool("ffmpeg") || !haveTool("mpeg2dec")) GTEST_SKIP() << "ffmpeg or mpeg2dec is not installed";
    char pattern[] = "/tmp/orb-stills-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_P(StillOracle, DecodesLikeFfmpegAndLibmpeg2) {
  std::vector<uint32_t> table(kColourTableSize);
  colour_buildTable(table.data());
  {
    const OracleCase& c = GetParam();
    fs::path still = dir_ / (std::string(c.name) + ".m2v");
    std::string format = std::string(c.encoder).find("-f mpeg1video") == std::string::npos ? " -f mpeg2video" : "";
    ASSERT_EQ(
        run("ffmpeg -v error -y -f lavfi -i testsrc2=s=" + std::to_string(c.width) + "x" + std::to_string(c.height) +
            ":r=50 -vf format=yuv420p" + c.source + " " + c.encoder + format + " " + still.string()),
        0);
    std::vector<uint8_t> bytes = readFile(still);
    ASSERT_GT(bytes.size(), 16u);
    if (c.uses) {
      EXPECT_TRUE(c.uses(firstPictureCoding(bytes))) << "the encoder did not use the feature";
    }
    // End the sequence so that every decoder outputs its last frame.
    const uint8_t end[] = {0, 0, 1, 0xB7};
    if (!std::equal(std::begin(end), std::end(end), bytes.end() - 4)) bytes.insert(bytes.end(), end, end + 4);
    writeFile(still, bytes);

    fs::path yuv = dir_ / "ffmpeg.yuv", pgm = dir_ / "mpeg2dec.pgm";
    ASSERT_EQ(run("ffmpeg -v error -y -i " + still.string() + " -fps_mode passthrough -f rawvideo -pix_fmt yuv420p " +
                  yuv.string()),
              0);
    ASSERT_EQ(run("mpeg2dec -o pgmpipe " + still.string() + " > " + pgm.string() + " 2>/dev/null"), 0);
    Frames ffmpeg = readYuv(readFile(yuv), c.width, c.height);
    Frames libmpeg2 = readPgmStream(readFile(pgm), c.width, c.height);
    Frames ours = decodeOurs(bytes);
    ASSERT_FALSE(ours.empty());
    expectClose(ours, ffmpeg, "ffmpeg");
    expectClose(ours, libmpeg2, "libmpeg2");

    if (!c.intraOnly) return;
    // Through the decoder task: the plane is ffmpeg's planes through the colour table wherever our samples
    // equal ffmpeg's (IDCT rounding may differ by one on a few samples), and exactly our own planes
    // through the table everywhere.
    fs::path faani = dir_ / "faani.yuv";
    ASSERT_EQ(
        run("ffmpeg -v error -y -idct faani -i " + still.string() + " -f rawvideo -pix_fmt yuv420p " + faani.string()),
        0);
    Frames exact = readYuv(readFile(faani), c.width, c.height);
    ASSERT_EQ(exact.size(), 1u);
    ASSERT_EQ(video_startDecoder(), 0);
    ASSERT_EQ(video_showStill(bytes.data(), static_cast<int32_t>(bytes.size())), 0);
    const uint32_t* plane = fb_videoPlane();
    const Planes& ref = exact[0];
    const Planes& own = ours[0];
    int cw = (c.width + 1) / 2;
    size_t sampleMismatches = 0, pixelMismatches = 0;
    for (int row = 0; row < 576; ++row)
      for (int x = 0; x < 720; ++x) {
        uint32_t got = plane[row * 720 + x];
        if (row >= c.height || x >= c.width) {
          ASSERT_EQ(got, 0x00406080u);
          continue;
        }
        size_t yi = static_cast<size_t>(row * c.width + x), ci = static_cast<size_t>((row / 2) * cw + x / 2);
        ASSERT_EQ(got, table[static_cast<size_t>(colour_index(own.y[yi], own.cb[ci], own.cr[ci]))]);
        bool same = ref.y[yi] == own.y[yi] && ref.cb[ci] == own.cb[ci] && ref.cr[ci] == own.cr[ci];
        if (!same) ++sampleMismatches;
        if (got != table[static_cast<size_t>(colour_index(ref.y[yi], ref.cb[ci], ref.cr[ci]))]) {
          ++pixelMismatches;
          EXPECT_FALSE(same) << x << "," << row;
        }
      }
    video_stopDecoder();
    EXPECT_LE(sampleMismatches, static_cast<size_t>(c.width * c.height) / 10000 + 8);
    std::printf("%s: %zu of %d pixels differ from ffmpeg's planes through the table\n", c.name, pixelMismatches,
                c.width * c.height);
  }
}

INSTANTIATE_TEST_SUITE_P(Stills, StillOracle, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<OracleCase>& info) { return std::string(info.param.name); });

}  // namespace
