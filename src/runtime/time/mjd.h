#pragma once
// Modified Julian Dates, as broadcast tables carry them, and their link to receiver time (seconds
// since 1970-01-01 00:00 UTC, MJD 40587).
#include <cstdint>

struct Date {
  int day;    // 1..31
  int month;  // 1..12
  int year;   // full year
};

// The conversions of ETSI EN 300 468, Annex C, valid from 1 March 1900 to
// 28 February 2100.
int date_toMjd(int day, int month, int year);
Date date_fromMjd(int mjd);

constexpr int kMjdUnixEpoch = 40587;

// Seconds of 00:00 of that day: (mjd - 40587) * 86400, in 32-bit arithmetic (it wraps after 2038).
int32_t time_fromMjd(int mjd);
// seconds / 86400 + 40587, kept to 16 bits.
uint16_t time_toMjd(int64_t seconds);
