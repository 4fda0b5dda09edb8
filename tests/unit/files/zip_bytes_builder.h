#pragma once
// Hand-made zip bytes for cases the writer never produces: stored members, data descriptors in
// their forms, Zip64 sizes, bad CRCs.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

inline std::string rawDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(compressBound(data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

struct ZipBytes {
  std::string bytes;

  ZipBytes& u16(uint32_t v) {
    bytes += static_cast<char>(v & 0xFF);
    bytes += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  ZipBytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  ZipBytes& u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(v >> 32)); }
  ZipBytes& raw(const std::string& s) {
    bytes += s;
    return *this;
  }
  // A local header with the given fields, then the name and the extra field.
  ZipBytes& local(const std::string& name, uint16_t flags, uint16_t method, uint32_t crc, uint32_t csize,
                  uint32_t usize, const std::string& extra = "") {
    u32(0x04034B50).u16(20).u16(flags).u16(method).u16(0).u16(0x21);
    u32(crc).u32(csize).u32(usize).u16(static_cast<uint32_t>(name.size())).u16(static_cast<uint32_t>(extra.size()));
    return raw(name).raw(extra);
  }
  // A complete deflated member with sizes in its header.
  ZipBytes& member(const std::string& name, const std::string& content, uint16_t method = 8) {
    std::string data = method == 8 ? rawDeflate(content) : content;
    local(name, 0, method, crcOf(content), static_cast<uint32_t>(data.size()), static_cast<uint32_t>(content.size()));
    return raw(data);
  }
  ZipBytes& central() { return u32(0x02014B50).raw(std::string(42, '\0')); }
  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
  int32_t size() const { return static_cast<int32_t>(bytes.size()); }
};
