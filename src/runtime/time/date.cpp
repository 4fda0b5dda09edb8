#include "runtime/time/date.h"

namespace {

constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

bool date_isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int date_daysInMonth(int month, int year) {
  if (month < 1 || month > 12) return 0;
  if (month == 2) return date_isLeap(year) ? 29 : 28;
  return month == 12 ? 31 : kDaysBefore[month] - kDaysBefore[month - 1];
}

int date_daysBeforeMonth(int month, int year) {
  if (month < 1 || month > 12) return 0;
  return kDaysBefore[month - 1] + (month > 2 && date_isLeap(year) ? 1 : 0);
}

int date_dayOfWeek(int day, int month, int year) {
  // Days since 1 January of year 1 (a Monday), counted in whole 4-, 100- and 400-year cycles.
  long long y = year - 1;
  long long days = day + (y % 4) * 365 + date_daysBeforeMonth(month, year) + (y % 100) / 4 * 1461 +
                   (y % 400) / 100 * 36524 + y / 400 * 146097;
  int dow = static_cast<int>(days % 7);
  return dow < 0 ? dow + 7 : dow;
}

int date_weekOfYear(int day, int month, int year) {
  int d = date_dayOfWeek(day, month, year) - 1;
  int e = date_dayOfWeek(1, 1, year);
  int f = e - 1;
  int g = f;
  if (month == 1 && 3 < f && f < 8 - day) {
    // Early January days before the first week belong to the last week of the previous year.
    g = date_dayOfWeek(1, 1, year - 1) - 1;
    month = 12;
    d = e - 2;
    day = 31;
  } else if (month == 12) {
    int h = date_dayOfWeek(1, 1, year + 1);
    if (31 - day < h - 1 && h < 5) return 1;
  }
  return (2 * month + g + day - d + 3) * 36 / 256 + (f <= 3 ? 1 : 0) + 4 * month - 4;
}
