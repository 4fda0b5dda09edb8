#pragma once
// Zip archives held in memory: walking the local headers, inflating members, finding a member by
// name, archives nested inside an archive's first member, and writing archives (every member deflated
// at level 9). All blocks are charged to POOL_ZIPFILE. Walks never step past the end of the buffer:
// a header, name, data or descriptor that would overrun ends the walk.
#include <cstdint>

constexpr uint32_t kZipLocalSignature = 0x04034B50;       // "PK\3\4"
constexpr uint32_t kZipCentralSignature = 0x02014B50;     // "PK\1\2"
constexpr uint32_t kZipEndSignature = 0x06054B50;         // "PK\5\6"
constexpr uint32_t kZipDescriptorSignature = 0x08074B50;  // "PK\7\8"
constexpr uint16_t kZipMethodStored = 0;
constexpr uint16_t kZipMethodDeflated = 8;
constexpr int32_t kZipNameMax = 255;

// One member, filled from its local header (and its data descriptor when the sizes follow the data).
struct ZipMember {
  uint32_t signature;
  uint16_t versionNeeded;
  uint16_t flags;
  uint16_t method;
  uint16_t modTime;  // DOS time
  uint16_t modDate;  // DOS date
  uint32_t crc32;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint16_t nameLength;  // as in the header; the stored name may be truncated to kZipNameMax
  uint16_t extraLength;
  const uint8_t* data;  // compressedSize bytes inside the archive buffer
  char name[kZipNameMax + 1];
};

// A read position in an archive buffer and the buffer's end.
struct ZipCursor {
  const uint8_t* pos;
  const uint8_t* end;
};

inline ZipCursor zip_cursor(const void* archive, int32_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(archive);
  return {p, p && size > 0 ? p + size : p};
}

// Reads the local header at the cursor and returns a new member record (free with zip_freeMember),
// advancing the cursor past the member. Null, allocating nothing and leaving the cursor, when the
// bytes there are not a local header (the central directory ends the walk that way) or the member
// would overrun the buffer.
ZipMember* zip_nextMember(ZipCursor* cursor);
void zip_freeMember(ZipMember* member);

// A new buffer of the member's uncompressed size with its inflated content (free with
// zip_freeData(p, member->uncompressedSize)), or null: members must be deflated (stored members are
// refused), and the output must have the member's size and CRC-32.
uint8_t* zip_inflateMember(const ZipMember* member);
void zip_freeData(uint8_t* data, int32_t size);

// The inflated content of the first member whose name occurs within `name` (a request for
// "data/fonts/x.pfr" finds the member "x.pfr"), with its size; null if none. Directory entries and
// empty names never match. zip_findInArchive searches a buffer; zip_findMember loads the archive
// file first. Free the result with zip_freeData(p, *size).
uint8_t* zip_findInArchive(const uint8_t* archive, int32_t archiveSize, const char* name, int32_t* size);
uint8_t* zip_findMember(const char* archiveFile, const char* name, int32_t* size);

// The whole archive file in a new buffer (free with zip_freeData(p, *size)), or null.
uint8_t* zip_loadArchive(const char* archiveFile, int32_t* size);
// Nested archives: loads the outer archive file whole and returns its first member inflated, the
// inner archive, with its size (free with zip_freeData(p, *size)); null on any failure. Walk the
// result with zip_cursor/zip_nextMember or search it with zip_findInArchive.
uint8_t* zip_loadNested(const char* archiveFile, int32_t* size);
// zip_findInArchive over the inner archive of a nested archive file.
uint8_t* zip_findNestedMember(const char* archiveFile, const char* name, int32_t* size);

// Writing. Each member is deflated at level 9; `modified` is the time stamp in seconds since
// 1970-01-01 UTC (times before 1980 are stored as 1980-01-01 00:00).
struct ZipWriteMember {
  const char* name;  // '/' separated, at most 65535 bytes
  const void* data;
  int32_t size;
  int64_t modified;
};

// The whole archive (local headers, data, central directory, end record) in a new buffer; free with
// zip_freeData(p, *size). Null on failure (bad member, out of memory).
uint8_t* zip_buildArchive(const ZipWriteMember* members, int32_t count, int32_t* size);
// Builds the archive and replaces the host file `archiveFile` with it through a temporary file and
// a rename. 1 on success, 0 on failure (the old file is then untouched).
int32_t zip_writeArchive(const char* archiveFile, const ZipWriteMember* members, int32_t count);
