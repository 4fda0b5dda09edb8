// Walks an archive, inflates every member, looks a name up, and treats the first member as a nested
// archive, all over untrusted bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/zip.h"

namespace {

void walkAll(const uint8_t* data, int32_t size, int depth) {
  ZipCursor c = zip_cursor(data, size);
  bool first = true;
  while (ZipMember* m = zip_nextMember(&c)) {
    if (m->data < data || m->data + m->compressedSize > data + size || c.pos > c.end) __builtin_trap();
    if (strlen(m->name) > static_cast<size_t>(kZipNameMax)) __builtin_trap();
    if (uint8_t* content = zip_inflateMember(m)) {
      if (first && depth == 0) walkAll(content, static_cast<int32_t>(m->uncompressedSize), depth + 1);
      zip_freeData(content, static_cast<int32_t>(m->uncompressedSize));
    }
    first = false;
    zip_freeMember(m);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 22)) return 0;
  // An exact copy, so that any read past the end hits the end of an allocation.
  std::vector<uint8_t> copy(data, data + size);
  walkAll(copy.data(), static_cast<int32_t>(size), 0);
  int32_t found = 0;
  if (uint8_t* content = zip_findInArchive(copy.data(), static_cast<int32_t>(size), "data/fonts/a.txt", &found))
    zip_freeData(content, found);
  return 0;
}
