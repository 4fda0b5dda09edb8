#include "runtime/text/utf8.h"

#include <cstring>

#include "runtime/pool.h"

namespace {

int encodedLength(char16_t u) {
  if (u >= 0x0002 && u <= 0x007E) return 1;
  if (u >= 0x07FF) return 3;
  return 2;
}

}  // namespace

char16_t* wstr_fromUtf8(const char* utf8, char16_t* dst) {
  if (!dst) return dst;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  int32_t n = 0;
  while (p && *p) {
    unsigned b = *p;
    if ((b & 0xE0) == 0xC0 && p[1]) {
      dst[n++] = static_cast<char16_t>((b & 0x1F) << 6 | (p[1] & 0x3F));
      p += 2;
    } else if ((b & 0xF0) == 0xE0 && p[1] && p[2]) {
      dst[n++] = static_cast<char16_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
      p += 3;
    } else {
      dst[n++] = static_cast<char16_t>(b);
      ++p;
    }
  }
  dst[n] = 0;
  return dst;
}

char* wstr_toUtf8(const char16_t* s) {
  int64_t size = 1;
  for (const char16_t* q = s; q && *q; ++q) size += encodedLength(*q);
  if (size > kPoolLimit) return nullptr;
  auto* out = static_cast<unsigned char*>(pool_alloc(POOL_FTA_APPLICATION_ARRAY, static_cast<int32_t>(size)));
  if (!out) return nullptr;
  unsigned char* o = out;
  for (const char16_t* q = s; q && *q; ++q) {
    unsigned u = *q;
    switch (encodedLength(*q)) {
      case 1:
        *o++ = static_cast<unsigned char>(u);
        break;
      case 2:
        *o++ = static_cast<unsigned char>(0xC0 | u >> 6);
        *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        break;
      default:
        *o++ = static_cast<unsigned char>(0xE0 | u >> 12);
        *o++ = static_cast<unsigned char>(0x80 | (u >> 6 & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        break;
    }
  }
  *o = 0;
  return reinterpret_cast<char*>(out);
}

void wstr_freeUtf8(char* utf8) {
  if (utf8) pool_free(POOL_FTA_APPLICATION_ARRAY, utf8, static_cast<int32_t>(std::strlen(utf8)) + 1);
}
