#include "runtime/text/wstr.h"

#include "runtime/pool.h"
#include "runtime/text/charset_tables.h"

int32_t wstr_length(const char16_t* s) {
  if (!s) return 0;
  int32_t n = 0;
  while (s[n]) ++n;
  return n;
}

char16_t* wstr_copy(char16_t* dst, const char16_t* src) {
  if (!dst || !src) return dst;
  int32_t i = 0;
  for (; src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

char16_t* wstr_copyN(char16_t* dst, const char16_t* src, int32_t n) {
  if (!dst) return dst;
  int32_t i = 0;
  if (src)
    for (; i < n && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

char16_t* wstr_append(char16_t* dst, const char16_t* src) {
  if (dst && src) wstr_copy(dst + wstr_length(dst), src);
  return dst;
}

int wstr_compare(const char16_t* a, const char16_t* b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  for (;; ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
    if (!*a) return 0;
  }
}

namespace {

// Compares at most n folded units (n < 0: no limit).
int compareFolded(const char16_t* a, const char16_t* b, int32_t n) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  const char16_t* upper = charset_uppercaseTable();
  if (!upper) return 0;
  for (int32_t i = 0; n < 0 || i < n; ++i) {
    char16_t fa = charset_fold(upper, a[i]);
    char16_t fb = charset_fold(upper, b[i]);
    if (fa != fb) return fa < fb ? -1 : 1;
    if (!a[i] || !b[i]) return 0;  // both ended, or both folded to 0
  }
  return 0;
}

}  // namespace

int wstr_compareNoCase(const char16_t* a, const char16_t* b) { return compareFolded(a, b, -1); }

int wstr_compareNoCaseN(const char16_t* a, const char16_t* b, int32_t n) { return compareFolded(a, b, n < 0 ? 0 : n); }

const char16_t* wstr_findNoCase(const char16_t* text, const char16_t* pattern) {
  if (!text || !pattern) return nullptr;
  const char16_t* upper = charset_uppercaseTable();
  if (!upper) return nullptr;
  for (const char16_t* t = text;; ++t) {
    int32_t i = 0;
    while (pattern[i] && t[i] && charset_fold(upper, t[i]) == charset_fold(upper, pattern[i])) ++i;
    if (!pattern[i]) return t;
    if (!t[i]) return nullptr;  // the text ran out first: no later start can match either
  }
}

char16_t* wstr_fromLatin1(const char* bytes, char16_t* dst) {
  if (!dst) return dst;
  int32_t i = 0;
  if (bytes)
    for (; bytes[i]; ++i) dst[i] = static_cast<unsigned char>(bytes[i]);
  dst[i] = 0;
  return dst;
}

char16_t* wstr_fromLatin1N(const char* bytes, int32_t count, char16_t* dst) {
  if (!dst) return dst;
  int32_t i = 0;
  if (bytes)
    for (; i < count; ++i) dst[i] = static_cast<unsigned char>(bytes[i]);
  dst[i] = 0;
  return dst;
}

void wstr_free(char16_t* s) {
  if (s) pool_free(POOL_FTA_APPLICATION_ARRAY, s, (wstr_length(s) + 1) * 2);
}
