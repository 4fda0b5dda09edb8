// The images of "data/graphics.zip": every name the theme loads is there, every image decodes with
// the receiver's PNG decoder, pixels are opaque or the colour key, frame pieces fit together, and a
// contact sheet of all of them matches the reviewed one.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "graphics/fb.h"
#include "graphics/image.h"
#include "graphics/zip.h"
#include "host/png_writer.h"
#include "host/root.h"

namespace {

// The icon file names by id (1..166); ids 43, 115 and 116 carry names of this edition.
const char* const kIcons[] = {"Icons/DELETED",
                              "Icons/Locked",
                              "Icons/Skipped",
                              "Icons/PrevPage",
                              "Icons/NextPage",
                              "Icons/Internal",
                              "Icons/External",
                              "Icons/Volume",
                              "Icons/Mute",
                              "Icons/Check",
                              "Icons/Header_SKIPPED",
                              "Icons/Header_DELETED",
                              "Icons/Header_LOCKED",
                              "Icons/Lens",
                              "Icons/ConflictTimer",
                              "Icons/RecordInfoIcon",
                              "Icons/Timer",
                              "Icons/spain",
                              "Icons/france",
                              "Icons/germany",
                              "Icons/italy",
                              "Icons/portugal",
                              "Icons/turkey",
                              "Icons/uae",
                              "Icons/uk",
                              "Icons/sweden",
                              "Icons/czech",
                              "Icons/slovakia",
                              "Icons/clock",
                              "Icons/clock_small",
                              "Icons/installation",
                              "Icons/installation_small",
                              "Icons/lock",
                              "Icons/lock_small",
                              "Icons/movie",
                              "Icons/movie_small",
                              "Icons/settings",
                              "Icons/settings_small",
                              "Icons/tools",
                              "Icons/tools_small",
                              "Icons/tv",
                              "Icons/tv_small",
                              "Icons/edition_logo",
                              "Icons/austria",
                              "Icons/switzerland",
                              "Icons/remote1",
                              "Icons/remote2",
                              "Icons/remote3",
                              "Icons/menu_cas",
                              "Icons/menu_cas_small",
                              "InfoIcons/Info_FTA",
                              "InfoIcons/Info_CAS",
                              "InfoIcons/Info_FAV1",
                              "InfoIcons/Info_FAV2",
                              "InfoIcons/Info_FAV3",
                              "InfoIcons/Info_FAV4",
                              "InfoIcons/Info_FAV5",
                              "InfoIcons/Info_FAV6",
                              "InfoIcons/Info_FAV7",
                              "InfoIcons/Info_FAV8",
                              "InfoIcons/Info_REC",
                              "InfoIcons/Info_AC3",
                              "InfoIcons/Info_Dual",
                              "InfoIcons/Info_VPS",
                              "InfoIcons/Info_MHP",
                              "ButtonIcons/Button_UP",
                              "ButtonIcons/Button_DOWN",
                              "ButtonIcons/Button_LEFT",
                              "ButtonIcons/Button_RIGHT",
                              "ButtonIcons/Button_EXIT",
                              "ButtonIcons/Button_OK",
                              "ButtonIcons/Button_RED",
                              "ButtonIcons/Button_GREEN",
                              "ButtonIcons/Button_BLUE",
                              "ButtonIcons/Button_YELLOW",
                              "ButtonIcons/Button_0",
                              "ButtonIcons/Button_1",
                              "ButtonIcons/Button_2",
                              "ButtonIcons/Button_3",
                              "ButtonIcons/Button_4",
                              "ButtonIcons/Button_5",
                              "ButtonIcons/Button_6",
                              "ButtonIcons/Button_7",
                              "ButtonIcons/Button_8",
                              "ButtonIcons/Button_9",
                              "ButtonIcons/Button_SAT",
                              "ButtonIcons/Button_TVRADIO",
                              "ButtonIcons/Button_LIST",
                              "ButtonIcons/Button_TTX",
                              "ButtonIcons/Button_SUBT",
                              "ButtonIcons/Button_FAV",
                              "ButtonIcons/Button_EPG",
                              "ButtonIcons/Button_Sleep",
                              "ButtonIcons/Button_INFO",
                              "ButtonIcons/Button_PGUP",
                              "ButtonIcons/Button_PGDN",
                              "ButtonIcons/Button_PVR",
                              "ButtonIcons/Button_REC",
                              "ButtonIcons/Button_PLAY",
                              "ButtonIcons/Button_FF",
                              "ButtonIcons/Button_REW",
                              "ButtonIcons/Button_PREVTRACK",
                              "ButtonIcons/Button_NEXTTRACK",
                              "ButtonIcons/Button_ADD",
                              "ButtonIcons/Button_SUBSTRACT",
                              "ButtonIcons/Button_MULTIPLY",
                              "ButtonIcons/Button_DIVIDE",
                              "ButtonIcons/Button_BACK",
                              "ButtonIcons/Button_CHUP",
                              "ButtonIcons/Button_CHDW",
                              "ButtonIcons/Button_FAVUP",
                              "ButtonIcons/Button_FAVDW",
                              "ButtonIcons/Button_VOLUP",
                              "ButtonIcons/Button_VOLDW",
                              "ButtonIcons/Button_Extra_On",
                              "ButtonIcons/Button_Extra_Off",
                              "ButtonIcons/Button_Options",
                              "ButtonIcons/Button_Cursor",
                              "ButtonIcons/Button_UpDown",
                              "ButtonIcons/Button_F_Forward",
                              "ButtonIcons/Button_F_Play",
                              "ButtonIcons/Button_F_Rewind",
                              "ButtonIcons/Button_Green_Thumb_Down",
                              "ButtonIcons/Button_Green_Thumb_Up",
                              "ButtonIcons/Button_White_Thumb_Down",
                              "ButtonIcons/Button_White_Thumb_Up",
                              "ButtonIcons/Button_White_Thumb_UpDown",
                              "PVRIcons/Recording",
                              "PVRIcons/Playing",
                              "PVRIcons/Stopped",
                              "PVRIcons/Pause",
                              "PVRIcons/TimeShift",
                              "PVRIcons/Rewind2X",
                              "PVRIcons/Rewind4X",
                              "PVRIcons/Rewind8X",
                              "PVRIcons/Rewind5m",
                              "PVRIcons/Forward2X",
                              "PVRIcons/Forward4X",
                              "PVRIcons/Forward8X",
                              "PVRIcons/Forward5m",
                              "PVRIcons/PrevTrack",
                              "PVRIcons/NextTrack",
                              "PVRIcons/SetTrack",
                              "PVRIcons/Replay",
                              "PVRIcons/Goto",
                              "HDDIcons/icon_type",
                              "HDDIcons/icon_bmp",
                              "HDDIcons/icon_folder",
                              "HDDIcons/icon_gif",
                              "HDDIcons/icon_image",
                              "HDDIcons/icon_jpg",
                              "HDDIcons/icon_movie",
                              "HDDIcons/icon_mp3",
                              "HDDIcons/icon_music",
                              "HDDIcons/icon_photo",
                              "HDDIcons/icon_png",
                              "TVIcons/Subt_on",
                              "TVIcons/Subt_off",
                              "TVIcons/Streaming_on",
                              "TVIcons/Streaming_off",
                              "IPIcons/IPRecording",
                              "IPIcons/IPPlaying",
                              "IPIcons/IPStopped",
                              "IPIcons/IPPause",
                              "IPIcons/IPRewind",
                              "IPIcons/IPForward"};
static_assert(sizeof(kIcons) / sizeof(kIcons[0]) == 166);

const char* const kFrameSets[] = {"AppBorder/AppBorder",           "PopUpBorder/PopUpBorder",
                                  "SmallBorder/SmallBorder",       "BigBorder/BigBorder",
                                  "PromptBorder/PromptBorderRed_", "PromptBorder/PromptBorderGreen_",
                                  "PromptBorder/PromptBorderBlue_"};
const char* const kPieces[] = {"TL", "T", "TR", "L", "R", "BL", "B", "BR"};
const char* const kBar[] = {"BorderL", "BorderC", "BorderR", "L", "C", "R"};
const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "right", "left"};

