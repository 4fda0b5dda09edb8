#include "bytes.h"

#include <cstdio>

namespace streamgen {

uint32_t crc32Mpeg(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

uint32_t toBcd(uint32_t value) {
  uint32_t out = 0;
  for (int shift = 0; value != 0; shift += 4, value /= 10) out |= (value % 10) << shift;
  return out;
}

unsigned mjdOf(int64_t unixSeconds) {
  int64_t days = unixSeconds >= 0 ? unixSeconds / 86400 : -((-unixSeconds + 86399) / 86400);
  return static_cast<unsigned>(days + 40587);
}

void putUtcTime(ByteWriter& w, int64_t unixSeconds) {
  w.u16(mjdOf(unixSeconds));
  int64_t inDay = unixSeconds - (static_cast<int64_t>(mjdOf(unixSeconds)) - 40587) * 86400;
  w.u8(toBcd(static_cast<uint32_t>(inDay / 3600)));
  w.u8(toBcd(static_cast<uint32_t>(inDay / 60 % 60)));
  w.u8(toBcd(static_cast<uint32_t>(inDay % 60)));
}

void putBcdDuration(ByteWriter& w, int64_t seconds) {
  w.u8(toBcd(static_cast<uint32_t>(seconds / 3600 % 100)));
  w.u8(toBcd(static_cast<uint32_t>(seconds / 60 % 60)));
  w.u8(toBcd(static_cast<uint32_t>(seconds % 60)));
}

std::string isoTime(int64_t unixSeconds) {
  time_t t = static_cast<time_t>(unixSeconds);
  struct tm tm {};
  gmtime_r(&t, &tm);
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

bool parseIsoTime(const std::string& text, int64_t& out) {
  int y, mo, d, h, mi, s;
  char sep, z = 'Z';
  int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &y, &mo, &d, &sep, &h, &mi, &s, &z);
  if (n < 7 || (sep != 'T' && sep != ' ') || z != 'Z') return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1970 || y > 2099) return false;
  struct tm tm {};
  tm.tm_year = y - 1900, tm.tm_mon = mo - 1, tm.tm_mday = d, tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
  out = static_cast<int64_t>(timegm(&tm));
  return true;
}

std::string hex(const Bytes& b) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t c : b) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

}  // namespace streamgen
