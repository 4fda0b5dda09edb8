// Our decoders against independent ones on pictures made by independent encoders: PNG variants from
// ImageMagick against libpng, JPEGs from cjpeg against the system JPEG library, GIFs from
// ImageMagick against ImageMagick's own reading. Inputs are generated in a temporary folder.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "host/root.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
};

class Workspace {
 public:
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "orb-images-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  ~Workspace() { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const fs::path& dir() const { return dir_; }
  // Runs a shell command inside the folder; true when it succeeded.
  bool run(const std::string& command) const {
    std::string line = "cd '" + dir_.string() + "' && " + command + " 2>/dev/null";
    return std::system(line.c_str()) == 0;
  }
  Bytes read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

 private:
  fs::path dir_;
};

// The shared inputs: a 16-bit plasma picture and the same with an alpha ramp that ends fully
// transparent. Sizes are odd so that no row or block comes out even.
class ImageOracle : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ws_ = new Workspace;
    ready_ = ws_->run("convert -size 37x29 -seed 7 plasma:fractal base.png") &&
             ws_->run(
                 "convert base.png \\( -size 37x29 gradient:white-black \\) -alpha off "
                 "-compose CopyOpacity -composite rgba.png") &&
             ws_->run("convert -size 203x157 -seed 3 plasma:fractal -blur 0x1 -depth 8 photo.ppm") &&
             ws_->run("convert photo.ppm -colorspace Gray grey.pgm");
  }
  static void TearDownTestSuite() {
    delete ws_;
    ws_ = nullptr;
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "ImageMagick (convert) is needed to make the inputs";
  }
  static Workspace* ws_;
  static bool ready_;
};
Workspace* ImageOracle::ws_ = nullptr;
bool ImageOracle::ready_ = false;

Picture ours(const Bytes& file) {
  Picture p;
  Image* image = image_decode(file.data(), file.size());
  if (!image) return p;
  p.width = image->width;
  p.height = image->height;
  p.argb.assign(image->surface->pixels, image->surface->pixels + size_t(p.width) * p.height);
  image_free(image);
  return p;
}

uint32_t fromRgba(const uint8_t* s) {
  if (s[3] == 0) return kColourKey;
  return uint32_t(s[3]) << 24 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
}

// --- PNG against libpng ---

struct PngFacts {
  int depth = 0, type = 0, interlace = 0;
  bool trns = false;
};

struct MemoryReader {
  const Bytes* data;
  size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->pos + length > r->data->size()) png_error(png, "short");
  std::copy_n(r->data->data() + r->pos, length, out);
  r->pos += length;
}

// libpng with every pixel expanded to 8-bit RGBA: palettes and tRNS expanded, 16-bit samples cut to
// their high byte, grey made RGB, an opaque alpha added where there is none.
Picture libpngDecode(const Bytes& file, PngFacts* facts) {
  Picture p;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{&file, 0};
  std::vector<png_bytep> rows;
  Bytes pixels;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return Picture{};
  }
  png_set_read_fn(png, &reader, readFromMemory);
  png_read_info(png, info);
  facts->depth = png_get_bit_depth(png, info);
  facts->type = png_get_color_type(png, info);
  facts->interlace = png_get_interlace_type(png, info);
  facts->trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  p.width = static_cast<int>(png_get_image_width(png, info));
  p.height = static_cast<int>(png_get_image_height(png, info));
  pixels.resize(size_t(p.width) * p.height * 4);
  for (int y = 0; y < p.height; ++y) rows.push_back(pixels.data() + size_t(y) * p.width * 4);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  for (size_t i = 0; i < pixels.size(); i += 4) p.argb.push_back(fromRgba(&pixels[i]));
  return p;
}

struct PngCase {
  const char* name;
  const char* command;  // makes out.png in the workspace
  int depth, type;
  bool trns;
};

