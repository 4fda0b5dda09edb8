#pragma once
// The two character tables behind DVB text decoding and case-insensitive comparison. They live in the
// resource archive; the runtime cannot read archives itself, so the layer that can registers a loader
// (charset_setTableLoader) at start-up. Each table is read the first time it is needed, copied into
// POOL_FTA_APPLICATION_PERMANENT and kept. A table that cannot be read is tried again on a later call,
// but at most once a second, so a missing table does not mean re-reading the archive on every call.
//
// Byte layout of the two members (all values little-endian 16-bit code points):
//
//   "iso/ISO8859.dat"   3072 bytes = 16 blocks of 96 entries. Entry (n - 1) * 96 + (b - 0xA0) is the
//                       character of byte b (0xA0..0xFF) in ISO/IEC 8859 part n, n = 1..16. Block 12
//                       (no such part exists) holds the Latin-1 values 0x00A0..0x00FF. Positions a part
//                       leaves undefined hold U+FFFD, never 0 (a 0 would end the decoded string; a 0
//                       read from a faulty table is taken as U+FFFD).
//   "iso/uppercase.dat" 131070 bytes = 65535 entries for the units 0x0000..0xFFFE. Entry u is the unit
//                       that u folds to for case-insensitive comparison: the upper-case letter when it is
//                       a single unit, else u itself (surrogates map to themselves). U+FFFF, which has no
//                       entry, folds to itself.
//
// A member of any other size is refused.
#include <cstdint>

constexpr const char* kCharsetIsoMember = "iso/ISO8859.dat";
constexpr const char* kCharsetUppercaseMember = "iso/uppercase.dat";
constexpr int32_t kCharsetIsoBytes = 3072;
constexpr int32_t kCharsetUppercaseBytes = 131070;
constexpr int kCharsetIsoParts = 16;
constexpr int kCharsetIsoBlock = 96;  // bytes 0xA0..0xFF

// Reads the member named `member` into dst when its size is exactly `capacity` bytes. Returns the
// member's size (whether or not it was copied), or -1 when it cannot be read.
using CharsetTableLoader = int32_t (*)(const char* member, void* dst, int32_t capacity);

// Registers the loader (null removes it). A table that failed before is tried again on its next use.
void charset_setTableLoader(CharsetTableLoader loader);
CharsetTableLoader charset_tableLoader();

// The tables as 16-bit units (layout above), loading them if needed; null when they cannot be loaded.
const char16_t* charset_isoTable();
const char16_t* charset_uppercaseTable();

// Loads both tables now (start-up); 1 when both are present.
int charset_loadTables();
// Releases both tables (shutdown and tests); the next use loads them again.
void charset_unloadTables();

// The unit u folds to, from a table charset_uppercaseTable returned.
inline char16_t charset_fold(const char16_t* uppercase, char16_t u) { return u == 0xFFFF ? u : uppercase[u]; }
