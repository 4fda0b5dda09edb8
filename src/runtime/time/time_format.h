#pragma once
// Times of day and the date and time texts the screens show.
#include <cstdint>

struct TimeOfDay {
  int hours;
  int minutes;
  int seconds;
};

// Hours, minutes and seconds within the day of `seconds` (all negative or zero for a negative time).
TimeOfDay time_splitDay(int64_t seconds);

// Room for any text below, terminator included.
constexpr int kTimeTextUnits = 40;

// Date styles (d day, m month, y year); any other style gives an empty string:
//   0 "%02d/%02d/%04d" d, m, y   1 "%02d/%02d/%04d" m, d, y   2 "%04d/%02d/%02d" y, m, d
//   3 "%02d.%02d.%04d" d, m, y   4 "%02d/%02d" d, m   5 "%02d/%02d" m, d   6 "%02d.%02d" d, m
// dst needs kTimeTextUnits units; returns dst.
char16_t* date_format(int day, int month, int year, int style, char16_t* dst);
// date_format of the day that holds `seconds`.
char16_t* date_formatSeconds(int64_t seconds, int style, char16_t* dst);

// Time styles, on the hours h, minutes m and seconds s within the day:
//   0 "hh:mm"   1 "hh:mm:ss"   2 "mm:ss"   3 "h:mm:ss" when h > 0, else "m:ss" when m > 0, else "s"
// A negative time, or any other style, gives an empty string. dst needs kTimeTextUnits units;
// returns dst.
char16_t* time_format(int64_t seconds, int style, char16_t* dst);
