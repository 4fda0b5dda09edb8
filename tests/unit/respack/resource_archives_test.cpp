// The built resource archives of the receiver root, read back through the receiver's own file layer,
// zip reader, text tables and PNG decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "colour_table.h"
#include "graphics/charset_loader.h"
#include "graphics/file.h"
#include "graphics/zip.h"
#include "host/root.h"
#include "runtime/text/charset_tables.h"
#include "runtime/text/wstr.h"
#include "text_bundles.h"

namespace {

struct Bytes {
  std::vector<uint8_t> data;
  bool ok = false;
};

class ResourceRoot : public ::testing::Test {
 protected:
  void SetUp() override { host_setRoot(ORB_BINARY_DIR "/root"); }

  // A member of the inner archive of a nested archive file, through the receiver's reader.
  static Bytes nestedMember(const char* archive, const char* name) {
    int32_t size = 0;
    uint8_t* p = zip_findNestedMember(archive, name, &size);
    Bytes b;
    if (p) {
      b.data.assign(p, p + size);
      b.ok = true;
      zip_freeData(p, size);
    }
    return b;
  }

  // Every member name of the inner archive, checking that each one is deflated.
  static std::vector<std::string> innerNames(const char* archive) {
    int32_t size = 0;
    uint8_t* inner = zip_loadNested(archive, &size);
    std::vector<std::string> names;
    if (!inner) return names;
    ZipCursor c = zip_cursor(inner, size);
    while (ZipMember* m = zip_nextMember(&c)) {
      EXPECT_EQ(m->method, kZipMethodDeflated) << m->name;
      names.push_back(m->name);
      zip_freeMember(m);
    }
    zip_freeData(inner, size);
    return names;
  }