const PngCase kPngCases[] = {
    {"grey1", "convert base.png -colorspace Gray -depth 1 -define png:color-type=0 -define png:bit-depth=1", 1, 0,
     false},
    {"grey2", "convert base.png -colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", 2, 0,
     false},
    {"grey4", "convert base.png -colorspace Gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 4, 0,
     false},
    {"grey8", "convert base.png -colorspace Gray -depth 8 -define png:color-type=0", 8, 0, false},
    {"grey16", "convert base.png -colorspace Gray -depth 16 -define png:color-type=0", 16, 0, false},
    {"rgb8", "convert base.png -depth 8 -define png:color-type=2", 8, 2, false},
    {"rgb16", "convert base.png -depth 16 -define png:color-type=2", 16, 2, false},
    {"palette1", "convert base.png -depth 8 +dither -colors 2 -define png:bit-depth=1 PNG8:", 1, 3, false},
    {"palette2", "convert base.png -depth 8 +dither -colors 4 -define png:bit-depth=2 PNG8:", 2, 3, false},
    {"palette4", "convert base.png -depth 8 +dither -colors 16 -define png:bit-depth=4 PNG8:", 4, 3, false},
    {"palette8", "convert base.png -depth 8 +dither -colors 200 PNG8:", 8, 3, false},
    {"greyAlpha8", "convert rgba.png -colorspace Gray -depth 8 -define png:color-type=4", 8, 4, false},
    {"greyAlpha16", "convert rgba.png -colorspace Gray -depth 16 -define png:color-type=4", 16, 4, false},
    {"rgba8", "convert rgba.png -depth 8 -define png:color-type=6", 8, 6, false},
    {"rgba16", "convert rgba.png -depth 16 -define png:color-type=6", 16, 6, false},
    {"paletteTrns4", "convert rgba.png -depth 8 +dither -colors 16 -define png:bit-depth=4 PNG8:", 4, 3, true},
    {"paletteTrns8", "convert rgba.png -depth 8 +dither -colors 100 PNG8:", 8, 3, true},
    {"greyTrns2",
     "convert base.png -colorspace Gray -depth 2 -fill black -draw 'rectangle 3,3 9,9' -transparent black "
     "-define png:color-type=0 -define png:bit-depth=2",
     2, 0, true},
    {"greyTrns8",
     "convert base.png -colorspace Gray -depth 8 -fill black -draw 'rectangle 3,3 9,9' -transparent black "
     "-define png:color-type=0",
     8, 0, true},
    {"greyTrns16",
     "convert base.png -colorspace Gray -depth 16 -fill black -draw 'rectangle 3,3 9,9' -transparent black "
     "-define png:color-type=0 -define png:bit-depth=16",
     16, 0, true},
    {"rgbTrns8",
     "convert base.png -depth 8 -fill red -draw 'rectangle 3,3 9,9' -transparent red -define png:color-type=2", 8, 2,
     true},
    {"rgbTrns16",
     "convert base.png -depth 16 -fill red -draw 'rectangle 3,3 9,9' -transparent red -define png:color-type=2", 16, 2,
     true},
};

TEST_F(ImageOracle, PngVariantsMatchLibpng) {
  for (const PngCase& c : kPngCases) {
    for (bool interlaced : {false, true}) {
      std::string command = c.command;
      std::string target = "out.png";
      // The output name goes after a format prefix such as "PNG8:", else after the options.
      if (command.back() == ':') {
        command.insert(command.rfind(' ') + 1, interlaced ? "-interlace PNG " : "");
        command += target;
      } else {
        command += std::string(interlaced ? " -interlace PNG " : " ") + target;
      }
      SCOPED_TRACE(std::string(c.name) + (interlaced ? " interlaced" : ""));
      ASSERT_TRUE(ws_->run(command)) << command;
      Bytes file = ws_->read(target);
      PngFacts facts;
      Picture expected = libpngDecode(file, &facts);
      ASSERT_EQ(facts.depth, c.depth);
      ASSERT_EQ(facts.type, c.type);
      ASSERT_EQ(facts.interlace, interlaced ? 1 : 0);
      ASSERT_EQ(facts.trns, c.trns);
      Picture got = ours(file);
      // Rows of pixels smaller than a byte end on a byte: such images are as wide as whole bytes.
      int perByte = c.depth < 8 ? 8 / c.depth : 1;
      ASSERT_EQ(got.width, (expected.width + perByte - 1) / perByte * perByte);
      ASSERT_EQ(got.height, expected.height);
      int mismatches = 0;
      for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
          uint32_t want = x < expected.width ? expected.argb[size_t(y) * expected.width + x] : kColourKey;
          if (got.argb[size_t(y) * got.width + x] != want && mismatches++ < 3)
            ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << got.argb[size_t(y) * got.width + x]
                          << " != " << want;
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
  }
}

// --- JPEG against the system JPEG library ---

Picture libjpegDecode(const Bytes& file, unsigned scaleDenominator) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  info.scale_num = 1;
  info.scale_denom = scaleDenominator;
  jpeg_start_decompress(&info);
  Picture p;
  p.width = static_cast<int>(info.output_width);
  p.height = static_cast<int>(info.output_height);
  Bytes line(size_t(p.width) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = line.data();
    jpeg_read_scanlines(&info, &row, 1);
    for (int x = 0; x < p.width; ++x)
      p.argb.push_back(0xFF000000 | uint32_t(line[3 * x]) << 16 | uint32_t(line[3 * x + 1]) << 8 | line[3 * x + 2]);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return p;
}

int largestChannelDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (size_t i = 0; i < a.argb.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      int d = std::abs(int(a.argb[i] >> shift & 0xFF) - int(b.argb[i] >> shift & 0xFF));
      if (d > worst) worst = d;
    }
  }
  return worst;
}

