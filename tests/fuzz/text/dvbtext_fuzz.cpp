// Broadcast text fields: selector handling, every table, diacritic composition, and the folding
// operations over what was decoded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/text/charset_tables.h"
#include "runtime/text/dvbtext.h"
#include "runtime/text/wstr.h"

namespace {

// Tables of the right shape without the resource archive: Latin-1 code pages, identity folding
// except ASCII letters.
int32_t syntheticTables(const char* member, void* dst, int32_t capacity) {
  auto* out = static_cast<uint8_t*>(dst);
  for (int32_t i = 0; i < capacity / 2; ++i) {
    int u = std::strcmp(member, kCharsetIsoMember) == 0 ? 0xA0 + i % kCharsetIsoBlock : i;
    if (u >= 'a' && u <= 'z') u -= 32;
    out[2 * i] = static_cast<uint8_t>(u);
    out[2 * i + 1] = static_cast<uint8_t>(u >> 8);
  }
  return capacity;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (charset_setTableLoader(syntheticTables), true);
  (void)registered;
  if (size < 1 || size > 4096) return 0;
  int table = data[0] % 18;  // includes the invalid 0 and 17
  const uint8_t* text = data + 1;
  auto count = static_cast<int32_t>(size - 1);

  std::vector<char16_t> dst(static_cast<size_t>(count) + 1);
  int32_t n = dvbtext_decode(text, dst.data(), count, table);
  if (n < 0 || n > count || dst[static_cast<size_t>(n)] != 0) __builtin_trap();

  char16_t* field = dvbtext_decodeField(text, count);
  char16_t* alloc = dvbtext_decodeAlloc(text, count, table);
  if (field && alloc) {
    wstr_compareNoCase(field, alloc);
    wstr_findNoCase(field, alloc);
    const char16_t* end = nullptr;
    wstr_parseInt(field, &end, 2 + data[0] % 15);
    wstr_parseFloat(alloc, &end);
  }
  wstr_free(field);
  wstr_free(alloc);
  return 0;
}
