#include "runtime/time/date.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/time/mjd.h"
#include "runtime/time/time_format.h"

namespace {

struct DateVector {
  int mjd;
  int day, month, year;
  int dayOfWeek;
  int week;
};

// The worked example of the DVB service-information standard (MJD 45218, Monday 6 September 1982,
// week 36) and the dates around leap days, month and year ends that the guide and timers meet.
TEST(DateTest, MjdCalendarAndWeekVectors) {
  const DateVector vectors[] = {
      {45218, 6, 9, 1982, 1, 36},   {51603, 29, 2, 2000, 2, 9},  {51604, 1, 3, 2000, 3, 9},
      {56351, 28, 2, 2013, 4, 9},   {56375, 24, 3, 2013, 0, 13}, {56377, 26, 3, 2013, 2, 13},
      {49273, 13, 10, 1993, 3, 41}, {40587, 1, 1, 1970, 4, 1},   {15079, 1, 3, 1900, 4, 9},
      {88127, 28, 2, 2100, 0, 9},   {55927, 1, 1, 2012, 0, 1},   {55197, 1, 1, 2010, 5, 52},
      {55199, 3, 1, 2010, 0, 52},   {55200, 4, 1, 2010, 1, 1},   {57387, 31, 12, 2015, 4, 53},
      {57022, 31, 12, 2014, 3, 1},  {56657, 31, 12, 2013, 2, 1}, {51544, 1, 1, 2000, 6, 52},
  };
  for (const DateVector& v : vectors) {
    SCOPED_TRACE(v.mjd);
    EXPECT_EQ(date_toMjd(v.day, v.month, v.year), v.mjd);
    Date d = date_fromMjd(v.mjd);
    EXPECT_EQ(d.day, v.day);
    EXPECT_EQ(d.month, v.month);
    EXPECT_EQ(d.year, v.year);
    EXPECT_EQ(date_dayOfWeek(v.day, v.month, v.year), v.dayOfWeek);
    EXPECT_EQ(date_weekOfYear(v.day, v.month, v.year), v.week);
  }
}

TEST(DateTest, MonthLengthsAndLeapYears) {
  EXPECT_TRUE(date_isLeap(2000));
  EXPECT_FALSE(date_isLeap(1900));
  EXPECT_TRUE(date_isLeap(2012));
  EXPECT_FALSE(date_isLeap(2013));
  EXPECT_EQ(date_daysInMonth(2, 2012), 29);
  EXPECT_EQ(date_daysInMonth(2, 2100), 28);
  EXPECT_EQ(date_daysInMonth(12, 2013), 31);
  EXPECT_EQ(date_daysInMonth(4, 2013), 30);
  EXPECT_EQ(date_daysInMonth(13, 2013), 0);
  EXPECT_EQ(date_daysBeforeMonth(1, 2012), 0);
  EXPECT_EQ(date_daysBeforeMonth(3, 2012), 60);
  EXPECT_EQ(date_daysBeforeMonth(3, 2013), 59);
  EXPECT_EQ(date_daysBeforeMonth(12, 2013), 334);
}

TEST(DateTest, SecondsAndMjd) {
  EXPECT_EQ(time_fromMjd(40587), 0);
  EXPECT_EQ(time_fromMjd(49273) + 12 * 3600 + 45 * 60, 750516300);  // 1993-10-13 12:45:00
  EXPECT_EQ(time_toMjd(750516300), 49273);
  EXPECT_EQ(time_fromMjd(65442), 2147472000);                // 2038-01-20, the last day that fits
  EXPECT_EQ(time_fromMjd(65443), -2147408896);               // 32-bit arithmetic wraps after it
  EXPECT_EQ(time_toMjd(int64_t{65536 - 40587} * 86400), 0);  // kept to 16 bits
  TimeOfDay t = time_splitDay(750516300 + 5);
  EXPECT_EQ(t.hours, 12);
  EXPECT_EQ(t.minutes, 45);
  EXPECT_EQ(t.seconds, 5);
}

struct FormatCase {
  int64_t seconds;
  int style;
  const char16_t* time;
};

TEST(DateTest, TimeFormats) {
  const FormatCase cases[] = {
      {3725, 0, u"01:02"},       {3725, 1, u"01:02:05"}, {3725, 2, u"02:05"}, {3725, 3, u"1:02:05"},
      {65, 3, u"1:05"},          {7, 3, u"7"},           {0, 3, u"0"},        {86399, 1, u"23:59:59"},
      {86400 + 61, 0, u"00:01"}, {-5, 1, u""},           {-3600, 0, u""},     {3725, 4, u""},
      {750516300, 0, u"12:45"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    char16_t dst[kTimeTextUnits] = u"stale";
    EXPECT_EQ(time_format(c.seconds, c.style, dst), dst);
    EXPECT_EQ(std::u16string(dst), c.time);
  }
  EXPECT_EQ(time_format(5, 0, nullptr), nullptr);
}

TEST(DateTest, DateFormats) {
  const char16_t* expected[] = {
      u"06/09/1982", u"09/06/1982", u"1982/09/06", u"06.09.1982", u"06/09", u"09/06", u"06.09", u"", u""};
  for (int style = 0; style < 9; ++style) {
    SCOPED_TRACE(style);
    char16_t dst[kTimeTextUnits] = u"stale";
    EXPECT_EQ(date_format(6, 9, 1982, style, dst), dst);
    EXPECT_EQ(std::u16string(dst), expected[style]);
  }
  char16_t dst[kTimeTextUnits];
  EXPECT_EQ(std::u16string(date_formatSeconds(750516300, 0, dst)), u"13/10/1993");
  EXPECT_EQ(std::u16string(date_format(-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, 2, dst)),
            u"-2147483648/-2147483648/-2147483648");
}

}  // namespace
