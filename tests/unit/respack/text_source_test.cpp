// The pack's text sources and bundle members: what the build refuses, and what a bundle reads back as.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colour_table.h"
#include "text_bundles.h"

namespace {

TEST(TextSource, RefusesLinesTheReceiverWouldMisread) {
  struct Case {
    const char* source;
    const char* fault;  // a fragment of the expected error, or "" for none
  };
  const std::string longText(250, 'x');
  const std::string tooLong = "1000\t" + longText + "\n";  // "1000|65|" + 250 > 255 units
  const Case cases[] = {
      {"# comment\n\n10\tText\n11\t\\u000F\n", ""},
      {"10\tA|B\n", "'|'"},
      {"10\tA\n10\tB\n", "duplicate id 10"},
      {"10 Text\n", "expected an id"},
      {"x1\tText\n", "bad string id"},
      {"10\t\\n\n", "bad escape"},
      {"10\t\\u0000\n", "bad escape"},
      {"10\t\xC3\n", "bad UTF-8"},
      {tooLong.c_str(), "too long"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> errors;
    texts_parse(c.source, "t", errors);
    if (*c.fault == 0) {
      EXPECT_TRUE(errors.empty()) << c.source << ": " << (errors.empty() ? "" : errors[0]);
    } else {
      ASSERT_EQ(errors.size(), 1u) << c.source;
      EXPECT_NE(errors[0].find(c.fault), std::string::npos) << errors[0];
    }
  }
}

TEST(TextSource, BundleHoldsUtf16LinesAfterTheRecordHeader) {
  std::vector<std::string> errors;
  TextTable t = texts_parse("157\tJan\n2\tÄ\\u000F\n", "t", errors);
  ASSERT_TRUE(errors.empty());
  std::vector<uint8_t> b = bundle_encode(t);
  const std::vector<uint8_t> expected = {0,    0,   0,    0,   0,   0,   0,   0,   0,   0,    0,   0,    0,   0,    0,
                                         0,    '2', 0,    '|', 0,   '6', 0,   '5', 0,   '|',  0,   0xC4, 0,   0x0F, 0,
                                         '\r', 0,   '\n', 0,   '1', 0,   '5', 0,   '7', 0,    '|', 0,    '6', 0,    '5',
                                         0,    '|', 0,    'J', 0,   'a', 0,   'n', 0,   '\r', 0,   '\n', 0};
  EXPECT_EQ(b, expected);
  EXPECT_EQ(bundle_decode(b.data(), b.size(), errors), t);
  EXPECT_TRUE(errors.empty());
}

TEST(TextSource, BundleCheckFindsMalformedLines) {
  auto units = [](const std::u16string& s) {
    std::vector<uint8_t> b(16, 0);
    for (char16_t u : s) {
      b.push_back(u & 0xFF);
      b.push_back(u >> 8);
    }
    return b;
  };
  struct Case {
    std::u16string text;
    const char* fault;
  };
  const Case cases[] = {
      {u"120|65|A\r\n121|64|B\r\n", "bad id or type"},
      {u"120|65|A", "no CR LF"},
      {u"120|65|A\r\n120|65|B\r\n", "duplicate"},
      {u"120|65\r\n", "fewer than three"},
      {u"120|65|\r\n", "empty text"},
      {u"120|65|" + std::u16string(250, u'x') + u"\r\n", "longer than 255"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = units(c.text);
    std::vector<std::string> errors;
    bundle_decode(b.data(), b.size(), errors);
    ASSERT_FALSE(errors.empty()) << c.fault;
    EXPECT_NE(errors[0].find(c.fault), std::string::npos) << errors[0];
  }
}

TEST(ColourSource, NeedsEverySkinOnceWithEveryGroup) {
  std::string groups;
  for (int g = 0; g < 9; ++g) groups += "group " + std::to_string(g) + " FFFFFF 000000 000000 FFFFFF 000000 808080\n";
  groups += "prompt 400000 004000 000040\n";
  struct Case {
    std::string source;
    const char* fault;
  };
  const Case cases[] = {
      {"skin 0-8\n" + groups, ""},
      {"skin 0-7\n" + groups, "skin 8 given 0"},
      {"skin 0-8\n" + groups + "skin 3\n" + groups, "skin 3 given 2"},
      {"skin 0-8\ngroup 0 FFFFFF\n", "expected 6 colours"},
      {"group 0 FFFFFF 000000 000000 FFFFFF 000000 808080\n", "before a skin"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> errors;
    std::vector<SkinColours> skins = colours_parse(c.source, errors);
    if (*c.fault == 0) {
      EXPECT_TRUE(errors.empty()) << errors[0];
      std::vector<uint8_t> bytes = colours_encode(skins);
      ASSERT_EQ(bytes.size(), 16u + 9 * 236);
      std::vector<SkinColours> back;
      ASSERT_TRUE(colours_decode(bytes.data(), bytes.size(), back));
      EXPECT_EQ(back, skins);
      EXPECT_EQ(back[4][0], 0xFFFFFFFFu);
      EXPECT_EQ(back[4][56], 0xFF000040u);
    } else {
      ASSERT_FALSE(errors.empty()) << c.fault;
      bool found = false;
      for (const std::string& e : errors) found |= e.find(c.fault) != std::string::npos;
      EXPECT_TRUE(found) << c.fault << " not among: " << errors[0];
    }
  }
}

TEST(ColourSource, ContrastFollowsTheWcagDefinition) {
  EXPECT_NEAR(colours_contrast(0xFFFFFFFF, 0xFF000000), 21.0, 1e-9);
  EXPECT_NEAR(colours_contrast(0xFF777777, 0xFFFFFFFF), 4.48, 0.01);
  EXPECT_NEAR(colours_contrast(0xFF0000FF, 0xFFFFFFFF), 8.59, 0.01);
  SkinColours c{};
  c.fill(0xFFFFFFFF);
  std::vector<std::string> faults = colours_checkContrast(c, 0);
  EXPECT_EQ(faults.size(), colours_textPairs().size());  // white on white fails everywhere
}

}  // namespace