  static TextTable bundle(const std::string& code) {
    Bytes b = nestedMember("data/resources.zip", (code + "/StringBundle.dat").c_str());
    std::vector<std::string> errors;
    TextTable t = b.ok ? bundle_decode(b.data.data(), b.data.size(), errors) : TextTable{};
    for (const std::string& e : errors) ADD_FAILURE() << code << ": " << e;
    return t;
  }
};

const char* const kLanguages[] = {"en", "ge", "fr", "es", "it", "pt", "tk", "ar", "sv", "cs", "sk"};

TEST_F(ResourceRoot, EveryArchiveIsPresentAndPassesUnzip) {
  for (const char* name : {"data/resources.zip", "data/graphics.zip", "data/logo.zip"}) {
    EXPECT_GT(file_size(name, nullptr), 0) << name;
    std::string cmd = "unzip -tqq '" + host_mapPath(name) + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << name;
  }
}

TEST_F(ResourceRoot, ResourcesHoldEveryBundleTheColoursAndTheCharacterTables) {
  std::vector<std::string> names = innerNames("data/resources.zip");
  std::set<std::string> expected = {"skin/Colors.dat", "iso/ISO8859.dat", "iso/uppercase.dat"};
  for (const char* code : kLanguages) expected.insert(std::string(code) + "/StringBundle.dat");
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  EXPECT_EQ(names.size(), expected.size()) << "a member name occurs twice";
}

TEST_F(ResourceRoot, LogoIsAPalMpeg2StillUnderItsStartupName) {
  int32_t size = 0;
  uint8_t* p = zip_findMember("data/logo.zip", "bootlogo.m2v", &size);
  ASSERT_NE(p, nullptr);
  ASSERT_GT(size, 8);
  std::vector<uint8_t> s(p, p + size);
  zip_freeData(p, size);
  // Sequence header: 00 00 01 B3, then 12 bits of width and 12 bits of height.
  ASSERT_EQ(std::vector<uint8_t>(s.begin(), s.begin() + 4), (std::vector<uint8_t>{0, 0, 1, 0xB3}));
  EXPECT_EQ(s[4] << 4 | s[5] >> 4, 720);
  EXPECT_EQ((s[5] & 0x0F) << 8 | s[6], 576);
  // An intra-coded picture follows: picture start code 00 00 01 00 with coding type 1 (I).
  const uint8_t pictureStart[] = {0, 0, 1, 0};
  auto pic = std::search(s.begin(), s.end(), std::begin(pictureStart), std::end(pictureStart));
  ASSERT_NE(pic, s.end());
  ASSERT_LT(pic + 6, s.end());
  EXPECT_EQ((pic[5] >> 3) & 7, 1);
}

// Every string id that the receiver's screens, menus, prompts and notices look up in a bundle.
const int32_t kScreenIds[] = {
    91,   100,  101,  102,  103,  104,  105,  106,  107,  108,  109,  110,  111,  112,  113,  114,  115,  116,
    117,  118,  119,  120,  121,  124,  125,  126,  127,  130,  157,  158,  159,  160,  161,  162,  163,  164,
    165,  166,  167,  168,  176,  177,  178,  179,  180,  181,  182,  183,  184,  214,  222,  229,  230,  231,
    232,  233,  238,  242,  245,  248,  249,  258,  259,  263,  264,  265,  266,  268,  269,  270,  271,  272,
    274,  275,  276,  277,  278,  279,  280,  281,  286,  287,  288,  290,  292,  293,  294,  295,  296,  297,
    298,  299,  300,  301,  302,  303,  304,  305,  306,  307,  313,  317,  318,  319,  320,  321,  322,  323,
    324,  325,  367,  368,  369,  370,  371,  372,  373,  374,  375,  376,  377,  378,  379,  380,  381,  452,
    453,  454,  455,  456,  457,  458,  459,  460,  461,  462,  463,  464,  465,  467,  468,  475,  476,  477,
    478,  479,  480,  481,  482,  483,  484,  496,  525,  526,  529,  541,  546,  553,  554,  555,  570,  571,
    578,  581,  582,  583,  586,  592,  609,  656,  659,  667,  668,  672,  675,  677,  678,  695,  698,  703,
    714,  716,  718,  729,  730,  753,  754,  755,  760,  761,  762,  811,  813,  814,  818,  819,  820,  830,
    831,  902,  903,  904,  908,  910,  911,  914,  915,  916,  919,  920,  937,  961,  962,  963,  964,  965,
    966,  967,  968,  969,  970,  971,  972,  973,  974,  979,  980,  1003, 1004, 1005, 1006, 1007, 1008, 1012,
    1015, 1016, 1017, 1018, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1034, 1035, 1044, 1045,
    1050, 1059, 1064, 1067, 1070, 1071, 1072, 1075, 1153, 1154, 1161, 1162, 1163, 1171, 1172, 1173, 1184, 1187,
    1188, 1189, 1190, 1205, 1206, 1207, 1208, 1218, 1226, 1227, 1228, 1229, 1235, 1236, 1249, 1251, 1252, 1253,
    1254, 1255, 1256, 1311, 1355, 1357, 1358, 1359, 1360, 1361, 1362, 1363, 1364, 1366, 1369, 1370, 1399, 1403,
};

TEST_F(ResourceRoot, EnglishHasEveryScreenIdAndOnlyKnownOrReservedIds) {
  TextTable en = bundle("en");
  for (int32_t id : kScreenIds) EXPECT_TRUE(en.count(id)) << "string " << id << " missing in en";
  std::set<int32_t> screen(std::begin(kScreenIds), std::end(kScreenIds));
  for (const auto& [id, text] : en) {
    EXPECT_TRUE(screen.count(id) || (id >= 2000 && id <= 2199)) << "string " << id << " is neither used nor reserved";
    EXPECT_FALSE(text.empty()) << id;
  }
}

TEST_F(ResourceRoot, CompleteLanguagesHaveTheIdsOfEnglishAndTheOthersFallBackToIt) {
  TextTable en = bundle("en");
  auto ids = [](const TextTable& t) {
    std::set<int32_t> s;
    for (const auto& kv : t) s.insert(kv.first);
    return s;
  };
  for (const char* code : {"ge", "fr", "es", "it"}) {
    TextTable t = bundle(code);
    EXPECT_EQ(ids(t), ids(en)) << code;
    // Translated, not copied: most texts differ from English (numbers, units and names may not).
    size_t same = std::count_if(t.begin(), t.end(),
                                [&](const auto& kv) { return en.count(kv.first) && en.at(kv.first) == kv.second; });
    EXPECT_LT(same * 3, t.size()) << code << " looks untranslated";
    // The multi-tap key sets keep their digit last, so digit entry by repeated presses still works.
    for (int32_t id = 100; id <= 119; ++id) EXPECT_EQ(t.at(id).back(), en.at(id).back()) << code << " " << id;
  }
  for (const char* code : {"pt", "tk", "ar", "sv", "cs", "sk"}) EXPECT_EQ(ids(bundle(code)), ids(en)) << code;
}

// WCAG 2 relative luminance and contrast, computed here independently of the pack's own check.
double luminance(uint32_t argb) {
  auto ch = [](uint32_t c) {
    double s = c / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * ch(argb >> 16 & 0xFF) + 0.7152 * ch(argb >> 8 & 0xFF) + 0.0722 * ch(argb & 0xFF);
}
double contrast(uint32_t a, uint32_t b) {
  double x = luminance(a), y = luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST_F(ResourceRoot, EverySkinHasOpaqueColoursWithReadableTextOnEveryFill) {
  Bytes b = nestedMember("data/resources.zip", "skin/Colors.dat");
  ASSERT_TRUE(b.ok);
  ASSERT_EQ(b.data.size(), 16u + 9u * 236u);
  EXPECT_TRUE(std::all_of(b.data.begin(), b.data.begin() + 16, [](uint8_t v) { return v == 0; }));
  auto word = [&](size_t at) {
    return static_cast<uint32_t>(b.data[at] | b.data[at + 1] << 8 | b.data[at + 2] << 16) |
           static_cast<uint32_t>(b.data[at + 3]) << 24;
  };
  // {group, text word, fill word}; group 9 = the prompt fills under group 7's text.
  const int pairs[][3] = {{0, 0, 1}, {0, 3, 4}, {1, 0, 4}, {1, 3, 4}, {1, 0, 1}, {2, 0, 1}, {2, 3, 2}, {2, 3, 4},
                          {3, 0, 1}, {3, 3, 4}, {4, 0, 1}, {4, 3, 4}, {5, 0, 1}, {6, 0, 1}, {6, 0, 2}, {6, 3, 4},
                          {7, 0, 1}, {8, 0, 1}, {8, 0, 2}, {8, 3, 4}, {9, 0, 0}, {9, 0, 1}, {9, 0, 2}};
  for (int skin = 0; skin < 9; ++skin) {
    size_t rec = 16 + skin * 236;
    EXPECT_EQ(b.data[rec] | b.data[rec + 1] << 8, 78) << "class id, skin " << skin;
    EXPECT_EQ(word(rec + 4), static_cast<uint32_t>(skin));
    auto colour = [&](int index) { return word(rec + 8 + 4 * index); };
    for (int k = 0; k < 57; ++k) EXPECT_EQ(colour(k) >> 24, 0xFFu) << "skin " << skin << " colour " << k;
    for (const auto& p : pairs) {
      uint32_t text = colour(p[0] == 9 ? 7 * 6 : p[0] * 6 + p[1]);
      uint32_t fill = colour(p[0] == 9 ? 54 + p[2] : p[0] * 6 + p[2]);
      EXPECT_GE(contrast(text, fill), 4.5)
          << "skin " << skin << " group " << p[0] << " word " << p[1] << " on " << p[2];
    }
  }
}

TEST_F(ResourceRoot, CharacterTablesHoldTheStandardCharacters) {
  Bytes iso = nestedMember("data/resources.zip", "iso/ISO8859.dat");
  ASSERT_TRUE(iso.ok);
  ASSERT_EQ(iso.data.size(), 3072u);
  auto at = [&](int part, int byte) {
    size_t i = ((part - 1) * 96 + byte - 0xA0) * 2;
    return iso.data[i] | iso.data[i + 1] << 8;
  };
  const int cases[][3] = {{1, 0xE9, 0x00E9},  {2, 0xA1, 0x0104},  {3, 0xA5, 0xFFFD},  {5, 0xB0, 0x0410},
                          {6, 0xC7, 0x0627},  {7, 0xA1, 0x2018},  {8, 0xE0, 0x05D0},  {9, 0xF0, 0x011F},
                          {11, 0xDB, 0xFFFD}, {12, 0xB5, 0x00B5}, {13, 0xFF, 0x2019}, {15, 0xA4, 0x20AC},
                          {16, 0xA4, 0x20AC}, {14, 0xFF, 0x00FF}};
  for (const auto& c : cases) EXPECT_EQ(at(c[0], c[1]), c[2]) << "part " << c[0] << " byte " << c[1];
  for (int part = 1; part <= 16; ++part)
    for (int byte = 0xA0; byte <= 0xFF; ++byte) EXPECT_NE(at(part, byte), 0) << part << " " << byte;

  // The receiver's text module loads both tables from the archive and folds case with them.
  charset_useResourceArchive();
  charset_unloadTables();
  ASSERT_EQ(charset_loadTables(), 1);
  EXPECT_EQ(wstr_compareNoCase(u"Ärger über Öl", u"äRGER ÜBER öL"), 0);
  EXPECT_EQ(wstr_compareNoCase(u"čeština", u"ČEŠTINA"), 0);
  const char16_t* up = charset_uppercaseTable();
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(up[u'ß'], u'ß');  // no single-unit upper case: itself
  EXPECT_EQ(up[0xFF], 0x178);
  EXPECT_EQ(up[0xD800], 0xD800);
  charset_unloadTables();
  charset_setTableLoader(nullptr);
}

}  // namespace
