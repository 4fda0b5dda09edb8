// Our decoders against independent references: the C library's iconv for every ISO/IEC 8859 part,
// Python's UTF-8 encoder, and the C library's calendar for the MJD and day-of-week arithmetic.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "charset_fixture.h"
#include "runtime/text/dvbtext.h"
#include "runtime/text/utf8.h"
#include "runtime/text/wstr.h"
#include "runtime/time/date.h"
#include "runtime/time/mjd.h"

namespace {

std::vector<uint8_t> readFile(const std::string& name) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen((std::string(TEXT_FIXTURE_DIR) + "/" + name).c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

// The character iconv gives for one byte of the code page, or -1 when the byte is undefined there.
int iconvChar(iconv_t cd, uint8_t byte) {
  char in[1] = {static_cast<char>(byte)};
  char out[4];
  char* ip = in;
  char* op = out;
  size_t il = 1;
  size_t ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || ol != 2) return -1;
  return static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8;
}

TEST(CharsetOracle, EveryIso8859PartDecodesAsIconvDoes) {
  useFixtureTables();
  for (int part = 1; part <= 16; ++part) {
    if (part == 12) continue;  // no such part
    SCOPED_TRACE(part);
    std::string name = "ISO-8859-" + std::to_string(part);
    iconv_t cd = iconv_open("UTF-16LE", name.c_str());
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
    int defined = 0;
    for (int b = 0x20; b <= 0xFF; ++b) {
      if (b == 0x80) continue;  // the euro sign in every table
      uint8_t byte = static_cast<uint8_t>(b);
      char16_t dst[2];
      ASSERT_EQ(dvbtext_decode(&byte, dst, 1, part), 1);
      int expected = iconvChar(cd, byte);
      if (expected < 0) {
        EXPECT_EQ(dst[0], 0xFFFD) << b;
      } else {
        EXPECT_EQ(dst[0], expected) << b;
        ++defined;
      }
    }
    EXPECT_GT(defined, 150);
    iconv_close(cd);
  }
  charset_unloadTables();
}

TEST(CharsetOracle, Utf8EncoderAgreesWithPython) {
  std::vector<uint8_t> unitBytes = readFile("utf8_units.bin");
  std::vector<uint8_t> expected = readFile("utf8_bytes.bin");
  ASSERT_FALSE(unitBytes.empty());
  std::u16string units;
  for (size_t i = 0; i + 1 < unitBytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(unitBytes[i] | unitBytes[i + 1] << 8));
  units = u"ASCII ~" + units;
  expected.insert(expected.begin(), {'A', 'S', 'C', 'I', 'I', ' ', '~'});

  char* utf8 = wstr_toUtf8(units.c_str());
  ASSERT_NE(utf8, nullptr);
  std::string got(utf8);
  EXPECT_TRUE(got == std::string(expected.begin(), expected.end()));
  std::vector<char16_t> back(got.size() + 1);
  wstr_fromUtf8(utf8, back.data());
  EXPECT_TRUE(std::u16string(back.data()) == units);
  wstr_freeUtf8(utf8);
}

TEST(CharsetOracle, MjdAndWeekdaysAgreeWithTheCalendarOver200Years) {
  const int first = date_toMjd(1, 3, 1900);
  const int last = date_toMjd(28, 2, 2100);
  ASSERT_EQ(last - first, 73048);
  for (int mjd = first; mjd <= last; ++mjd) {
    std::time_t t = static_cast<std::time_t>(mjd - kMjdUnixEpoch) * 86400;
    std::tm utc{};
    gmtime_r(&t, &utc);
    Date d = date_fromMjd(mjd);
    ASSERT_EQ(d.day, utc.tm_mday) << mjd;
    ASSERT_EQ(d.month, utc.tm_mon + 1) << mjd;
    ASSERT_EQ(d.year, utc.tm_year + 1900) << mjd;
    ASSERT_EQ(date_toMjd(d.day, d.month, d.year), mjd);
    ASSERT_EQ(date_dayOfWeek(d.day, d.month, d.year), utc.tm_wday) << mjd;
    ASSERT_EQ(date_daysBeforeMonth(d.month, d.year) + d.day - 1, utc.tm_yday) << mjd;
  }
}

}  // namespace
