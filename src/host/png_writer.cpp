#include "host/png_writer.h"

#include <zlib.h>

#include <cstdio>

namespace {

void putU32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(uint8_t(value >> 24));
  out.push_back(uint8_t(value >> 16));
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
  putU32(out, uint32_t(size));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  uLong crc = crc32(0L, out.data() + start, uInt(size + 4));
  putU32(out, uint32_t(crc));
}

}  // namespace

std::vector<uint8_t> png_encodeRgb(const uint32_t* pixels, int32_t width, int32_t height) {
  std::vector<uint8_t> out;
  if (!pixels || width <= 0 || height <= 0 || width > 0x4000 || height > 0x4000) return out;
  // Each row: filter byte 0, then R, G, B.
  size_t rowBytes = size_t(width) * 3 + 1;
  std::vector<uint8_t> raw(rowBytes * size_t(height));
  for (int32_t y = 0; y < height; y++) {
    uint8_t* row = raw.data() + rowBytes * size_t(y);
    const uint32_t* src = pixels + size_t(width) * size_t(y);
    row[0] = 0;
    for (int32_t x = 0; x < width; x++) {
      row[1 + 3 * x] = uint8_t(src[x] >> 16);
      row[2 + 3 * x] = uint8_t(src[x] >> 8);
      row[3 + 3 * x] = uint8_t(src[x]);
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return out;

  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.assign(signature, signature + 8);
  std::vector<uint8_t> header;
  putU32(header, uint32_t(width));
  putU32(header, uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, truecolour, deflate, filter 0, no interlace
  putChunk(out, "IHDR", header.data(), header.size());
  putChunk(out, "IDAT", packed.data(), packedSize);
  putChunk(out, "IEND", nullptr, 0);
  return out;
}

bool png_writeRgb(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height) {
  std::vector<uint8_t> bytes = png_encodeRgb(pixels, width, height);
  if (bytes.empty()) return false;
  std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
