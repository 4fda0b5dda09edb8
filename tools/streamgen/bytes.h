#pragma once
// Byte-level helpers shared by the table and stream builders: a big-endian byte writer, the MPEG-2
// CRC-32, BCD and the Modified Julian Date.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace streamgen {

using Bytes = std::vector<uint8_t>;

// Appends big-endian fields; `patch16` fills a length field written earlier as a placeholder.
class ByteWriter {
 public:
  void u8(unsigned v) { out_.push_back(static_cast<uint8_t>(v)); }
  void u16(unsigned v) { u8(v >> 8), u8(v); }
  void u24(unsigned v) { u8(v >> 16), u16(v); }
  void u32(uint32_t v) { u16(v >> 16), u16(v); }
  void bytes(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void bytes(const std::string& s) { out_.insert(out_.end(), s.begin(), s.end()); }
  size_t size() const { return out_.size(); }
  // Writes `value` into the low 12 bits of the 16-bit field at `at` (the 4 high bits are kept).
  void patchLength12(size_t at, unsigned value) {
    out_[at] = static_cast<uint8_t>((out_[at] & 0xF0) | ((value >> 8) & 0x0F));
    out_[at + 1] = static_cast<uint8_t>(value);
  }
  void patch8(size_t at, unsigned value) { out_[at] = static_cast<uint8_t>(value); }
  Bytes& data() { return out_; }

 private:
  Bytes out_;
};

// CRC-32 of ISO/IEC 13818-1 Annex A: polynomial 0x04C11DB7, initial 0xFFFFFFFF, no reflection.
uint32_t crc32Mpeg(const uint8_t* data, size_t size);

// Two decimal digits per byte: 1234 -> 0x1234.
uint32_t toBcd(uint32_t value);

// Modified Julian Date of a UTC day given as seconds since 1970.
unsigned mjdOf(int64_t unixSeconds);

// The 40-bit UTC_time field (MJD + BCD hh:mm:ss).
void putUtcTime(ByteWriter& w, int64_t unixSeconds);
// The 24-bit BCD duration hh:mm:ss.
void putBcdDuration(ByteWriter& w, int64_t seconds);

// "2013-03-26T12:00:00Z" for a time in seconds since 1970 (UTC).
std::string isoTime(int64_t unixSeconds);
// Parses "YYYY-MM-DDTHH:MM:SSZ" (or "YYYY-MM-DD HH:MM:SS"); false when malformed.
bool parseIsoTime(const std::string& text, int64_t& out);

std::string hex(const Bytes& b);

}  // namespace streamgen
