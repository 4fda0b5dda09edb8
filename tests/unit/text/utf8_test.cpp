#include "runtime/text/utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/pool.h"

namespace {

struct EncodeCase {
  std::u16string units;
  std::string bytes;
};

TEST(Utf8Test, EncoderWidthsAndRoundTrip) {
  const EncodeCase cases[] = {
      {u"A\u007F", "\x41\xC1\xBF"},  // 0x7F takes two bytes
      {u"\u0001", "\xC0\x81"},       // and so does 0x0001
      {u"\u0002~", "\x02~"},         // 0x02..0x7E: one byte
      {u"\u0080", "\xC2\x80"},
      {u"\u07FE", "\xDF\xBE"},
      {u"\u07FF", "\xE0\x9F\xBF"},  // 0x07FF takes three bytes
      {u"\u20AC", "\xE2\x82\xAC"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"", ""},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    char* utf8 = wstr_toUtf8(c.units.c_str());
    ASSERT_NE(utf8, nullptr);
    EXPECT_EQ(std::string(utf8), c.bytes);
    char16_t back[8];
    EXPECT_EQ(std::u16string(wstr_fromUtf8(utf8, back)), c.units);
    wstr_freeUtf8(utf8);
  }
}

TEST(Utf8Test, NullGivesEmptyStringAndBlocksAreReturned) {
  int64_t before = pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse;
  char* utf8 = wstr_toUtf8(nullptr);
  ASSERT_NE(utf8, nullptr);
  EXPECT_STREQ(utf8, "");
  wstr_freeUtf8(utf8);
  utf8 = wstr_toUtf8(u"Ελληνικά €");
  wstr_freeUtf8(utf8);
  EXPECT_EQ(pool_stats(POOL_FTA_APPLICATION_ARRAY).bytesInUse, before);
}

struct DecodeCase {
  const char* bytes;
  std::u16string units;
};

TEST(Utf8Test, DecoderIsLenientButStopsAtTheTerminator) {
  const DecodeCase cases[] = {
      {"caf\xC3\xA9", u"café"},
      {"caf\xE9", u"café"},                               // Latin-1 survives
      {"\xC3\x28", u"\u00E8"},                            // continuation bytes are not checked
      {"\xF0\x9F\x98\x80", u"\u00F0\u009F\u0098\u0080"},  // four-byte forms are not UTF-8 here
      {"ab\xC3", u"ab\u00C3"},                            // a cut sequence never swallows the terminator
      {"\xE2\x82", u"\u00E2\u0082"},
      {"\xE2", u"\u00E2"},
      {"", u""},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    char16_t out[8];
    EXPECT_EQ(wstr_fromUtf8(c.bytes, out), out);
    EXPECT_EQ(std::u16string(out), c.units);
  }
  char16_t out[2] = u"x";
  EXPECT_EQ(std::u16string(wstr_fromUtf8(nullptr, out)), u"");
  EXPECT_EQ(wstr_fromUtf8("a", nullptr), nullptr);
}

}  // namespace
