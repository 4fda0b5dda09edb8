#include "runtime/text/dvbtext.h"

#include <array>

#include "runtime/pool.h"
#include "runtime/text/charset_tables.h"

namespace {

// Base letter + non-spacing mark of the default table -> the composed character.
struct Composition {
  uint8_t mark;
  char base;
  char16_t result;
};

constexpr Composition kCompositions[] = {
    // grave
    {0xC1, 'a', u'à'},
    {0xC1, 'e', u'è'},
    {0xC1, 'i', u'ì'},
    {0xC1, 'o', u'ò'},
    {0xC1, 'u', u'ù'},
    {0xC1, 'A', u'À'},
    {0xC1, 'E', u'È'},
    {0xC1, 'I', u'Ì'},
    {0xC1, 'O', u'Ò'},
    {0xC1, 'U', u'Ù'},
    // acute
    {0xC2, 'a', u'á'},
    {0xC2, 'e', u'é'},
    {0xC2, 'i', u'í'},
    {0xC2, 'o', u'ó'},
    {0xC2, 'u', u'ú'},
    {0xC2, 'y', u'ý'},
    {0xC2, 'A', u'Á'},
    {0xC2, 'E', u'É'},
    {0xC2, 'I', u'Í'},
    {0xC2, 'O', u'Ó'},
    {0xC2, 'U', u'Ú'},
    {0xC2, 'Y', u'Ý'},
    {0xC2, 'd', u'ď'},
    {0xC2, 'D', u'Ď'},
    {0xC2, 'l', u'ĺ'},
    {0xC2, 'L', u'Ĺ'},
    {0xC2, 't', u'ť'},
    {0xC2, 'T', u'Ť'},
    // circumflex
    {0xC3, 'a', u'â'},
    {0xC3, 'e', u'ê'},
    {0xC3, 'i', u'î'},
    {0xC3, 'o', u'ô'},
    {0xC3, 'u', u'û'},
    {0xC3, 'A', u'Â'},
    {0xC3, 'E', u'Ê'},
    {0xC3, 'I', u'Î'},
    {0xC3, 'O', u'Ô'},
    {0xC3, 'U', u'Û'},
    // tilde
    {0xC4, 'a', u'ã'},
    {0xC4, 'o', u'õ'},
    {0xC4, 'A', u'Ã'},
    {0xC4, 'O', u'Õ'},
    // diaeresis
    {0xC8, 'a', u'ä'},
    {0xC8, 'e', u'ë'},
    {0xC8, 'i', u'ï'},
    {0xC8, 'o', u'ö'},
    {0xC8, 'u', u'ü'},
    {0xC8, 'A', u'Ä'},
    {0xC8, 'E', u'Ë'},
    {0xC8, 'I', u'Ï'},
    {0xC8, 'O', u'Ö'},
    {0xC8, 'U', u'Ü'},
    // ring above
    {0xCA, 'a', u'å'},
    {0xCA, 'u', u'ů'},
    {0xCA, 'A', u'Å'},
    {0xCA, 'U', u'Ů'},
    // caron
    {0xCF, 'c', u'č'},
    {0xCF, 'C', u'Č'},
    {0xCF, 'd', u'ď'},
    {0xCF, 'D', u'Ď'},
    {0xCF, 'e', u'ě'},
    {0xCF, 'E', u'Ě'},
    {0xCF, 'l', u'ľ'},
    {0xCF, 'L', u'Ľ'},
    {0xCF, 'n', u'ň'},
    {0xCF, 'N', u'Ň'},
    {0xCF, 'r', u'ř'},
    {0xCF, 'R', u'Ř'},
    {0xCF, 's', u'š'},
    {0xCF, 'S', u'Š'},
    {0xCF, 't', u'ť'},
    {0xCF, 'T', u'Ť'},
    {0xCF, 'z', u'ž'},
    {0xCF, 'Z', u'Ž'},
};

constexpr uint8_t kFirstMark = 0xC0;
constexpr int kMarkCount = 16;  // 0xC0..0xCF; 0xC0 composes nothing

using ComposeTable = std::array<std::array<char16_t, 128>, kMarkCount>;

constexpr ComposeTable makeComposeTable() {
  ComposeTable t{};
  for (const Composition& c : kCompositions) t[c.mark - kFirstMark][static_cast<uint8_t>(c.base)] = c.result;
  return t;
}

constexpr ComposeTable kCompose = makeComposeTable();

// The composed character of mark b over base, or 0.
char16_t compose(uint8_t mark, uint8_t base) { return base < 128 ? kCompose[mark - kFirstMark][base] : 0; }

}  // namespace

