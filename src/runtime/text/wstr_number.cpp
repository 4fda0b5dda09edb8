// Number formatting and parsing on wide strings.
#include <algorithm>
#include <cstdio>

#include "runtime/text/wstr.h"

namespace {

// The value of a digit unit 0-9, a-f, A-F, or -1.
int digitValue(char16_t u) {
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

}  // namespace

char16_t* wstr_fromInt(int32_t value, char16_t* dst, int radix) {
  if (!dst) return dst;
  dst[0] = 0;
  if (radix < 2 || radix > 16) return dst;
  bool negative = radix == 10 && value < 0;
  uint32_t v = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char16_t digits[33];
  int n = 0;
  do {
    digits[n++] = u"0123456789abcdef"[v % radix];
    v /= radix;
  } while (v);
  int i = 0;
  if (negative) dst[i++] = u'-';
  while (n) dst[i++] = digits[--n];
  dst[i] = 0;
  return dst;
}

char16_t* wstr_fromFloat(char16_t* dst, double value, int precision) {
  if (!dst) return dst;
  char text[352];
  snprintf(text, sizeof text, "%.*f", std::clamp(precision, 0, 30), value);
  int i = 0;
  for (; text[i]; ++i) dst[i] = static_cast<unsigned char>(text[i]);
  dst[i] = 0;
  return dst;
}

int32_t wstr_parseInt(const char16_t* s, const char16_t** end, int radix) {
  if (end) *end = s;
  if (!s || radix < 2 || radix > 16) return 0;
  const char16_t* p = s + wstr_length(s);
  uint32_t sum = 0;
  uint32_t power = 1;
  while (p > s) {
    int d = digitValue(p[-1]);
    if (d < 0 || d >= radix) break;
    sum += static_cast<uint32_t>(d) * power;
    power *= static_cast<uint32_t>(radix);
    --p;
  }
  if (p == s) {  // read to the start
    if (end) *end = s;
    return static_cast<int32_t>(sum);
  }
  const char16_t* stop = p - 1;
  if (end) *end = stop;
  if (stop == s && *stop == u'-') sum = 0u - sum;
  return static_cast<int32_t>(sum);
}

double wstr_parseFloat(const char16_t* s, const char16_t** end) {
  if (end) *end = s;
  if (!s) return 0;
  const char16_t* runEnd = s;
  while ((*runEnd >= u'0' && *runEnd <= u'9') || *runEnd == u'.' || *runEnd == u'-') ++runEnd;
  if (end) *end = runEnd;
  double sum = 0;
  double power = 1;
  double divisor = 0;
  for (const char16_t* p = runEnd; p > s; --p) {
    char16_t u = p[-1];
    if (u == u'.') {
      divisor = power;
    } else if (u >= u'0' && u <= u'9') {
      sum += (u - u'0') * power;
      power *= 10;
    } else {
      break;
    }
  }
  if (*s == u'-') sum = -sum;
  return divisor != 0 ? sum / divisor : sum;
}
