// Inflating members, finding them by name, and loading archives (plain and nested).
#include <zlib.h>

#include <climits>
#include <cstring>

#include "graphics/file.h"
#include "graphics/zip.h"
#include "runtime/pool.h"

namespace {

constexpr uint16_t kFlagEncrypted = 0x0001;
// Deflate cannot expand data by more than about 1032:1; a member claiming more is corrupt, and
// allocating for its claim would only waste memory.
constexpr uint64_t kMaxDeflateRatio = 1032;

bool matches(const ZipMember* m, const char* request) {
  size_t length = strlen(m->name);
  // Truncated names, names with a NUL inside, directory entries and empty names never match.
  if (length == 0 || length != m->nameLength || m->name[length - 1] == '/') return false;
  return strstr(request, m->name) != nullptr;
}

}  // namespace

uint8_t* zip_inflateMember(const ZipMember* member) {
  if (!member || !member->data || member->method != kZipMethodDeflated || (member->flags & kFlagEncrypted))
    return nullptr;
  uint32_t size = member->uncompressedSize;
  if (size > INT32_MAX || size > (static_cast<uint64_t>(member->compressedSize) + 1) * kMaxDeflateRatio) return nullptr;
  auto* out = static_cast<uint8_t*>(pool_alloc(POOL_ZIPFILE, static_cast<int32_t>(size)));
  if (!out) return nullptr;
  z_stream z{};
  bool ok = inflateInit2(&z, -MAX_WBITS) == Z_OK;
  if (ok) {
    z.next_in = const_cast<Bytef*>(member->data);
    z.avail_in = member->compressedSize;
    z.next_out = out;
    z.avail_out = size;
    int rc = inflate(&z, Z_FINISH);
    ok = (rc == Z_STREAM_END || rc == Z_OK) && z.total_out == size &&
         crc32(crc32(0, nullptr, 0), out, size) == member->crc32;
    inflateEnd(&z);
  }
  if (ok) return out;
  pool_free(POOL_ZIPFILE, out, static_cast<int32_t>(size));
  return nullptr;
}

void zip_freeData(uint8_t* data, int32_t size) { pool_free(POOL_ZIPFILE, data, size); }

uint8_t* zip_findInArchive(const uint8_t* archive, int32_t archiveSize, const char* name, int32_t* size) {
  if (size) *size = 0;
  if (!archive || !name || !size) return nullptr;
  ZipCursor cursor = zip_cursor(archive, archiveSize);
  while (ZipMember* m = zip_nextMember(&cursor)) {
    uint8_t* data = nullptr;
    bool found = matches(m, name);
    if (found && (data = zip_inflateMember(m))) *size = static_cast<int32_t>(m->uncompressedSize);
    zip_freeMember(m);
    if (found) return data;
  }
  return nullptr;
}

uint8_t* zip_loadArchive(const char* archiveFile, int32_t* size) {
  return archiveFile ? file_readAll(archiveFile, POOL_ZIPFILE, size) : nullptr;
}

uint8_t* zip_findMember(const char* archiveFile, const char* name, int32_t* size) {
  if (size) *size = 0;
  if (!name || !size) return nullptr;
  int32_t archiveSize = 0;
  uint8_t* archive = zip_loadArchive(archiveFile, &archiveSize);
  if (!archive) return nullptr;
  uint8_t* data = zip_findInArchive(archive, archiveSize, name, size);
  zip_freeData(archive, archiveSize);
  return data;
}

uint8_t* zip_loadNested(const char* archiveFile, int32_t* size) {
  if (size) *size = 0;
  if (!size) return nullptr;
  int32_t outerSize = 0;
  uint8_t* outer = zip_loadArchive(archiveFile, &outerSize);
  if (!outer) return nullptr;
  ZipCursor cursor = zip_cursor(outer, outerSize);
  uint8_t* inner = nullptr;
  if (ZipMember* first = zip_nextMember(&cursor)) {
    if ((inner = zip_inflateMember(first))) *size = static_cast<int32_t>(first->uncompressedSize);
    zip_freeMember(first);
  }
  zip_freeData(outer, outerSize);
  return inner;
}

uint8_t* zip_findNestedMember(const char* archiveFile, const char* name, int32_t* size) {
  if (size) *size = 0;
  if (!name || !size) return nullptr;
  int32_t innerSize = 0;
  uint8_t* inner = zip_loadNested(archiveFile, &innerSize);
  if (!inner) return nullptr;
  uint8_t* data = zip_findInArchive(inner, innerSize, name, size);
  zip_freeData(inner, innerSize);
  return data;
}
