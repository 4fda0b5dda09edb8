#pragma once
// The two character tables of the resource archive, generated from the host's conversion tables:
// "iso/ISO8859.dat" (16 blocks of 96 little-endian units, bytes 0xA0..0xFF of ISO/IEC 8859 parts
// 1..16; the block of the missing part 12 holds Latin-1; undefined positions hold U+FFFD) and
// "iso/uppercase.dat" (65535 little-endian units: the single-unit upper case of 0x0000..0xFFFE, else
// the unit itself).
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kIsoTableBytes = 3072;
constexpr size_t kUppercaseTableBytes = 131070;

// Empty on failure, with the reason in `error`.
std::vector<uint8_t> charset_isoTable(std::string& error);
std::vector<uint8_t> charset_uppercaseTable(std::string& error);
