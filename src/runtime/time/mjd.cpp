#include "runtime/time/mjd.h"

int date_toMjd(int day, int month, int year) {
  int l = month == 1 || month == 2 ? 1 : 0;
  int y = year - 1900;
  return 14956 + day + static_cast<int>((y - l) * 365.25) + static_cast<int>((month + 1 + l * 12) * 30.6001);
}

Date date_fromMjd(int mjd) {
  int y = static_cast<int>((mjd - 15078.2) / 365.25);
  int m = static_cast<int>((mjd - 14956.1 - static_cast<int>(y * 365.25)) / 30.6001);
  int day = mjd - 14956 - static_cast<int>(y * 365.25) - static_cast<int>(m * 30.6001);
  int k = m == 14 || m == 15 ? 1 : 0;
  return {day, m - 1 - k * 12, y + k + 1900};
}

int32_t time_fromMjd(int mjd) { return static_cast<int32_t>((static_cast<uint32_t>(mjd) - kMjdUnixEpoch) * 86400u); }

uint16_t time_toMjd(int64_t seconds) { return static_cast<uint16_t>(seconds / 86400 + kMjdUnixEpoch); }
