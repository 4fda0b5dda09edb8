// Writing archives: every member deflated at level 9, then the central directory and the end record.
#include <zlib.h>

#include <climits>
#include <cstring>
#include <ctime>

#include "graphics/file.h"
#include "graphics/zip.h"
#include "graphics/zip_bytes.h"
#include "runtime/pool.h"

namespace {

constexpr int32_t kLocalHeaderSize = 30;
constexpr int32_t kCentralHeaderSize = 46;
constexpr int32_t kEndRecordSize = 22;
constexpr uint16_t kVersion = 20;         // 2.0: deflate
constexpr int64_t kDosEpoch = 315532800;  // 1980-01-01 00:00 UTC

struct DosStamp {
  uint16_t time;
  uint16_t date;
};

DosStamp dosStamp(int64_t seconds) {
  if (seconds < kDosEpoch) return {0, (1 << 5) | 1};
  time_t t = static_cast<time_t>(seconds);
  struct tm tm;
  gmtime_r(&t, &tm);
  if (tm.tm_year > 2107 - 1900)
    return {(23 << 11) | (59 << 5) | 29, static_cast<uint16_t>((127 << 9) | (12 << 5) | 31)};
  return {static_cast<uint16_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2),
          static_cast<uint16_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday)};
}

struct Entry {
  DosStamp stamp;
  uint32_t crc;
  uint32_t compressed;
  uint32_t offset;
};

// Raw deflate (no zlib wrapper) of `size` bytes into `out`, which holds compressBound(size) bytes.
bool deflateInto(const void* data, int32_t size, uint8_t* out, uLong capacity, uint32_t* written) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out;
  z.avail_out = static_cast<uInt>(capacity);
  bool ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
  *written = static_cast<uint32_t>(z.total_out);
  deflateEnd(&z);
  return ok;
}

uint8_t* putHeaderFields(uint8_t* p, const ZipWriteMember& m, const Entry& e) {
  p = zipPut16(p, kVersion);
  p = zipPut16(p, 0);  // flags
  p = zipPut16(p, kZipMethodDeflated);
  p = zipPut16(p, e.stamp.time);
  p = zipPut16(p, e.stamp.date);
  p = zipPut32(p, e.crc);
  p = zipPut32(p, e.compressed);
  p = zipPut32(p, static_cast<uint32_t>(m.size));
  p = zipPut16(p, static_cast<uint32_t>(strlen(m.name)));
  return zipPut16(p, 0);  // extra length
}

bool validMember(const ZipWriteMember& m) {
  if (!m.name || m.size < 0 || (!m.data && m.size > 0)) return false;
  size_t length = strlen(m.name);
  return length > 0 && length <= 0xFFFF;
}

}  // namespace

uint8_t* zip_buildArchive(const ZipWriteMember* members, int32_t count, int32_t* size) {
  if (size) *size = 0;
  if (!size || count < 0 || count > 0xFFFF || (!members && count > 0)) return nullptr;
  // Worst case first: every member at its compressBound, then one exact copy at the end.
  int64_t worst = kEndRecordSize;
  for (int32_t i = 0; i < count; ++i) {
    if (!validMember(members[i])) return nullptr;
    int64_t name = static_cast<int64_t>(strlen(members[i].name));
    worst += kLocalHeaderSize + kCentralHeaderSize + 2 * name + static_cast<int64_t>(compressBound(members[i].size));
    if (worst > INT32_MAX) return nullptr;
  }
  int32_t entriesSize = count * static_cast<int32_t>(sizeof(Entry));
  auto* entries = static_cast<Entry*>(pool_alloc(POOL_ZIPFILE, entriesSize));
  auto* work = static_cast<uint8_t*>(pool_alloc(POOL_ZIPFILE, static_cast<int32_t>(worst)));
  uint8_t* result = nullptr;
  bool ok = entries && work;
  uint8_t* p = work;
  for (int32_t i = 0; ok && i < count; ++i) {
    const ZipWriteMember& m = members[i];
    Entry& e = entries[i];
    size_t name = strlen(m.name);
    e.stamp = dosStamp(m.modified);
    e.crc = static_cast<uint32_t>(
        crc32(crc32(0, nullptr, 0), static_cast<const Bytef*>(m.data), static_cast<uInt>(m.size)));
    e.offset = static_cast<uint32_t>(p - work);
    uint8_t* data = p + kLocalHeaderSize + name;
    ok = deflateInto(m.data, m.size, data, compressBound(m.size), &e.compressed);
    p = zipPut32(p, kZipLocalSignature);
    p = putHeaderFields(p, m, e);
    memcpy(p, m.name, name);
    p = data + e.compressed;
  }
  uint32_t directory = static_cast<uint32_t>(p - work);
  for (int32_t i = 0; ok && i < count; ++i) {
    const ZipWriteMember& m = members[i];
    size_t name = strlen(m.name);
    p = zipPut32(p, kZipCentralSignature);
    p = zipPut16(p, kVersion);  // made by
    p = putHeaderFields(p, m, entries[i]);
    p = zipPut16(p, 0);  // comment length
    p = zipPut16(p, 0);  // disk
    p = zipPut16(p, 0);  // internal attributes
    p = zipPut32(p, 0);  // external attributes
    p = zipPut32(p, entries[i].offset);
    memcpy(p, m.name, name);
    p += name;
  }
  if (ok) {
    uint32_t directorySize = static_cast<uint32_t>(p - work) - directory;
    p = zipPut32(p, kZipEndSignature);
    p = zipPut16(p, 0);  // this disk
    p = zipPut16(p, 0);  // directory disk
    p = zipPut16(p, static_cast<uint32_t>(count));
    p = zipPut16(p, static_cast<uint32_t>(count));
    p = zipPut32(p, directorySize);
    p = zipPut32(p, directory);
    p = zipPut16(p, 0);  // comment length
    int32_t total = static_cast<int32_t>(p - work);
    if ((result = static_cast<uint8_t*>(pool_alloc(POOL_ZIPFILE, total)))) {
      memcpy(result, work, static_cast<size_t>(total));
      *size = total;
    }
  }
  pool_free(POOL_ZIPFILE, work, static_cast<int32_t>(worst));
  pool_free(POOL_ZIPFILE, entries, entriesSize);
  return result;
}

int32_t zip_writeArchive(const char* archiveFile, const ZipWriteMember* members, int32_t count) {
  if (!archiveFile) return 0;
  int32_t size = 0;
  uint8_t* archive = zip_buildArchive(members, count, &size);
  if (!archive) return 0;
  int32_t ok = file_writeAll(archiveFile, archive, size);
  zip_freeData(archive, size);
  return ok;
}
