#include "runtime/text/dvbtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset_fixture.h"
#include "runtime/pool.h"
#include "runtime/text/wstr.h"

namespace {

class DvbTextTest : public ::testing::Test {
 protected:
  void SetUp() override { useFixtureTables(); }
  void TearDown() override { charset_unloadTables(); }
};

struct DecodeCase {
  std::vector<uint8_t> bytes;
  int table;
  std::u16string text;
};

TEST_F(DvbTextTest, DecodesBytesWithTheTableAndComposesDiacritics) {
  const DecodeCase cases[] = {
      {{0xC2, 'e'}, 1, u"é"},
      {{0xC2, 'x'}, 1, u"Âx"},  // no such pair: the part-1 character, then the letter
      {{'N', 0xC8, 'u', 'r', 'n', 'b', 'e', 'r', 'g'}, 1, u"Nürnberg"},
      {{0xCF, 's', 0xCF, 'Z', 0xCA, 'u', 0xC4, 'O'}, 1, u"šŽůÕ"},
      {{0xC2, 'd', 0xCF, 'd', 0xC2, 'T', 0xCF, 'T'}, 1, u"ďďŤŤ"},  // acute and caron agree on d and t
      {{0xC1, 'a', 0xC3, 'O', 0xC2, 'y'}, 1, u"àÔý"},
      {{0xC0, 'a'}, 1, u"Àa"},  // 0xC0 composes nothing
      {{'a', 0xC2}, 1, u"aÂ"},  // a mark at the end has no base
      {{0xC2, 0xE9}, 1, u"Âé"},
      {{0x80, 'x', 0x0A, 0x00, 0x1F}, 1, u"€x222"},
      {{0x81, 0x9F, 0x7F, 0xA0, 0xFF}, 1, u"\u0081\u009F\u007F\u00A0\u00FF"},
      {{0xB0, 0xC0, 0xEF}, 5, u"АРя"},  // Cyrillic
      {{0xC1, 'a', 0x80}, 7, u"Αa€"},   // marks compose only with the default table
      {{0xA4, 0xBC}, 15, u"€Œ"},
      {{0xA1, 0xFF}, 16, u"Ąÿ"},
      {{0xA5}, 3, u"\uFFFD"},  // undefined in 8859-3
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    std::vector<char16_t> dst(c.bytes.size() + 1, 0x5555);
    int32_t n = dvbtext_decode(c.bytes.data(), dst.data(), static_cast<int32_t>(c.bytes.size()), c.table);
    EXPECT_EQ(n, static_cast<int32_t>(c.text.size()));
    EXPECT_EQ(std::u16string(dst.data()), c.text);
  }
}

TEST_F(DvbTextTest, RefusesBadArguments) {
  const uint8_t bytes[] = {'a', 'b'};
  char16_t dst[3] = u"zz";
  EXPECT_EQ(dvbtext_decode(bytes, dst, 2, 0), 0);
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(dvbtext_decode(bytes, dst, 2, 17), 0);
  EXPECT_EQ(dvbtext_decode(bytes, dst, 0, 1), 0);
  EXPECT_EQ(dvbtext_decode(bytes, dst, -1, 1), 0);
  EXPECT_EQ(dvbtext_decode(nullptr, dst, 2, 1), 0);
  EXPECT_EQ(dvbtext_decode(bytes, nullptr, 2, 1), 0);
  EXPECT_EQ(dvbtext_decodeAlloc(bytes, 2, 17), nullptr);
  EXPECT_EQ(dvbtext_decodeAlloc(bytes, 0, 1), nullptr);
}

TEST_F(DvbTextTest, DecodesNothingWithoutTheCodePageTable) {
  charset_unloadTables();
  charset_setTableLoader(nullptr);
  const uint8_t bytes[] = {'a', 'b'};
  char16_t dst[3];
  EXPECT_EQ(dvbtext_decode(bytes, dst, 2, 1), 0);
  EXPECT_EQ(dvbtext_decodeAlloc(bytes, 2, 1), nullptr);
}

TEST_F(DvbTextTest, AllocatedTextsHaveTheirExactSize) {
  int64_t before = pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse;
  const uint8_t composed[] = {'C', 0xC2, 'e', 0xCF, 'z', 'k'};
  char16_t* text = dvbtext_decodeAlloc(composed, 6, 1);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Céžk");
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse - before, 5 * 2);
  wstr_free(text);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse, before);
}

struct SelectorCase {
  std::vector<uint8_t> field;
  int table;
  int32_t selectorLength;
  const char16_t* text;  // dvbtext_decodeField, null when nothing is decoded
};

TEST_F(DvbTextTest, SelectorBytesChooseTheTable) {
  const SelectorCase cases[] = {
      {{'A', 0xE9}, 1, 0, u"Aé"},
      {{0x01, 0xB0}, 5, 1, u"А"},
      {{0x03, 0xC1}, 7, 1, u"Α"},
      {{0x0B, 0xA4}, 15, 1, u"€"},
      {{0x08, 0xE9}, 12, 1, u"é"},                    // there is no 8859-12: its block is Latin-1
      {{0x10, 0x00, 0x07, 0xC1, 0xC2}, 7, 3, u"ΑΒ"},  // three-byte selector names the part
      {{0x10, 0x00, 0x02, 0xA9}, 2, 3, u"Š"},
      {{0x10, 0x00, 0x0F, 0xBC}, 15, 3, u"Œ"},
      {{0x10, 0x00, 0x0C, 'a'}, 0, 0, nullptr},  // reserved
      {{0x10, 0x00, 0x10, 'a'}, 0, 0, nullptr},
      {{0x10, 0x01, 0x01, 'a'}, 0, 0, nullptr},
      {{0x10, 0x00}, 0, 0, nullptr},        // cut short
      {{0x10, 0x00, 0x05}, 5, 3, nullptr},  // a selector and no text
      {{0x00, 'a'}, 0, 0, nullptr},
      {{0x0C, 'a'}, 0, 0, nullptr},
      {{0x0F, 'a'}, 0, 0, nullptr},
      {{0x15, 'a', 0xE9}, 1, 1, u"aé"},  // other codings: skipped, default table
      {{0x1F, 'a'}, 1, 1, u"a"},
      {{}, 0, 0, nullptr},
  };
  for (const SelectorCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.field));
    int32_t length = -1;
    EXPECT_EQ(dvbtext_selectTable(c.field.data(), static_cast<int32_t>(c.field.size()), &length), c.table);
    EXPECT_EQ(length, c.selectorLength);
    char16_t* text = dvbtext_decodeField(c.field.data(), static_cast<int32_t>(c.field.size()));
    if (c.text) {
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(std::u16string(text), c.text);
    } else {
      EXPECT_EQ(text, nullptr);
    }
    wstr_free(text);
  }
}

}  // namespace