constexpr uint32_t kWindowFill = 0xFF1B2B48;  // skin 0, group 0 word 1

class Graphics : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host_setRoot(ORB_BINARY_DIR "/root");
    int32_t size = 0;
    uint8_t* inner = zip_loadNested("data/graphics.zip", &size);
    ASSERT_NE(inner, nullptr);
    ZipCursor c = zip_cursor(inner, size);
    while (ZipMember* m = zip_nextMember(&c)) {
      EXPECT_EQ(m->method, kZipMethodDeflated) << m->name;
      uint8_t* data = zip_inflateMember(m);
      Image* image = data ? image_decode(data, m->uncompressedSize) : nullptr;
      EXPECT_NE(image, nullptr) << m->name << " does not decode";
      EXPECT_EQ(images().count(m->name), 0u) << m->name << " twice";
      if (image) images()[m->name] = image;
      if (data) zip_freeData(data, static_cast<int32_t>(m->uncompressedSize));
      zip_freeMember(m);
    }
    zip_freeData(inner, size);
  }
  static void TearDownTestSuite() {
    for (auto& kv : images()) image_free(kv.second);
    images().clear();
  }
  static std::map<std::string, Image*>& images() {
    static std::map<std::string, Image*> map;
    return map;
  }
  static Image* get(const std::string& path) {
    auto it = images().find("Default/" + path + ".png");
    return it == images().end() ? nullptr : it->second;
  }
};