TEST_F(ImageOracle, BaselineJpegWithinTwoOfTheJpegLibrary) {
  struct JpegCase {
    const char* options;
  };
  const JpegCase cases[] = {
      {"-quality 95 -sample 1x1 photo.ppm"},
      {"-quality 75 -sample 2x1 photo.ppm"},
      {"-quality 75 -sample 2x2 photo.ppm"},
      {"-quality 30 -sample 2x2 -restart 1 photo.ppm"},
      {"-quality 50 -sample 1x1 -restart 3B photo.ppm"},
      {"-quality 90 -sample 2x1 -restart 2 -optimize photo.ppm"},
      {"-quality 10 -sample 2x2 photo.ppm"},
      {"-quality 70 -sample 1x2 photo.ppm"},
      {"-quality 85 grey.pgm"},
      {"-quality 60 -restart 5B grey.pgm"},
      {"-quality 80 -grayscale photo.ppm"},
  };
  for (const JpegCase& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_TRUE(ws_->run(std::string("cjpeg -dct int ") + c.options + " > out.jpg"));
    Bytes file = ws_->read("out.jpg");
    Picture expected = libjpegDecode(file, 1);
    Picture got = ours(file);
    ASSERT_EQ(got.width, expected.width);
    ASSERT_EQ(got.height, expected.height);
    EXPECT_LE(largestChannelDifference(got, expected), 2);
  }
}

TEST_F(ImageOracle, ScaledJpegIsTheLibraryDecodeAtTheChosenScale) {
  // 203 x 157 into the given box: the reduction and the size that results.
  struct ScaledCase {
    int maxWidth, maxHeight;
    unsigned denominator;
  };
  const ScaledCase cases[] = {{300, 300, 1}, {120, 157, 2}, {102, 79, 2}, {60, 200, 4}, {30, 30, 8}, {10, 10, 8}};
  ASSERT_TRUE(ws_->run("cjpeg -quality 80 -sample 2x2 photo.ppm > scaled.jpg"));
  Bytes file = ws_->read("scaled.jpg");
  host_setRoot(ws_->dir().string());
  for (const ScaledCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.maxWidth) + "x" + std::to_string(c.maxHeight));
    Picture expected = libjpegDecode(file, c.denominator);
    Image* image = image_loadJpegScaled("scaled.jpg", c.maxWidth, c.maxHeight);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, expected.width);
    EXPECT_EQ(image->height, expected.height);
    if (c.denominator < 8) {
      EXPECT_LE(image->width, c.maxWidth);
      EXPECT_LE(image->height, c.maxHeight);
    }
    EXPECT_TRUE(std::equal(expected.argb.begin(), expected.argb.end(), image->surface->pixels));
    image_free(image);
  }
  host_setRoot(".");
}

// --- GIF against ImageMagick's own reading ---

Picture magickPixels(const Workspace& ws, const std::string& name, int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  if (!ws.run("convert " + name + " -depth 8 rgba:" + name + ".rgba")) return Picture{};
  Bytes rgba = ws.read(name + ".rgba");
  if (rgba.size() != size_t(width) * height * 4) return Picture{};
  for (size_t i = 0; i < rgba.size(); i += 4) p.argb.push_back(fromRgba(&rgba[i]));
  return p;
}

TEST_F(ImageOracle, GifMatchesImageMagick) {
  const char* cases[] = {
      "convert base.png -depth 8 +dither -colors 64 out.gif",
      "convert base.png -depth 8 +dither -colors 64 -interlace GIF out.gif",
      "convert rgba.png -depth 8 +dither -colors 32 out.gif",
      "convert rgba.png -depth 8 +dither -colors 32 -interlace GIF out.gif",
      "convert base.png -depth 8 +dither -colors 2 GIF87:out.gif",
      "convert base.png -depth 8 -colors 256 -interlace GIF GIF87:out.gif",
  };
  for (const char* command : cases) {
    SCOPED_TRACE(command);
    ASSERT_TRUE(ws_->run(command));
    Bytes file = ws_->read("out.gif");
    Picture got = ours(file);
    ASSERT_EQ(got.width, 37);
    ASSERT_EQ(got.height, 29);
    Picture expected = magickPixels(*ws_, "out.gif", 37, 29);
    ASSERT_EQ(expected.argb.size(), got.argb.size());
    EXPECT_EQ(expected.argb, got.argb);
  }
}

}  // namespace
