#pragma once
// Small encoders for hand-made test pictures: PNG chunks, GIF files with literal-only LZW data, and
// JPEGs through the system JPEG library.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>
// The JPEG library's header needs size_t and FILE declared first.
#include <jpeglib.h>

using Bytes = std::vector<uint8_t>;

inline void putBe32(Bytes* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

inline Bytes pngChunk(const std::string& type, const Bytes& body) {
  Bytes out;
  putBe32(&out, static_cast<uint32_t>(body.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  putBe32(&out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  return out;
}

inline Bytes pngHeader(uint32_t width, uint32_t height, int depth, int type, int interlace = 0) {
  Bytes body;
  putBe32(&body, width);
  putBe32(&body, height);
  body.insert(body.end(),
              {static_cast<uint8_t>(depth), static_cast<uint8_t>(type), 0, 0, static_cast<uint8_t>(interlace)});
  return pngChunk("IHDR", body);
}

// Filtered rows (each led by its filter byte), deflated into one IDAT.
inline Bytes pngData(const Bytes& rows) {
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  Bytes out(size);
  compress(out.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  out.resize(size);
  return pngChunk("IDAT", out);
}

inline Bytes pngFile(const std::vector<Bytes>& chunks, bool lfSignature = false) {
  Bytes out = {0x89, 'P', 'N', 'G', static_cast<uint8_t>(lfSignature ? 0x0A : 0x0D), 0x0A, 0x1A, 0x0A};
  for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
  return out;
}

// LZW data that codes every pixel as a literal, clearing the table before the code width would grow.
inline Bytes gifLzw(const Bytes& indices, int minCodeSize) {
  const int clear = 1 << minCodeSize, width = minCodeSize + 1;
  Bytes packed;
  uint32_t buffer = 0;
  int count = 0;
  auto emit = [&](int code) {
    buffer |= static_cast<uint32_t>(code) << count;
    count += width;
    while (count >= 8) {
      packed.push_back(static_cast<uint8_t>(buffer));
      buffer >>= 8;
      count -= 8;
    }
  };
  emit(clear);
  int next = clear + 2;
  bool first = true;
  for (uint8_t index : indices) {
    if (!first && next + 1 == (1 << width)) {
      emit(clear);
      next = clear + 2;
      first = true;
    }
    if (!first) ++next;
    first = false;
    emit(index);
  }
  emit(clear + 1);
  if (count > 0) packed.push_back(static_cast<uint8_t>(buffer));
  Bytes out = {static_cast<uint8_t>(minCodeSize)};
  for (size_t i = 0; i < packed.size(); i += 255) {
    size_t n = std::min<size_t>(255, packed.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), packed.begin() + static_cast<long>(i), packed.begin() + static_cast<long>(i + n));
  }
  out.push_back(0);
  return out;
}

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  Bytes localTable;  // RGB triples; empty for none
  Bytes indices;
  int minCodeSize = 3;
};

inline void putLe16(Bytes* out, int v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

inline uint8_t tableBits(size_t entries) {
  uint8_t bits = 0;
  while ((2u << bits) < entries) ++bits;
  return bits;
}

// A GIF89a file with a global table (padded to a power of two) and, when transparentFlag >= 0, a
// graphic control extension naming `transparentIndex`.
inline Bytes gifFile(int width, int height, const Bytes& globalTable, const GifFrame& frame, int transparentFlag = -1,
                     int transparentIndex = 0) {
  Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
  putLe16(&out, width);
  putLe16(&out, height);
  auto table = [&](const Bytes& rgb) {
    uint8_t bits = tableBits(rgb.size() / 3);
    Bytes padded = rgb;
    padded.resize(size_t(2u << bits) * 3);
    return std::make_pair(bits, padded);
  };
  if (globalTable.empty()) {
    out.insert(out.end(), {0, 0, 0});
  } else {
    auto [bits, padded] = table(globalTable);
    out.insert(out.end(), {static_cast<uint8_t>(0x80 | bits), 0, 0});
    out.insert(out.end(), padded.begin(), padded.end());
  }
  if (transparentFlag >= 0)
    out.insert(out.end(),
               {0x21, 0xF9, 4, static_cast<uint8_t>(transparentFlag), 0, 0, static_cast<uint8_t>(transparentIndex), 0});
  out.push_back(0x2C);
  putLe16(&out, frame.left);
  putLe16(&out, frame.top);
  putLe16(&out, frame.width);
  putLe16(&out, frame.height);
  uint8_t packed = frame.interlaced ? 0x40 : 0;
  Bytes local;
  if (!frame.localTable.empty()) {
    auto [bits, padded] = table(frame.localTable);
    packed |= static_cast<uint8_t>(0x80 | bits);
    local = padded;
  }
  out.push_back(packed);
  out.insert(out.end(), local.begin(), local.end());
  Bytes data = gifLzw(frame.indices, frame.minCodeSize);
  out.insert(out.end(), data.begin(), data.end());
  out.push_back(0x3B);
  return out;
}

// A JPEG of a smooth test pattern through the system library.
struct JpegOptions {
  int width = 40, height = 24, components = 3, quality = 80;
  bool jfif = true, progressive = false;
  int restartRows = 0;
};

inline Bytes jpegFile(const JpegOptions& o) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(o.width);
  info.image_height = static_cast<JDIMENSION>(o.height);
  info.input_components = o.components;
  info.in_color_space = o.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, o.quality, TRUE);
  info.write_JFIF_header = o.jfif ? TRUE : FALSE;
  info.restart_in_rows = o.restartRows;
  if (o.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  Bytes row(size_t(o.width) * o.components);
  while (info.next_scanline < info.image_height) {
    int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < o.width; ++x)
      for (int c = 0; c < o.components; ++c)
        row[size_t(x) * o.components + c] = static_cast<uint8_t>((x * 5 + y * 3 + c * 70) & 0xFF);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}
