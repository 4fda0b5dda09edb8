#include "graphics/charset_loader.h"

#include <cstring>

#include "graphics/zip.h"
#include "runtime/text/charset_tables.h"

int32_t charset_loadFromResources(const char* member, void* dst, int32_t capacity) {
  if (!member) return -1;
  int32_t innerSize = 0;
  uint8_t* inner = zip_loadNested(kCharsetArchive, &innerSize);
  if (!inner) return -1;
  int32_t result = -1;
  ZipCursor cursor = zip_cursor(inner, innerSize);
  while (ZipMember* m = zip_nextMember(&cursor)) {
    bool match = m->uncompressedSize > 0 && std::strcmp(m->name, member) == 0;
    if (match) {
      if (static_cast<int64_t>(m->uncompressedSize) == capacity && dst) {
        if (uint8_t* data = zip_inflateMember(m)) {
          std::memcpy(dst, data, static_cast<size_t>(capacity));
          zip_freeData(data, capacity);
          result = capacity;
        }
      } else {
        result = m->uncompressedSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(m->uncompressedSize);
      }
    }
    zip_freeMember(m);
    if (match) break;
  }
  zip_freeData(inner, innerSize);
  return result;
}

void charset_useResourceArchive() { charset_setTableLoader(charset_loadFromResources); }