TEST_F(Graphics, EveryThemeImageIsPresentOpaqueOrKeyed) {
  std::vector<std::string> names;
  for (const char* set : kFrameSets)
    for (const char* piece : kPieces) names.push_back(std::string(set) + piece);
  for (const char* piece : kBar) names.push_back(std::string("PBar/PBar") + piece);
  for (const char* d : kDigits) names.push_back(std::string("DigitBar/Channel_") + d);
  for (const char* icon : kIcons) names.push_back(icon);
  EXPECT_EQ(images().size(), names.size());
  for (const std::string& n : names) {
    Image* image = get(n);
    ASSERT_NE(image, nullptr) << n << " missing";
    const uint32_t* px = image->surface->pixels;
    int opaque = 0;
    for (int i = 0; i < image->width * image->height; ++i) {
      EXPECT_TRUE(px[i] >> 24 == 0xFF || px[i] == kColourKey) << n << " pixel " << i << " is partly transparent";
      opaque += px[i] >> 24 == 0xFF;
    }
    EXPECT_GT(opaque, 0) << n << " is empty";
  }
}

TEST_F(Graphics, FramePiecesFitTogetherAndCoverCompletely) {
  for (const char* set : kFrameSets) {
    std::map<std::string, Image*> p;
    for (const char* piece : kPieces) p[piece] = get(std::string(set) + piece);
    for (auto& kv : p) ASSERT_NE(kv.second, nullptr) << set << kv.first;
    // Edges are stamped once per pixel; corners span the thickness of the edges they join.
    EXPECT_EQ(p["T"]->width, 1) << set;
    EXPECT_EQ(p["B"]->width, 1) << set;
    EXPECT_EQ(p["L"]->height, 1) << set;
    EXPECT_EQ(p["R"]->height, 1) << set;
    EXPECT_EQ(p["TL"]->width, p["L"]->width) << set;
    EXPECT_EQ(p["TL"]->height, p["T"]->height) << set;
    EXPECT_EQ(p["TR"]->width, p["R"]->width) << set;
    EXPECT_EQ(p["BL"]->height, p["B"]->height) << set;
    EXPECT_EQ(p["BR"]->width, p["R"]->width) << set;
    EXPECT_EQ(p["BR"]->height, p["B"]->height) << set;
    for (auto& kv : p)
      for (int i = 0; i < kv.second->width * kv.second->height; ++i)
        ASSERT_NE(kv.second->surface->pixels[i], kColourKey) << set << kv.first << ": frames must be opaque";
  }
  Image* left = get("PBar/PBarBorderL");
  ASSERT_NE(left, nullptr);
  for (const char* piece : kBar) EXPECT_EQ(get(std::string("PBar/PBar") + piece)->height, left->height) << piece;
  EXPECT_EQ(get("PBar/PBarBorderC")->width, 1);
  EXPECT_EQ(get("PBar/PBarC")->width, 1);
}

// A sheet of every graphic over the window fill: assembled frames, a progress bar, the digit bar,
// then every icon; keyed pixels let the fill show through, as on the receiver.
class Sheet {
 public:
  Sheet(int width, int height) : w_(width), h_(height), px_(static_cast<size_t>(width) * height, kWindowFill) {}
  void put(const Image* image, int x, int y) {
    if (!image) return;
    for (int j = 0; j < image->height; ++j)
      for (int i = 0; i < image->width; ++i) {
        uint32_t c = image->surface->pixels[j * image->width + i];
        if (c != kColourKey && x + i >= 0 && x + i < w_ && y + j >= 0 && y + j < h_) px_[(y + j) * w_ + x + i] = c;
      }
  }
  void fill(int x, int y, int w, int h, uint32_t c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) px_[j * w_ + i] = c;
  }
  const std::vector<uint32_t>& pixels() const { return px_; }
  int width() const { return w_; }
  int height() const { return h_; }

 private:
  int w_, h_;
  std::vector<uint32_t> px_;
};

