#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/text/wstr.h"

namespace {

struct ParseIntCase {
  const char16_t* text;
  int radix;
  int32_t value;
  int endIndex;  // where the reading stopped
};

TEST(NumberTest, ParseIntReadsTheTrailingNumber) {
  const ParseIntCase cases[] = {
      {u"abc123", 10, 123, 2},
      {u"-45", 10, -45, 0},
      {u"12a", 10, 0, 2},
      {u"12a", 16, 0x12a, 0},
      {u"abc123", 16, 0xabc123, 0},
      {u"Ch-7", 10, 7, 2},
      {u"x-7", 10, 7, 1},
      {u"FF", 16, 255, 0},
      {u"101", 2, 5, 0},
      {u"", 10, 0, 0},
      {u"-", 10, 0, 0},
      {u"2147483647", 10, INT_MAX, 0},
      {u"7", 1, 0, 0},
      {u"7", 17, 0, 0},
  };
  for (const ParseIntCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    const char16_t* end = nullptr;
    EXPECT_EQ(wstr_parseInt(c.text, &end, c.radix), c.value);
    EXPECT_EQ(end, c.text + c.endIndex);
  }
  EXPECT_EQ(wstr_parseInt(nullptr, nullptr, 10), 0);
}

struct ParseFloatCase {
  const char16_t* text;
  double value;
  int endIndex;
};

TEST(NumberTest, ParseFloatReadsTheLeadingRun) {
  const ParseFloatCase cases[] = {
      {u"3.25", 3.25, 4}, {u"-0.5", -0.5, 4}, {u"42", 42, 2}, {u"19.2E", 19.2, 4},
      {u"x1", 0, 0},      {u"", 0, 0},        {u"5-3", 3, 3}, {u"12.", 12, 3},
  };
  for (const ParseFloatCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    const char16_t* end = nullptr;
    EXPECT_DOUBLE_EQ(wstr_parseFloat(c.text, &end), c.value);
    EXPECT_EQ(end, c.text + c.endIndex);
  }
  EXPECT_EQ(wstr_parseFloat(nullptr, nullptr), 0);
}

TEST(NumberTest, FormatIntegersAndFloats) {
  char16_t buf[352];
  EXPECT_EQ(std::u16string(wstr_fromInt(0, buf, 10)), u"0");
  EXPECT_EQ(std::u16string(wstr_fromInt(-1234, buf, 10)), u"-1234");
  EXPECT_EQ(std::u16string(wstr_fromInt(INT_MIN, buf, 10)), u"-2147483648");
  EXPECT_EQ(std::u16string(wstr_fromInt(255, buf, 16)), u"ff");
  EXPECT_EQ(std::u16string(wstr_fromInt(-1, buf, 16)), u"ffffffff");
  EXPECT_EQ(std::u16string(wstr_fromInt(INT_MIN, buf, 2)), u"1" + std::u16string(31, u'0'));
  EXPECT_EQ(std::u16string(wstr_fromInt(5, buf, 1)), u"");
  EXPECT_EQ(wstr_fromInt(5, nullptr, 10), nullptr);
  EXPECT_EQ(std::u16string(wstr_fromFloat(buf, 3.14159, 2)), u"3.14");
  EXPECT_EQ(std::u16string(wstr_fromFloat(buf, -0.5, 1)), u"-0.5");
  EXPECT_EQ(std::u16string(wstr_fromFloat(buf, 2.5, 0)), u"2");
  EXPECT_EQ(wstr_length(wstr_fromFloat(buf, -1.7976931348623157e308, 99)), 1 + 309 + 1 + 30);
}

}  // namespace
