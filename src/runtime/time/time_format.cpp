#include "runtime/time/time_format.h"

#include <cstdio>

#include "runtime/time/mjd.h"

namespace {

char16_t* widen(const char* text, char16_t* dst) {
  int i = 0;
  for (; text[i]; ++i) dst[i] = static_cast<unsigned char>(text[i]);
  dst[i] = 0;
  return dst;
}

}  // namespace

TimeOfDay time_splitDay(int64_t seconds) {
  int r = static_cast<int>(seconds % 86400);
  return {r / 3600, r % 3600 / 60, r % 60};
}

char16_t* date_format(int day, int month, int year, int style, char16_t* dst) {
  if (!dst) return dst;
  char text[kTimeTextUnits] = "";
  switch (style) {
    case 0:
      snprintf(text, sizeof text, "%02d/%02d/%04d", day, month, year);
      break;
    case 1:
      snprintf(text, sizeof text, "%02d/%02d/%04d", month, day, year);
      break;
    case 2:
      snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day);
      break;
    case 3:
      snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
      break;
    case 4:
      snprintf(text, sizeof text, "%02d/%02d", day, month);
      break;
    case 5:
      snprintf(text, sizeof text, "%02d/%02d", month, day);
      break;
    case 6:
      snprintf(text, sizeof text, "%02d.%02d", day, month);
      break;
    default:
      break;
  }
  return widen(text, dst);
}

char16_t* date_formatSeconds(int64_t seconds, int style, char16_t* dst) {
  Date d = date_fromMjd(time_toMjd(seconds));
  return date_format(d.day, d.month, d.year, style, dst);
}

char16_t* time_format(int64_t seconds, int style, char16_t* dst) {
  if (!dst) return dst;
  TimeOfDay t = time_splitDay(seconds);
  char text[kTimeTextUnits] = "";
  if (t.hours >= 0 && t.minutes >= 0 && t.seconds >= 0) {
    switch (style) {
      case 0:
        snprintf(text, sizeof text, "%02d:%02d", t.hours, t.minutes);
        break;
      case 1:
        snprintf(text, sizeof text, "%02d:%02d:%02d", t.hours, t.minutes, t.seconds);
        break;
      case 2:
        snprintf(text, sizeof text, "%02d:%02d", t.minutes, t.seconds);
        break;
      case 3:
        if (t.hours > 0)
          snprintf(text, sizeof text, "%d:%02d:%02d", t.hours, t.minutes, t.seconds);
        else if (t.minutes > 0)
          snprintf(text, sizeof text, "%d:%02d", t.minutes, t.seconds);
        else
          snprintf(text, sizeof text, "%d", t.seconds);
        break;
      default:
        break;
    }
  }
  return widen(text, dst);
}