int32_t dvbtext_decode(const uint8_t* bytes, char16_t* dst, int32_t count, int table) {
  if (!bytes || !dst || count <= 0 || table < 1 || table > kCharsetIsoParts) {
    if (dst) dst[0] = 0;
    return 0;
  }
  const char16_t* iso = charset_isoTable();
  if (!iso) {
    dst[0] = 0;
    return 0;
  }
  const char16_t* part = iso + (table - 1) * kCharsetIsoBlock;
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    uint8_t b = bytes[i];
    if (b < 0x20) {
      dst[n++] = u'2';
    } else if (b < 0xA0) {
      dst[n++] = b == 0x80 ? u'€' : b;
    } else if (table == 1 && b >= 0xC0 && b <= 0xCF && i + 1 < count && compose(b, bytes[i + 1])) {
      dst[n++] = compose(b, bytes[i + 1]);
      ++i;
    } else {
      dst[n++] = part[b - 0xA0];
    }
  }
  dst[n] = 0;
  return n;
}

char16_t* dvbtext_decodeAlloc(const uint8_t* bytes, int32_t count, int table) {
  if (!bytes || count <= 0 || count >= kPoolLimit / 2) return nullptr;
  int32_t size = (count + 1) * 2;
  auto* text = static_cast<char16_t*>(pool_alloc(POOL_FTA_APPLICATION_ARRAY, size));
  if (!text) return nullptr;
  int32_t n = dvbtext_decode(bytes, text, count, table);
  if (n == 0 || n == count) {
    if (n == 0) {
      pool_free(POOL_FTA_APPLICATION_ARRAY, text, size);
      return nullptr;
    }
    return text;
  }
  // Composed pairs made it shorter: hand out a block of the exact size.
  auto* exact = static_cast<char16_t*>(pool_alloc(POOL_FTA_APPLICATION_ARRAY, (n + 1) * 2));
  if (exact)
    for (int32_t i = 0; i <= n; ++i) exact[i] = text[i];
  pool_free(POOL_FTA_APPLICATION_ARRAY, text, size);
  return exact;
}

int dvbtext_selectTable(const uint8_t* bytes, int32_t count, int32_t* selectorLength) {
  int32_t length = 0;
  int table = 0;
  if (bytes && count > 0) {
    uint8_t first = bytes[0];
    if (first >= 0x20) {
      table = 1;
    } else if (first >= 0x01 && first <= 0x0B) {
      table = first + 4;
      length = 1;
    } else if (first == 0x10) {
      // Three bytes: 0x10 and a 16-bit part number; there is no ISO/IEC 8859-12.
      if (count >= 3 && bytes[1] == 0 && bytes[2] >= 1 && bytes[2] <= 15 && bytes[2] != 12) {
        table = bytes[2];
        length = 3;
      }
    } else if (first >= 0x11) {
      table = 1;
      length = 1;
    }
  }
  if (selectorLength) *selectorLength = length;
  return table;
}

char16_t* dvbtext_decodeField(const uint8_t* bytes, int32_t count) {
  int32_t skip = 0;
  int table = dvbtext_selectTable(bytes, count, &skip);
  if (!table) return nullptr;
  return dvbtext_decodeAlloc(bytes + skip, count - skip, table);
}
