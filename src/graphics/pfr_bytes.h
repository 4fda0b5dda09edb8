#pragma once
// A bounded big-endian reader over PFR bytes. Reading past the end yields 0 and clears `ok`, so a
// parser can read a whole record and test once.
#include <cstddef>
#include <cstdint>

struct PfrBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;  // the readable bytes are data[0..size)
  size_t pos = 0;
  bool ok = true;

  PfrBytes() = default;
  PfrBytes(const uint8_t* bytes, size_t length) : data(bytes), size(length) {}
  // A reader over `length` bytes from `offset`, or a failed one when they are not all inside.
  PfrBytes sub(size_t offset, size_t length) const {
    PfrBytes r;
    if (offset > size || length > size - offset) {
      r.ok = false;
      return r;
    }
    r.data = data + offset;
    r.size = length;
    return r;
  }

  bool has(size_t n) const { return ok && pos <= size && n <= size - pos; }
  void seek(size_t offset) {
    if (offset <= size)
      pos = offset;
    else
      fail();
  }
  void skip(size_t n) {
    if (has(n))
      pos += n;
    else
      fail();
  }
  void fail() {
    ok = false;
    pos = size;
  }
  uint32_t uN(int n) {
    if (!has(size_t(n))) {
      fail();
      return 0;
    }
    uint32_t v = 0;
    for (int i = 0; i < n; i++) v = v << 8 | data[pos++];
    return v;
  }
  uint32_t u8() { return uN(1); }
  uint32_t u16() { return uN(2); }
  uint32_t u24() { return uN(3); }
  int32_t s8() { return int8_t(uN(1)); }
  int32_t s16() { return int16_t(uN(2)); }
  int32_t s24() {
    uint32_t v = uN(3);
    return int32_t(v << 8) >> 8;
  }
  // An unsigned field of 1, 2 or 3 bytes, chosen by a flag.
  uint32_t uWide(bool wide, bool wider = false) { return uN(wider ? 3 : wide ? 2 : 1); }
};
