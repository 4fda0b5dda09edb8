// Walking the local headers of an archive in memory.
#include <cstddef>
#include <cstring>

#include "graphics/zip.h"
#include "graphics/zip_bytes.h"
#include "runtime/pool.h"

namespace {

constexpr ptrdiff_t kLocalHeaderSize = 30;
constexpr uint16_t kFlagDescriptor = 0x0008;  // sizes and CRC follow the data
constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

struct Sizes {
  uint32_t crc;
  uint32_t compressed;
  uint32_t uncompressed;
};

// Sizes marked 0xFFFFFFFF live in the Zip64 extra field (uncompressed first). Larger members than
// 32 bits can describe are more than this receiver ever holds: refused.
bool readZip64(const uint8_t* extra, const uint8_t* extraEnd, Sizes& sizes) {
  bool wantU = sizes.uncompressed == kZip64Marker, wantC = sizes.compressed == kZip64Marker;
  if (!wantU && !wantC) return true;
  while (extraEnd - extra >= 4) {
    uint16_t id = zipGet16(extra), length = zipGet16(extra + 2);
    const uint8_t* body = extra + 4;
    if (length > extraEnd - body) return false;
    if (id == kExtraZip64) {
      const uint8_t* p = body;
      uint64_t u = sizes.uncompressed, c = sizes.compressed;
      if (wantU) {
        if (body + length - p < 8) return false;
        u = zipGet64(p);
        p += 8;
      }
      if (wantC) {
        if (body + length - p < 8) return false;
        c = zipGet64(p);
      }
      if (u > UINT32_MAX - 1 || c > UINT32_MAX - 1) return false;
      sizes.uncompressed = static_cast<uint32_t>(u);
      sizes.compressed = static_cast<uint32_t>(c);
      return true;
    }
    extra = body + length;
  }
  return false;
}

// The sizes follow the data: scan for the data descriptor. A descriptor only counts when the
// compressed size it gives equals its distance from the data, so signature bytes that happen to lie
// inside the compressed data are passed over; one without signature may sit just before the next
// header. A member that announces a descriptor must have one; any other member (both sizes zero,
// nothing announced) ends at the next local or central header or the end record. Returns where the
// next member starts, or null when the buffer ends first.
const uint8_t* scanDescriptor(const uint8_t* data, const uint8_t* end, bool announced, bool zip64, Sizes& sizes) {
  for (const uint8_t* p = data; end - p >= 4; ++p) {
    p = static_cast<const uint8_t*>(memchr(p, 'P', static_cast<size_t>(end - p - 3)));
    if (!p) return nullptr;
    uint32_t sig = zipGet32(p);
    uint64_t distance = static_cast<uint64_t>(p - data);
    if (sig == kZipDescriptorSignature) {
      // Members with Zip64 sizes in their header have 8-byte sizes in the descriptor too.
      bool narrow = end - p >= 16 && zipGet32(p + 8) == distance;
      bool wide = end - p >= 24 && zipGet64(p + 8) == distance && zipGet64(p + 16) < UINT32_MAX;
      if (wide && (zip64 || !narrow)) {
        sizes = {zipGet32(p + 4), static_cast<uint32_t>(distance), zipGet32(p + 16)};
        return p + 24;
      }
      if (narrow) {
        sizes = {zipGet32(p + 4), zipGet32(p + 8), zipGet32(p + 12)};
        return p + 16;
      }
    } else if (sig == kZipLocalSignature || sig == kZipCentralSignature || sig == kZipEndSignature) {
      if (distance >= 12 && zipGet32(p - 8) == distance - 12) {
        sizes = {zipGet32(p - 12), zipGet32(p - 8), zipGet32(p - 4)};
        return p;
      }
      if (!announced) return p;
    }
  }
  return nullptr;
}

}  // namespace

ZipMember* zip_nextMember(ZipCursor* cursor) {
  if (!cursor || !cursor->pos || cursor->end - cursor->pos < kLocalHeaderSize) return nullptr;
  const uint8_t* h = cursor->pos;
  const uint8_t* end = cursor->end;
  if (zipGet32(h) != kZipLocalSignature) return nullptr;
  uint16_t flags = zipGet16(h + 6);
  uint16_t nameLength = zipGet16(h + 26), extraLength = zipGet16(h + 28);
  const uint8_t* name = h + kLocalHeaderSize;
  if (end - name < nameLength + extraLength) return nullptr;
  const uint8_t* data = name + nameLength + extraLength;
  Sizes sizes = {zipGet32(h + 14), zipGet32(h + 18), zipGet32(h + 22)};
  bool zip64 = sizes.compressed == kZip64Marker || sizes.uncompressed == kZip64Marker;
  if (!readZip64(name + nameLength, data, sizes)) return nullptr;

  const uint8_t* next;
  if ((flags & kFlagDescriptor) || (sizes.compressed == 0 && sizes.uncompressed == 0)) {
    next = scanDescriptor(data, end, (flags & kFlagDescriptor) != 0, zip64, sizes);
    // Sizes that come from the header must still fit before the next member.
    if (!next || next - data < sizes.compressed) return nullptr;
  } else {
    if (end - data < sizes.compressed) return nullptr;
    next = data + sizes.compressed;
  }

  auto* m = static_cast<ZipMember*>(pool_alloc(POOL_ZIPFILE, sizeof(ZipMember)));
  if (!m) return nullptr;
  m->signature = kZipLocalSignature;
  m->versionNeeded = zipGet16(h + 4);
  m->flags = flags;
  m->method = zipGet16(h + 8);
  m->modTime = zipGet16(h + 10);
  m->modDate = zipGet16(h + 12);
  m->crc32 = sizes.crc;
  m->compressedSize = sizes.compressed;
  m->uncompressedSize = sizes.uncompressed;
  m->nameLength = nameLength;
  m->extraLength = extraLength;
  m->data = data;
  size_t kept = nameLength < kZipNameMax ? nameLength : kZipNameMax;
  memcpy(m->name, name, kept);
  m->name[kept] = '\0';
  cursor->pos = next;
  return m;
}

void zip_freeMember(ZipMember* member) { pool_free(POOL_ZIPFILE, member, sizeof(ZipMember)); }
