#pragma once
// Little-endian field access for zip headers.
#include <cstdint>

inline uint16_t zipGet16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t zipGet32(const uint8_t* p) {
  return static_cast<uint32_t>(zipGet16(p)) | static_cast<uint32_t>(zipGet16(p + 2)) << 16;
}
inline uint64_t zipGet64(const uint8_t* p) {
  return static_cast<uint64_t>(zipGet32(p)) | static_cast<uint64_t>(zipGet32(p + 4)) << 32;
}

inline uint8_t* zipPut16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  return p + 2;
}
inline uint8_t* zipPut32(uint8_t* p, uint32_t v) { return zipPut16(zipPut16(p, v), v >> 16); }