void drawFrame(Sheet& s, const std::string& set, int x, int y, int w, int h, uint32_t inner,
               Image* (*get)(const std::string&)) {
  Image* tl = get(set + "TL");
  Image* t = get(set + "T");
  Image* tr = get(set + "TR");
  Image* l = get(set + "L");
  Image* r = get(set + "R");
  Image* bl = get(set + "BL");
  Image* b = get(set + "B");
  Image* br = get(set + "BR");
  s.fill(x + l->width, y + t->height, w - l->width - r->width, h - t->height - b->height, inner);
  s.put(tl, x, y);
  s.put(tr, x + w - tr->width, y);
  for (int i = 0; i < w - r->width - l->width; ++i) {
    s.put(t, x + tl->width + i, y);
    s.put(b, x + bl->width + i, y + h - b->height);
  }
  for (int i = 0; i < h - b->height - t->height; ++i) {
    s.put(l, x, y + tl->height + i);
    s.put(r, x + w - r->width, y + tr->height + i);
  }
  s.put(bl, x, y + h - bl->height);
  s.put(br, x + w - br->width, y + h - br->height);
}

TEST_F(Graphics, ContactSheetMatchesTheReviewedOne) {
  Sheet sheet(720, 520);
  const uint32_t inner[] = {0xFF1B2B48, 0xFF1B2B48, 0xFF2E4470, 0xFF0E1A2E, 0xFF7A2418, 0xFF1F6A2A, 0xFF24388A};
  for (int k = 0; k < 7; ++k)
    drawFrame(sheet, kFrameSets[k], 8 + k * 101, 8, 95, 56, inner[k], [](const std::string& n) { return get(n); });
  // Progress bar at 60 %, as the bar look lays it out.
  int bx = 8, bw = 300, value = bx + 4 + (bw - 8) * 60 / 100;
  sheet.put(get("PBar/PBarBorderL"), bx, 76);
  for (int x = bx + 4; x < bx + bw - 4; ++x) sheet.put(get("PBar/PBarBorderC"), x, 76);
  sheet.put(get("PBar/PBarBorderR"), bx + bw - 4, 76);
  sheet.put(get("PBar/PBarL"), bx, 76);
  for (int x = bx + 4; x < value; ++x) sheet.put(get("PBar/PBarC"), x, 76);
  sheet.put(get("PBar/PBarR"), value, 76);
  int x = 330;
  sheet.put(get("DigitBar/Channel_left"), x, 72);
  x += 12;
  for (int d = 0; d < 10; ++d, x += 24) sheet.put(get(std::string("DigitBar/Channel_") + kDigits[d]), x, 72);
  sheet.put(get("DigitBar/Channel_right"), x, 72);
  // Icons in rows, in id order.
  int ix = 8, iy = 120, rowH = 0;
  for (const char* icon : kIcons) {
    Image* image = get(icon);
    ASSERT_NE(image, nullptr) << icon;
    if (ix + image->width > 712) {
      ix = 8;
      iy += rowH + 6;
      rowH = 0;
    }
    sheet.put(image, ix, iy);
    ix += image->width + 6;
    rowH = std::max(rowH, image->height);
  }
  ASSERT_LE(iy + rowH, sheet.height());

  std::string produced = std::string(ORB_BINARY_DIR) + "/respack_contact_sheet.png";
  ASSERT_TRUE(png_writeRgb(produced, sheet.pixels().data(), sheet.width(), sheet.height()));
  std::string golden = std::string(ORB_SOURCE_DIR) + "/tests/fixtures/respack/contact_sheet.png";
  std::ifstream file(golden, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Image* reviewed = bytes.empty() ? nullptr : image_decode(bytes.data(), bytes.size());
  ASSERT_NE(reviewed, nullptr) << "no reviewed sheet; look at " << produced << " and copy it to " << golden;
  ASSERT_EQ(reviewed->width, sheet.width());
  ASSERT_EQ(reviewed->height, sheet.height());
  // Small rendering differences between font library versions are tolerated; changed pictures are not.
  int differing = 0;
  for (size_t i = 0; i < sheet.pixels().size(); ++i) {
    uint32_t a = sheet.pixels()[i], b = reviewed->surface->pixels[i];
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > 48) {
        ++differing;
        break;
      }
  }
  image_free(reviewed);
  EXPECT_LE(differing, static_cast<int>(sheet.pixels().size() / 500))
      << "the sheet changed; look at " << produced << " and, when it is right, copy it to " << golden;
}

}  // namespace
